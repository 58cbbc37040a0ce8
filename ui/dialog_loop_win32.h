// Dialogs that stand in for modal ones but run modelessly in a loop of their
// own, so that every message passes keyboard braille input first and chords
// typed into their fields become text. The owner is disabled while one runs.
#pragma once

#include <windows.h>

namespace mirelon {

// Shows `dialog`, disables `owner` and runs the loop until the dialog is
// gone: keyboard braille input, then `accelerators` (may be null), then the
// dialog's own keys. A quit that is not the dialog's own (the program is
// ending) closes the dialog and reaches the program's loop again.
void RunDialogLoop(HWND dialog, HWND owner, HACCEL accelerators);

// What the dialog's procedure does with WM_CLOSE and WM_DESTROY: the owner
// is usable again, the dialog goes, and its loop ends. True when `msg` was
// one of them.
bool EndDialogLoopOn(HWND dialog, HWND owner, UINT msg);

}  // namespace mirelon
