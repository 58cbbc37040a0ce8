// The headless runner with a braille terminal in chat mode on a pty: the
// terminal joins the meeting (in a local folder, or on a file server over
// SMB), reads the new lines, posts what its user types, and leaves when
// the runner ends.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>
#include <thread>

#include "base/file_io.h"
#include "base/utf.h"
#include "modes/wire_protocol.h"
#include "support/fast_timing.h"
#include "support/runner_command.h"
#include "support/samba_server.h"
#include "support/temp_dir.h"
#include "support/terminal_simulator.h"

namespace mirelon {
namespace {

size_t CountOf(const TerminalSimulator& t, uint8_t command, int parameter = -1) {
  size_t n = 0;
  for (const ReceivedFrame& f : t.frames())
    if (f.command == command && (parameter < 0 || f.parameter == parameter)) ++n;
  return n;
}

// The runner for bob on the talk with the terminal, reading its input from
// the returned pipe; what it shows of its terminals goes to `errors`.
FILE* StartBob(const std::string& runner, const std::string& talk, const std::string& terminalArg,
               const std::string& errors) {
  return popen((runner + " --user bob " + ShellQuote(talk) + " " + ShellQuote(terminalArg) + " >/dev/null 2>" + ShellQuote(errors)).c_str(),
               "w");
}

// The meeting in a local folder, or on the test's Samba server.
class RunnerTerminalPlaces : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::string(GetParam()) != "Smb") return;
    SambaServer& server = SambaServer::Shared();
    MIRELON_REQUIRE_SAMBA(server);
    talk = server.NewFolder().url + "/room.meeting";
  }

  TempDir dir;
  std::string talk = Utf16ToUtf8(dir.File(u"room.meeting"));
};

