// The talk window: the program's main window (dialog 200) with the
// incoming and the outgoing pane, and the run of the program around it.
#pragma once

#include <windows.h>

#include "app/command_line.h"

namespace mirelon {

class TalkContext;

// Creates the talk window, brings the libraries up, opens the talk, runs
// the message loop until the window is closed, and takes everything down
// again in order.
void RunTalkWindow(HINSTANCE instance, const CommandLine& commandLine, TalkContext& context);

}  // namespace mirelon
