// Input controls and keyboard braille input: a control that has the focus
// while braille input is on takes chords, and the input method editor stays
// off in it meanwhile.
#pragma once

#include <windows.h>

namespace mirelon {

// Puts `control` in braille mode with the input method editor off (`on`),
// or back to ordinary typing.
void BringInputControlInLine(HWND control, bool on);

// From now on `control` follows keyboard braille input as its focus
// changes: braille mode when it gains the focus while input is on, ordinary
// typing when it loses it. For the life of the control.
void FollowBrailleInputFocus(HWND control);

// Tells keyboard braille input of `window`'s activation and menu loops, so
// that keys held before do not count and no chord is taken while a menu is
// open. For the window procedure's WM_ACTIVATE, WM_ENTERMENULOOP and
// WM_EXITMENULOOP; other messages are left alone.
void TellBrailleInputOfWindowState(HWND window, UINT msg, WPARAM wParam);

}  // namespace mirelon
