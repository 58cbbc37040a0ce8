// The settings dialog of keyboard braille input (520): the switch and the
// text input type.
#pragma once

#include <windows.h>

#include "settings/brl_input_settings.h"

namespace mirelon {

// Runs the dialog modally on `owner`. OK: the settings take the dialog's
// values and the result is true; Cancel leaves them as they were.
bool ShowBrlInputDialog(HWND owner, BrlInputSettings& settings);

}  // namespace mirelon
