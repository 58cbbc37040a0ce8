// The one-line input dialogs as a user meets them: the number dialog's
// arrow keys, the keyword buffer, Escape, F2 inside the dialog.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include <atomic>
#include <string>
#include <vector>

#include "braille/dotlane_win32.h"
#include "ui/line_input_dialog_win32.h"
#include "resources/resource.h"
#include "support/gui_driver_win32.h"
#include "support/window_thread_win32.h"

namespace mirelon {
namespace {

using test::Tap;
using test::TextOf;
using test::WindowThread;

// The common-control classes and the panes' class, as the program's entry
// point makes them available.
class LineInput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    LoadLibraryW(L"RichEd20.DLL");
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
  }
};

TEST_F(LineInput, NumberDialogStepsWithTheArrowsBetweenItsEnds) {
  LineInputRequest request;
  request.title = u"番号を指定して移動";
  request.prompt = u"メッセージの番号を入力してください。";
  request.label = u"番号";
  request.upper = 1;
  request.lower = 12;
  request.number = 5;
  request.useInitial = true;
  bool shown = false;
  bool ownerEnabledWhileUp = true;
  WindowThread ui([&](HWND owner) { shown = RunLineInput(IDD_NUMBER_INPUT, owner, request); });

  HWND dialog = ui.WaitForWindow(L"番号を指定して移動");
  ASSERT_TRUE(dialog);
  ownerEnabledWhileUp = IsWindowEnabled(ui.owner());
  HWND field = GetDlgItem(dialog, IDC_LINE_FIELD);
  HWND spin = GetDlgItem(dialog, IDC_LINE_SPIN);
  ASSERT_TRUE(spin);
  EXPECT_FALSE(IsWindowVisible(spin));
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_LINE_PROMPT)), L"メッセージの番号を入力してください。");
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_LINE_LABEL)), L"番号");
  EXPECT_EQ(TextOf(field), L"5");
  ASSERT_TRUE(gui::BringToForeground(dialog));
  ASSERT_TRUE(test::FocusComesTo(field));

  // Up steps toward the first message, down toward the last; neither end
  // is passed.
  Tap(VK_UP);
  Tap(VK_UP);
  EXPECT_TRUE(test::TextBecomes(field, L"3"));
  for (int i = 0; i < 4; ++i) Tap(VK_UP);
  EXPECT_TRUE(test::TextBecomes(field, L"1"));
  for (int i = 0; i < 14; ++i) Tap(VK_DOWN);
  EXPECT_TRUE(test::TextBecomes(field, L"12"));
  Tap(VK_UP);
  Tap(VK_RETURN);
  ASSERT_TRUE(ui.Join());
  EXPECT_TRUE(shown);
  EXPECT_FALSE(ownerEnabledWhileUp);
  EXPECT_EQ(request.result, 1);
  EXPECT_EQ(request.number, 11);
  EXPECT_FALSE(request.running);
}

TEST_F(LineInput, NumberFieldWithoutANumberGivesZero) {
  LineInputRequest request;
  request.title = u"番号を指定して移動";
  request.number = 7;
  WindowThread ui([&](HWND owner) { RunLineInput(IDD_NUMBER_INPUT, owner, request); });
  HWND dialog = ui.WaitForWindow(L"番号を指定して移動");
  ASSERT_TRUE(dialog);
  // Without use-initial the field starts empty.
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_LINE_FIELD)), L"");
  ASSERT_TRUE(gui::BringToForeground(dialog));
  Tap(VK_RETURN);
  ASSERT_TRUE(ui.Join());
  EXPECT_EQ(request.result, 1);
  EXPECT_EQ(request.number, 0);
}

