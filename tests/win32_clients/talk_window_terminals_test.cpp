// The talk window with two braille chat terminals on in-memory lines: they
// are connected after the first scan, and on closing both users' leaving
// is recorded before the PC user's own, while the window goes on
// answering messages.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/memory_serial.h"
#include "support/talk_window_test_win32.h"
#include "support/terminal_simulator.h"
#include "talk/records.h"
#include "talk/talk_file.h"

namespace mirelon {
namespace {

class TalkWindowTerminals : public test::TalkWindowTest {
 protected:
  TalkWindowTerminals() {
    MakeTalk(u"定例会.meeting", u"主催者");
    WriteDescriptionStream(*store_, u"今月の議題", talk_);
  }

  TerminalSimulator& Terminal(const std::u16string& port) {
    lines_.push_back(bus_.Add(port));
    terminals_.push_back(std::make_unique<TerminalSimulator>(MakeMemoryTerminalLink(lines_.back())));
    terminals_.back()->RaiseLines();
    return *terminals_.back();
  }

  // Runs the talk window on the terminals' lines; the user enters the
  // meeting with OK in its start dialog.
  void StartWindow(TalkWindowEnvironment environment, std::vector<std::u16string> terminals) {
    environment.opener = bus_.opener();
    Start(environment, std::move(terminals));
    HWND start = Dialog(L"OrinMirelon ミーティングの開始");
    ASSERT_TRUE(start);
    PostMessageW(start, WM_COMMAND, IDOK, 0);
    window_ = test::WaitForThreadWindow(thread_, L"ミーティング - 定例会");
  }

  size_t Position(const std::u16string& record) {
    std::vector<std::u16string> records = Records();
    return static_cast<size_t>(std::find(records.begin(), records.end(), record) - records.begin());
  }

  MemorySerialBus bus_;
  std::vector<std::shared_ptr<MemorySerialLine>> lines_;
  std::vector<std::unique_ptr<TerminalSimulator>> terminals_;
};

TEST_F(TalkWindowTerminals, BothLeavesAreRecordedBeforeTheOutRecordWhileTheWindowAnswers) {
  Terminal(u"COM51");
  Terminal(u"COM52");
  TalkWindowEnvironment environment = Environment();
  // Closing waits for the clients to end, however long the test holds
  // them; a port's reader that does not end holds its client up to this.
  environment.timing.closePumpMs = 600000;
  environment.timing.serialReaderStopMs = 600000;
  StartWindow(environment, {u"Port:COM51;Port2:NULL;Speed:38400;Protocol:2;User:一郎;",
                            u"Port:COM52;Port2:NULL;Speed:38400;Protocol:2;User:二郎;"});

  // The PC user enters once the talk is read, then the terminals' users.
  const std::u16string pcUser = UserName();
  ASSERT_TRUE(gui::WaitUntil([&] { return Stored(u"in\t二郎"); }));
  EXPECT_LT(Position(u"in\t" + pcUser), Position(u"in\t一郎"));
  EXPECT_LT(Position(u"in\t一郎"), Position(u"in\t二郎"));
  HWND window = window_;
  ASSERT_TRUE(window);

  // Each port's reader gets stuck inside the driver, so that closing the
  // port holds its client after the user's leave has been announced.
  for (size_t i = 0; i < lines_.size(); ++i) {
    lines_[i]->SetReadHold(MemorySerialLine::ReadHold::kStuck);
    terminals_[i]->SendBytes({0x00});
    ASSERT_TRUE(gui::WaitUntil([&] { return lines_[i]->ReadIsHeld(); }));
  }

  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(gui::WaitUntil([&] { return Stored(u"out\t一郎") && Stored(u"out\t二郎"); }));
  // The clients are still closing: the window is there and dispatching.
  DWORD_PTR answer = 0;
  EXPECT_TRUE(IsWindow(window));
  EXPECT_NE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer), 0);
  EXPECT_FALSE(Stored(u"out\t" + pcUser));

  for (auto& line : lines_) line->SetReadHold(MemorySerialLine::ReadHold::kNone);
  run_.join();
  EXPECT_FALSE(IsWindow(window));
  std::vector<std::u16string> records = Records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back(), u"out\t" + pcUser);
  EXPECT_EQ(std::count(records.begin(), records.end(), u"out\t一郎"), 1);
  EXPECT_EQ(std::count(records.begin(), records.end(), u"out\t二郎"), 1);
}

// A close while the first terminal is still being waited for: the second
// is never connected, and the window closes without waiting out the
// connection time.
TEST_F(TalkWindowTerminals, ClosingWhileConnectingStopsConnecting) {
  Terminal(u"COM53").SetIdentity(TerminalSimulator::Identity::kSilent);
  Terminal(u"COM54");
  TalkWindowEnvironment environment = Environment();
  environment.timing.registryConnectPollMs = 600000;
  StartWindow(environment, {u"Port:COM53;Protocol:2;User:一郎;", u"Port:COM54;Protocol:2;User:二郎;"});

  ASSERT_TRUE(gui::WaitUntil([&] { return Stored(u"in\t" + UserName()) && lines_[0]->hostOpen(); }));
  HWND window = window_;
  ASSERT_TRUE(window);
  PostMessageW(window, WM_CLOSE, 0, 0);
  run_.join();
  EXPECT_EQ(lines_[1]->opens(), 0);
  std::vector<std::u16string> records = Records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back(), u"out\t" + UserName());
  EXPECT_FALSE(Stored(u"in\t一郎"));
}

}  // namespace
}  // namespace mirelon
#endif
