// The client frame: opening and closing ports with their status texts,
// the supervision of the modem lines and of vanished devices, the wire
// operations the modes share, and ending a client (on its chat-mode form,
// the simplest complete client).
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include "base/ref_ptr.h"
#include "modes/chat_mode.h"
#include "support/client_rig.h"

namespace mirelon {
namespace {

using Bytes = std::vector<uint8_t>;
using Presence = RecordingTalkSink::Presence;

class ClientTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (auto& c : clients) c->Stop();
  }

  CQZClient_ChatMode* Make(const std::u16string& port, const std::u16string& port2,
                           std::optional<std::u16string> user = u"taro") {
    auto* c = new CQZClient_ChatMode(rig.Setup(), std::move(user));
    clients.emplace_back(c);
    c->SetConnection(port, port2, 9600, CQZClient_ChatMode::kProtocol);
    return c;
  }
  bool Opened(CQZClient* c, const std::u16string& port, int times = 1) {
    return Eventually([&] {
      size_t n = 0;
      for (const ReceivedFrame& f : rig.Terminal(port).frames()) n += f.command == FRAME_CHAT_OPEN;
      return n == static_cast<size_t>(times) && !c->connecting();
    });
  }
  // Bytes the terminal received after the opening.
  Bytes Since(const std::u16string& port, size_t from) {
    Bytes all = rig.Terminal(port).received();
    return Bytes(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end());
  }

  ClientRig rig;
  std::vector<RefPtr<CQZClient_ChatMode>> clients;
};

TEST_F(ClientTest, NamesAndRecords) {
  CQZClient_ChatMode* c = Make(u"COM3", u"null", std::nullopt);
  EXPECT_EQ(c->GetStatusText(), u"未接続");
  EXPECT_EQ(c->GetActivePortName(), u"COM3");
  EXPECT_EQ(c->CreateConnectionRecord(), (ConnectionRecord{u"COM3", u"null", 9600, 2, u"Guest"}));
  CQZClient_ChatMode* d = Make(u"NULL", u"COM4", u"");
  EXPECT_EQ(d->GetActivePortName(), u"COM4");
  EXPECT_EQ(d->CreateConnectionRecord().user, u"");
  EXPECT_EQ(Make(u"NULL", u"NULL")->GetActivePortName(), u"");
}

TEST_F(ClientTest, BothPortsNullOpenNothing) {
  CQZClient_ChatMode* c = Make(u"NULL", u"NULL");
  ASSERT_TRUE(c->Start());
  // Both openings have run once the worker handles a later command.
  ASSERT_TRUE(c->PostCommand({CMD_CLIENT_CLOSE_PORT, 0}));
  ASSERT_TRUE(Eventually([&] { return c->port(1).state() == PortState::kFailed && c->port(0).state() == PortState::kFailed; }));
  EXPECT_EQ(c->GetStatusText(), u"未接続");
}

TEST_F(ClientTest, OutgoingPortWithoutTerminalFailsAndWaitsToBeTriedAgain) {
  rig.Terminal(u"COM3");  // lines down
  CQZClient_ChatMode* c = Make(u"COM3", u"NULL");
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"再接続待機"; }));
  EXPECT_TRUE(c->IsReconnecting());
  EXPECT_LT(c->port(0).state(), PortState::kOpen);
  EXPECT_FALSE(rig.Line(u"COM3")->hostOpen());
  // A missing device fails the same way.
  CQZClient_ChatMode* d = Make(u"COM9", u"NULL");
  ASSERT_TRUE(d->Start());
  ASSERT_TRUE(Eventually([&] { return d->GetStatusText() == u"再接続待機"; }));
}

TEST_F(ClientTest, IdentityFailingFiveTimes) {
  TerminalSimulator& out = rig.Terminal(u"COM3");
  out.SetIdentity(TerminalSimulator::Identity::kWrongLetters);
  out.RaiseLines();
  CQZClient_ChatMode* c = Make(u"COM3", u"NULL");
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"再接続待機"; }));
  EXPECT_EQ(out.identifyRequests(), 5);
  EXPECT_FALSE(rig.Line(u"COM3")->hostOpen());
}

