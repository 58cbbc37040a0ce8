// The talk window: the program's main window (dialog 200) with the
// incoming and the outgoing pane, the Windows front end of the talk's
// controller.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "base/timing.h"
#include "serial/serial_device.h"
#include "speech/screen_reader.h"
#include "speech/speech_engine.h"
#include "talk/stream_store.h"
#include "ui/feedback_sounds.h"

namespace mirelon {

// What the run takes from its surroundings: the waits of the program, how
// the terminals' serial lines are opened, and what it speaks and sounds
// through.
struct TalkWindowEnvironment {
  Timing timing;
  SerialDeviceOpener opener = OpenSystemSerialDevice;
  // The speech engine for the talk window; none: the system's (SAPI).
  std::function<SpeechEnginePtr(HWND)> speechEngine;
  // The user's screen reader; none: UI Automation where the system has it.
  std::function<std::unique_ptr<ScreenReaderNotifier>(HWND)> screenReader;
  // Where the tones go; none: the system's sound player.
  SoundPlayer* sounds = nullptr;
  // The speech settings file and the detailed readings; none: the user's
  // own and the one beside the program.
  std::optional<std::u16string> speechSettingsFile;
  std::optional<std::u16string> detailDictionaryFile;
  // Where keyboard braille input's settings live; none: the per-user folder.
  std::optional<std::u16string> brlInputSettingsPath;
};

// Creates the talk window, brings the engines up, opens the talk, runs the
// message loop until the window is closed, and takes everything down again
// in order. `instance` holds the window's resources. The talk's watcher
// shares the store and may still use it after this returns.
void RunTalkWindow(HINSTANCE instance, const CommandLine& commandLine,
                   std::shared_ptr<StreamStore> store,
                   const TalkWindowEnvironment& environment = TalkWindowEnvironment());

}  // namespace mirelon
