// Run inside a fresh Wine prefix where only the release package has been
// unpacked: starts its mirelon.exe on a talk that does not exist yet,
// answers the open dialog and the create question as a user does, and
// checks that the talk is created and the talk window is up. Exit code 0
// when all of that happened.
//   package_check.exe C:\mirelon-1.0.0\mirelon.exe
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/gui_driver_win32.h"

using namespace mirelon::gui;

namespace {

int Fail(const char* what) {
  std::printf("package check failed: %s\n", what);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Fail("usage: package_check.exe PATH_OF_MIRELON_EXE");
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
