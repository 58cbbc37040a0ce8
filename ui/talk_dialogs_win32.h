// The standard dialogs of opening a talk: the open dialog and the message
// boxes with the program's caption.
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

// A message box owned by `owner`; returns the button pressed.
int ShowMessage(HWND owner, std::u16string_view text, UINT style);

}  // namespace mirelon
