// Notifications for the user's screen reader through UI Automation
// (Windows 10 1709 and later).
#pragma once

#include <windows.h>

#include <memory>

#include "speech/screen_reader.h"

namespace mirelon {

// A notifier that raises UI Automation notification events on `window`'s
// provider (on the focused control's, when one of its controls has the
// focus). None where the system lacks the calls (older Windows, Wine):
// texts then go to the speech engine's voice.
std::unique_ptr<ScreenReaderNotifier> CreateUiaNotifier(HWND window);

}  // namespace mirelon
