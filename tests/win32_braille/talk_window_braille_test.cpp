// Six-key braille in the talk window, typed as a user does: chords of real
// key presses into the outgoing pane in the three input modes, F2, the
// settings dialog and the input test.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/command_line.h"
#include "base/com_win32.h"
#include "base/file_io.h"
#include "resources/resource.h"
#include "support/fast_timing.h"
#include "support/recording_speech_engine.h"
#include "support/temp_dir.h"
#include "talk/stream_store.h"
#include "talk/talk_file.h"
#include "ui/talk_window_win32.h"
#include "win32_ui/gui_driver.h"
#include "window_thread.h"

namespace mirelon {
namespace {

using test::PlaceDown;
using test::PlaceUp;
using test::Tap;
using test::TextOf;
using test::TypeCells;
using test::WaitForThreadWindow;

constexpr WORD kPlaceF = 0x21, kPlaceD = 0x20;
const std::string kBom = "\xEF\xBB\xBF";

class TalkWindowBraille : public ::testing::Test {
 protected:
  TalkWindowBraille() {
    talk_ = dir_.File(u"点字.talk");
    WriteNewStream(*store_, u"主催者", talk_, kOwnerStream);
    store_->EnsureFile(talk_);
  }
  ~TalkWindowBraille() override { Close(); }

  // Runs the talk window on a thread of its own with `settings` in its
  // BrlInput.set, and puts the keyboard into the outgoing pane.
  void Start(std::string_view settings) {
    if (!settings.empty()) {
      ASSERT_TRUE(ReplaceFileContent(settingsFile_, kBom + std::string(settings)));
    }
    LoadLibraryW(L"RichEd20.DLL");
    TalkWindowEnvironment environment;
    environment.timing = FastTiming();
    // The engine is read once the window's thread has ended.
    environment.speechEngine = [this](HWND) { return SpeechEnginePtr(&engine_); };
    environment.brlInputSettingsPath = settingsFile_;
    CommandLine commandLine;
    commandLine.talkPath = talk_;
    run_ = std::thread([this, commandLine, environment] {
      const ComApartment apartment;
      thread_ = GetCurrentThreadId();
      RunTalkWindow(GetModuleHandleW(nullptr), commandLine, *store_, environment);
    });
    ASSERT_TRUE(gui::WaitUntil([&] { return thread_ != 0; }));
    window_ = WaitForThreadWindow(thread_, L"トークモード - 点字");
    ASSERT_TRUE(window_);
    outgoing_ = GetDlgItem(window_, 202);
    ASSERT_TRUE(gui::BringToForeground(window_));
    Tap(VK_TAB);
    ASSERT_EQ(gui::FocusedWindow(), outgoing_);
  }

  void Close() {
    if (!run_.joinable()) return;
    PostMessageW(window_, WM_CLOSE, 0, 0);
    run_.join();
  }

  std::wstring Outgoing() { return TextOf(outgoing_); }
  std::string Settings() { return ReadWholeFile(settingsFile_, 1000).value_or("(none)"); }
  bool SettingsAre(std::string_view text) {
    return gui::WaitUntil([&] { return Settings() == kBom + std::string(text); }, 5000);
  }
  // What was said, once the window has closed.
  std::vector<std::u16string> Said() {
    std::vector<std::u16string> said;
    for (const std::u16string& call : engine_.calls)
      if (call.starts_with(u"Speak(")) said.push_back(call);
    return said;
  }
  // A dialog of the talk window's thread, in front.
  HWND Dialog(const std::wstring& title) {
    HWND dialog = WaitForThreadWindow(thread_, title);
    if (dialog) gui::BringToForeground(dialog);
    return dialog;
  }

