// A speech engine for tests: keeps the stored voice values as an engine
// does and records every call that reaches the speaker, in order.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "speech/speech_engine.h"

namespace mirelon {

class RecordingSpeechEngine final : public SpeechEngine {
 public:
  // Calls as text: "SelectVoice(mode)", "SetRate(n)", "SetVolume(n)",
  // "Speak(text)", "StopSpeech", "ShowSettingsDialog", "DestroyEngine".
  std::vector<std::u16string> calls;
  // A copy of `calls`, for a test whose engine speaks on another thread.
  std::vector<std::u16string> Calls() const;
  void ClearCalls();
  // What ShowSettingsDialog answers.
  int dialogResult = 0;
  bool destroyed = false;

  void DestroyEngine() override;
  void SelectVoice(std::u16string_view speechMode) override;
  void SetRate(int rate) override;
  void SetVolume(int volume) override;
  int ShowSettingsDialog(void* owner) override;
  void Speak(std::u16string_view text, int flags) override;
  void StopSpeech() override;
  // A text that the user's screen reader took in the engine's stead:
  // "Notify(text)".
  void Note(std::u16string_view text) { Record(u"Notify(" + std::u16string(text) + u")"); }

  std::optional<std::u16string> GetSpeechMode() override { return mainMode; }
  void SetSpeechMode(std::u16string_view m) override { mainMode = std::u16string(m); }
  int GetSpeechVolume() override { return mainVolume; }
  void SetSpeechVolume(int v) override { mainVolume = v; }
  int GetSpeechSpeed() override { return mainSpeed; }
  void SetSpeechSpeed(int s) override { mainSpeed = s; }
  int GetUseEngSpeech() override { return useEnglish; }
  void SetUseEngSpeech(int u) override { useEnglish = u; }
  std::optional<std::u16string> GetEngSpeechMode() override { return englishMode; }
  void SetEngSpeechMode(std::u16string_view m) override { englishMode = std::u16string(m); }
  int GetEngSpeechVolume() override { return englishVolume; }
  void SetEngSpeechVolume(int v) override { englishVolume = v; }
  int GetEngSpeechSpeed() override { return englishSpeed; }
  void SetEngSpeechSpeed(int s) override { englishSpeed = s; }
  SpeechOutput GetSpeechOutput() override { return output; }
  void SetSpeechOutput(SpeechOutput o) override { output = o; }

  std::optional<std::u16string> mainMode, englishMode;
  int mainSpeed = 0, mainVolume = 100, englishSpeed = 0, englishVolume = 100, useEnglish = 0;
  SpeechOutput output = SpeechOutput::kVoice;

  // Tests own the fake directly; DestroyEngine only records.
  ~RecordingSpeechEngine() override = default;

 private:
  void Record(std::u16string call);
  mutable std::mutex mutex_;
};

}  // namespace mirelon
