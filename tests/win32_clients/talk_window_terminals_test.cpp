// The talk window with two braille chat terminals on in-memory lines: they
// are connected after the first scan, and on closing both users' leaving
// is recorded before the PC user's own, while the window goes on
// answering messages.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/command_line.h"
#include "base/com_win32.h"
#include "support/fast_timing.h"
#include "support/memory_serial.h"
#include "support/temp_dir.h"
#include "support/terminal_simulator.h"
#include "talk/records.h"
#include "talk/stream_store.h"
#include "talk/talk_file.h"
#include "ui/talk_window_win32.h"

namespace mirelon {
namespace {

// Polls until `condition` holds; false after a bound that only matters
// when something is wrong.
template <typename F>
bool Eventually(F condition) {
  for (int i = 0; i < 3000; ++i) {
    if (condition()) return true;
    Sleep(10);
  }
  return condition();
}

class TalkWindowTerminals : public ::testing::Test {
 protected:
  TalkWindowTerminals() {
    talk_ = dir_.File(u"定例会.meeting");
    WriteNewStream(*store_, u"主催者", talk_, kOwnerStream);
    store_->EnsureFile(talk_);
    WriteDescriptionStream(*store_, u"今月の議題", talk_);
  }

  ~TalkWindowTerminals() override {
    if (run_.joinable()) run_.join();
  }

  TerminalSimulator& Terminal(const std::u16string& port) {
    lines_.push_back(bus_.Add(port));
    terminals_.push_back(std::make_unique<TerminalSimulator>(MakeMemoryTerminalLink(lines_.back())));
    terminals_.back()->RaiseLines();
    return *terminals_.back();
  }

  // Runs the program's talk window on a thread of its own, as the program
  // runs it on its main thread.
  void StartWindow(const CommandLine& commandLine, const TalkWindowEnvironment& environment) {
    // The panes' window class, as the program's entry point loads it.
    LoadLibraryW(L"RichEd20.DLL");
    run_ = std::thread([this, commandLine, environment] {
      const ComApartment apartment;
      thread_ = GetCurrentThreadId();
      RunTalkWindow(GetModuleHandleW(nullptr), commandLine, *store_, environment);
    });
    // The meeting's start dialog comes first: the user enters with OK.
    HWND start = nullptr;
    Eventually([&] {
      if (thread_) start = FindThreadWindow(thread_, L"OrinMirelon ミーティングの開始");
      return start != nullptr;
    });
    PostMessageW(start, WM_COMMAND, IDOK, 0);
  }

  static HWND FindThreadWindow(DWORD thread, const wchar_t* title) {
    struct Search {
      const wchar_t* title;
      HWND found;
    } search{title, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND w, LPARAM p) {
          auto* s = reinterpret_cast<Search*>(p);
          wchar_t text[64] = {};
          GetWindowTextW(w, text, 64);
          if (std::wstring_view(text) != s->title) return TRUE;
          s->found = w;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  HWND Window() {
    HWND found = nullptr;
    Eventually([&] {
      if (!thread_) return false;
      EnumThreadWindows(
          thread_,
          [](HWND w, LPARAM p) {
            wchar_t title[64] = {};
            GetWindowTextW(w, title, 64);
            if (!std::wstring_view(title).starts_with(L"ミーティング")) return TRUE;
            *reinterpret_cast<HWND*>(p) = w;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&found));
      return found != nullptr;
    });
    return found;
  }

  // Every record of the talk, in number order.
  std::vector<std::u16string> Records() {
    std::vector<std::u16string> records;
    for (uint32_t n = 1;; ++n) {
      std::optional<std::u16string> text = ReadStreamText(*store_, talk_, MessageStreamName(n));
      if (!text) return records;
      records.push_back(*text);
    }
  }

  size_t Position(const std::u16string& record) {
    std::vector<std::u16string> records = Records();
    return static_cast<size_t>(std::find(records.begin(), records.end(), record) - records.begin());
  }
  bool Stored(const std::u16string& record) { return Position(record) < Records().size(); }

  TempDir dir_;
  std::unique_ptr<StreamStore> store_ = CreatePlatformStreamStore();
  std::u16string talk_;
  MemorySerialBus bus_;
  std::vector<std::shared_ptr<MemorySerialLine>> lines_;
  std::vector<std::unique_ptr<TerminalSimulator>> terminals_;
  std::atomic<DWORD> thread_{0};
  std::thread run_;
};

TEST_F(TalkWindowTerminals, BothLeavesAreRecordedBeforeTheOutRecordWhileTheWindowAnswers) {
  Terminal(u"COM51");
  Terminal(u"COM52");
  TalkWindowEnvironment environment;
  environment.timing = FastTiming();
  // Closing waits for the clients to end, however long the test holds
  // them; a port's reader that does not end holds its client up to this.
  environment.timing.closePumpMs = 600000;
  environment.timing.serialReaderStopMs = 600000;
  environment.opener = bus_.opener();
  CommandLine commandLine;
  commandLine.talkPath = talk_;
  commandLine.connections = {u"Port:COM51;Port2:NULL;Speed:38400;Protocol:2;User:一郎;",
                             u"Port:COM52;Port2:NULL;Speed:38400;Protocol:2;User:二郎;"};
  StartWindow(commandLine, environment);

  // The PC user enters once the talk is read, then the terminals' users.
  const std::u16string pcUser = UserName();
  ASSERT_TRUE(Eventually([&] { return Stored(u"in\t二郎"); }));
  EXPECT_LT(Position(u"in\t" + pcUser), Position(u"in\t一郎"));
  EXPECT_LT(Position(u"in\t一郎"), Position(u"in\t二郎"));
  HWND window = Window();
  ASSERT_TRUE(window);

  // Each port's reader gets stuck inside the driver, so that closing the
  // port holds its client after the user's leave has been announced.
  for (size_t i = 0; i < lines_.size(); ++i) {
    lines_[i]->SetReadHold(MemorySerialLine::ReadHold::kStuck);
    terminals_[i]->SendBytes({0x00});
    ASSERT_TRUE(Eventually([&] { return lines_[i]->ReadIsHeld(); }));
  }

  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Eventually([&] { return Stored(u"out\t一郎") && Stored(u"out\t二郎"); }));
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
  TalkWindowEnvironment environment;
  environment.timing = FastTiming();
  environment.timing.registryConnectPollMs = 600000;
  environment.opener = bus_.opener();
  CommandLine commandLine;
  commandLine.talkPath = talk_;
  commandLine.connections = {u"Port:COM53;Protocol:2;User:一郎;", u"Port:COM54;Protocol:2;User:二郎;"};
  StartWindow(commandLine, environment);

  ASSERT_TRUE(Eventually([&] { return Stored(u"in\t" + UserName()) && lines_[0]->hostOpen(); }));
  HWND window = Window();
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
