// The talk window's navigation commands typed as a user does: Ctrl+G, the
// keyword searches, the header steps and the marks, with the tones and the
// speech they give.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <optional>
#include <string>
#include <vector>

#include "base/utf.h"
#include "resources/resource.h"
#include "settings/text_file.h"
#include "support/talk_window_test_win32.h"

namespace mirelon {
namespace {

using gui::PressKeys;
using gui::TypeText;
using Sounds = std::vector<FeedbackSound>;
constexpr FeedbackSound kConfirm = FeedbackSound::kConfirm, kRefusal = FeedbackSound::kRefusal;

class TalkWindowCommands : public test::TalkWindowTest {
 protected:
  TalkWindowCommands() {
    MakeTalk(u"移動.talk", u"hanako",
             {u"talk\thanakoさん 3/05 9:00\thello world", u"talk\ttaroさん 3/05 9:01\t二つ目\rの本文",
              u"talk\thanakoさん 3/05 9:02\tsay hello again", u"talk\ttaroさん 3/05 9:03\tHELLO upper",
              u"talk\thanakoさん 3/05 9:04\tlast one"});
  }

  void SetUp() override {
    ASSERT_TRUE(WriteUtf8TextFile(u"SpeakJumpPosition,1\r", dir_.File(u"Speech.set")));
    Start();
    ASSERT_TRUE(TalkWindow(L"トークモード - 移動"));
    incoming_ = GetDlgItem(window_, IDC_INCOMING);
    ASSERT_TRUE(gui::WaitUntil([&] { return Text().find(L"last one") != std::wstring::npos; }));
    ASSERT_TRUE(gui::BringToForeground(window_));
    gui::ClickWindow(incoming_);
    ASSERT_EQ(gui::FocusedWindow(), incoming_);
    Settle();
  }

  std::wstring Text() { return PaneText(incoming_); }
  int Find(const std::wstring& what) { return static_cast<int>(Text().find(what)); }
  int Header(int number) { return Find(std::to_wstring(number) + L": "); }

  CHARRANGE Selection() {
    CHARRANGE range{};
    SendMessageW(incoming_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
  }
  int Caret() {
    const CHARRANGE range = Selection();
    return range.cpMin == range.cpMax ? static_cast<int>(range.cpMin) : -1;
  }
  void CaretAt(int position) { SendMessageW(incoming_, EM_SETSEL, position, position); }
  // The effects of the character at `position`; the selection is kept.
  DWORD Effects(int position) {
    const CHARRANGE kept = Selection();
    SendMessageW(incoming_, EM_SETSEL, position, position + 1);
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_BOLD | CFM_UNDERLINE;
    SendMessageW(incoming_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageW(incoming_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    return format.dwEffects & (CFE_BOLD | CFE_UNDERLINE);
  }

  // Clears what was heard and played so far.
  void Settle() {
    engine_.ClearCalls();
    sounds_.Take();
  }
  // The tones played since the last look, once `count` of them are there
  // (with 0: after a short while).
  Sounds Played(size_t count = 1) {
    gui::WaitUntil([&] { return sounds_.Count(kConfirm) + sounds_.Count(kRefusal) >= count; }, count ? 10000 : 300);
    return sounds_.Take();
  }
  Sounds Press(std::initializer_list<WORD> chord) {
    PressKeys(chord);
    return Played();
  }
  // Waits for a one-line dialog, types `text` into its emptied field and
  // presses Enter, or Escape without a text.
  void Answer(const std::wstring& title, std::optional<std::wstring> text, int* shown = nullptr) {
    HWND dialog = Dialog(title);
    ASSERT_TRUE(dialog);
    if (shown) *shown = static_cast<int>(GetDlgItemInt(dialog, IDC_LINE_FIELD, nullptr, FALSE));
    if (text) {
      SetDlgItemTextW(dialog, IDC_LINE_FIELD, L"");
      TypeText(*text);
    }
    PressKeys({static_cast<WORD>(text ? VK_RETURN : VK_ESCAPE)});
    ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }));
  }

  HWND incoming_ = nullptr;
};

TEST_F(TalkWindowCommands, JumpToANumber) {
  CaretAt(Find(L"の本文"));
  PressKeys({VK_CONTROL, 'G'});
  int shown = 0;
  Answer(L"番号を指定して移動", L"4", &shown);
  // The field offered the message at the caret; the jump is silent.
  EXPECT_EQ(shown, 2);
  EXPECT_TRUE(gui::WaitUntil([&] { return Caret() == Header(4); }));
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::FocusedWindow() == incoming_; }));
  EXPECT_EQ(Played(0), Sounds{});
  EXPECT_EQ(Said(0), Texts{});

  // A number the talk does not have, and no number at all, are refused.
  for (const wchar_t* typed : {L"57", L""}) {
    PressKeys({VK_CONTROL, 'G'});
    Answer(L"番号を指定して移動", typed);
    EXPECT_EQ(Played(), Sounds{kRefusal}) << typed;
    EXPECT_EQ(Caret(), Header(4));
  }
  // Cancel does nothing.
  PressKeys({VK_CONTROL, 'G'});
  Answer(L"番号を指定して移動", std::nullopt);
  EXPECT_EQ(Played(0), Sounds{});
}