  TempDir dir_;
  std::unique_ptr<StreamStore> store_ = CreatePlatformStreamStore();
  std::u16string talk_;
  std::u16string settingsFile_ = dir_.File(u"BrlInput.set");
  RecordingSpeechEngine engine_;
  std::atomic<DWORD> thread_{0};
  std::thread run_;
  HWND window_ = nullptr;
  HWND outgoing_ = nullptr;
};

TEST_F(TalkWindowBraille, F2SwitchesAndChordsBecomeCellsInTheOutgoingPane) {
  Start("");
  // First run: off. F2 writes the file and switches on.
  TypeCells(u"⠃");
  EXPECT_EQ(Outgoing(), L"fd");
  SendMessageW(outgoing_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  Tap(VK_F2);
  EXPECT_TRUE(SettingsAre("BrlInputType,0\rBrlInputSwitch,1\r"));

  // F and D together, released in order, rolled, and overlapping.
  TypeCells(u"⠃");
  PlaceDown(kPlaceF);
  PlaceDown(kPlaceD);
  PlaceUp(kPlaceD);
  PlaceUp(kPlaceF);
  test::Settle();
  EXPECT_EQ(Outgoing(), L"⠃⠃");
  // A key held down repeats: one cell. Space is the blank cell.
  for (int i = 0; i < 4; ++i) PlaceDown(kPlaceF);
  PlaceUp(kPlaceF);
  TypeCells(u"⠀");
  EXPECT_EQ(Outgoing(), L"⠃⠃⠁⠀");
  // Arrows and Backspace reach the pane as they are.
  Tap(VK_LEFT);
  TypeCells(u"⠿");
  EXPECT_EQ(Outgoing(), L"⠃⠃⠁⠿⠀");
  Tap(VK_BACK);
  EXPECT_EQ(Outgoing(), L"⠃⠃⠁⠀");

  // A chord while the system menu is open adds nothing.
  test::KeyDown(VK_MENU);
  Tap(VK_SPACE);
  test::KeyUp(VK_MENU);
  test::Settle();
  TypeCells(u"⠃");
  Tap(VK_ESCAPE);
  Tap(VK_ESCAPE);
  EXPECT_EQ(gui::FocusedWindow(), outgoing_);
  TypeCells(u"⠉");
  EXPECT_EQ(Outgoing(), L"⠃⠃⠁⠉⠀");

  Tap(VK_F2);
  EXPECT_TRUE(SettingsAre("BrlInputType,0\rBrlInputSwitch,0\r"));
  Close();
  EXPECT_EQ(Said(), (std::vector<std::u16string>{u"Speak(点字入力開始（テキスト入力なし）,1)",
                                                 u"Speak(点字入力終了,1)"}));
}

TEST_F(TalkWindowBraille, KanaNumbersAndKanjiThroughTheSettingsDialog) {
  Start("BrlInputType,1\rBrlInputSwitch,1\r");
  // A prefix waits for its cell; Backspace takes it back.
  TypeCells(u"⠐⠡⠐");
  EXPECT_EQ(Outgoing(), L"ガ");
  Tap(VK_BACK);
  TypeCells(u"⠡⠼⠁⠃⠀⠈⠪");
  EXPECT_EQ(Outgoing(), L"ガカ12　キョ");

  // OK in the settings dialog: kantenji.
  PostMessageW(window_, WM_COMMAND, CMD_BRL_INPUT_SETTINGS, 0);
  HWND dialog = Dialog(L"フルキー点字入力の設定");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_BRL_INPUT_SWITCH), BST_CHECKED);
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_BRL_INPUT_TYPE)), L"ASCIIカナ入力");
  Tap(VK_TAB);
  Tap(VK_DOWN);
  Tap(VK_RETURN);
  EXPECT_TRUE(SettingsAre("BrlInputType,2\rBrlInputSwitch,1\r"));
  EXPECT_EQ(gui::FocusedWindow(), outgoing_);
  TypeCells(u"⣦⡣⢠⠐⠡");
  EXPECT_EQ(Outgoing(), L"ガカ12　キョ日本が");

  // Cancel changes nothing.
  PostMessageW(window_, WM_COMMAND, CMD_BRL_INPUT_SETTINGS, 0);
  dialog = Dialog(L"フルキー点字入力の設定");
  ASSERT_TRUE(dialog);
  Tap(VK_SPACE);
  Tap(VK_ESCAPE);
  ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_TRUE(SettingsAre("BrlInputType,2\rBrlInputSwitch,1\r"));
  TypeCells(u"⣅");
  EXPECT_EQ(Outgoing(), L"ガカ12　キョ日本が人");
  Close();
  EXPECT_TRUE(Said().empty());
}

TEST_F(TalkWindowBraille, TheInputTestShowsEachCellItsDotsAndItsText) {
  Start("BrlInputType,1\rBrlInputSwitch,1\r");
  PostMessageW(window_, WM_COMMAND, CMD_BRL_INPUT_TEST, 0);
  HWND dialog = Dialog(L"点字入力テスト");
  ASSERT_TRUE(dialog);
  EXPECT_FALSE(IsWindowEnabled(window_));
  TypeCells(u"⠃⠈⠀⠡");
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
  EXPECT_EQ(TextOf(GetDlgItem(dialog, 101)), L"イキャ");
  Tap(VK_ESCAPE);
  ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_TRUE(IsWindowEnabled(window_));
  // The pane was not typed into.
  EXPECT_EQ(Outgoing(), L"");
}

}  // namespace
}  // namespace mirelon
#endif
