// An outgoing terminal that was switched off, went out of reach or was not
// there at all is tried again by itself, with growing pauses, until it
// answers or the PC user disconnects it; its user leaves and joins again.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <thread>

#include "base/ref_ptr.h"
#include "base/utf.h"
#include "modes/chat_mode.h"
#include "support/client_rig.h"
#include "support/temp_dir.h"

namespace mirelon {
namespace {

using Presence = RecordingTalkSink::Presence;

size_t ChatOpenings(const TerminalSimulator& t) {
  size_t n = 0;
  for (const ReceivedFrame& f : t.frames()) n += f.command == FRAME_CHAT_OPEN;
  return n;
}

class ReconnectTest : public ::testing::Test {
 protected:
  ReconnectTest() {
    rig.timing.clientReconnectFirstMs = 5;
    rig.timing.clientReconnectMaxMs = 20;
  }
  void TearDown() override {
    if (client) client->Stop();
  }

  // A chat client on COM3 whose openings of the port are counted.
  CQZClient_ChatMode* Make() {
    ClientSetup setup = rig.Setup();
    setup.opener = [this, open = rig.bus.opener()](const std::u16string& name, const DeviceTimeouts& timeouts) {
      {
        std::lock_guard<std::mutex> guard(lock_);
        openings_.push_back(NowMs());
      }
      return open(name, timeouts);
    };
    client = RefPtr<CQZClient_ChatMode>(new CQZClient_ChatMode(setup, u"taro"));
    client->SetConnection(u"COM3", u"NULL", 9600, CQZClient_ChatMode::kProtocol);
    return client.get();
  }
  std::vector<int64_t> Openings() {
    std::lock_guard<std::mutex> guard(lock_);
    return openings_;
  }
  bool Connected(size_t times) {
    return Eventually([&] {
      return ChatOpenings(rig.Terminal(u"COM3")) == times && client->GetStatusText() == u"接続" && !client->connecting();
    });
  }

  ClientRig rig;
  RefPtr<CQZClient_ChatMode> client;
  std::mutex lock_;
  std::vector<int64_t> openings_;
};

TEST_F(ReconnectTest, ASwitchedOffTerminalComesBackByItselfAndItsUserLeavesAndJoinsOnce) {
  TerminalSimulator& t = rig.Terminal(u"COM3");
  t.RaiseLines();
  CQZClient_ChatMode* c = Make();
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Connected(1));

  t.DropLines();
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"再接続待機"; }));
  EXPECT_TRUE(c->IsReconnecting());
  // Tried again and again while it stays off, each time in vain.
  const size_t before = Openings().size();
  ASSERT_TRUE(Eventually([&] { return Openings().size() >= before + 3; }));
  EXPECT_EQ(rig.sink->presence(), (std::vector<Presence>{{u"taro", false}, {u"taro", true}}));

  t.RaiseLines();
  ASSERT_TRUE(Connected(2));
  EXPECT_FALSE(c->IsReconnecting());
  EXPECT_EQ(rig.sink->presence(), (std::vector<Presence>{{u"taro", false}, {u"taro", true}, {u"taro", false}}));

  // Lost again later, it is tried again from the shortest pause.
  t.DropLines();
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"再接続待機"; }));
  t.RaiseLines();
  ASSERT_TRUE(Connected(3));
  EXPECT_EQ(rig.sink->presence().size(), 5u);
}

TEST_F(ReconnectTest, PausesGrowUpToTheLongest) {
  rig.timing.clientReconnectFirstMs = 10;
  rig.timing.clientReconnectMaxMs = 40;
  // No device at all: each try fails at once, so the time between two
  // tries is the pause.
  CQZClient_ChatMode* c = Make();
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Eventually([&] { return Openings().size() >= 6; }));
  const std::vector<int64_t> at = Openings();
  const int64_t least[] = {10, 20, 40, 40, 40};
  for (size_t i = 0; i < 5; ++i) EXPECT_GE(at[i + 1] - at[i], least[i]) << "after try " << i;
  EXPECT_EQ(c->GetStatusText(), u"再接続待機");
}