TEST_F(LineInput, KeywordLongerThanTheBufferIsCutToIt) {
  std::u16string keyword(65, u'\0');
  keyword.replace(0, 2, u"前回");
  LineInputRequest request;
  request.title = u"キーワード検索";
  request.initialText = u"前回";
  request.resultBuffer = keyword.data();
  request.resultSize = 65;
  request.useInitial = true;
  WindowThread ui([&](HWND owner) { RunLineInput(IDD_LINE_INPUT, owner, request); });
  HWND dialog = ui.WaitForWindow(L"キーワード検索");
  ASSERT_TRUE(dialog);
  HWND field = GetDlgItem(dialog, IDC_LINE_FIELD);
  EXPECT_EQ(TextOf(field), L"前回");
  ASSERT_TRUE(gui::BringToForeground(dialog));

  std::wstring typed;
  for (int i = 0; i < 70; ++i) typed += static_cast<wchar_t>(L'a' + i % 26);
  SendMessageW(field, EM_SETSEL, 0, -1);
  gui::TypeText(typed);
  Tap(VK_RETURN);
  ASSERT_TRUE(ui.Join());
  EXPECT_EQ(request.result, 1);
  EXPECT_EQ(std::u16string(keyword.c_str()), std::u16string(typed.begin(), typed.begin() + 64));
}

TEST_F(LineInput, EscapeAndRefusalsLeaveTheBufferAsItWas) {
  std::u16string keyword(65, u'\0');
  keyword.replace(0, 2, u"前回");
  LineInputRequest request;
  request.title = u"キーワード検索";
  request.resultBuffer = keyword.data();
  request.resultSize = 65;

  // A request already up is refused; so is a template that does not exist,
  // which leaves the request free to be shown again.
  request.running = true;
  EXPECT_FALSE(RunLineInput(IDD_LINE_INPUT, nullptr, request));
  request.running = false;
  EXPECT_FALSE(RunLineInput(9999, nullptr, request));
  EXPECT_FALSE(request.running);

  WindowThread ui([&](HWND owner) { RunLineInput(IDD_LINE_INPUT, owner, request); });
  HWND dialog = ui.WaitForWindow(L"キーワード検索");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(gui::BringToForeground(dialog));
  gui::TypeText(L"xyz");
  Tap(VK_ESCAPE);
  ASSERT_TRUE(ui.Join());
  EXPECT_EQ(request.result, 2);
  EXPECT_EQ(std::u16string(keyword.c_str()), u"前回");
  EXPECT_TRUE(IsWindowEnabled(ui.owner()) || ui.Done());
}

// The field's input method state, as the field is told it (EM_SETEDITSTYLE
// with SES_NOIME in the mask): -1 before it is told anything.
std::atomic<int> fieldNoIme{-1};

LRESULT CALLBACK WatchEditStyle(HWND field, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) {
  if (msg == EM_SETEDITSTYLE && (lParam & SES_NOIME)) fieldNoIme = (wParam & SES_NOIME) ? 1 : 0;
  return DefSubclassProc(field, msg, wParam, lParam);
}

TEST_F(LineInput, F2InsideTheKeywordDialogSwitchesBrailleInputAtOnce) {
  Dotlane_StartDlgSupport();
  LineInputRequest request;
  request.title = u"キーワード検索";
  std::vector<int> commands;
  WindowThread ui([&](HWND owner) {
    RunLineInput(IDD_LINE_INPUT, owner, request, [&](HWND window, int command) {
      if (commands.empty())
        SetWindowSubclass(GetDlgItem(window, IDC_LINE_FIELD), &WatchEditStyle, 1, 0);
      commands.push_back(command);
      if (command == CMD_BRL_INPUT_TOGGLE) {
        const bool on = Dotlane_GetInputMode() > 0;
        Dotlane_SetInputMode(window, on ? 0 : RegisterWindowMessageW(L"test"),
                             on ? 0 : kDotlaneCells);
      }
      return true;
    });
  });
  HWND dialog = ui.WaitForWindow(L"キーワード検索");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(gui::BringToForeground(dialog));
  // The field is told after the command has run.
  Tap(VK_F2);
  ASSERT_TRUE(gui::WaitUntil([&] { return fieldNoIme == 1; }));
  EXPECT_EQ(commands, std::vector<int>{CMD_BRL_INPUT_TOGGLE});
  EXPECT_GT(Dotlane_GetInputMode(), 0);
  Tap(VK_F2);
  EXPECT_TRUE(gui::WaitUntil([&] { return fieldNoIme == 0; }));
  // The settings commands arrive from the dialog's system menu as well.
  SendMessageW(dialog, WM_SYSCOMMAND, CMD_BRL_INPUT_SETTINGS, 0);
  EXPECT_EQ(commands,
            (std::vector<int>{CMD_BRL_INPUT_TOGGLE, CMD_BRL_INPUT_TOGGLE, CMD_BRL_INPUT_SETTINGS}));
  Tap(VK_ESCAPE);
  ASSERT_TRUE(ui.Join());
  Dotlane_EndDlgSupport();
}

