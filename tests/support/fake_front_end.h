// A front end for TalkController tests: opens the talk it is given (a
// meeting's start dialog is confirmed), shows the talk in a memory pane,
// runs its tasks when the test pumps, and logs what the controller told it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/talk_front_end.h"
#include "app/ui_thread.h"
#include "ui/memory_talk_pane.h"

namespace mirelon {

class FakeFrontEnd final : public TalkFrontEnd, private OpenTalkPrompts {
 public:
  OpenTalkPrompts& Prompts() override { return *this; }
  TalkPane& IncomingPane() override { return pane; }
  void PlaySound(FeedbackSound sound) override { sounds.push_back(sound); }
  std::shared_ptr<UiThread> Thread() override { return thread; }
  bool Pump(int64_t ms, const std::function<bool()>& enough) override {
    log.push_back("pump");
    thread->RunFor(ms, enough, 5);
    return true;
  }
  void ScanDone(bool entered) override { log.push_back(entered ? "scan done" : "scan done, not entered"); }
  SpeechEnginePtr CreateSpeechEngine() override { return SpeechEnginePtr(speech); }
  std::unique_ptr<BrailleKeyboard> CreateBrailleKeyboard() override { return keyboard ? keyboard() : nullptr; }
  void CloseTerminalsDialog() override { log.push_back("close dialog"); }

  // Runs the front end's tasks until `done` holds; false when nothing more
  // arrives for a long while (a failure, not a timing).
  bool PumpUntil(const std::function<bool()>& done) {
    while (!done())
      if (!thread->RunNext(20000)) return false;
    return true;
  }

  MemoryTalkPane pane;
  std::shared_ptr<QueuedUiThread> thread = std::make_shared<QueuedUiThread>();
  std::vector<FeedbackSound> sounds;
  std::vector<std::string> log;
  // The run's engines, when a test gives them: a speech engine the test
  // owns (released by the controller through DestroyEngine only), and
  // keyboard braille input.
  SpeechEngine* speech = nullptr;
  std::function<std::unique_ptr<BrailleKeyboard>()> keyboard;

 private:
  std::optional<Choice> ChooseFile(const std::u16string&, int) override { return std::nullopt; }
  Answer ShowMessage(const std::u16string&, Box) override { return Answer::kCancel; }
  bool RunStartDialog(bool, const std::u16string&, const std::u16string&) override { return true; }
};

}  // namespace mirelon
