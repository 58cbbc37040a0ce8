#include <gtest/gtest.h>

#include "support/recording_speech_engine.h"

using namespace mirelon;

TEST(SpeechEngine, EveryUtteranceSetsTheWholeVoiceFirst) {
  RecordingSpeechEngine engine;
  engine.SetSpeechMode(u"ja-voice");
  engine.SetSpeechSpeed(3);
  engine.SetSpeechVolume(80);
  engine.SetEngSpeechMode(u"en-voice");
  engine.SetEngSpeechSpeed(-2);
  engine.SetEngSpeechVolume(60);

  SpeakWithMainVoice(engine, u"こんにちは");
  SpeakWithEnglishVoice(engine, u"hello");
  // The English utterance must not leave its voice to the next main one.
  SpeakWithMainVoice(engine, u"さようなら");

  std::vector<std::u16string> expected = {
      u"SelectVoice(ja-voice)", u"SetRate(3)",  u"SetVolume(80)", u"Speak(こんにちは,1)",
      u"SelectVoice(en-voice)", u"SetRate(-2)", u"SetVolume(60)", u"Speak(hello,1)",
      u"SelectVoice(ja-voice)", u"SetRate(3)",  u"SetVolume(80)", u"Speak(さようなら,1)",
  };
  EXPECT_EQ(engine.calls, expected);
}

TEST(SpeechEngine, VoiceWithoutStoredModeKeepsTheEnginesVoice) {
  RecordingSpeechEngine engine;
  SpeakWithEnglishVoice(engine, u"abc");
  std::vector<std::u16string> expected = {u"SetRate(0)", u"SetVolume(100)", u"Speak(abc,1)"};
  EXPECT_EQ(engine.calls, expected);
}

TEST(SpeechEngine, OwnerReleasesThroughDestroyEngine) {
  RecordingSpeechEngine engine;
  {
    SpeechEnginePtr owner(&engine);
  }
  EXPECT_TRUE(engine.destroyed);
  EXPECT_EQ(engine.calls.back(), u"DestroyEngine");
}
