// The talk window with a recording speech engine, driven by real keyboard
// input: what the panes speak as the user types, removes and moves, the
// line commands, the newest-message jump, the scenes dialog and the bytes
// of "Speech.set".
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/utf.h"
#include "resources/resource.h"
#include "settings/text_file.h"
#include "speech/screen_reader_win32.h"
#include "support/talk_window_test_win32.h"
#include "support/window_thread_win32.h"

namespace mirelon {
namespace {

using gui::PressKeys;
using gui::TypeText;

class TalkWindowSpeech : public test::TalkWindowTest {
 protected:
  TalkWindowSpeech() {
    MakeTalk(u"読み上げ.talk", u"hanako",
             {u"talk\thanakoさん 3/05 9:07\tおはよう", u"talk\ttaroさん 3/05 9:08\thello world"});
    WriteUtf8TextFile(u"# test\r\n09山 サンミャク\r\n", dir_.File(u"Radova.dic"));
  }

  std::u16string SettingsPath() { return dir_.File(u"Speech.set"); }
  // Read once the program is known to have written it: a file held open
  // for a look cannot be replaced (under Wine, whatever the sharing).
  std::u16string SettingsText() { return ReadTextFile(SettingsPath()).value_or(u""); }

  // Runs the talk window with the scenes given, and waits until the talk is
  // shown.
  void Start(std::u16string_view speechSet) {
    ASSERT_TRUE(WriteUtf8TextFile(speechSet, SettingsPath()));
    TalkWindowTest::Start(Environment());
    ASSERT_TRUE(TalkWindow(L"トークモード - 読み上げ"));
    incoming_ = GetDlgItem(window_, IDC_INCOMING);
    outgoing_ = GetDlgItem(window_, IDC_OUTGOING);
    ASSERT_TRUE(gui::WaitUntil([&] { return PaneText(incoming_).find(L"hello world") != std::wstring::npos; }));
    ASSERT_TRUE(gui::BringToForeground(window_));
  }

