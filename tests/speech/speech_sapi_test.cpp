#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>
#include <sapi.h>

#include "base/com_win32.h"
#include "speech/speech_sapi_win32.h"

using namespace mirelon;

namespace {

// Whether this system's SAPI accepts a rate and an utterance.
bool SapiCanSpeak() {
  const ComApartment apartment;
  ComPtr<ISpVoice> voice;
  return SUCCEEDED(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice, voice.OutVoid())) &&
         SUCCEEDED(voice->SetRate(0)) && SUCCEEDED(voice->Speak(L"", SPF_ASYNC | SPF_IS_NOT_XML, nullptr));
}

}  // namespace

// Where SAPI cannot speak (Wine) the program must run without an engine;
// where it can, the engine starts with the stored defaults.
TEST(SapiSpeechEngine, CreatedOnlyWhereSapiSpeaks) {
  bool can = SapiCanSpeak();
  SpeechEnginePtr engine = CreateVoxmira(nullptr);
  ASSERT_EQ(engine != nullptr, can);
  if (!engine) return;
  EXPECT_EQ(engine->GetSpeechVolume(), 100);
  EXPECT_EQ(engine->GetEngSpeechVolume(), 100);
  engine->SetSpeechVolume(250);
  EXPECT_EQ(engine->GetSpeechVolume(), 100);
  SpeakWithMainVoice(*engine, u"テスト");
  engine->StopSpeech();
}
#endif