INSTANTIATE_TEST_SUITE_P(Places, RunnerTerminalPlaces, ::testing::Values("Local", "Smb"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

TEST_P(RunnerTerminalPlaces, ChatTerminalTakesPartInAMeeting) {
  const std::string cli = RunnerPath();
  const std::string env = "XDG_CONFIG_HOME=" + ShellQuote(Utf16ToUtf8(dir.path())) + " ";
  auto run = [&](const std::string& args, const std::string& out = "/dev/null") {
    int status = std::system((env + ShellQuote(cli) + " " + args + " >" + ShellQuote(out) + " 2>/dev/null </dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  ASSERT_EQ(run("--user alice --create --post 'before' " + ShellQuote(talk)), 0);

  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TerminalSimulator terminal(pty.Link());
  const std::string errors = Utf16ToUtf8(dir.File(u"errors.txt"));
  const std::string terminalArg = "/t{Port:" + pty.slavePath() + ";Port2:NULL;Speed:38400;Protocol:2;User:hanako;}";
  FILE* bob = StartBob(env + ShellQuote(cli), talk, terminalArg, errors);
  ASSERT_TRUE(bob);

  // Identified, session opened, greeted; the lines already in the talk are
  // not sent.
  ASSERT_TRUE(Eventually([&] { return CountOf(terminal, FRAME_CHAT_OPEN) == 1; }, 30000));
  ASSERT_GE(terminal.frames().size(), 3u);
  EXPECT_EQ(terminal.frames()[0].command, FRAME_IDENTIFY);
  EXPECT_EQ(terminal.frames()[1].command, FRAME_SESSION);

  // A new message reaches the terminal as its header line and its body.
  ASSERT_EQ(run("--user alice --post 'after' " + ShellQuote(talk)), 0);
  EXPECT_TRUE(Eventually([&] { return CountOf(terminal, FRAME_TEXT_CELL, 0) >= 2; }, 30000));

  // What the terminal user types is posted under the user's name.
  terminal.SendFrame(FRAME_TEXT_BEGIN, 0);
  ASSERT_TRUE(terminal.WaitForBareBytes(1, 30000));
  for (uint8_t cell : {0x10, 0x30, 0x00}) terminal.SendFrame(FRAME_TEXT_CELL, cell);
  // Stored before the runner ends (on a slow machine the lines counted next
  // may all be older ones); its own record comes back to it as new lines.
  const std::string dumpFile = Utf16ToUtf8(dir.File(u"dump.txt"));
  auto stored = [&] {
    run("--dump " + ShellQuote(talk), dumpFile);
    return ReadWholeFile(dir.File(u"dump.txt"), 1 << 20).value_or("").find("hanakoさん ") != std::string::npos;
  };
  EXPECT_TRUE(Eventually(stored, 30000));
  EXPECT_TRUE(Eventually([&] { return CountOf(terminal, FRAME_TEXT_CELL, 0) >= 4; }, 30000));

  pclose(bob);  // end of input: the runner shuts down
  EXPECT_TRUE(Eventually([&] { return terminal.frames().back().command == FRAME_CHAT_END; }));

  ASSERT_EQ(run("--dump " + ShellQuote(talk), dumpFile), 0);
  const std::string dump = ReadWholeFile(dir.File(u"dump.txt"), 1 << 20).value_or("");
  const size_t in = dump.find("入室 hanakoさん");
  const size_t typed = dump.find("hanakoさん ");
  const size_t body = dump.find("\n⠁⠃\n");
  const size_t out = dump.find("退室 hanakoさん");
  const size_t bobOut = dump.find("退室 bobさん");
  ASSERT_NE(in, std::string::npos) << dump;
  ASSERT_NE(typed, std::string::npos) << dump;
  ASSERT_NE(body, std::string::npos) << dump;
  ASSERT_NE(out, std::string::npos) << dump;
  ASSERT_NE(bobOut, std::string::npos) << dump;
  EXPECT_LT(in, typed);
  EXPECT_LT(typed, body);
  EXPECT_LT(body, out);
  EXPECT_LT(out, bobOut);  // the terminal's leave is stored before the PC user's

  const std::string shown = ReadWholeFile(dir.File(u"errors.txt"), 1 << 20).value_or("");
  EXPECT_NE(shown.find("terminal " + pty.slavePath() + " (hanako): 接続\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("(hanako): 切断\n"), std::string::npos) << shown;
}

// A terminal whose device goes away (out of reach) and comes back under
// the same name: the runner tells that it waits to reconnect, connects it
// by itself, and the meeting records its user leaving and joining again.
TEST(RunnerTerminal, ATerminalThatWentAwayIsConnectedAgainByItself) {
  TempDir dir;
  const std::string cli = RunnerPath();
  const std::string talk = Utf16ToUtf8(dir.File(u"room.meeting"));
  const std::string env = "XDG_CONFIG_HOME=" + ShellQuote(Utf16ToUtf8(dir.path())) + " ";
  ASSERT_EQ(std::system((env + ShellQuote(cli) + " --user alice --create " + ShellQuote(talk) + " >/dev/null 2>&1 </dev/null").c_str()), 0);

  const std::string device = Utf16ToUtf8(dir.File(u"terminal"));
  auto plugIn = [&](const PtyPair& pty) {
    unlink(device.c_str());
    return symlink(pty.slavePath().c_str(), device.c_str()) == 0;
  };
  PtyPair first;
  ASSERT_TRUE(first.ok());
  ASSERT_TRUE(plugIn(first));
  TerminalSimulator terminal(first.Link());
  const std::string errors = Utf16ToUtf8(dir.File(u"errors.txt"));
  const std::string terminalArg = "/t{Port:" + device + ";Port2:NULL;Speed:38400;Protocol:2;User:hanako;}";
  FILE* bob = StartBob(env + ShellQuote(cli), talk, terminalArg, errors);
  ASSERT_TRUE(bob);
  ASSERT_TRUE(Eventually([&] { return CountOf(terminal, FRAME_CHAT_OPEN) == 1; }, 30000));

  unlink(device.c_str());
  terminal.Disappear();
  auto shown = [&] { return ReadWholeFile(dir.File(u"errors.txt"), 1 << 20).value_or(""); };
  EXPECT_TRUE(Eventually([&] { return shown().find("(hanako): 再接続待機\n") != std::string::npos; }, 30000)) << shown();

  PtyPair second;
  ASSERT_TRUE(second.ok());
  TerminalSimulator back(second.Link());
  ASSERT_TRUE(plugIn(second));
  ASSERT_TRUE(Eventually([&] { return CountOf(back, FRAME_CHAT_OPEN) == 1; }, 30000));
  pclose(bob);

  const std::string dumpFile = Utf16ToUtf8(dir.File(u"dump.txt"));
  ASSERT_EQ(std::system((env + ShellQuote(cli) + " --dump " + ShellQuote(talk) + " >" + ShellQuote(dumpFile) + " 2>/dev/null </dev/null").c_str()), 0);
  const std::string dump = ReadWholeFile(dir.File(u"dump.txt"), 1 << 20).value_or("");
  std::map<size_t, std::string> hanako;
  for (const std::string kind : {"入室", "退室"})
    for (size_t at = dump.find(kind + " hanakoさん"); at != std::string::npos; at = dump.find(kind + " hanakoさん", at + 1))
      hanako[at] = kind;
  std::vector<std::string> order;
  for (const auto& [at, kind] : hanako) order.push_back(kind);
  EXPECT_EQ(order, (std::vector<std::string>{"入室", "退室", "入室", "退室"})) << dump;
}

// A terminal that views and posts: it is shown the newest line when it
// connects, moves by its keys, and what it posts is stored while its
// display stays where it was.
TEST(RunnerTerminal, DisplayTerminalBrowsesAndPosts) {
  TempDir dir;
  const std::string cli = RunnerPath();
  const std::string talk = Utf16ToUtf8(dir.File(u"view.talk"));
  const std::string env = "XDG_CONFIG_HOME=" + ShellQuote(Utf16ToUtf8(dir.path())) + " ";
  auto run = [&](const std::string& args, const std::string& out = "/dev/null") {
    int status = std::system((env + ShellQuote(cli) + " " + args + " >" + ShellQuote(out) + " 2>/dev/null </dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  ASSERT_EQ(run("--user alice --create --post 'first' " + ShellQuote(talk)), 0);
  ASSERT_EQ(run("--user alice --post 'second' " + ShellQuote(talk)), 0);

  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  TerminalSimulator terminal(pty.Link());
  terminal.SetCellCount(32);
  const std::string terminalArg = "/t{Port:" + pty.slavePath() + ";Port2:NULL;Speed:38400;Protocol:1;User:hanako;}";
  FILE* bob = popen((env + ShellQuote(cli) + " --user bob " + ShellQuote(talk) + " " + ShellQuote(terminalArg) + " >/dev/null 2>/dev/null")
                        .c_str(),
                    "w");
  ASSERT_TRUE(bob);

  ASSERT_TRUE(Eventually([&] { return CountOf(terminal, FRAME_DISPLAY) == 1; }, 30000));
  EXPECT_EQ(CountOf(terminal, FRAME_VIEW_OPEN), 1u);
  EXPECT_EQ(terminal.frames().back().payload.size(), 64u);
  auto announced = [&] {
    for (auto f = terminal.frames(); !f.empty(); f.pop_back())
      if (f.back().command == FRAME_ANNOUNCE)
        return std::string(f.back().payload.begin(), f.back().payload.end() - 1);
    return std::string();
  };
  auto key = [&](uint8_t kind, uint8_t code, uint8_t mods, size_t displays) {
    terminal.SendFrame(FRAME_KEY, 0, {kind, code, mods, 0});
    return Eventually([&] { return CountOf(terminal, FRAME_DISPLAY) >= displays; }, 30000);
  };
  // Up from the body of the second message: its header, then the first
  // message's body.
  ASSERT_TRUE(key(3, 1, 0, 2));
  ASSERT_TRUE(Eventually([&] { return announced().find("2: aliceさん") == 0; }, 30000)) << announced();
  ASSERT_TRUE(key(3, 1, 0, 3));
  ASSERT_TRUE(Eventually([&] { return announced() == "first"; }, 30000)) << announced();
  std::vector<uint8_t> first;
  for (const ReceivedFrame& f : terminal.frames())
    if (f.command == FRAME_DISPLAY) first = f.payload;

  // Dot 8 starts editing; dots 1 and 1-2, then dot 7 posts.
  ASSERT_TRUE(key(1, 0x01, 0, 4));
  ASSERT_TRUE(key(1, 0x80, 0, 5));
  ASSERT_TRUE(key(1, 0xC0, 0, 6));
  ASSERT_TRUE(key(1, 0x10, 0, 7));
  // The display shows the body of the first message again, not the new one.
  EXPECT_EQ(terminal.frames().back().payload, first);
  ASSERT_TRUE(Eventually([&] {
    return run("--dump " + ShellQuote(talk), Utf16ToUtf8(dir.File(u"dump.txt"))) == 0 &&
           ReadWholeFile(dir.File(u"dump.txt"), 1 << 20).value_or("").find("\n⠁⠃\n") != std::string::npos;
  }, 30000));
  const std::string dump = ReadWholeFile(dir.File(u"dump.txt"), 1 << 20).value_or("");
  EXPECT_NE(dump.find("3: hanakoさん "), std::string::npos) << dump;

  std::vector<uint8_t> last;
  for (const ReceivedFrame& f : terminal.frames())
    if (f.command == FRAME_DISPLAY) last = f.payload;
  EXPECT_EQ(last, first) << "the new message did not move the display";
  pclose(bob);
}

TEST(RunnerTerminal, ModesNotBuiltInAreReported) {
  TempDir dir;
  const std::string env = "XDG_CONFIG_HOME=" + ShellQuote(Utf16ToUtf8(dir.path())) + " ";
  const std::string talk = Utf16ToUtf8(dir.File(u"t.talk"));
  const std::string errors = Utf16ToUtf8(dir.File(u"errors.txt"));
  const std::string cmd = env + ShellQuote(RunnerPath()) + " --user bob --create " + ShellQuote(talk) +
                          " '/t{Port:NULL;Port2:NULL;Speed:9600;Protocol:7;User:x;}' </dev/null >/dev/null 2>" +
                          ShellQuote(errors);
  int status = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const std::string shown = ReadWholeFile(dir.File(u"errors.txt"), 1 << 20).value_or("");
  EXPECT_NE(shown.find("protocol 7 is not available"), std::string::npos) << shown;
}

}  // namespace
}  // namespace mirelon
#endif
