// The headless runner end to end: runners chatting on one meeting, in a
// folder of this machine and on a file server over SMB.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <algorithm>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "base/file_io.h"
#include "base/utf.h"
#include "support/fast_timing.h"
#include "support/runner_command.h"
#include "support/samba_server.h"
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

  // The runner with `args`, its output and errors going to the files named.
  std::string Command(const std::string& args, const std::string& out,
                      const std::string& errors = "/dev/null") {
    return env + ShellQuote(cli) + " " + args + " >" + ShellQuote(out) + " 2>" + ShellQuote(errors);
  }
  int Run(const std::string& args, const std::string& out = "/dev/null",
          const std::string& errors = "/dev/null") {
    int status = std::system((Command(args, out, errors) + " </dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Read(const char16_t* name) {
    return ReadWholeFile(dir.File(name), 1 << 20).value_or("");
  }

  // Puts the talk in a fresh folder of the test's Samba server; skips the
  // test where there is none.
  void PutTalkOnServer() {
    SambaServer& server = SambaServer::Shared();
    MIRELON_REQUIRE_SAMBA(server);
    folder = server.NewFolder();
    talk = folder.url + "/chat.meeting";
  }

  TempDir dir;
  std::string cli, talk, env;
  SambaServer::Folder folder;
};

class SmbRunnerTest : public RunnerTest {
 protected:
  void SetUp() override { PutTalkOnServer(); }
};

// The talk in a local folder, or on the test's Samba server.
class RunnerPlaces : public RunnerTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    if (std::string(GetParam()) == "Smb") PutTalkOnServer();
  }
};

