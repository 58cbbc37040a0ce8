// Keyboard braille input's switch and type: BrlInput.set as it is read and
// written, what the keyboard is told, and what is said.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/brl_input.h"
#include "base/file_io.h"
#include "base/utf.h"
#include "speech/speech_settings.h"
#include "support/recording_braille_keyboard.h"
#include "support/recording_speech_engine.h"
#include "support/temp_dir.h"

namespace mirelon {
namespace {

void* const kTalkWindow = reinterpret_cast<void*>(16);
void* const kDialog = reinterpret_cast<void*>(32);

class BrlInputTest : public ::testing::Test {
 protected:
  BrlInputTest() { speech.engine = &engine; }
  BrlInput Make() {
    BrlInput::Hooks hooks;
    hooks.speech = &speech;
    hooks.refuse = [this] { ++refusals; };
    return BrlInput(hooks, file);
  }
  std::unique_ptr<BrailleKeyboard> Keyboard() {
    return std::make_unique<RecordingBrailleKeyboard>(log, kTalkWindow);
  }
  void WriteFile(std::string_view text) {
    ASSERT_TRUE(ReplaceFileContent(file, "\xEF\xBB\xBF" + std::string(text)));
  }
  std::string FileText() { return ReadWholeFile(file, 1000).value_or("(none)"); }
  std::u16string Said() {
    std::u16string said;
    for (const std::u16string& call : engine.calls)
      if (call.starts_with(u"Speak(")) said += call + u";";
    return said;
  }

  TempDir dir;
  std::u16string file = dir.File(u"BrlInput.set");
  std::vector<std::u16string> log;
  RecordingSpeechEngine engine;
  SpeechSettings speech;
  int refusals = 0;
};

TEST_F(BrlInputTest, FirstRunF2TwiceWritesTheFileEachTimeAndAnnouncesBoth) {
  BrlInput input = Make();
  input.Start(Keyboard());
  EXPECT_EQ(log, (std::vector<std::u16string>{u"StartDlgSupport", u"RegisterNotifyMessage",
                                              u"SetInputMode(16,0,0)"}));
  EXPECT_FALSE(input.On());

  input.Toggle(kDialog);
  EXPECT_EQ(FileText(),
            "\xEF\xBB\xBF"
            "BrlInputType,0\rBrlInputSwitch,1\r");
  EXPECT_EQ(log.back(), u"SetInputMode(32,49443,9)");
  EXPECT_EQ(Said(), u"Speak(点字入力開始（テキスト入力なし）,1);");
  EXPECT_EQ(input.Keyboard()->GetInputMode(), 9);

  input.Toggle(kTalkWindow);
  EXPECT_EQ(FileText(),
            "\xEF\xBB\xBF"
            "BrlInputType,0\rBrlInputSwitch,0\r");
  EXPECT_EQ(log.back(), u"SetInputMode(16,0,0)");
  EXPECT_EQ(Said(), u"Speak(点字入力開始（テキスト入力なし）,1);Speak(点字入力終了,1);");

  // Without speech the switch still works, silently.
  speech.engine = nullptr;
  input.Toggle(kTalkWindow);
  EXPECT_TRUE(input.On());
  EXPECT_EQ(engine.calls.size(), 6u);

  input.Stop();
  EXPECT_EQ(log.back(), u"EndDlgSupport");
  EXPECT_EQ(input.Keyboard(), nullptr);
}

TEST_F(BrlInputTest, StoredSettingsAreAppliedAtStartUp) {
  struct Case {
    std::string_view file;
    std::u16string_view applied;
    std::u16string_view announced;  // by the next F2
  };
  const Case cases[] = {
      {"", u"SetInputMode(16,0,0)", u"点字入力開始（テキスト入力なし）"},
      {"BrlInputType,2\rBrlInputSwitch,1\r", u"SetInputMode(16,49443,2)", u"点字入力終了"},
      {"brlinputswitch,1\rBrlInputType,1\r", u"SetInputMode(16,49443,1)", u"点字入力終了"},
      // A type outside 0 to 2 is taken as 0.
      {"BrlInputType,7\rBrlInputSwitch,1\r", u"SetInputMode(16,49443,9)", u"点字入力終了"},
      {"BrlInputType,-1\r", u"SetInputMode(16,0,0)", u"点字入力開始（テキスト入力なし）"},
      {"BrlInputType,2\rBrlInputSwitch,0\r", u"SetInputMode(16,0,0)",
       u"点字入力開始（漢点字入力）"},
  };
  for (const Case& c : cases) {
    WriteFile(c.file);
    log.clear();
    engine.calls.clear();
    BrlInput input = Make();
    input.Start(Keyboard());
    EXPECT_EQ(log.back(), c.applied);
    input.Toggle(kTalkWindow);
    EXPECT_EQ(Said(), u"Speak(" + std::u16string(c.announced) + u",1);");
  }
}

TEST_F(BrlInputTest, ConfirmedSettingsAreWrittenAndAppliedSilentlyKeepingOtherKeys) {
  WriteFile("Other,x\r");
  BrlInput input = Make();
  input.Start(Keyboard());
  input.Settings().inputType = 2;
  input.Settings().inputSwitch = 1;
  input.Confirmed(kDialog);
  EXPECT_EQ(log.back(), u"SetInputMode(32,49443,2)");
  EXPECT_EQ(FileText(),
            "\xEF\xBB\xBF"
            "Other,x\rBrlInputType,2\rBrlInputSwitch,1\r");
  input.Settings().inputSwitch = 0;
  input.Confirmed(kDialog);
  EXPECT_EQ(log.back(), u"SetInputMode(32,0,0)");
  EXPECT_TRUE(engine.calls.empty());
}

TEST_F(BrlInputTest, InputStatesAreSpokenWhenAskedForAndRefusedChordsSound) {
  BrlInput input = Make();
  input.Start(Keyboard());
  input.Notified(1, u"数符");
  speech.Set(SpeechScene::kInputMode, true);
  input.Notified(1, u"拗音");
  input.Notified(1, u"");
  input.Notified(2, u"");
  input.Notified(3, u"何か");
  speech.engine = nullptr;
  input.Notified(1, u"数符");
  EXPECT_EQ(Said(), u"Speak(拗音,1);");
  EXPECT_EQ(refusals, 1);
}

}  // namespace
}  // namespace mirelon
