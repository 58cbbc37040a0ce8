// How long the talk window takes to show a talk with history. For each
// size it prints three figures: one plain insertion of the talk's whole
// text into a RichEdit control like the incoming pane (the floor), opening
// the talk through the talk window until its last message is in the pane,
// and the ratio of the two. Run under Wine by scripts/display-bench.
//
//   display_speed_bench [N ...]        (default 1000 20000)
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/command_line.h"
#include "base/com_win32.h"
#include "base/utf.h"
#include "talk/message_list.h"
#include "talk/records.h"
#include "talk/stream_store.h"
#include "talk/talk_file.h"
#include "ui/memory_talk_pane.h"
#include "ui/talk_view.h"
#include "window/talk_window_win32.h"

using namespace mirelon;

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::u16string MakeFolder() {
  wchar_t base[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, base);
  std::wstring folder = std::wstring(base) + L"mirelon-bench-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(GetTickCount());
  CreateDirectoryW(folder.c_str(), nullptr);
  return FromWide(folder);
}

void RemoveFolder(const std::u16string& folder) {
  WIN32_FIND_DATAW data;
  std::wstring wide = ToWide(folder);
  HANDLE find = FindFirstFileW((wide + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      DeleteFileW((wide + L"\\" + data.cFileName).c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(wide.c_str());
}

// An ordinary talk: one-line messages of a few people.
std::u16string Body(int n) {
  return U16("発言 " + std::to_string(n) + " です。今日の議題について一言。");
}

// The text the incoming pane shows for the talk, as the talk window puts it.
std::u16string ShownText(const std::vector<std::u16string>& records) {
  MessageList list;
  uint32_t number = 0;
  for (const std::u16string& record : records) {
    auto node = std::make_unique<MessageNode>();
    std::optional<ParsedRecord> parsed = ParseRecord(record);
    node->number = ++number;
    node->header = parsed->header;
    node->body = parsed->body;
    list.Append(std::move(node));
  }
  std::vector<MessageNode*> nodes;
  while (MessageNode* node = list.AdvanceCursor()) nodes.push_back(node);
  MemoryTalkPane pane;
  TalkView(pane).ShowMessages(nodes);
  return pane.Text(0, pane.TextLength());
}

double Floor(const std::u16string& text) {
  HWND edit = CreateWindowExW(0, L"RichEdit20W", L"",
                              WS_POPUP | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                              0, 0, 600, 450, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(edit, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  SendMessageW(edit, EM_SETTARGETDEVICE, 0, 0);
  const std::wstring wide = ToWide(text);
  const Clock::time_point start = Clock::now();
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
  UpdateWindow(edit);
  const double seconds = Seconds(Clock::now() - start);
  DestroyWindow(edit);
  return seconds;
}

HWND FindTalkWindow(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(
      thread,
      [](HWND w, LPARAM p) {
        if (!GetDlgItem(w, 201)) return TRUE;
        *reinterpret_cast<HWND*>(p) = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Opens the talk in the talk window on a thread of its own and waits until
// the pane holds `length` characters. Seconds from the start, or -1.
double ThroughTheWindow(const std::u16string& talk, int length,
                        const std::shared_ptr<StreamStore>& store) {
  std::atomic<DWORD> threadId{0};
  std::atomic<bool> ended{false};
  const Clock::time_point start = Clock::now();
  std::thread run([&] {
    const ComApartment apartment;
    threadId = GetCurrentThreadId();
    CommandLine commandLine;
    commandLine.talkPath = talk;
    RunTalkWindow(GetModuleHandleW(nullptr), commandLine, store);
    ended = true;
  });
  double seconds = -1;
  HWND window = nullptr;
  for (const Clock::time_point give = start + std::chrono::minutes(10); Clock::now() < give && !ended;) {
    if (!window && threadId) window = FindTalkWindow(threadId);
    if (window) {
      GETTEXTLENGTHEX how{GTL_NUMCHARS | GTL_PRECISE, 1200};
      if (SendMessageW(GetDlgItem(window, 201), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0) >= length) {
        seconds = Seconds(Clock::now() - start);
        break;
      }
    }
    Sleep(2);
  }
  if (window) PostMessageW(window, WM_CLOSE, 0, 0);
  run.join();
  return seconds;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  LoadLibraryW(L"RichEd20.DLL");
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  const ComApartment apartment;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(_wtoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 20000};

  std::shared_ptr<StreamStore> store = CreatePlatformStreamStore();
  std::printf("%10s %12s %12s %8s\n", "messages", "floor_s", "window_s", "ratio");
  std::fflush(stdout);
  for (int n : sizes) {
    const std::u16string folder = MakeFolder();
    const std::u16string talk = folder + u"\\history.talk";
    WriteNewStream(*store, u"owner", talk, kOwnerStream);
    store->EnsureFile(talk);
    std::vector<std::u16string> records;
    for (int i = 1; i <= n; ++i) {
      records.push_back(BuildTalkRecord(U16("user" + std::to_string(i % 7)), LocalTime{3, 5, 9, i % 60}, Body(i)));
      WriteNewStream(*store, records.back(), talk, MessageStreamName(static_cast<uint32_t>(i)));
    }
    const std::u16string text = ShownText(records);
    const double floor = Floor(text);
    const double window = ThroughTheWindow(talk, static_cast<int>(text.size()), store);
    std::printf("%10d %12.3f %12.3f %8.2f\n", n, floor, window, window > 0 ? window / floor : -1.0);
    std::fflush(stdout);
    RemoveFolder(folder);
  }
  return 0;
}
