// The standard dialogs of the program: the open dialog of a talk, the save
// dialog and the message boxes with the program's caption.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace mirelon {

// Caption of every message box of the program.
inline constexpr wchar_t kMessageCaption[] = L"OrinMirelon";

// The open dialog on a working copy of the talk path (at most 260
// characters). `filterIndex` (1 talk, 2 meeting, 3 share, 4 all files) is
// the initial filter and receives the chosen one. False when the user
// cancelled or the dialog failed; the working copy is then unchanged.
bool ShowTalkFileDialog(HWND owner, std::u16string& workingCopy, int& filterIndex);

// A file dialog: its title, its filter (pairs of display text and
// pattern, each ended by a zero, the list by two), and the extension that
// a name typed without one gets (none: the name stays as typed).
struct FileDialog {
  const wchar_t* title = nullptr;
  const wchar_t* filter = nullptr;
  const wchar_t* defaultExtension = nullptr;
};

// Shows the save dialog on a file name (at most 260 characters) with the
// initial filter `filterIndex`; `name` and `filterIndex` receive the
// choice. False when the user cancelled or the dialog failed, leaving both
// unchanged. The file need not exist, nor is replacing one asked about.
bool ShowSaveFileDialog(HWND owner, const FileDialog& dialog, std::u16string& name, int& filterIndex);

// A message box owned by `owner`; returns the button pressed.
int ShowMessage(HWND owner, std::u16string_view text, UINT style);

}  // namespace mirelon
