// The keyboard braille input commands of the program's windows (the talk
// window, the meeting dialog, the one-line dialogs): 311 switches braille
// input (F2), 312 opens its settings dialog, 319 the input test; and what
// the keyboard reports to the window that switched it.
#pragma once

#include <windows.h>

#include "app/brl_input.h"

namespace mirelon {

// Runs `command` for `window`; false when it is none of the three. After
// 311 and 312, `inputControl` (when given and focused) follows the switch.
bool RunBrlInputCommand(BrlInput& input, HWND window, int command, HWND inputControl = nullptr);

// When `msg` is the keyboard's notification message: the input state it
// carries is spoken, a refused chord sounds; true. False for any other
// message.
bool HandleBrlInputNotification(BrlInput& input, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace mirelon