TEST_F(TalkWindowCommands, KeywordSearch) {
  const int first = Find(L"hello world"), second = Find(L"hello again");
  CaretAt(Header(5));
  // F3 without a keyword asks for one; cancelling is silent.
  PressKeys({VK_F3});
  Answer(L"キーワード検索", std::nullopt);
  EXPECT_EQ(Played(0), Sounds{});
  EXPECT_EQ(Caret(), Header(5));

  // Found only above the caret: the nearest one, read to its line's end.
  PressKeys({VK_CONTROL, 'F'});
  Answer(L"キーワード検索", L"hello");
  EXPECT_EQ(Played(), Sounds{kConfirm});
  EXPECT_EQ(Caret(), second);
  EXPECT_EQ(Said(1), Texts{u"hello again\r"});

  // No wrap-around either way; "HELLO" is another word.
  EXPECT_EQ(Press({VK_F3}), Sounds{kRefusal});
  EXPECT_EQ(Caret(), second);
  EXPECT_EQ(Press({VK_SHIFT, VK_F3}), Sounds{kConfirm});
  EXPECT_EQ(Caret(), first);
  EXPECT_EQ(Press({VK_SHIFT, VK_F3}), Sounds{kRefusal});
  EXPECT_EQ(Press({VK_F3}), Sounds{kConfirm});
  EXPECT_EQ(Caret(), second);
  EXPECT_EQ(Press({VK_CONTROL, VK_F3}), Sounds{kConfirm});
  EXPECT_EQ(Caret(), first);
  EXPECT_EQ(Said(3), (Texts{u"hello world\r", u"hello again\r", u"hello world\r"}));

  // A keyword across a line break is not found.
  PressKeys({VK_CONTROL, 'F'});
  Answer(L"キーワード検索", L"二つ目の");
  EXPECT_EQ(Played(), Sounds{kRefusal});
  EXPECT_EQ(Caret(), first);
}

TEST_F(TalkWindowCommands, HeaderLinesAtTheEnds) {
  CaretAt(Find(L"last one"));
  EXPECT_EQ(Press({VK_F7}), Sounds{kRefusal});
  EXPECT_EQ(Caret(), Find(L"last one"));
  EXPECT_EQ(Press({VK_CONTROL, VK_F7}), Sounds{kConfirm});
  EXPECT_EQ(Caret(), Header(5));
  EXPECT_EQ(Said(1), Texts{u"5: hanakoさん 3/05 9:04\r"});

  CaretAt(Header(1));
  EXPECT_EQ(Press({VK_CONTROL, VK_F7}), Sounds{kRefusal});
  EXPECT_EQ(Caret(), Header(1));
  EXPECT_EQ(Press({VK_F7}), Sounds{kConfirm});
  EXPECT_EQ(Caret(), Header(2));
  EXPECT_EQ(Said(1), Texts{u"2: taroさん 3/05 9:01\r"});
}

TEST_F(TalkWindowCommands, MarksAndSteppingBetweenThem) {
  // Ctrl+B twice: marked, then plain bold again; no tone either time.
  CaretAt(Find(L"の本文"));
  PressKeys({VK_CONTROL, 'B'});
  EXPECT_EQ(Said(1), Texts{u"発言2をマークしました。"});
  EXPECT_EQ(Effects(Header(2)), static_cast<DWORD>(CFE_BOLD | CFE_UNDERLINE));
  EXPECT_EQ(Caret(), Find(L"の本文"));
  PressKeys({VK_CONTROL, 'B'});
  EXPECT_EQ(Said(1), Texts{u"発言2のマークを解除しました。"});
  EXPECT_EQ(Effects(Header(2)), static_cast<DWORD>(CFE_BOLD));
  CaretAt(Find(L"HELLO"));
  PressKeys({VK_CONTROL, 'B'});
  EXPECT_EQ(Said(1), Texts{u"発言4をマークしました。"});
  EXPECT_EQ(Played(0), Sounds{});

  // F8 skips the unmarked message and stops at the last mark.
  CaretAt(0);
  EXPECT_EQ(Press({VK_F8}), Sounds{kConfirm});
  EXPECT_EQ(Caret(), Header(4));
  EXPECT_EQ(Said(1), Texts{u"4: taroさん 3/05 9:03\r"});
  EXPECT_EQ(Press({VK_F8}), Sounds{kRefusal});
  EXPECT_EQ(Press({VK_CONTROL, VK_F8}), Sounds{kRefusal});
  EXPECT_EQ(Caret(), Header(4));
}

// The window closed from outside while a dialog asks (the session ends):
// the run still ends.
TEST_F(TalkWindowCommands, ClosingWhileADialogAsksEndsTheRun) {
  PressKeys({VK_CONTROL, 'G'});
  ASSERT_TRUE(Dialog(L"番号を指定して移動"));
  PostMessageW(window_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(gui::WaitUntil([&] { return ended_.load(); }));
}

}  // namespace
}  // namespace mirelon
#endif
