// The start dialog of a meeting (template 220): the description to read or,
// for the owner, to edit, with OK to enter and Cancel to end the run. It
// runs in a loop of its own while the talk is being opened, with the talk
// window disabled.
#pragma once

#include <windows.h>

#include <functional>

#include "talk/meeting_start.h"

namespace mirelon {

class TalkController;

// Shows the dialog over `parent` on `start` and returns once it has closed,
// with start.result set. True when the user entered with OK (the owner's
// text is then the talk's description). F2 and the settings menu work as
// in the talk window; `brailleSpace` sounds the blank braille cell typed.
bool RunMeetingStartDialog(HINSTANCE instance, HWND parent, MeetingStart& start, TalkController& controller,
                           std::function<void()> brailleSpace);

}  // namespace mirelon
