// Caret and line reading on an edit control kept in memory: what is spoken
// for typed, removed and moved-to characters, line moves, the line
// commands, words passed over, braille, and where the texts go.
#include <gtest/gtest.h>

#include <functional>

#include "speech/reading.h"
#include "speech_test_util.h"

namespace mirelon {
namespace {

using Texts = std::vector<std::u16string>;

class Reading : public ::testing::Test {
 protected:
  Reading() { settings.engine = &engine; }

  void On(std::initializer_list<SpeechScene> scenes) {
    for (SpeechScene s : scenes) settings.Set(s, true);
  }
  void Show(std::u16string_view text, int caret) {
    view.text = text;
    view.caret = view.anchor = caret;
  }
  // One character typed at the caret, as the control takes it between the
  // hook's two calls.
  void Type(ReadingHook& hook, char16_t c) {
    hook.BeforeChar(c);
    view.text.insert(static_cast<size_t>(view.caret), 1, c);
    view.caret = view.anchor = view.caret + 1;
    hook.AfterChar(c);
  }
  void TypeAll(ReadingHook& hook, std::u16string_view text) {
    for (char16_t c : text) Type(hook, c);
  }
  // A key: down, what the control does with it, up.
  void Press(ReadingHook& hook, ReadingKey key, const std::function<void()>& effect, bool ctrl = false,
             bool shift = false) {
    hook.BeforeKeyDown(key, ctrl, shift);
    if (effect) effect();
    hook.AfterKeyUp(key, ctrl);
  }
  void MoveTo(ReadingHook& hook, ReadingKey key, int caret, bool ctrl = false) {
    Press(hook, key, [&] { view.caret = view.anchor = caret; }, ctrl);
  }
  // What was said since the last look.
  Texts Said() {
    Texts said = Spoken(engine);
    engine.ClearCalls();
    return said;
  }

  RecordingSpeechEngine engine;
  SpeechSettings settings;
  MemoryEditView view;
  int brailleSpaces = 0;
  ReadingHook input{ReadingKind::kInput, view, settings, [this] { ++brailleSpaces; }};
  ReadingHook viewer{ReadingKind::kViewer, view, settings, [this] { ++brailleSpaces; }};
};

TEST_F(Reading, TypedCharactersNameTheirClassWhenItChanges) {
  On({SpeechScene::kInputChar_Unicode});
  TypeAll(input, u"あいうアＡ１");
  EXPECT_EQ(Said(), (Texts{u"ひらがな あ", u"い", u"う", u"カタカナ ア", u"全角大文字 Ａ", u"全角 １"}));

  // A character left unspoken ends the run of its class: the next one is
  // named again, moved-to characters as well.
  TypeAll(input, u"1１");
  EXPECT_EQ(Said(), (Texts{u"全角 １"}));
  On({SpeechScene::kInputChar_Ascii});
  TypeAll(input, u"b漢");
  EXPECT_EQ(Said(), (Texts{u"b", u"漢"}));

  // Every key down silences what is being said.
  Press(input, ReadingKey::kOther, nullptr);
  EXPECT_EQ(engine.Calls(), (Texts{u"StopSpeech"}));
}

TEST_F(Reading, RemovedCharacters) {
  struct Case {
    const char* name;
    std::u16string text;
    int caret, anchor;
    ReadingKey key;
    Texts said;
  };
  const Case cases[] = {
      {"backspace", u"あい", 2, 2, ReadingKey::kBack, {u"ひらがな い"}},
      {"delete", u"あい", 0, 0, ReadingKey::kDelete, {u"ひらがな あ"}},
      {"backspace over a line end reads the CR", u"a\rb", 2, 2, ReadingKey::kBack, {u"\r"}},
      {"backspace with a selection", u"あい", 0, 2, ReadingKey::kBack, {}},
      {"backspace at the start", u"あい", 0, 0, ReadingKey::kBack, {}},
      {"delete at the end removes nothing", u"あい", 2, 2, ReadingKey::kDelete, {}},
      {"a braille cell in its line", u"⠁⠃", 2, 2, ReadingKey::kBack, {u"イ"}},
      {"a surrogate pair whole", u"x😀", 3, 3, ReadingKey::kBack, {u"😀"}},
  };
  On({SpeechScene::kInputChar_Ascii, SpeechScene::kInputChar_Unicode, SpeechScene::kInputChar_Brl});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    settings.typedClass = 0;
    view.text = c.text;
    view.caret = c.caret;
    view.anchor = c.anchor;
    Press(input, c.key, [&] {
      int start = 0, end = 0;
      view.Selection(start, end);
      if (start == end && c.key == ReadingKey::kBack && start > 0)
        start -= c.text[static_cast<size_t>(start - 1)] >= 0xDC00 ? 2 : 1;
      else if (start == end && c.key == ReadingKey::kDelete)
        end = std::min(view.TextLength(), end + 1);
      view.text.erase(static_cast<size_t>(start), static_cast<size_t>(end - start));
      view.caret = view.anchor = start;
    });
    EXPECT_EQ(Said(), c.said);
  }
}

TEST_F(Reading, LineMovesAndHomeEnd) {
  struct Case {
    const char* name;
    std::u16string text;
    int caret;
    ReadingKey key;
    bool ctrl;
    Texts said;
  };
  const Case cases[] = {
      {"a line from the caret", u"一行目\r二行目", 5, ReadingKey::kDown, false, {u"行目"}},
      {"at a line's start, the line", u"一行目\r二行目", 4, ReadingKey::kDown, false, {u"二行目"}},
      {"an empty line is its own text", u"一\r\r三", 2, ReadingKey::kDown, false, {u"\r"}},
      {"after the last character", u"一行目\r二", 3, ReadingKey::kUp, false, {u"改行"}},
      {"at the end of the text", u"一\r二", 3, ReadingKey::kDown, false, {u"行末"}},
      {"before a page break", u"一\f二", 1, ReadingKey::kUp, false, {u"改頁"}},
      {"braille as kana", u"x\r⠁⠃", 2, ReadingKey::kDown, false, {u"アイ"}},
      {"Ctrl+End reads the line", u"一\r二三", 4, ReadingKey::kEnd, true, {u"行末"}},
      {"Home reads the character", u"一\r二三", 2, ReadingKey::kHome, false, {u"二"}},
  };
  On({SpeechScene::kMoveLine, SpeechScene::kMoveLine_Brl, SpeechScene::kMoveChar_Unicode});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    view.text = c.text;
    settings.movedClass = 0;
    MoveTo(input, c.key, c.caret, c.ctrl);
    EXPECT_EQ(Said(), c.said);
  }
  // Without their scenes line moves are silent.
  settings.scenes = {};
  Show(u"一行目\r二行目", 4);
  MoveTo(input, ReadingKey::kUp, 0);
  MoveTo(input, ReadingKey::kDown, 6);
  EXPECT_EQ(Said(), Texts{});
}

