// Six-key braille in the talk window, typed as a user does: chords of real
// key presses into the outgoing pane in the three input modes, F2, the
// settings dialog and the input test.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/file_io.h"
#include "resources/resource.h"
#include "support/talk_window_test_win32.h"

namespace mirelon {
namespace {

using test::PlaceDown;
using test::PlaceUp;
using test::Tap;
using test::TextOf;
using test::TypeCells;

constexpr WORD kPlaceF = 0x21, kPlaceD = 0x20;
const std::string kBom = "\xEF\xBB\xBF";

class TalkWindowBraille : public test::TalkWindowTest {
 protected:
  TalkWindowBraille() { MakeTalk(u"点字.talk", u"主催者"); }

  // Runs the talk window with `settings` in its BrlInput.set, and puts the
  // keyboard into the outgoing pane.
  void Start(std::string_view settings) {
    if (!settings.empty()) {
      ASSERT_TRUE(ReplaceFileContent(settingsFile_, kBom + std::string(settings)));
    }
    TalkWindowTest::Start();
    ASSERT_TRUE(TalkWindow(L"トークモード - 点字"));
    outgoing_ = GetDlgItem(window_, 202);
    Tap(VK_TAB);
    ASSERT_TRUE(test::FocusComesTo(outgoing_));
  }

  // Whether the outgoing pane comes to hold `text` once the keys sent have
  // been taken.
  ::testing::AssertionResult Outgoing(std::wstring_view text) { return test::TextBecomes(outgoing_, text); }
  // Read once the program is known to have written it: a file held open
  // for a look cannot be replaced (under Wine, whatever the sharing).
  std::string Settings() { return ReadWholeFile(settingsFile_, 1000).value_or("(none)"); }

  std::u16string settingsFile_ = dir_.File(u"BrlInput.set");
  HWND outgoing_ = nullptr;
};

TEST_F(TalkWindowBraille, F2SwitchesAndChordsBecomeCellsInTheOutgoingPane) {
  Start("");
  // First run: off. F2 writes the file and switches on.
  TypeCells(u"⠃");
  EXPECT_TRUE(Outgoing(L"fd"));
  SendMessageW(outgoing_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  Tap(VK_F2);

  // F and D together, released in order, rolled, and overlapping.
  TypeCells(u"⠃");
  PlaceDown(kPlaceF);
  PlaceDown(kPlaceD);
  PlaceUp(kPlaceD);
  PlaceUp(kPlaceF);
  EXPECT_TRUE(Outgoing(L"⠃⠃"));
  EXPECT_EQ(Settings(), kBom + "BrlInputType,0\rBrlInputSwitch,1\r");
  // A key held down repeats: one cell. Space is the blank cell.
  for (int i = 0; i < 4; ++i) PlaceDown(kPlaceF);
  PlaceUp(kPlaceF);
  TypeCells(u"⠀");
  EXPECT_TRUE(Outgoing(L"⠃⠃⠁⠀"));
  // Arrows and Backspace reach the pane as they are.
  Tap(VK_LEFT);
  TypeCells(u"⠿");
  EXPECT_TRUE(Outgoing(L"⠃⠃⠁⠿⠀"));
  Tap(VK_BACK);
  EXPECT_TRUE(Outgoing(L"⠃⠃⠁⠀"));

  // A chord while the system menu is open adds nothing.
  test::KeyDown(VK_MENU);
  Tap(VK_SPACE);
  test::KeyUp(VK_MENU);
  test::Settle();
  TypeCells(u"⠃");
  Tap(VK_ESCAPE);
  Tap(VK_ESCAPE);
  EXPECT_TRUE(test::FocusComesTo(outgoing_));
  TypeCells(u"⠉");
  EXPECT_TRUE(Outgoing(L"⠃⠃⠁⠉⠀"));

  Tap(VK_F2);
  EXPECT_EQ(Said(2), (Texts{u"点字入力開始（テキスト入力なし）", u"点字入力終了"}));
  Close();
  EXPECT_EQ(Settings(), kBom + "BrlInputType,0\rBrlInputSwitch,0\r");
}

TEST_F(TalkWindowBraille, KanaNumbersAndKanjiThroughTheSettingsDialog) {
  Start("BrlInputType,1\rBrlInputSwitch,1\r");
  // A prefix waits for its cell; Backspace takes it back.
  TypeCells(u"⠐⠡⠐");
  EXPECT_TRUE(Outgoing(L"ガ"));
  Tap(VK_BACK);
  TypeCells(u"⠡⠼⠁⠃⠀⠈⠪");
  EXPECT_TRUE(Outgoing(L"ガカ12　キョ"));

  // OK in the settings dialog: kantenji.
  PostMessageW(window_, WM_COMMAND, CMD_BRL_INPUT_SETTINGS, 0);
  HWND dialog = Dialog(L"フルキー点字入力の設定");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_BRL_INPUT_SWITCH), BST_CHECKED);
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_BRL_INPUT_TYPE)), L"ASCIIカナ入力");
  Tap(VK_TAB);
  Tap(VK_DOWN);
  Tap(VK_RETURN);
  EXPECT_TRUE(test::FocusComesTo(outgoing_));
  TypeCells(u"⣦⡣⢠⠐⠡");
  EXPECT_TRUE(Outgoing(L"ガカ12　キョ日本が"));
  EXPECT_EQ(Settings(), kBom + "BrlInputType,2\rBrlInputSwitch,1\r");

  // Cancel changes nothing.
  PostMessageW(window_, WM_COMMAND, CMD_BRL_INPUT_SETTINGS, 0);
  dialog = Dialog(L"フルキー点字入力の設定");
  ASSERT_TRUE(dialog);
  Tap(VK_SPACE);
  Tap(VK_ESCAPE);
  ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }));
  TypeCells(u"⣅");
  EXPECT_TRUE(Outgoing(L"ガカ12　キョ日本が人"));
  EXPECT_EQ(Settings(), kBom + "BrlInputType,2\rBrlInputSwitch,1\r");
  Close();
  EXPECT_EQ(Said(0), Texts{});
}

TEST_F(TalkWindowBraille, TheInputTestShowsEachCellItsDotsAndItsText) {
  Start("BrlInputType,1\rBrlInputSwitch,1\r");
  PostMessageW(window_, WM_COMMAND, CMD_BRL_INPUT_TEST, 0);
  HWND dialog = Dialog(L"点字入力テスト");
  ASSERT_TRUE(dialog);
  EXPECT_FALSE(IsWindowEnabled(window_));
  TypeCells(u"⠃⠈⠀⠡");
  EXPECT_TRUE(test::TextBecomes(GetDlgItem(dialog, 101), L"イキャ"));
  HWND record = GetDlgItem(dialog, 102);
  std::vector<std::wstring> lines;
  for (LRESULT i = 0; i < SendMessageW(record, LB_GETCOUNT, 0, 0); ++i) {
    wchar_t line[128] = {};
    SendMessageW(record, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line));
    lines.push_back(line);
  }
  EXPECT_EQ(lines,
            (std::vector<std::wstring>{L"⠃ 点12：「イ」", L"⠈ 点4：（拗音）",
                                       L"⠀ マスあけ：（入力できません）", L"⠡ 点16：「キャ」"}));
  Tap(VK_ESCAPE);
  ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_TRUE(IsWindowEnabled(window_));
  // The pane was not typed into.
  EXPECT_TRUE(Outgoing(L""));
}

}  // namespace
}  // namespace mirelon
#endif
