// The talk window: the program's main window (dialog 200) with the
// incoming and the outgoing pane, the Windows front end of the talk's
// controller.
#pragma once

#include <windows.h>

#include "app/command_line.h"
#include "base/timing.h"
#include "serial/serial_device.h"
#include "talk/stream_store.h"

namespace mirelon {

// What the run takes from its surroundings: the waits of the program, and
// how the terminals' serial lines are opened.
struct TalkWindowEnvironment {
  Timing timing;
  SerialDeviceOpener opener = OpenSystemSerialDevice;
};

// Creates the talk window, brings the engines up, opens the talk, runs the
// message loop until the window is closed, and takes everything down again
// in order. `instance` holds the window's resources.
void RunTalkWindow(HINSTANCE instance, const CommandLine& commandLine, StreamStore& store,
                   const TalkWindowEnvironment& environment = TalkWindowEnvironment());

}  // namespace mirelon
