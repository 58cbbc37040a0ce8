// Run inside a fresh Wine prefix where only the release package has been
// unpacked: starts its mirelon.exe on a talk that does not exist yet,
// answers the open dialog and the create question as a user does, and
// checks that the talk is created and the talk window is up. Exit code 0
// when all of that happened.
//   package_check.exe C:\mirelon-1.0.0\mirelon.exe
// After msiexec: what the MSI left (installed VERSION, removed), and a
// meeting opened as the shell opens a file: its start dialog, the talk
// window on it, and F1 there opening the installed read-me (open).
#include <windows.h>

#include <msi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <memory>
#include <string>

#include "base/unique_handle_win32.h"
#include "base/utf.h"
#include "support/gui_driver_win32.h"
#include "talk/records.h"
#include "talk/talk_file.h"

using namespace mirelon;
using namespace mirelon::gui;

namespace {

int Fail(const char* what) {
  std::printf("package check failed: %s\n", what);
  return 1;
}

constexpr wchar_t kProgram[] = L"C:\\Program Files\\Mirelon\\mirelon.exe";
constexpr wchar_t kReadme[] = L"はじめにお読みください";

std::wstring RegText(const std::wstring& key, const wchar_t* value = nullptr, HKEY root = HKEY_CLASSES_ROOT) {
  wchar_t text[1024] = {};
  DWORD size = sizeof text;
  if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) return L"-";
  return text;
}

// What an installation leaves in the system, a line each: the products of
// Mirelon's upgrade code as the installed programs list them, the Start
// menu shortcuts and the three file types.
std::wstring Installed() {
  std::wstring found;
  wchar_t product[39];
  for (DWORD i = 0; MsiEnumRelatedProductsW(L"{74283853-9B9F-451C-B5BE-3BCB147A9D66}", 0, i, product) == 0; ++i) {
    const std::wstring entry = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + std::wstring(product);
    found += L"entry " + RegText(entry, L"DisplayName", HKEY_LOCAL_MACHINE) + L" " +
             RegText(entry, L"DisplayVersion", HKEY_LOCAL_MACHINE) + L" " + RegText(entry, L"Publisher", HKEY_LOCAL_MACHINE) + L"\n";
  }
  // The programs of all users, or of the user (where Wine puts them).
  for (int folder : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS})
    for (const std::wstring& shortcut : {std::wstring(L"Mirelon"), L"Mirelon " + std::wstring(kReadme)}) {
      wchar_t path[MAX_PATH] = {};
      SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path);
      if (GetFileAttributesW((std::wstring(path) + L"\\" + shortcut + L".lnk").c_str()) != INVALID_FILE_ATTRIBUTES)
        found += L"shortcut " + shortcut + L"\n";
    }
  for (const wchar_t* extension : {L".talk", L".meeting", L".share"}) {
    const std::wstring type = RegText(extension);
    found += extension + (L" " + type) + L" " + RegText(type) + L" " + RegText(type + L"\\DefaultIcon") + L" " +
             RegText(type + L"\\shell\\open") + L" " + RegText(type + L"\\shell\\open\\command") + L"\n";
  }
  return found;
}

int CheckInstalled(const std::wstring& expected) {
  const std::wstring found = Installed();
  if (found == expected) return 0;
  std::printf("found:\n%s\nexpected:\n%s\n", Utf16ToUtf8(FromWide(found)).c_str(),
              Utf16ToUtf8(FromWide(expected)).c_str());
  return Fail("the system does not hold what the installation should leave");
}

std::wstring InstalledVersion(const std::wstring& version) {
  const std::wstring program(kProgram);
  std::wstring text = L"entry Mirelon " + version + L" Orin\nshortcut Mirelon\nshortcut Mirelon " + std::wstring(kReadme) + L"\n";
  for (const wchar_t* type : {L".talk Mirelon.Talk Mirelon Talk", L".meeting Mirelon.Meeting Mirelon Meeting",
                              L".share Mirelon.Share Mirelon Shared Talk"})
    text += type + (L" " + program + L",0 開く \"" + program + L"\" \"%1\"\n");
  return text;
}