  // Puts `text` into a pane with the caret at `caret`, and the focus there.
  void Prepare(HWND pane, const std::wstring& text, int caret) {
    gui::ClickWindow(pane);
    ASSERT_TRUE(test::FocusComesTo(pane));
    if (pane == outgoing_) SendMessageW(pane, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(pane, EM_SETSEL, caret, caret);
    engine_.ClearCalls();
  }
  HWND incoming_ = nullptr, outgoing_ = nullptr;
};

TEST_F(TalkWindowSpeech, TypedAndRemovedCharacters) {
  Start(u"SpeakInputChar_Ascii,1\rSpeakInputChar_Unicode,1\rSpeakInputChar_Brl,1\r");
  Prepare(outgoing_, L"", 0);
  TypeText(L"あいうア山");
  EXPECT_EQ(Said(5), (Texts{u"ひらがな あ", u"い", u"う", u"カタカナ ア", u"サンミャク"}));
  // The key down silences what is being said, then the removed character
  // is read.
  PressKeys({VK_BACK});
  ASSERT_TRUE(gui::WaitUntil([&] { return Spoken().size() == 1; }));
  EXPECT_EQ(engine_.Calls().front(), u"StopSpeech");
  EXPECT_EQ(Said(1), Texts{u"サンミャク"});
  // A removed selection, and nothing before the caret, say nothing.
  PressKeys({VK_SHIFT, VK_HOME});
  PressKeys({VK_BACK});
  PressKeys({VK_BACK});
  EXPECT_TRUE(gui::WaitUntil([&] { return PaneText(outgoing_).empty(); }));
  EXPECT_EQ(Said(0), Texts{});
  // A blank braille cell sounds; cells are read as kana in their line.
  TypeText(L"⠀⠁⠃");
  EXPECT_EQ(Said(2), (Texts{u"ア", u"イ"}));
  EXPECT_EQ(sounds_.Count(FeedbackSound::kBrailleSpace), 1u);
}

TEST_F(TalkWindowSpeech, LinesCommandsAndTheNewestMessage) {
  Start(u"SpeakMoveLine,1\rSpeakJumpPosition,1\rSpeakMoveLine_Brl,1\r");
  // A line move to a line's start reads that line, even an empty one.
  Prepare(outgoing_, L"一行目\r\r⠁⠃", 0);
  PressKeys({VK_DOWN});
  PressKeys({VK_DOWN});
  EXPECT_EQ(Said(2), (Texts{u"\r", u"アイ"}));
  // Ctrl+. after a line's last character; Ctrl+Shift+, the whole line.
  Prepare(outgoing_, L"一行目\r二", 3);
  PressKeys({VK_CONTROL, VK_OEM_PERIOD});
  PressKeys({VK_CONTROL, VK_SHIFT, VK_OEM_COMMA});
  EXPECT_EQ(Said(2), (Texts{u"改行", u"一行目\r"}));
  // Ctrl+, after two spaces and a tab.
  Prepare(outgoing_, L"  \tx", 3);
  PressKeys({VK_CONTROL, VK_OEM_COMMA});
  EXPECT_EQ(Said(1), Texts{u"行頭 スペース 2個、タブ 1個、"});

  // Enter in the incoming pane: the newest message's header line.
  Prepare(incoming_, L"", 0);
  PressKeys({VK_RETURN});
  const Texts jump = Said(1);
  ASSERT_EQ(jump.size(), 1u);
  EXPECT_EQ(jump[0].rfind(u"2: taroさん ", 0), 0u) << Utf16ToUtf8(jump[0]);
  EXPECT_EQ(sounds_.Count(FeedbackSound::kConfirm), 1u);
}

TEST_F(TalkWindowSpeech, WordsPassedWithEveryFlagOff) {
  Start(u"");
  const std::wstring text = PaneText(incoming_);
  const int hello = static_cast<int>(text.find(L"hello"));
  Prepare(incoming_, L"", hello);
  PressKeys({VK_CONTROL, VK_RIGHT});
  EXPECT_EQ(Said(1), Texts{u"hello "});
  Prepare(outgoing_, L"hello world", 0);
  PressKeys({VK_CONTROL, VK_RIGHT});
  EXPECT_EQ(Said(0), Texts{});
}

TEST_F(TalkWindowSpeech, SettingsMenuScenesDialogAndTheFile) {
  engine_.mainMode = u"ja";
  engine_.englishMode = u"en";
  Start(u"Other,kept\rSpeakJumpPosition_Brl,2\r");
  // Menu 104 in the system menu.
  HMENU system = GetSystemMenu(window_, FALSE);
  HMENU settings = nullptr;
  for (int i = 0; i < GetMenuItemCount(system); ++i) {
    wchar_t name[64] = {};
    GetMenuStringW(system, static_cast<UINT>(i), name, 64, MF_BYPOSITION);
    if (std::wstring(name) == L"設定(&S)") settings = GetSubMenu(system, i);
  }
  ASSERT_TRUE(settings);
  std::vector<UINT> ids;
  for (int i = 0; i < GetMenuItemCount(settings); ++i) ids.push_back(GetMenuItemID(settings, i));
  EXPECT_EQ(ids, (std::vector<UINT>{300, 301, 312, 311, 319}));

  const std::u16string file = SettingsText();
  // Cancel changes nothing.
  PostMessageW(window_, WM_SYSCOMMAND, CMD_SPEECH_SCENES, 0);
  HWND dialog = Dialog(L"読み上げする場面の設定");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SCENE_JUMP_POSITION_BRL), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SCENE_MOVE_LINE), BST_UNCHECKED);
  ASSERT_TRUE(gui::BringToForeground(dialog));
  PressKeys({VK_ESCAPE});
  ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(SettingsText(), file);

