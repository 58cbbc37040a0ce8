// The headless runner end to end: two runners chatting on one meeting.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "base/file_io.h"
#include "base/utf.h"
#include "support/runner_command.h"
#include "support/temp_dir.h"
#include "talk/records.h"
#include "talk/talk_file.h"

namespace mirelon {
namespace {

class RunnerTest : public ::testing::Test {
 protected:
  RunnerTest()
      : cli(RunnerPath()),
        talk(Utf16ToUtf8(dir.File(u"chat.meeting"))),
        env("XDG_CONFIG_HOME=" + ShellQuote(Utf16ToUtf8(dir.path())) + " ") {}

  int Run(const std::string& args, const std::string& out = "/dev/null") {
    int status = std::system((env + ShellQuote(cli) + " " + args + " >" + ShellQuote(out) + " 2>/dev/null </dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Read(const char16_t* name) { return ReadWholeFile(dir.File(name), 1 << 20).value_or(""); }

  TempDir dir;
  std::string cli, talk, env;
};

TEST_F(RunnerTest, TwoRunnersChatOnOneMeeting) {
  ASSERT_TRUE(FileExists(Utf8ToUtf16Lenient(cli))) << cli;
  EXPECT_EQ(Run("--dump " + ShellQuote(talk)), 2);  // missing and not created
  EXPECT_EQ(Run("--bogus " + ShellQuote(talk)), 2);
  ASSERT_EQ(Run("--user alice --create --description 'Weekly call' --post 'hello there' " + ShellQuote(talk)), 0);

  // Bob chats interactively and sees what Alice posts meanwhile.
  const std::string bobOut = Utf16ToUtf8(dir.File(u"bob.txt"));
  FILE* bob = popen((env + ShellQuote(cli) + " --user bob " + ShellQuote(talk) + " >" + ShellQuote(bobOut) + " 2>/dev/null").c_str(), "w");
  ASSERT_TRUE(bob);
  fputs("line one\nline two\n", bob);
  fflush(bob);
  ASSERT_EQ(Run("--user alice --post 'welcome bob' " + ShellQuote(talk)), 0);
  bool seen = false;
  for (int look = 0; look < 600 && !seen; ++look) {
    if (look > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    seen = Read(u"bob.txt").find("welcome bob") != std::string::npos;
  }
  EXPECT_TRUE(seen);
  pclose(bob);  // end of input: Bob leaves

  // Input that ends before the talk has been read is sent all the same.
  ASSERT_EQ(std::system((env + "printf 'carol was here\\n' | " + ShellQuote(cli) + " --user carol " + ShellQuote(talk) +
                         " >/dev/null 2>&1").c_str()),
            0);

  ASSERT_EQ(Run("--dump " + ShellQuote(talk), Utf16ToUtf8(dir.File(u"dump.txt"))), 0);
  const std::string dump = Read(u"dump.txt");
  EXPECT_EQ(dump.rfind("Weekly call\n\n1: aliceさん ", 0), 0u) << dump;
  for (const char* expected : {"\nhello there\n\n", "入室 bobさん\n\n", "\nline one\n\n", "\nline two\n\n",
                               "\nwelcome bob\n\n", "退室 bobさん\n\n", "\ncarol was here\n\n"})
    EXPECT_NE(dump.find(expected), std::string::npos) << expected;
  EXPECT_LT(dump.find("入室 bobさん"), dump.find("line one"));
  EXPECT_LT(dump.find("line two"), dump.find("退室 bobさん"));
}

// --save writes the talk as the pane shows it, a share talk's description
// first, as UTF-8 with a byte order mark and CR LF line ends; a file it
// cannot write is an error.
TEST_F(RunnerTest, SaveWritesTheTalkAsText) {
  const std::u16string share = dir.File(u"s.share");
  const std::unique_ptr<StreamStore> store = CreatePlatformStreamStore();
  ASSERT_TRUE(store->EnsureFile(share));
  WriteNewStream(*store, u"alice", share, kOwnerStream);
  WriteNewStream(*store, u"ようこそ\r", share, kDescriptionStream);
  WriteNewStream(*store, u"talk\tguestさん 3/05 9:07\tline one\rline two", share, MessageStreamName(1));
  const std::string talk = ShellQuote(Utf16ToUtf8(share));
  ASSERT_EQ(Run("--save " + ShellQuote(Utf16ToUtf8(dir.File(u"minutes.txt"))) + " " + talk), 0);
  EXPECT_EQ(Read(u"minutes.txt"), "\xEF\xBB\xBFようこそ\r\n\r\n1: guestさん 3/05 9:07\r\nline one\r\nline two\r\n\r\n");
  EXPECT_EQ(Run("--save " + ShellQuote(Utf16ToUtf8(dir.File(u"none/minutes.txt"))) + " " + talk), 1);
}

// Three participants paste a few hundred lines each, two of them while
// still reading the first one's: each is shown every line once, so every
// line was stored once.
TEST_F(RunnerTest, BurstsOfSeveralRunnersAreStoredOnceAndShownEverywhere) {
  const std::string chat = Utf16ToUtf8(dir.File(u"burst.talk"));
  ASSERT_EQ(Run("--user alice --create --post start " + ShellQuote(chat)), 0);
  const auto pause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  FILE* runners[3];
  for (int r = 0; r < 3; ++r)
    ASSERT_TRUE(runners[r] = popen((env + ShellQuote(cli) + " " + ShellQuote(chat) + " >" + ShellQuote(chat + std::to_string(r))).c_str(), "w"));
  std::multiset<std::string> pasted;
  for (int r = 0; r < 3; ++r) {
    for (int i = 0; i < 250; ++i)
      fprintf(runners[r], "%s\n", pasted.insert(std::to_string(r) + " line " + std::to_string(i))->c_str());
    fflush(runners[r]);
    while (r == 0 && !FileExists(dir.File(u"burst.talk:Msg000251"))) pause(5);
  }
  const auto shownEverywhere = [&] {
    for (int r = 0; r < 3; ++r) {
      std::multiset<std::string> shown;
      std::istringstream in(ReadWholeFile(Utf8ToUtf16Lenient(chat + std::to_string(r)), 1 << 20).value_or(""));
      for (std::string l; std::getline(in, l);)
        if (l.find(" line ") != std::string::npos) shown.insert(l);
      if (shown != pasted) return false;
    }
    return true;
  };
  for (int look = 0; look < 2400 && !shownEverywhere(); ++look) pause(50);
  EXPECT_TRUE(shownEverywhere());
  for (FILE* runner : runners) pclose(runner);
}

}  // namespace
}  // namespace mirelon
#endif
