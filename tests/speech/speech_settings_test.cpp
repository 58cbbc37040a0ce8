// "Speech.set": the scenes and the engine's voices loaded at start and
// written back, keeping what else the file holds.
#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/utf.h"
#include "settings/text_file.h"
#include "speech/speech_settings.h"
#include "speech_test_util.h"
#include "support/temp_dir.h"

namespace mirelon {
namespace {

class SpeechSettingsFile : public ::testing::Test {
 protected:
  SpeechSettingsFile() { settings.file = dir.File(u"Speech.set"); }
  void Write(std::u16string_view text) { ASSERT_TRUE(WriteUtf8TextFile(text, *settings.file)); }
  std::u16string Read() { return ReadTextFile(*settings.file).value_or(u"(none)"); }

  TempDir dir;
  RecordingSpeechEngine engine;
  SpeechSettings settings;
};

constexpr std::u16string_view kSceneLines =
    u"SpeakMoveLine,0\rSpeakMoveChar_Ascii,0\rSpeakMoveChar_Unicode,0\rSpeakJumpPosition,0\r"
    u"SpeakInputMode,0\rSpeakInputChar_Ascii,0\rSpeakInputChar_Unicode,0\rSpeakMoveLine_Brl,0\r"
    u"SpeakMoveChar_Brl,0\rSpeakJumpPosition_Brl,0\rSpeakInputChar_Brl,0\r";

TEST_F(SpeechSettingsFile, FirstRunSetsBothVolumesAndSavesEveryKey) {
  engine.mainSpeed = 4;
  engine.mainVolume = engine.englishVolume = 30;
  settings.engine = &engine;
  ASSERT_TRUE(LoadSpeechSettings(settings));
  EXPECT_EQ(settings.scenes, (std::array<int32_t, kSpeechSceneCount>{}));
  // Only the two volumes are the program's own; the rest stays the engine's.
  EXPECT_EQ(engine.Calls(), (std::vector<std::u16string>{u"SetVolume(100)"}));
  EXPECT_EQ(engine.mainVolume, 100);
  EXPECT_EQ(engine.englishVolume, 100);
  EXPECT_EQ(engine.mainSpeed, 4);

  engine.mainMode = u"ja-voice";
  engine.englishMode = u"en-voice";
  settings.Set(SpeechScene::kJumpPosition, true);
  ASSERT_TRUE(SaveSpeechSettings(settings));
  std::u16string scenes(kSceneLines);
  scenes.replace(scenes.find(u"SpeakJumpPosition,0"), 19, u"SpeakJumpPosition,1");
  EXPECT_EQ(Read(), u"SpeechMode,ja-voice\rSpeechSpeed,4\rSpeechVolume,100\rUseEngSpeech,0\r"
                    u"EngSpeechMode,en-voice\rEngSpeechSpeed,0\rEngSpeechVolume,100\r" +
                        scenes + u"SpeechOutput,SAPI voice\r");
  // The bytes: a byte order mark, lines ended by CR alone.
  std::optional<std::string> bytes = ReadWholeFile(*settings.file, 1 << 20);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes->substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(bytes->find('\n'), std::string::npos);
}

TEST_F(SpeechSettingsFile, WithoutAnEngineOnlyTheScenes) {
  Write(u"SpeechSpeed,3\rSpeakInputMode,2\r");
  ASSERT_TRUE(LoadSpeechSettings(settings));
  EXPECT_TRUE(settings.On(SpeechScene::kInputMode));
  EXPECT_EQ(settings.scenes[static_cast<size_t>(SpeechScene::kInputMode)], 2);
  ASSERT_TRUE(SaveSpeechSettings(settings));
  std::u16string scenes(kSceneLines);
  scenes.erase(scenes.find(u"SpeakInputMode,0"), 17);
  EXPECT_EQ(Read(), u"SpeechSpeed,3\rSpeakInputMode,2\r" + scenes);
  // Nowhere to keep the file: nothing changes.
  SpeechSettings elsewhere;
  elsewhere.file = dir.File(u"no") + kPathSeparator + u"Speech.set";
  EXPECT_FALSE(SaveSpeechSettings(elsewhere));
}

TEST_F(SpeechSettingsFile, StoredVoicesReachTheEngineAndOtherLinesSurvive) {
  Write(u"Other,x\rspeechmode,ja-2\rSpeechSpeed,-3\rUseEngSpeech,1\rEngSpeechMode,en-2\r"
        u"EngSpeechSpeed,5\rEngSpeechVolume,40\rSpeechOutput,screen reader\rSpeakMoveLine,1\r");
  settings.engine = &engine;
  ASSERT_TRUE(LoadSpeechSettings(settings));
  EXPECT_EQ(engine.Calls(), (std::vector<std::u16string>{u"SelectVoice(ja-2)", u"SetRate(-3)", u"SetVolume(100)"}));
  EXPECT_EQ(engine.mainMode, u"ja-2");
  EXPECT_EQ(engine.mainSpeed, -3);
  EXPECT_EQ(engine.useEnglish, 1);
  EXPECT_EQ(engine.englishMode, u"en-2");
  EXPECT_EQ(engine.englishSpeed, 5);
  EXPECT_EQ(engine.englishVolume, 40);
  EXPECT_EQ(engine.output, SpeechOutput::kScreenReader);
  EXPECT_TRUE(settings.On(SpeechScene::kMoveLine));

  // Written back in place, new keys after them.
  engine.mainSpeed = 2;
  ASSERT_TRUE(SaveSpeechSettings(settings));
  std::u16string scenes(kSceneLines);
  scenes.erase(0, scenes.find(u'\r') + 1);
  EXPECT_EQ(Read(), u"Other,x\rspeechmode,ja-2\rSpeechSpeed,2\rUseEngSpeech,1\rEngSpeechMode,en-2\r"
                    u"EngSpeechSpeed,5\rEngSpeechVolume,40\rSpeechOutput,screen reader\rSpeakMoveLine,1\r"
                    u"SpeechVolume,100\r" +
                        scenes);
}

}  // namespace
}  // namespace mirelon