TEST_F(LineInput, ChordsReachBothPrompts) {
  Dotlane_StartDlgSupport();
  std::u16string keyword(65, u'\0');
  LineInputRequest text;
  text.title = u"キーワード検索";
  text.resultBuffer = keyword.data();
  text.resultSize = 65;
  LineInputRequest number;
  number.title = u"番号を指定して移動";
  WindowThread ui([&](HWND owner) {
    Dotlane_SetInputMode(owner, RegisterWindowMessageW(L"test"), kDotlaneCells);
    RunLineInput(IDD_LINE_INPUT, owner, text);
    RunLineInput(IDD_NUMBER_INPUT, owner, number);
  });
  HWND dialog = ui.WaitForWindow(L"キーワード検索");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(gui::BringToForeground(dialog));
  test::TypeCells(u"⠃⠀⠿");
  Tap(VK_RETURN);
  // The number field takes digit cells as digits, with or without the
  // number sign, and nothing else.
  dialog = ui.WaitForWindow(L"番号を指定して移動");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(gui::BringToForeground(dialog));
  test::TypeCells(u"⠼⠁⠃⠡⠉");
  EXPECT_TRUE(test::TextBecomes(GetDlgItem(dialog, IDC_LINE_FIELD), L"123"));
  Tap(VK_RETURN);
  ASSERT_TRUE(ui.Join());
  EXPECT_EQ(std::u16string(keyword.c_str()), u"⠃⠀⠿");
  EXPECT_EQ(number.number, 123);
  Dotlane_EndDlgSupport();
}

// Reports of keyboard braille input that reach the owner window.
std::atomic<int> ownerRefusals{0};

LRESULT CALLBACK WatchReports(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR) {
  if (msg == RegisterWindowMessageW(L"test") && wParam == kDotlaneNotifyRefused) ++ownerRefusals;
  return DefSubclassProc(window, msg, wParam, lParam);
}

// F2 in a dialog makes it the window that is told of refused chords; once
// it has closed, its owner is told in its place.
TEST_F(LineInput, ReportsGoToTheOwnerOnceTheDialogThatSwitchedIsGone) {
  Dotlane_StartDlgSupport();
  LineInputRequest first, second;
  first.title = u"キーワード検索";
  second.title = u"キーワード検索";
  WindowThread ui([&](HWND owner) {
    SetWindowSubclass(owner, &WatchReports, 1, 0);
    RunLineInput(IDD_LINE_INPUT, owner, first, [](HWND window, int command) {
      if (command == CMD_BRL_INPUT_TOGGLE)
        Dotlane_SetInputMode(window, RegisterWindowMessageW(L"test"), kDotlaneKana);
      return true;
    });
    RunLineInput(IDD_LINE_INPUT, owner, second);
    RemoveWindowSubclass(owner, &WatchReports, 1);
  });
  HWND dialog = ui.WaitForWindow(L"キーワード検索");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(gui::BringToForeground(dialog));
  Tap(VK_F2);
  Tap(VK_ESCAPE);
  ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }));
  dialog = ui.WaitForWindow(L"キーワード検索");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(gui::BringToForeground(dialog));
  // A yōon prefix cannot take ア.
  test::TypeCells(u"⠈⠁");
  EXPECT_TRUE(gui::WaitUntil([&] { return ownerRefusals == 1; }));
  Tap(VK_ESCAPE);
  ASSERT_TRUE(ui.Join());
  Dotlane_EndDlgSupport();
}

}  // namespace
}  // namespace mirelon
#endif
