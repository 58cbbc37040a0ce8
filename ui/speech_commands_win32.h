// The speech settings a window offers: menu 104 in its system menu, the
// scenes dialog (500, command 300) and the engine's own voice settings
// (command 301), each saved to "Speech.set" when the user confirms.
#pragma once

#include <windows.h>

#include "speech/speech_settings.h"

namespace mirelon {

// Appends menu 104 to `window`'s system menu as "設定(&S)".
void AppendSettingsMenu(HWND window, HINSTANCE instance);

// Dialog 500 on `settings`: ticks the boxes of the scenes that are on, and
// on OK stores every box into its scene. True for OK.
bool RunSpeechScenesDialog(HWND owner, HINSTANCE instance, SpeechSettings& settings);

// Commands 300 and 301: runs the dialog and saves on confirmation. False
// for any other command (left to the caller).
bool HandleSpeechCommand(HWND owner, HINSTANCE instance, int command, SpeechSettings& settings);

}  // namespace mirelon
