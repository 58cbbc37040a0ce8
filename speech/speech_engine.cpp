#include "speech/speech_engine.h"

namespace mirelon {

// The per-utterance settings are rewritten before every Speak, so an
// utterance never inherits the voice of the previous one. A voice without a
// stored speech mode keeps the engine's current voice.
void SpeakWithMainVoice(SpeechEngine& engine, std::u16string_view text) {
  if (std::optional<std::u16string> mode = engine.GetSpeechMode()) engine.SelectVoice(*mode);
  engine.SetRate(engine.GetSpeechSpeed());
  engine.SetVolume(engine.GetSpeechVolume());
  engine.Speak(text, 1);
}

void SpeakWithEnglishVoice(SpeechEngine& engine, std::u16string_view text) {
  if (std::optional<std::u16string> mode = engine.GetEngSpeechMode()) engine.SelectVoice(*mode);
  engine.SetRate(engine.GetEngSpeechSpeed());
  engine.SetVolume(engine.GetEngSpeechVolume());
  engine.Speak(text, 1);
}

}  // namespace mirelon