TEST_F(ClientTest, AnIncomingTerminalThatDidNotIdentifyItselfIsAskedAgain) {
  rig.timing.clientIdentifyRetryMs = 20;
  TerminalSimulator& in = rig.Terminal(u"COM4");
  in.SetIdentity(TerminalSimulator::Identity::kWrongLetters);
  in.RaiseLines();
  CQZClient_ChatMode* d = Make(u"NULL", u"COM4");
  ASSERT_TRUE(d->Start());
  // The port stays open and waits, and the terminal is asked again while
  // its lines stay up; no talk line goes to it meanwhile.
  ASSERT_TRUE(Eventually([&] { return in.identifyRequests() >= 7; }));
  rig.AddLine({0x11});
  ASSERT_TRUE(Eventually([&] { return in.identifyRequests() >= 9; }));
  EXPECT_EQ(d->GetStatusText(), u"接続待機");
  EXPECT_TRUE(rig.Line(u"COM4")->hostOpen());
  EXPECT_TRUE(rig.sink->presence().empty());
  for (const ReceivedFrame& f : in.frames()) EXPECT_EQ(f.command, FRAME_IDENTIFY);
  EXPECT_EQ(d->GetCurrentMessage(), &rig.lines.Sentinel());

  // Once it answers it is connected, and the line waiting goes out.
  in.SetIdentity(TerminalSimulator::Identity::kAnswer);
  ASSERT_TRUE(Opened(d, u"COM4"));
  EXPECT_EQ(d->GetStatusText(), u"接続");
  EXPECT_EQ(rig.sink->presence(), (std::vector<Presence>{{u"taro", false}}));
  EXPECT_TRUE(Eventually([&] { return d->GetCurrentMessage() == rig.lines.Newest(); }));
}

TEST_F(ClientTest, IncomingPortFollowsTheModemLines) {
  TerminalSimulator& t = rig.Terminal(u"COM4");
  CQZClient_ChatMode* c = Make(u"NULL", u"COM4");
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"接続待機"; }));
  EXPECT_EQ(t.identifyRequests(), 0);

  t.RaiseLines();
  ASSERT_TRUE(Opened(c, u"COM4"));
  EXPECT_EQ(c->GetStatusText(), u"接続");
  EXPECT_EQ(c->GetActivePortName(), u"COM4");

  // Lines down: back to waiting with the port open; the user has left.
  t.DropLines();
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"接続待機"; }));
  EXPECT_EQ(c->port(1).state(), PortState::kOpen);
  EXPECT_EQ(rig.sink->presence(), (std::vector<Presence>{{u"taro", false}, {u"taro", true}}));

  // Lines up again: identified, opened and joined once more.
  t.RaiseLines();
  ASSERT_TRUE(Opened(c, u"COM4", 2));
  EXPECT_EQ(c->GetStatusText(), u"接続");
  EXPECT_EQ(rig.sink->presence(),
            (std::vector<Presence>{{u"taro", false}, {u"taro", true}, {u"taro", false}}));
}

TEST_F(ClientTest, OutgoingLinesDroppingFallBackToTheWaitingIncomingPort) {
  TerminalSimulator& out = rig.Terminal(u"COM3");
  rig.Terminal(u"COM4");
  out.RaiseLines();
  CQZClient_ChatMode* c = Make(u"COM3", u"COM4");
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Opened(c, u"COM3"));
  ASSERT_TRUE(Eventually([&] { return c->port(1).state() == PortState::kOpen; }));
  out.DropLines();
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"接続待機"; }));
  ASSERT_TRUE(Eventually([&] { return !rig.Line(u"COM3")->hostOpen(); }));
  EXPECT_EQ(c->port(1).state(), PortState::kOpen);
  // The terminal switched off has left the talk.
  EXPECT_EQ(rig.sink->presence(), (std::vector<Presence>{{u"taro", false}, {u"taro", true}}));
}

