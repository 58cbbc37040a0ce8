// Drives another process's windows the way a user does: real keyboard and
// mouse input through SendInput, window texts through messages the system
// carries between processes, and rich-edit queries through memory placed
// in the other process.
#pragma once
#ifdef _WIN32

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace mirelon::gui {

// Folder of the build's programs (mirelon.exe, mirelon-cli.exe), found
// from this test program's own path.
std::wstring BuildFolder();

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Start(const std::wstring& commandLine);
  // Waits for the process to end; its exit code, or -1 when it did not.
  int Wait(DWORD timeoutMs);
  bool Running() const;
  DWORD id() const { return info_.dwProcessId; }
  HANDLE handle() const { return info_.hProcess; }

 private:
  PROCESS_INFORMATION info_{};
};

// Polls `condition` until it holds or `timeoutMs` have passed.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 30000);

// A visible top-level window of the process whose title satisfies `match`.
HWND FindTopWindow(DWORD processId, const std::function<bool(const std::wstring&)>& match);

// FindTopWindow with exactly this title, waited for; null when none came.
HWND WaitForTopWindow(DWORD processId, const std::wstring& title);

std::wstring WindowText(HWND window);

// Keyboard input: a chord such as {VK_MENU, VK_RETURN} presses the keys in
// order and releases them in reverse.
void PressKeys(std::initializer_list<WORD> chord);
void TypeText(std::wstring_view text);
// A left click in the middle of a window.
void ClickWindow(HWND window);
// Makes a top-level window the foreground window and waits until it is.
bool BringToForeground(HWND window);
// The window that has the keyboard focus in the foreground thread.
HWND FocusedWindow();

// Rich-edit queries on a control of another process.
class RemoteRichEdit {
 public:
  RemoteRichEdit(HANDLE process, HWND edit);
  ~RemoteRichEdit();
  RemoteRichEdit(const RemoteRichEdit&) = delete;
  RemoteRichEdit& operator=(const RemoteRichEdit&) = delete;

  std::wstring Text();
  void GetSelection(LONG& start, LONG& end);
  void SetSelection(LONG start, LONG end);
  // Whether every character of [start, end) is bold, and the height of the
  // first in twips. Leaves the selection as it was.
  bool IsBold(LONG start, LONG end, LONG* height = nullptr);

 private:
  // The block of memory in the other process: write, read, and send a
  // message to the control (whose pointers must point into that block).
  bool Put(const void* data, size_t size);
  bool Get(void* data, size_t size);
  LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam);

  HANDLE process_;
  HWND edit_;
  void* remote_ = nullptr;
  size_t size_ = 0;
};

// The text of a cell of a list view in another process.
std::wstring ListViewText(HANDLE process, HWND list, int row, int column);

// Saves the screen area of a window as a 24-bit BMP file.
bool SaveWindowImage(HWND window, const std::wstring& path);

}  // namespace mirelon::gui

#endif
