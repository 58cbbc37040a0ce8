#include "support/recording_speech_engine.h"

#include "base/utf.h"

namespace mirelon {

namespace {
std::u16string Number(int n) { return U16(std::to_string(n)); }
}  // namespace

void RecordingSpeechEngine::DestroyEngine() {
  destroyed = true;
  calls.push_back(u"DestroyEngine");
}

void RecordingSpeechEngine::SelectVoice(std::u16string_view m) {
  calls.push_back(u"SelectVoice(" + std::u16string(m) + u")");
}

void RecordingSpeechEngine::SetRate(int rate) { calls.push_back(u"SetRate(" + Number(rate) + u")"); }

void RecordingSpeechEngine::SetVolume(int volume) {
  calls.push_back(u"SetVolume(" + Number(volume) + u")");
}

int RecordingSpeechEngine::ShowSettingsDialog(void*) {
  calls.push_back(u"ShowSettingsDialog");
  return dialogResult;
}

void RecordingSpeechEngine::Speak(std::u16string_view text, int flags) {
  calls.push_back(u"Speak(" + std::u16string(text) + u"," + Number(flags) + u")");
}

void RecordingSpeechEngine::StopSpeech() { calls.push_back(u"StopSpeech"); }

}  // namespace mirelon
