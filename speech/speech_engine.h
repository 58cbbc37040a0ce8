// The speech engine: one object for the whole run, holding a main
// (Japanese) voice and an English voice, each with a stored speech mode
// (the voice's identifier), rate and volume, and the switch that sends
// Latin-letter text to the English voice.
//
// The operations keep the order of the engine's table. Every utterance is
// the sequence SelectVoice, SetRate, SetVolume, Speak with the stored
// values of the chosen voice (SpeakWithMainVoice, SpeakWithEnglishVoice).
// The engine is used from the talk window thread only.
//
// The last pair of operations, after the voices, keeps where the program's
// texts go: to the engine's own voice, or to the user's screen reader.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace mirelon {

// Where the program's texts are spoken.
enum class SpeechOutput {
  kVoice,         // the engine's voices (the default)
  kScreenReader,  // notifications that the user's screen reader speaks
};

class SpeechEngine {
 public:
  // Releases the engine; the owner forgets its pointer afterwards.
  virtual void DestroyEngine() = 0;

  // Per-utterance settings, used by the next Speak.
  virtual void SelectVoice(std::u16string_view speechMode) = 0;
  virtual void SetRate(int rate) = 0;
  virtual void SetVolume(int volume) = 0;

  // The engine's own voice settings dialog, modal on `owner` (a window
  // handle, or null). Nonzero when the user confirmed; the stored values
  // then hold the user's choices.
  virtual int ShowSettingsDialog(void* owner) = 0;

  // Starts speaking and returns at once; `flags` is always 1.
  virtual void Speak(std::u16string_view text, int flags) = 0;
  // Silences the utterance in progress.
  virtual void StopSpeech() = 0;

  // Stored values of the main voice.
  virtual std::optional<std::u16string> GetSpeechMode() = 0;
  virtual void SetSpeechMode(std::u16string_view speechMode) = 0;
  virtual int GetSpeechVolume() = 0;
  virtual void SetSpeechVolume(int volume) = 0;
  virtual int GetSpeechSpeed() = 0;
  virtual void SetSpeechSpeed(int speed) = 0;
  // Nonzero: Latin-letter text is spoken with the English voice.
  virtual int GetUseEngSpeech() = 0;
  virtual void SetUseEngSpeech(int use) = 0;
  // Stored values of the English voice.
  virtual std::optional<std::u16string> GetEngSpeechMode() = 0;
  virtual void SetEngSpeechMode(std::u16string_view speechMode) = 0;
  virtual int GetEngSpeechVolume() = 0;
  virtual void SetEngSpeechVolume(int volume) = 0;
  virtual int GetEngSpeechSpeed() = 0;
  virtual void SetEngSpeechSpeed(int speed) = 0;

  // Where texts go; the engine's settings dialog offers the choice.
  virtual SpeechOutput GetSpeechOutput() = 0;
  virtual void SetSpeechOutput(SpeechOutput output) = 0;

 protected:
  // Only DestroyEngine ends an engine.
  virtual ~SpeechEngine() = default;
};

struct SpeechEngineRelease {
  void operator()(SpeechEngine* engine) const {
    if (engine) engine->DestroyEngine();
  }
};

// The run's engine; none when no engine could be created.
using SpeechEnginePtr = std::unique_ptr<SpeechEngine, SpeechEngineRelease>;

// One utterance with the stored values of the main or the English voice.
void SpeakWithMainVoice(SpeechEngine& engine, std::u16string_view text);
void SpeakWithEnglishVoice(SpeechEngine& engine, std::u16string_view text);

}  // namespace mirelon
