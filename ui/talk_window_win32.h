// The talk window: the program's main window (dialog 200) with the
// incoming and the outgoing pane, and the run of the program around it.
#pragma once

#include <windows.h>

#include "app/command_line.h"
#include "base/timing.h"
#include "serial/serial_device.h"

namespace mirelon {

class TalkContext;

// What the run takes from its surroundings: the waits of the program, and
// how the terminals' serial lines are opened.
struct TalkWindowEnvironment {
  Timing timing;
  SerialDeviceOpener opener = OpenSystemSerialDevice;
};

// Creates the talk window, brings the libraries up, opens the talk, runs
// the message loop until the window is closed, and takes everything down
// again in order. `instance` holds the window's resources.
void RunTalkWindow(HINSTANCE instance, const CommandLine& commandLine, TalkContext& context,
                   const TalkWindowEnvironment& environment = TalkWindowEnvironment());

}  // namespace mirelon