INSTANTIATE_TEST_SUITE_P(Places, RunnerPlaces, ::testing::Values("Local", "Smb"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

// What goes wrong on the way to a talk on a server is told in one line and
// ends the runner as a local talk that cannot be opened does; no password
// is ever shown.
TEST_F(SmbRunnerTest, ServerTroublesAreToldAndEndTheRunner) {
  SambaServer& server = SambaServer::Shared();
  const std::string privateTalk = server.Url("private") + "/" + folder.name + "/x.talk";
  const std::string wrong = Utf16ToUtf8(dir.File(u"wrong")), open = Utf16ToUtf8(dir.File(u"open"));
  for (const std::string& file : {wrong, open})
    ASSERT_TRUE(ReplaceFileContent(U16(file),
                                   "username = " + server.user() + "\npassword = wrong-guess\n"));
  chmod(wrong.c_str(), 0600);
  chmod(open.c_str(), 0644);
  struct Case {
    std::string args;
    int exit;
    std::string told;
  } cases[] = {
      {"--dump smb://127.0.0.1:1/share/x.talk", 2, "the server 127.0.0.1:1 does not answer"},
      {"--dump " + server.Url("nosuch") + "/x.talk", 2, "has no share \"nosuch\""},
      {"--dump " + privateTalk, 2, "refused share \"private\" to a guest"},
      {"--dump " + folder.url + "/missing.talk", 2, "the talk does not exist"},
      {"--smb-auth " + open + " --dump " + privateTalk, 2, "chmod 600"},
      {"--smb-auth " + wrong + " --dump " + privateTalk, 2,
       "refused share \"private\" to user " + server.user()},
      {"--smb-auth " + server.authFile() + " --user alice --create --post hi " + privateTalk, 0,
       ""},
      {"--dump smb://" + server.user() + ":wrong-guess@127.0.0.1/share/x.talk", 2,
       "give them in --smb-auth FILE"},
  };
  const std::string errors = Utf16ToUtf8(dir.File(u"errors.txt"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_EQ(Run(c.args, "/dev/null", errors), c.exit);
    const std::string told = Read(u"errors.txt");
    EXPECT_NE(told.find(c.told), std::string::npos) << told;
    EXPECT_EQ(told.find("wrong-guess"), std::string::npos) << told;
    EXPECT_EQ(told.find(server.password()), std::string::npos) << told;
  }
}

TEST_P(RunnerPlaces, TwoRunnersChatOnOneMeeting) {
  ASSERT_TRUE(FileExists(Utf8ToUtf16Lenient(cli))) << cli;
  EXPECT_EQ(Run("--dump " + ShellQuote(talk)), 2);  // missing and not created
  EXPECT_EQ(Run("--bogus " + ShellQuote(talk)), 2);
  ASSERT_EQ(Run("--user alice --create --description 'Weekly call' --post 'hello there' " +
                ShellQuote(talk)),
            0);

  // Bob chats interactively and sees what Alice posts meanwhile.
  const std::string bobOut = Utf16ToUtf8(dir.File(u"bob.txt"));
  FILE* bob = popen(Command("--user bob " + ShellQuote(talk), bobOut).c_str(), "w");
  ASSERT_TRUE(bob);
  fputs("line one\nline two\n", bob);
  fflush(bob);
  ASSERT_EQ(Run("--user alice --post 'welcome bob' " + ShellQuote(talk)), 0);
  EXPECT_TRUE(Eventually([&] { return Read(u"bob.txt").find("welcome bob") != std::string::npos; },
                         30000, 50));
  pclose(bob);  // end of input: Bob leaves

  // Input that ends before the talk has been read is sent all the same.
  ASSERT_EQ(std::system((env + "printf 'carol was here\\n' | " + ShellQuote(cli) +
                         " --user carol " + ShellQuote(talk) + " >/dev/null 2>&1")
                            .c_str()),
            0);

  ASSERT_EQ(Run("--dump " + ShellQuote(talk), Utf16ToUtf8(dir.File(u"dump.txt"))), 0);
  const std::string dump = Read(u"dump.txt");
  EXPECT_EQ(dump.rfind("Weekly call\n\n1: aliceさん ", 0), 0u) << dump;
  for (const char* expected :
       {"\nhello there\n\n", "入室 bobさん\n\n", "\nline one\n\n", "\nline two\n\n",
        "\nwelcome bob\n\n", "退室 bobさん\n\n", "\ncarol was here\n\n"})
    EXPECT_NE(dump.find(expected), std::string::npos) << expected;
  EXPECT_LT(dump.find("入室 bobさん"), dump.find("line one"));
  EXPECT_LT(dump.find("line two"), dump.find("退室 bobさん"));

  // Who entered, as the member list shows them; --members goes alone.
  ASSERT_EQ(Run("--members " + ShellQuote(talk), Utf16ToUtf8(dir.File(u"members.txt"))), 0);
  EXPECT_EQ(Read(u"members.txt"), "bob\t退室\ncarol\t退室\n");
  EXPECT_EQ(Run("--members --dump " + ShellQuote(talk)), 2);
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
  WriteNewStream(*store, u"talk\tguestさん 3/05 9:07\tline one\rline two", share,
                 MessageStreamName(1));
  const std::string talk = ShellQuote(Utf16ToUtf8(share));
  ASSERT_EQ(Run("--save " + ShellQuote(Utf16ToUtf8(dir.File(u"minutes.txt"))) + " " + talk), 0);
  EXPECT_EQ(Read(u"minutes.txt"),
            "\xEF\xBB\xBFようこそ\r\n\r\n1: guestさん 3/05 9:07\r\nline one\r\nline two\r\n\r\n");
  EXPECT_EQ(Run("--save " + ShellQuote(Utf16ToUtf8(dir.File(u"none/minutes.txt"))) + " " + talk),
            1);
}

// Three participants paste a few hundred lines each, two of them while
// still reading the first one's: each is shown every line once, so every
// line was stored once.
TEST_P(RunnerPlaces, BurstsOfSeveralRunnersAreStoredOnceAndShownEverywhere) {
  const std::string chat = talk.substr(0, talk.rfind('/') + 1) + "burst.talk";
  ASSERT_EQ(Run("--user alice --create --post start " + ShellQuote(chat)), 0);
  const auto shown = [&](int r) {
    return ReadWholeFile(dir.File(u"shown" + U16(std::to_string(r))), 1 << 20).value_or("");
  };
  FILE* runners[3];
  for (int r = 0; r < 3; ++r)
    ASSERT_TRUE(runners[r] = popen(
                    Command(ShellQuote(chat), Utf16ToUtf8(dir.File(u"shown" + U16(std::to_string(r)))))
                        .c_str(),
                    "w"));
  std::multiset<std::string> pasted;
  for (int r = 0; r < 3; ++r) {
    for (int i = 0; i < 250; ++i)
      fprintf(runners[r], "%s\n",
              pasted.insert(std::to_string(r) + " line " + std::to_string(i))->c_str());
    fflush(runners[r]);
    if (r == 0) {
      EXPECT_TRUE(
          Eventually([&] { return shown(0).find("0 line 249") != std::string::npos; }, 120000, 50));
    }
  }
  const auto linesOf = [](const std::string& text) {
    std::multiset<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
      if (l.find(" line ") != std::string::npos) lines.insert(l);
    return lines;
  };
  const auto shownEverywhere = [&] {
    for (int r = 0; r < 3; ++r)
      if (linesOf(shown(r)) != pasted) return false;
    return true;
  };
  // What each runner lacks, and last what the talk itself lacks.
  const auto missing = [&] {
    Run("--dump " + ShellQuote(chat), Utf16ToUtf8(dir.File(u"shown3")));
    std::ostringstream out;
    for (int r = 0; r <= 3; ++r) {
      const std::multiset<std::string> lines = linesOf(shown(r));
      std::vector<std::string> lacks;
      std::set_difference(pasted.begin(), pasted.end(), lines.begin(), lines.end(),
                          std::back_inserter(lacks));
      out << r << ": lacks " << lacks.size() << (lacks.empty() ? "" : " (" + lacks[0] + ")") << "; ";
    }
    return out.str();
  };
  EXPECT_TRUE(Eventually(shownEverywhere, 120000, 50)) << missing();
  for (FILE* runner : runners) pclose(runner);
}

}  // namespace
}  // namespace mirelon
#endif
