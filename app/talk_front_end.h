// What the TalkController needs of the front end that shows the talk: the
// Windows talk window or the headless runner. One small table of
// operations; everything else about a talk's life is the controller's.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "braille/braille_keyboard.h"
#include "speech/screen_reader.h"
#include "speech/speech_engine.h"
#include "talk/open_talk.h"
#include "ui/feedback_sounds.h"

namespace mirelon {

class TalkPane;
class UiThread;

class TalkFrontEnd {
 public:
  virtual ~TalkFrontEnd() = default;

  // The questions of opening a talk.
  virtual OpenTalkPrompts& Prompts() = 0;
  // The incoming pane; messages are put into it as they are read.
  virtual TalkPane& IncomingPane() = 0;
  virtual void PlaySound(FeedbackSound sound) = 0;
  // The front end's thread, as the watcher and the terminal clients reach
  // it. The controller closes it when the talk is shut down.
  virtual std::shared_ptr<UiThread> Thread() = 0;
  // Handles what arrives for the front end's thread, for at most `ms`
  // milliseconds or until `enough` holds. False when the run was asked to
  // end meanwhile (the request stays for the front end's loop).
  virtual bool Pump(int64_t ms, const std::function<bool()>& enough) = 0;

  // The speech engine of the run; none: the run is silent.
  virtual SpeechEnginePtr CreateSpeechEngine() { return nullptr; }
  // Keyboard braille input; none: the run has none.
  virtual std::unique_ptr<BrailleKeyboard> CreateBrailleKeyboard() { return nullptr; }
  // The user's screen reader, when the front end can reach one; none: every
  // text goes to the engine's voice.
  virtual std::unique_ptr<ScreenReaderNotifier> CreateScreenReaderNotifier() { return nullptr; }
  // The controller put text into the incoming pane.
  virtual void PaneChanged() {}
  // The first scan is done and the controller has done its part (the in
  // record of a meeting, `entered` false when it could not be stored; the
  // terminals are being connected).
  virtual void ScanDone(bool entered) { (void)entered; }
  // The first step of closing: the connected-terminals dialog, when one is
  // open, is cancelled and waited for.
  virtual void CloseTerminalsDialog() {}
};

}  // namespace mirelon
