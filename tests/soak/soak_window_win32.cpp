// The talk window in the soak run (scripts/soak under Wine): starts the
// Windows program on a meeting, enters it, and then, on commands read one
// per line from standard input, types messages as its user does, reports
// the program's window-system objects and working set, and closes it.
//
//   soak_window MIRELON_EXE TALK
//
// Commands: "type TEXT" (typed into the outgoing pane and sent with
// Alt+Enter), "measure", "quit". Events on standard output, one a line:
//   window USER             the talk window is open; USER is the logon name
//   figures GDI USER KIB    GetGuiResources and the working set
//   typed TEXT
//   closed CODE             the program ended (CODE -1: it did not)
#ifdef _WIN32
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "base/utf.h"
#include "support/gui_driver_win32.h"

namespace mirelon {
namespace {

constexpr int kOutgoing = 202;

void Report(const std::string& event) {
  std::printf("%s\n", event.c_str());
  std::fflush(stdout);
}

int Run(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: soak_window MIRELON_EXE TALK\n", stderr);
    return 2;
  }
  gui::ChildProcess app;
  if (!app.Start(L"\"" + std::wstring(argv[1]) + L"\" \"" + argv[2] + L"\"")) return 1;
  // A member enters with OK in the start dialog.
  HWND start = gui::WaitForTopWindow(app.id(), L"OrinMirelon ミーティングの開始");
  if (!start) return 1;
  PostMessageW(start, WM_COMMAND, IDOK, 0);
  HWND window = nullptr;
  gui::WaitUntil([&] {
    window = gui::FindTopWindow(app.id(), [](const std::wstring& title) {
      return title.size() > 7 && title.compare(title.size() - 7, 7, L" - soak") == 0;
    });
    return window != nullptr;
  });
  if (!window) return 1;
  wchar_t user[256];
  DWORD size = 256;
  if (!GetUserNameW(user, &size)) user[0] = 0;
  Report("window " + Utf16ToUtf8(FromWide(user)));

  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("type ", 0) == 0) {
      gui::BringToForeground(window);
      gui::ClickWindow(GetDlgItem(window, kOutgoing));
      gui::TypeText(ToWide(Utf8ToUtf16Lenient(line.substr(5))));
      gui::PressKeys({VK_MENU, VK_RETURN});
      Report("typed " + line.substr(5));
    } else if (line == "measure") {
      PROCESS_MEMORY_COUNTERS memory{};
      memory.cb = sizeof memory;
      GetProcessMemoryInfo(app.handle(), &memory, sizeof memory);
      Report("figures " + std::to_string(GetGuiResources(app.handle(), GR_GDIOBJECTS)) + " " +
             std::to_string(GetGuiResources(app.handle(), GR_USEROBJECTS)) + " " +
             std::to_string(memory.WorkingSetSize / 1024));
    } else if (line == "quit") {
      break;
    }
  }
  PostMessageW(window, WM_CLOSE, 0, 0);
  Report("closed " + std::to_string(app.Wait(60000)));
  return 0;
}

}  // namespace
}  // namespace mirelon

int wmain(int argc, wchar_t** argv) { return mirelon::Run(argc, argv); }
#endif
