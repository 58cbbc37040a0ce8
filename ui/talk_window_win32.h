// The talk window: the program's main window (dialog 200) with the
// incoming and the outgoing pane, the Windows front end of the talk's
// controller.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "base/timing.h"
#include "serial/serial_device.h"
#include "speech/speech_engine.h"
#include "talk/stream_store.h"

namespace mirelon {

// What the run takes from its surroundings: the waits of the program, and
// how the terminals' serial lines are opened.
struct TalkWindowEnvironment {
  Timing timing;
  SerialDeviceOpener opener = OpenSystemSerialDevice;
  // Makes the run's speech engine for the talk window; none: the system's.
  std::function<SpeechEnginePtr(HWND)> speech;
  // Where keyboard braille input's settings live; none: the per-user folder.
  std::optional<std::u16string> brlInputSettingsPath;
};

// Creates the talk window, brings the engines up, opens the talk, runs the
// message loop until the window is closed, and takes everything down again
// in order. `instance` holds the window's resources.
void RunTalkWindow(HINSTANCE instance, const CommandLine& commandLine, StreamStore& store,
                   const TalkWindowEnvironment& environment = TalkWindowEnvironment());

}  // namespace mirelon