TEST_F(ClientTest, VanishedTerminalIsClosedAndItsUserLeaves) {
  TerminalSimulator& t = rig.Terminal(u"COM3");
  t.RaiseLines();
  CQZClient_ChatMode* c = Make(u"COM3", u"NULL");
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Opened(c, u"COM3"));
  t.Disappear();
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"再接続待機"; }));
  EXPECT_EQ(rig.sink->presence(), (std::vector<Presence>{{u"taro", false}, {u"taro", true}}));
  EXPECT_LT(c->port(0).state(), PortState::kOpen);
  // The worker is not hung: it still ends on request.
  EXPECT_TRUE(c->Stop());
  EXPECT_FALSE(c->IsWorkerRunning());

  // With an incoming port still waiting, the status is "接続待機".
  TerminalSimulator& t5 = rig.Terminal(u"COM5");
  rig.Terminal(u"COM6");
  t5.RaiseLines();
  CQZClient_ChatMode* d = Make(u"COM5", u"COM6");
  ASSERT_TRUE(d->Start());
  ASSERT_TRUE(Opened(d, u"COM5"));
  ASSERT_TRUE(Eventually([&] { return d->port(1).state() == PortState::kOpen; }));
  t5.Disappear();
  ASSERT_TRUE(Eventually([&] { return d->GetStatusText() == u"接続待機" && d->port(0).state() < PortState::kOpen; }));
}

TEST_F(ClientTest, WireOperationsOfTheDisplay) {
  TerminalSimulator& t = rig.Terminal(u"COM3");
  t.SetCellCount(40);
  t.RaiseLines();
  CQZClient_ChatMode* c = Make(u"COM3", u"NULL");
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Opened(c, u"COM3"));
  const size_t from = t.received().size();

  DisplayBuffer image(40);
  image.Cells()[0] = 0x80;
  image.Overlay()[39] = 0x03;
  c->SendDisplay(image);
  c->SignalError();
  EXPECT_TRUE(c->Announce(u"キャンセル"));
  EXPECT_TRUE(c->Announce(u"⠁⠃"));

  Bytes display(80);
  display[0] = 0x80;
  display[79] = 0x03;
  Bytes expected = EncodeFrame(FRAME_DISPLAY, 0, display);
  const Bytes signal = {0xFF, 0xFF, 0x65, 0x00, 0x05, 0x00, 0x2D, 0x47, 0x31, 0x36, 0x00};
  expected.insert(expected.end(), signal.begin(), signal.end());
  const Bytes cancel = EncodeFrame(FRAME_ANNOUNCE, 2, Bytes{0xE3, 0x82, 0xAD, 0xE3, 0x83, 0xA3, 0xE3, 0x83,
                                                           0xB3, 0xE3, 0x82, 0xBB, 0xE3, 0x83, 0xAB, 0x00});
  expected.insert(expected.end(), cancel.begin(), cancel.end());
  ASSERT_TRUE(Eventually([&] { return Since(u"COM3", from).size() > expected.size(); }));
  const Bytes got = Since(u"COM3", from);
  ASSERT_GT(got.size(), expected.size());
  EXPECT_EQ(Bytes(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
  // The braille of an announcement is read out as kana, not sent as braille.
  const ReceivedFrame last = t.frames().back();
  EXPECT_EQ(last.command, FRAME_ANNOUNCE);
  EXPECT_EQ(last.payload.back(), 0);
  const std::string spoken(last.payload.begin(), last.payload.end() - 1);
  EXPECT_EQ(spoken.find("\xE2\xA0"), std::string::npos) << spoken;  // no U+28xx left
  EXPECT_FALSE(spoken.empty());
  // A long one is cut before the NUL at 65,534 bytes: right after a "あ"
  // (three bytes, all sent) or inside it (left out).
  for (size_t ascii : {size_t{65531}, size_t{65532}}) {
    ASSERT_TRUE(c->Announce(std::u16string(ascii, u'x') + u"ああ"));
    const size_t sent = ascii == 65531 ? 65535 : 65533;
    EXPECT_TRUE(Eventually([&] { return t.frames().back().payload.size() == sent; }));
  }

  // Nothing goes out once no port is connected.
  ASSERT_TRUE(c->PostCommand({CMD_CLIENT_CLOSE_PORT, 0}));
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"切断"; }));
  const size_t after = t.received().size();
  c->SignalError();
  EXPECT_FALSE(c->Announce(u"x"));
  EXPECT_EQ(t.received().size(), after);
}