// A meeting of this user opened as the shell opens a file.
int OpenMeeting() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::u16string meeting = FromWide(temp) + u"定例会.meeting";
  const std::unique_ptr<StreamStore> store = CreatePlatformStreamStore();
  WriteNewStream(*store, UserName(), meeting, kOwnerStream);
  store->EnsureFile(meeting);
  const std::wstring file = ToWide(meeting);
  SHELLEXECUTEINFOW open{sizeof open, SEE_MASK_NOCLOSEPROCESS};
  open.lpFile = file.c_str();
  open.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&open) || !open.hProcess) return Fail("the shell did not open the meeting");
  const UniqueHandle process(open.hProcess);
  const DWORD id = GetProcessId(process.get());
  HWND start = WaitForTopWindow(id, L"OrinMirelon ミーティングの開始");
  if (!start || !BringToForeground(start)) return Fail("no start dialog");
  PressKeys({VK_MENU, VK_RETURN});
  HWND window = WaitForTopWindow(id, L"ミーティング - 定例会");
  if (!window || !BringToForeground(window)) return Fail("no talk window on the meeting");
  PressKeys({VK_F1});
  HWND readme = nullptr;
  if (!WaitUntil([&] { return (readme = FindWindowW(nullptr, (std::wstring(kReadme) + L".txt - メモ帳").c_str())) != nullptr; }))
    return Fail("F1 did not open the read-me");
  PostMessageW(readme, WM_CLOSE, 0, 0);
  PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  WaitForSingleObject(process.get(), 60000);
  GetExitCodeProcess(process.get(), &code);
  return code == 0 ? 0 : Fail("mirelon.exe did not end cleanly");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"installed" && argc > 2) return CheckInstalled(InstalledVersion(argv[2]));
  if (mode == L"removed") return CheckInstalled(L".talk - - - - -\n.meeting - - - - -\n.share - - - - -\n");
  if (mode == L"open") return OpenMeeting();
  if (argc < 2) return Fail("usage: package_check.exe PATH_OF_MIRELON_EXE | installed VERSION | removed | open");
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring talk = std::wstring(temp) + L"はじめての会話.talk";
  DeleteFileW((talk + L":Owner").c_str());
  DeleteFileW(talk.c_str());

  ChildProcess app;
  if (!app.Start(L"\"" + std::wstring(argv[1]) + L"\" \"" + talk + L"\"")) return Fail("mirelon.exe did not start");
  auto waitFor = [&](const std::wstring& title) {
    HWND found = nullptr;
    WaitUntil([&] {
      found = FindTopWindow(app.id(), [&](const std::wstring& t) { return t == title; });
      return found != nullptr;
    }, 60000);
    return found;
  };

  // The talk does not exist: the open dialog comes first, on its path.
  HWND open = waitFor(L"トークファイルの選択");
  if (!open) return Fail("no open dialog");
  HWND name = GetDlgItem(open, 0x47C);
  if (HWND edit = FindWindowExW(name, nullptr, L"Edit", nullptr)) name = edit;
  if (!name) name = GetDlgItem(open, 0x480);
  if (!name) return Fail("no file name box");
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(talk.c_str()));
  if (!BringToForeground(open)) return Fail("the open dialog did not come to the front");
  PressKeys({VK_RETURN});

  // The create question; Yes is its default button.
  HWND question = waitFor(L"OrinMirelon");
  if (!question) return Fail("no create question");
  if (!BringToForeground(question)) return Fail("the question did not come to the front");
  PressKeys({VK_RETURN});

  HWND window = waitFor(L"トークモード - はじめての会話");
  if (!window) return Fail("no talk window");
  if (GetFileAttributesW((talk + L":Owner").c_str()) == INVALID_FILE_ATTRIBUTES) return Fail("the talk was not created");
  PostMessageW(window, WM_CLOSE, 0, 0);
  if (app.Wait(60000) != 0) return Fail("mirelon.exe did not end cleanly");
  std::printf("package check passed: the talk was created and the window was up\n");
  return 0;
}
