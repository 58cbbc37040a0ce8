// The one-line input dialogs: template 240 (a text field) and 241 (a number
// field whose arrow keys step the number). They run modelessly in a loop of
// their own, so that every message first passes keyboard braille input and
// chords typed into the field become text; the owner is disabled meanwhile.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/line_input.h"

namespace mirelon {

// Runs a settings command (301 speech output, 311 braille input on or off,
// 312 braille input settings) for a dialog window; true when it was one
// the handler knows.
using SettingsCommandHandler = std::function<bool(HWND window, int command)>;

// Shows the dialog of template `templateId` (IDD_LINE_INPUT or
// IDD_NUMBER_INPUT) owned by `owner` and returns once it has closed; the
// request then holds the result. Commands 301, 311 and 312 inside the
// dialog go to `commands`; F2 is 311. False, with the request as it was,
// when the request is already running or the dialog cannot be created.
bool RunLineInput(int templateId, HWND owner, LineInputRequest& request,
                  const SettingsCommandHandler& commands = {});

}  // namespace mirelon
