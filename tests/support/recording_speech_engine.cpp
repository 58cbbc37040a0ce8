#include "support/recording_speech_engine.h"

#include "base/utf.h"

namespace mirelon {

namespace {
std::u16string Number(int n) { return U16(std::to_string(n)); }
}  // namespace

void RecordingSpeechEngine::Record(std::u16string call) {
  const std::lock_guard<std::mutex> lock(mutex_);
  calls.push_back(std::move(call));
}

std::vector<std::u16string> RecordingSpeechEngine::Calls() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return calls;
}

void RecordingSpeechEngine::ClearCalls() {
  const std::lock_guard<std::mutex> lock(mutex_);
  calls.clear();
}

void RecordingSpeechEngine::DestroyEngine() {
  destroyed = true;
  Record(u"DestroyEngine");
}

void RecordingSpeechEngine::SelectVoice(std::u16string_view m) { Record(u"SelectVoice(" + std::u16string(m) + u")"); }

void RecordingSpeechEngine::SetRate(int rate) { Record(u"SetRate(" + Number(rate) + u")"); }

void RecordingSpeechEngine::SetVolume(int volume) { Record(u"SetVolume(" + Number(volume) + u")"); }

int RecordingSpeechEngine::ShowSettingsDialog(void*) {
  Record(u"ShowSettingsDialog");
  return dialogResult;
}

void RecordingSpeechEngine::Speak(std::u16string_view text, int flags) {
  Record(u"Speak(" + std::u16string(text) + u"," + Number(flags) + u")");
}

void RecordingSpeechEngine::StopSpeech() { Record(u"StopSpeech"); }

}  // namespace mirelon