TEST_F(ClientTest, QuitAnnouncesTheLeaveAndEndsTheChat) {
  TerminalSimulator& t = rig.Terminal(u"COM3");
  t.RaiseLines();
  CQZClient_ChatMode* c = Make(u"COM3", u"NULL");
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Opened(c, u"COM3"));
  ASSERT_TRUE(c->PostCommand({CMD_CLIENT_QUIT}));
  ASSERT_TRUE(Eventually([&] { return !c->IsWorkerRunning(); }));
  EXPECT_EQ(rig.sink->presence(), (std::vector<Presence>{{u"taro", false}, {u"taro", true}}));
  EXPECT_EQ(t.frames().back().command, FRAME_CHAT_END);
  EXPECT_EQ(c->GetStatusText(), u"切断");
  EXPECT_FALSE(rig.Line(u"COM3")->hostOpen());
}

TEST_F(ClientTest, QuitCutsAnOpeningShort) {
  // A terminal that never answers, and pauses long enough that the test
  // would time out if the quit waited for them.
  rig.timing.clientHandshakeRetryMs = 600000;
  rig.timing.clientModemCheckMs = 600000;
  TerminalSimulator& t = rig.Terminal(u"COM3");
  t.SetIdentity(TerminalSimulator::Identity::kWrongLetters);
  t.RaiseLines();
  CQZClient_ChatMode* c = Make(u"COM3", u"NULL");
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Eventually([&] { return t.identifyRequests() == 1; }));
  EXPECT_TRUE(c->Stop());
  EXPECT_EQ(c->GetStatusText(), u"接続失敗");
}

TEST_F(ClientTest, LineSendingGivesUpWhenTheClientStops) {
  rig.timing.connCommandLockMs = 100;
  TerminalSimulator& t = rig.Terminal(u"COM3");
  t.RaiseLines();
  CQZClient_ChatMode* c = Make(u"COM3", u"NULL");
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Opened(c, u"COM3"));
  // Another exchange holds the command lock for good.
  std::optional<CommandLockGuard> held(std::in_place, *c);
  ASSERT_TRUE(*held);
  rig.AddLine({0x11});
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // The worker is now waiting for the lock to send the line, which it has
  // not passed over; stopping must not leave it waiting (or spinning) there.
  EXPECT_EQ(c->GetCurrentMessage(), &rig.lines.Sentinel());
  EXPECT_TRUE(c->Stop());
  EXPECT_FALSE(c->IsWorkerRunning());
  held.reset();
  for (const ReceivedFrame& f : t.frames()) EXPECT_NE(f.command, FRAME_TEXT_BEGIN);
}

TEST_F(ClientTest, LinesGoToTheIncomingTerminalOnceTheOutgoingOneLeaves) {
  // The dispatch thread turns to the outgoing port once its read on the
  // incoming one ends: soon, so that the first identity exchange finds it.
  rig.timing.serialReadTimeoutMs = 200;
  TerminalSimulator& in = rig.Terminal(u"COM4");
  TerminalSimulator& out = rig.Terminal(u"COM3");
  CQZClient_ChatMode* c = Make(u"COM3", u"COM4");
  ASSERT_TRUE(c->Start());
  in.RaiseLines();
  ASSERT_TRUE(Opened(c, u"COM4"));
  out.RaiseLines();
  ASSERT_TRUE(c->PostCommand({CMD_CLIENT_OPEN_PORT, 0}));
  ASSERT_TRUE(Opened(c, u"COM3"));
  out.SendFrame(FRAME_CHAT_END, 0);
  ASSERT_TRUE(Eventually([&] { return c->port(0).state() < PortState::kOpen; }));
  rig.AddLine({0x15});
  EXPECT_TRUE(Eventually([&] { return in.frames().back().command == FRAME_TEXT_CELL; }));
}

}  // namespace
}  // namespace mirelon
