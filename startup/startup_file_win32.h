// Saving a start-up file from the talk window (its system menu command
// 110): the save dialog, the batch file or shortcut, and the message that
// says how it went.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "startup/startup_file.h"

namespace mirelon {

class TalkController;

// Writes `fileName` for the program `programPath` on `talkPath` with the
// terminals `descriptions`: a batch file in the ANSI code page or a shell
// shortcut, by the name's extension. Any other extension writes nothing
// and fails.
StartupFileResult WriteStartupFile(const std::u16string& fileName, const std::u16string& programPath,
                                   const std::u16string& talkPath, const std::vector<std::u16string>& descriptions);

// Asks for a file name in the save dialog owned by `owner`, offering the
// name chosen last time, and writes the start-up file of the controller's
// talk with the terminals registered now; the user is told the outcome.
// False when the dialog was cancelled or the file could not be written.
bool SaveStartupFile(HWND owner, TalkController& controller);

}  // namespace mirelon
