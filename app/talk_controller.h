// The one owner of an open talk's life, for both front ends (the Windows
// talk window and the headless runner): the engines, opening the talk,
// the watcher and its first scan, the scan-done work (a meeting's in
// record, the command-line terminals), new messages (braille lines, the
// incoming pane, the sound), the PC user's and the terminals' records, and
// shutting everything down in order.
//
// Everything here runs on the front end's thread. The watcher and the
// terminal clients reach it through a sink that hands their news to that
// thread as tasks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/brl_input.h"
#include "app/terminal_connector.h"
#include "base/timing.h"
#include "client/client_registry.h"
#include "serial/serial_device.h"
#include "speech/speech_engine.h"
#include "speech/speech_settings.h"
#include "talk/recent_talks.h"
#include "talk/stream_watcher.h"
#include "talk/talk_context.h"
#include "talk/talk_session.h"
#include "ui/talk_view.h"

namespace mirelon {

class TalkFrontEnd;

struct TalkControllerOptions {
  Timing timing;
  SerialDeviceOpener opener = OpenSystemSerialDevice;
  // The local time stamped on records; null: the system's clock.
  std::function<LocalTime()> clock;
  // The PC user's name; none: the logon name.
  std::optional<std::u16string> userName;
  // A meeting records the PC user's in and out (off for one-shot runs).
  bool enterMeeting = true;
  // Braille lines are translated by the text-to-braille engine; otherwise
  // (or when it cannot be opened) by the kana converter.
  bool openTranslator = true;
  // The list of talks used; none: the user's own.
  std::optional<RecentTalks> recent;
  // Where keyboard braille input's settings live; none: the per-user folder.
  std::optional<std::u16string> brlInputSettingsPath;
  // The speech settings file; none: the user's own "Speech.set".
  std::optional<std::u16string> speechSettingsFile;
  // The detailed readings; none: "Radova.dic" beside the program.
  std::optional<std::u16string> detailDictionaryFile;
};

class TalkController {
 public:
  // The store is shared with the talk's watcher, which may outlive the
  // controller.
  TalkController(std::shared_ptr<StreamStore> store, TalkFrontEnd& frontEnd,
                 TalkControllerOptions options = {});
  // Shutdown, when the front end has not called it.
  ~TalkController();
  TalkController(const TalkController&) = delete;
  TalkController& operator=(const TalkController&) = delete;

  // The engines of the run, in their fixed order (Open starts them when
  // the front end has not).
  void StartEngines();

  enum class OpenResult { kOpened, kNotOpened, kNoWatcher };
  // Opens the talk (asking through the front end's prompts), starts the
  // watcher and readies the terminal registry. `terminals` (connection
  // descriptions) are connected once the first scan is done. Anything but
  // kOpened leaves nothing open; the user has been told why, or cancelled.
  OpenResult Open(const std::optional<std::u16string>& talkPath, std::vector<std::u16string> terminals = {});

  // The PC user's outgoing text.
  TalkSession::SendResult Send(std::u16string_view text);
  // Displays the messages read since the last call; how many.
  int DisplayNewMessages();
  // The displayed message with the highest number; null when none.
  const MessageNode* NewestMessage() const { return newest_; }

  // Closing, while the front end can still dispatch: no further terminal
  // is connected, added or deleted, the terminals dialog is closed (one
  // that does not close in time can no longer change the clients), every
  // client is asked to quit and the front end keeps pumping while they
  // announce their users' leaving. Runs once.
  void PrepareClose();
  // True from the start of PrepareClose until it has returned.
  bool ClosePreparing() const { return closing_ == Closing::kPreparing; }
  // Everything in order: PrepareClose when not done, nothing more reaches
  // the front end, the clients are stopped, the watcher is stopped, a
  // meeting's out record is written, the talk file is let go, the engines
  // are released. Runs once; false when the out record could not be stored.
  bool Shutdown();

  TalkContext& Context() { return *context_; }
  ClientRegistry& Clients() { return clients_; }
  // Connects terminals one after the other (the command line's, saved
  // sets) until the talk closes.
  TerminalConnector& Connector() { return connector_; }
  TalkView& View() { return view_; }
  // The speech engine; null when the run is silent.
  SpeechEngine* Speech() const { return speech_.get(); }
  // Keyboard braille input: its switch, settings and keyboard.
  BrlInput& BrailleInput() { return brlInput_; }
  // The run's speech: engine, scenes, detailed readings.
  SpeechSettings& SpeechState() { return speechSettings_; }

 private:
  class Sink;
  void OnNewMessages(bool description);
  void OnScanDone();
  void StopEngines();
  LocalTime Now() const;

  TalkFrontEnd& frontEnd_;
  const TalkControllerOptions options_;
  // Shared with the watcher, store and all, which may outlive the
  // controller when it does not stop in time.
  const std::shared_ptr<TalkContext> context_;
  TalkSession session_{*context_};
  TalkView view_;
  // Declared after the context: destroyed (stopped) before the lines the
  // clients read.
  ClientRegistry clients_;
  std::shared_ptr<Sink> sink_;
  std::unique_ptr<StreamWatcher> watcher_;
  TerminalConnector connector_{clients_};
  std::vector<std::u16string> terminals_;

  SpeechEnginePtr speech_;
  BrlInput brlInput_;
  std::unique_ptr<ScreenReaderNotifier> screenReader_;
  SpeechSettings speechSettings_;
  bool enginesStarted_ = false;
  bool translatorOpen_ = false;

  const MessageNode* newest_ = nullptr;
  enum class Closing { kNo, kPreparing, kPrepared } closing_ = Closing::kNo;
  bool shutDown_ = false;
  bool leaveStored_ = true;
};

}  // namespace mirelon