  // OK: the first box ticked with the keyboard; the file keeps its other
  // line and holds every key, the flag of 2 now written as 1.
  PostMessageW(window_, WM_COMMAND, CMD_SPEECH_SCENES, 0);
  dialog = Dialog(L"読み上げする場面の設定");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(gui::BringToForeground(dialog));
  // The focus starts on the first box.
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::FocusedWindow() == GetDlgItem(dialog, IDC_SCENE_MOVE_LINE); }));
  PressKeys({VK_SPACE});
  PressKeys({VK_RETURN});
  const std::u16string expected =
      u"Other,kept\rSpeakJumpPosition_Brl,1\rSpeechMode,ja\rSpeechSpeed,0\rSpeechVolume,100\r"
      u"UseEngSpeech,0\rEngSpeechMode,en\rEngSpeechSpeed,0\rEngSpeechVolume,100\r"
      u"SpeakMoveLine,1\rSpeakMoveChar_Ascii,0\rSpeakMoveChar_Unicode,0\rSpeakJumpPosition,0\r"
      u"SpeakInputMode,0\rSpeakInputChar_Ascii,0\rSpeakInputChar_Unicode,0\rSpeakMoveLine_Brl,0\r"
      u"SpeakMoveChar_Brl,0\rSpeakInputChar_Brl,0\rSpeechOutput,SAPI voice\r";
  // The file is written once the dialog has ended, before the window
  // takes its next message.
  ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }));
  SendMessageW(window_, WM_NULL, 0, 0);
  EXPECT_EQ(SettingsText(), expected);

  // The engine's own dialog: saved only when the user confirms.
  const std::u16string before = SettingsText();
  engine_.englishSpeed = 7;
  // The engine's dialog answers at once: the command is done, the file
  // written or not, when the message returns.
  SendMessageW(window_, WM_SYSCOMMAND, CMD_SPEECH_OUTPUT, 0);
  const Texts calls = engine_.Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), u"ShowSettingsDialog"), calls.end());
  EXPECT_EQ(SettingsText(), before);
  engine_.dialogResult = 1;
  SendMessageW(window_, WM_COMMAND, CMD_SPEECH_OUTPUT, 0);
  EXPECT_NE(SettingsText().find(u"EngSpeechSpeed,7\r"), std::u16string::npos);
}

// The states keyboard braille input reports (under their scene) and the
// announcement of F2 are said where every other text goes: the engine's
// voice, or the screen reader when Speech.set chooses it.
TEST_F(TalkWindowSpeech, InputStatesAndTheSwitchAnnouncementGoWhereEveryTextGoes) {
  for (bool screenReader : {false, true}) {
    SCOPED_TRACE(screenReader ? "screen reader" : "voice");
    ASSERT_TRUE(WriteUtf8TextFile(u"BrlInputType,1\rBrlInputSwitch,0\r", dir_.File(u"BrlInput.set")));
    Start(screenReader ? u"SpeakInputMode,1\rSpeechOutput,screen reader\r" : u"SpeakInputMode,1\r");
    Prepare(outgoing_, L"", 0);
    PressKeys({VK_F2});
    test::TypeCells(u"⠈");
    EXPECT_EQ(Said(2, screenReader), (Texts{u"点字入力開始（ASCIIカナ入力）", u"拗音"}));
    Close();
  }
}

// Where UI Automation cannot raise notifications (Wine), no notifier is
// made and texts go to the engine's voice.
TEST(ScreenReaderNotifier, MadeOnlyWhereTheSystemRaisesNotifications) {
  HMODULE core = LoadLibraryW(L"uiautomationcore.dll");
  const bool available = core && GetProcAddress(core, "UiaRaiseNotificationEvent");
  std::unique_ptr<ScreenReaderNotifier> notifier = CreateUiaNotifier(GetDesktopWindow());
  EXPECT_EQ(notifier != nullptr, available);
  if (core) FreeLibrary(core);
}

}  // namespace
}  // namespace mirelon
#endif