TEST_F(Reading, LineCommandsSpeakWhateverTheScenes) {
  struct Case {
    const char* name;
    std::u16string text;
    int caret;
    ReadingKey key;
    bool shift;
    std::u16string said;
  };
  const Case cases[] = {
      {"Ctrl+. after the last character", u"abc\rdef", 3, ReadingKey::kPeriod, false, u"改行"},
      {"Ctrl+. from the caret", u"abc\rdef", 5, ReadingKey::kPeriod, false, u"ef"},
      {"Ctrl+Shift+, the whole line", u"abc\rdef", 1, ReadingKey::kComma, true, u"abc\r"},
      {"Ctrl+, at a line's start", u"abc\rdef", 4, ReadingKey::kComma, false, u"行頭"},
      {"Ctrl+, on an empty line", u"abc\r\rdef", 4, ReadingKey::kComma, false, u"空行"},
      {"Ctrl+, after text", u"  ab\r", 4, ReadingKey::kComma, false, u"  ab"},
      {"Ctrl+, after two spaces and a tab", u"  \tx", 3, ReadingKey::kComma, false, u"行頭 スペース 2個、タブ 1個、"},
      {"Ctrl+, after wide blanks", u"　⠀⠀x", 3, ReadingKey::kComma, false, u"行頭 全角スペース 1個、マス空け 2個、"},
      {"Ctrl+, after braille", u"⠁⠃x", 2, ReadingKey::kComma, false, u"アイ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Show(c.text, c.caret);
    Press(viewer, c.key, nullptr, true, c.shift);
    EXPECT_EQ(Said(), Texts{c.said});
  }
}

TEST_F(Reading, WordsPassedWithCtrlArrows) {
  // The incoming pane reads them with every scene off, an input control
  // only under the scene of line moves.
  Show(u"hello world", 0);
  MoveTo(viewer, ReadingKey::kRight, 6, true);
  MoveTo(viewer, ReadingKey::kLeft, 0, true);
  MoveTo(input, ReadingKey::kRight, 6, true);
  EXPECT_EQ(Said(), (Texts{u"hello ", u"hello "}));
  On({SpeechScene::kMoveLine});
  MoveTo(input, ReadingKey::kRight, 11, true);
  EXPECT_EQ(Said(), Texts{u"world"});
}

TEST_F(Reading, MovedToCharactersAndBrailleCells) {
  On({SpeechScene::kMoveChar_Ascii});
  Show(u"aあ", 0);
  MoveTo(input, ReadingKey::kLeft, 0);
  MoveTo(input, ReadingKey::kRight, 1);
  // Past the last character there is no character to read.
  MoveTo(input, ReadingKey::kEnd, 2);
  EXPECT_EQ(Said(), Texts{u"a"});
  // A cell is read as what it means in its line: after the number sign, a
  // digit.
  On({SpeechScene::kMoveChar_Brl});
  Show(u"⠼⠁", 0);
  MoveTo(input, ReadingKey::kRight, 1);
  EXPECT_EQ(Said(), Texts{u"1"});
}

TEST_F(Reading, BlankBrailleCellSoundsInsteadOfSpeaking) {
  On({SpeechScene::kInputChar_Unicode, SpeechScene::kInputChar_Brl});
  TypeAll(input, u"⠀⠁");
  EXPECT_EQ(brailleSpaces, 1);
  EXPECT_EQ(Said(), Texts{u"ア"});
}

TEST_F(Reading, DetailedReadingsReplaceTheDescription) {
  settings.dictionary.Parse(u"# test\r\n09山 サンミャク\r\n");
  On({SpeechScene::kInputChar_Unicode});
  // The class memory stays as it was across a detailed reading.
  TypeAll(input, u"あ山い");
  EXPECT_EQ(Said(), (Texts{u"ひらがな あ", u"サンミャク", u"い"}));
}

TEST_F(Reading, JumpLineUnderItsScene) {
  Show(u"1: 花子さん\r本文⠁\r", 9);
  viewer.SpeakJumpLine();
  On({SpeechScene::kJumpPosition});
  viewer.SpeakJumpLine();
  viewer.SetCaret(0);
  viewer.SpeakJumpLine();
  On({SpeechScene::kJumpPosition_Brl});
  viewer.SetCaret(9);
  viewer.SpeakJumpLine();
  // A search's match: from the caret to the line's end.
  viewer.SetCaret(3);
  viewer.SpeakJumpLine(true);
  viewer.SetCaret(7);
  viewer.SpeakJumpLine(true);
  EXPECT_EQ(Said(), (Texts{u"本文⠁\r", u"1: 花子さん\r", u"本文ア\r", u"花子さん\r", u"改行"}));
}

class Notifier final : public ScreenReaderNotifier {
 public:
  bool Notify(std::u16string_view text, Urgency urgency) override {
    notes.push_back({std::u16string(text), urgency});
    return accept;
  }
  bool accept = true;
  std::vector<std::pair<std::u16string, Urgency>> notes;
};

TEST_F(Reading, VoicesAndTheScreenReader) {
  engine.mainMode = u"ja";
  engine.englishMode = u"en";
  engine.useEnglish = 1;
  SpeakText(settings, u"Hello, 1.");
  SpeakText(settings, u"Helloさん");
  SpeakMainVoice(settings, u"Hello");
  EXPECT_EQ(engine.Calls(), (Texts{u"SelectVoice(en)", u"SetRate(0)", u"SetVolume(100)", u"Speak(Hello, 1.,1)",
                                   u"SelectVoice(ja)", u"SetRate(0)", u"SetVolume(100)", u"Speak(Helloさん,1)",
                                   u"SelectVoice(ja)", u"SetRate(0)", u"SetVolume(100)", u"Speak(Hello,1)"}));
  engine.ClearCalls();

  // To the screen reader: lines at once, typed characters in turn; where
  // it takes nothing, the engine's voice speaks.
  Notifier notifier;
  settings.screenReader = &notifier;
  engine.output = SpeechOutput::kScreenReader;
  On({SpeechScene::kInputChar_Ascii});
  Show(u"ab", 0);
  viewer.SpeakLineCommand(false);
  Type(input, u'x');
  notifier.accept = false;
  SpeakText(settings, u"声で");
  EXPECT_EQ(notifier.notes, (std::vector<std::pair<std::u16string, Urgency>>{
                                {u"ab", Urgency::kMostRecent}, {u"x", Urgency::kAll}, {u"声で", Urgency::kMostRecent}}));
  EXPECT_EQ(Said(), Texts{u"声で"});

  // Without an engine nothing is spoken anywhere.
  settings.engine = nullptr;
  notifier.notes.clear();
  EXPECT_FALSE(SpeakText(settings, u"a"));
  viewer.SpeakLineCommand(false);
  EXPECT_TRUE(notifier.notes.empty());
}

}  // namespace
}  // namespace mirelon