TEST_F(ReconnectTest, DisconnectingEndsTheTriesConnectingRestartsThemAndQuitEndsThem) {
  TerminalSimulator& t = rig.Terminal(u"COM3");  // lines down
  CQZClient_ChatMode* c = Make();
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Eventually([&] { return Openings().size() >= 3; }));

  // The PC user disconnects it, as the terminals dialog does.
  ASSERT_TRUE(c->PostCommand({CMD_CLIENT_CLOSE_PORT, 1}));
  ASSERT_TRUE(c->PostCommand({CMD_CLIENT_CLOSE_PORT, 0}));
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"切断"; }));
  EXPECT_FALSE(c->IsReconnecting());
  const size_t stopped = Openings().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Openings().size(), stopped);

  // Connecting again tries again; the terminal, switched on meanwhile,
  // answers.
  ASSERT_TRUE(c->PostCommand({CMD_CLIENT_OPEN_PORT, 0}));
  ASSERT_TRUE(Eventually([&] { return Openings().size() >= stopped + 3; }));
  t.RaiseLines();
  ASSERT_TRUE(Connected(1));

  // Switched off once more, and the talk closes while it waits: the quit
  // ends the tries.
  t.DropLines();
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"再接続待機"; }));
  EXPECT_TRUE(c->Stop());
  EXPECT_FALSE(c->IsReconnecting());
  const size_t ended = Openings().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(Openings().size(), ended);
  EXPECT_EQ(rig.sink->presence(), (std::vector<Presence>{{u"taro", false}, {u"taro", true}}));
}

#ifndef _WIN32
// Over a real serial device: the terminal's device goes away (as a
// Bluetooth port does when its terminal goes out of reach) and a new one
// comes under the same name.
TEST(ReconnectPtyTest, ATerminalWhoseDeviceWentAwayComesBackUnderItsName) {
  TempDir dir;
  const std::filesystem::path name(Utf16ToUtf8(dir.File(u"terminal")));
  auto plugIn = [&](PtyPair& pty) {
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
    std::filesystem::create_symlink(pty.slavePath(), name);
  };
  Timing timing = FastTiming();
  timing.clientReconnectFirstMs = 20;
  timing.clientReconnectMaxMs = 100;
  auto sink = std::make_shared<RecordingTalkSink>();
  ClientSetup setup;
  setup.talkWindow = sink;
  setup.talkPath = u"chat.meeting";
  setup.timing = timing;
  setup.opener = OpenSystemSerialDevice;

  auto first = std::make_unique<PtyPair>();
  ASSERT_TRUE(first->ok());
  plugIn(*first);
  TerminalSimulator terminal(first->Link());
  RefPtr<CQZClient_ChatMode> c(new CQZClient_ChatMode(setup, u"taro"));
  c->SetConnection(Utf8ToUtf16Lenient(name.string()), u"NULL", 38400, CQZClient_ChatMode::kProtocol);
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Eventually([&] { return ChatOpenings(terminal) == 1 && c->GetStatusText() == u"接続"; }));

  std::filesystem::remove(name);
  terminal.Disappear();
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"再接続待機"; }));
  EXPECT_EQ(sink->presence(), (std::vector<Presence>{{u"taro", false}, {u"taro", true}}));

  PtyPair second;
  ASSERT_TRUE(second.ok());
  TerminalSimulator back(second.Link());
  plugIn(second);
  ASSERT_TRUE(Eventually([&] { return ChatOpenings(back) == 1 && c->GetStatusText() == u"接続"; }));
  EXPECT_EQ(sink->presence(), (std::vector<Presence>{{u"taro", false}, {u"taro", true}, {u"taro", false}}));
  EXPECT_TRUE(c->Stop());
}
#endif

}  // namespace
}  // namespace mirelon
