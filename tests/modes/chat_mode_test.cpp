// Braille chat end to end over in-memory lines: a simulated terminal on
// each line, a recording talk window and a braille line list the tests
// append to.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/ref_ptr.h"
#include "modes/chat_mode.h"
#include "support/client_rig.h"

namespace mirelon {
namespace {

using Bytes = std::vector<uint8_t>;

struct Sent {
  uint8_t command;
  uint8_t parameter;
  bool operator==(const Sent&) const = default;
};

// The frames after the opening (identity, session, greeting), as command
// and parameter.
std::vector<Sent> AfterOpening(const TerminalSimulator& t) {
  std::vector<Sent> out;
  bool open = false;
  for (const ReceivedFrame& f : t.frames()) {
    if (open) out.push_back({f.command, f.parameter});
    if (f.command == FRAME_CHAT_OPEN) open = true;
  }
  return out;
}

size_t CountOf(const TerminalSimulator& t, uint8_t command, std::optional<uint8_t> parameter = std::nullopt) {
  size_t n = 0;
  for (const ReceivedFrame& f : t.frames())
    if (f.command == command && (!parameter || f.parameter == *parameter)) ++n;
  return n;
}

class ChatModeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (auto& c : clients) c->Stop();
  }

  CQZClient_ChatMode* Make(const std::u16string& port, const std::u16string& port2,
                           std::optional<std::u16string> user = u"hanako") {
    auto* c = new CQZClient_ChatMode(rig.Setup(), std::move(user));
    clients.emplace_back(c);
    c->SetConnection(port, port2, 38400, CQZClient_ChatMode::kProtocol);
    return c;
  }
  // A client on COM3 whose terminal is present, started and opened.
  CQZClient_ChatMode* Connected(std::optional<std::u16string> user = u"hanako") {
    rig.Terminal(u"COM3").RaiseLines();
    CQZClient_ChatMode* c = Make(u"COM3", u"NULL", std::move(user));
    EXPECT_TRUE(c->Start());
    EXPECT_TRUE(Eventually([&] { return CountOf(rig.Terminal(u"COM3"), FRAME_CHAT_OPEN) == 1 && !c->connecting(); }));
    return c;
  }
  // The terminal types `cells` and finishes the text.
  void Type(TerminalSimulator& t, const Bytes& cells, bool begin = true) {
    if (begin) t.SendFrame(FRAME_TEXT_BEGIN, 0);
    for (uint8_t c : cells) t.SendFrame(FRAME_TEXT_CELL, c);
    t.SendFrame(FRAME_TEXT_CELL, 0);
  }

  ClientRig rig;
  std::vector<RefPtr<CQZClient_ChatMode>> clients;
};

TEST_F(ChatModeTest, OpeningSendsSessionAndGreetingAndAnnouncesTheUser) {
  TerminalSimulator& t = rig.Terminal(u"COM3");
  t.SetCellCount(40);
  CQZClient_ChatMode* c = Connected();

  Bytes expected = {0xFF, 0xFF, 0x10, 0x00, 0x00, 0x00,   // identity
                    0xFF, 0xFF, 0x18, 0x01, 0x00, 0x00,   // session
                    0xFF, 0xFF, 0x68, 0x00, 0x12, 0x00};  // greeting, 18 cells
  expected.insert(expected.end(), {0x76, 0x33, 0x23, 0x46, 0x80, 0x01, 0x52, 0x20, 0x63, 0x42, 0x80, 0x54, 0x02,
                                   0x36, 0x77, 0x56, 0x17, 0x26});
  EXPECT_EQ(t.received(), expected);
  EXPECT_EQ(c->GetStatusText(), u"接続");
  EXPECT_EQ(c->GetPortState(), PortState::kConnected);
  EXPECT_EQ(c->display().CellCount(), 40);
  EXPECT_EQ(rig.sink->presence(), (std::vector<RecordingTalkSink::Presence>{{u"hanako", false}}));
}

TEST_F(ChatModeTest, SendsOnlyTheLinesAddedAfterItWasCreated) {
  rig.AddLine({0x11, 0x12});  // already in the talk: never sent
  TerminalSimulator& t = rig.Terminal(u"COM3");
  Connected();
  rig.AddLine({0x21, 0x22});
  rig.AddLine({});  // a line without braille sends nothing
  rig.AddLine({0x33});
  const std::vector<Sent> expected = {{FRAME_TEXT_BEGIN, 0}, {FRAME_TEXT_CELL, 0x21}, {FRAME_TEXT_CELL, 0x22},
                                      {FRAME_TEXT_CELL, 0},  {FRAME_TEXT_BEGIN, 0},   {FRAME_TEXT_CELL, 0x33},
                                      {FRAME_TEXT_CELL, 0}};
  ASSERT_TRUE(Eventually([&] { return AfterOpening(t).size() >= expected.size(); }));
  EXPECT_EQ(AfterOpening(t), expected);
}

TEST_F(ChatModeTest, OnAnEmptyTalkEveryLineIsSentFromTheFirst) {
  TerminalSimulator& t = rig.Terminal(u"COM3");
  Connected();
  rig.AddLine({0x44});
  ASSERT_TRUE(Eventually([&] { return AfterOpening(t).size() >= 3; }));
  EXPECT_EQ(AfterOpening(t), (std::vector<Sent>{{FRAME_TEXT_BEGIN, 0}, {FRAME_TEXT_CELL, 0x44}, {FRAME_TEXT_CELL, 0}}));
}

TEST_F(ChatModeTest, ALongLineGoesInBlocksOf1020Cells) {
  TerminalSimulator& t = rig.Terminal(u"COM3");
  Connected();
  Bytes cells(2500);
  for (size_t i = 0; i < cells.size(); ++i) cells[i] = static_cast<uint8_t>(1 + i % 0xFE);
  rig.AddLine(cells);
  ASSERT_TRUE(Eventually([&] { return CountOf(t, FRAME_TEXT_CELL, 0) == 3; }));

  std::vector<size_t> blocks;
  Bytes sent;
  for (const Sent& s : AfterOpening(t)) {
    if (s.command == FRAME_TEXT_BEGIN) {
      blocks.push_back(0);
    } else if (s.parameter != 0) {
      ASSERT_FALSE(blocks.empty());
      ++blocks.back();
      sent.push_back(s.parameter);
    }
  }
  EXPECT_EQ(blocks, (std::vector<size_t>{1020, 1020, 460}));
  EXPECT_EQ(sent, cells);
}

TEST_F(ChatModeTest, ARefusedLineIsSkippedAndTheNextOneSent) {
  TerminalSimulator& t = rig.Terminal(u"COM3");
  Connected();
  t.QueueReply(FRAME_TEXT_BEGIN, 0x00);
  rig.AddLine({0x51, 0x52});
  rig.AddLine({0x61});
  const std::vector<Sent> expected = {
      {FRAME_TEXT_BEGIN, 0}, {FRAME_TEXT_BEGIN, 0}, {FRAME_TEXT_CELL, 0x61}, {FRAME_TEXT_CELL, 0}};
  ASSERT_TRUE(Eventually([&] { return AfterOpening(t).size() >= expected.size(); }));
  EXPECT_EQ(AfterOpening(t), expected);
}

TEST_F(ChatModeTest, TypedCellsBecomeATalkRecordUnderTheUsersName) {
  TerminalSimulator& t = rig.Terminal(u"COM3");
  Connected();
  // Dots 1 and 1-2 and blanks with dot 7, and dots 7 and 8; 0x08 erases
  // the last cell typed.
  Type(t, {0x10, 0x30, 0x80, 0x08, 0x08, 0x30, 0x80, 0x88});
  ASSERT_TRUE(rig.sink->WaitForRecords(1));
  EXPECT_EQ(rig.sink->records()[0], u"talk\thanakoさん 3/07 9:05\t⠁⠃⠀⠀");
  // The terminal's text begin is acknowledged with the bare byte 0x01
  // (which may reach it after the record is made).
  ASSERT_TRUE(t.WaitForBareBytes(1, 10000));
  EXPECT_EQ(t.bareBytes(), Bytes{0x01});
}

TEST_F(ChatModeTest, TypingJustAsALineIsPushedLosesNeitherTheLineNorTheText) {
  TerminalSimulator& t = rig.Terminal(u"COM3");
  Connected();
  // The user starts typing right when the program offers a line: the
  // terminal's text begin arrives before its answer to the program's.
  t.SendBeforeNextAnswer(FRAME_TEXT_BEGIN, EncodeFrame(FRAME_TEXT_BEGIN, 0));
  rig.AddLine({0x21, 0x22});
  ASSERT_TRUE(t.WaitForBareBytes(1, 10000));
  Type(t, {0x10}, /*begin=*/false);
  ASSERT_TRUE(rig.sink->WaitForRecords(1));
  EXPECT_EQ(rig.sink->records()[0], u"talk\thanakoさん 3/07 9:05\t⠁");
  const std::vector<Sent> line = {{FRAME_TEXT_BEGIN, 0}, {FRAME_TEXT_CELL, 0x21}, {FRAME_TEXT_CELL, 0x22}, {FRAME_TEXT_CELL, 0}};
  ASSERT_TRUE(Eventually([&] { return AfterOpening(t).size() >= line.size(); }));
  EXPECT_EQ(AfterOpening(t), line);
  EXPECT_EQ(t.bareBytes(), Bytes{0x01});
}

TEST_F(ChatModeTest, ALineThatCannotBeWrittenIsGivenUpAtOnceAndSentAgainLater) {
  rig.timing.serialWriteConstantMs = 20;  // the write time-out of a stalled line
  TerminalSimulator& t = rig.Terminal(u"COM3");
  CQZClient_ChatMode* c = Connected();
  rig.Line(u"COM3")->HoldWrites(true);  // CTS dropped mid-line: nothing goes out
  Bytes cells(1000, 0x11);
  rig.AddLine(cells);
  ASSERT_TRUE(Eventually([&] { return rig.Line(u"COM3")->WriteIsHeld(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // a few write time-outs
  EXPECT_NE(c->GetCurrentMessage(), rig.lines.Newest());
  rig.Line(u"COM3")->HoldWrites(false);
  // The whole line goes out once the line moves again.
  ASSERT_TRUE(Eventually([&] { return CountOf(t, FRAME_TEXT_CELL, 0) == 1; }));
  EXPECT_EQ(CountOf(t, FRAME_TEXT_CELL, 0x11), cells.size());
  EXPECT_EQ(c->GetCurrentMessage(), rig.lines.Newest());

  rig.Line(u"COM3")->HoldWrites(true);
  rig.AddLine(cells);
  ASSERT_TRUE(Eventually([&] { return rig.Line(u"COM3")->WriteIsHeld(); }));
  // Each cell's write would otherwise wait out its time-out, 20 s for the
  // line, and the worker could not stop in time.
  EXPECT_TRUE(c->Stop());
}

TEST_F(ChatModeTest, TypedInputEdgeCases) {
  TerminalSimulator& t = rig.Terminal(u"COM3");
  Connected(std::nullopt);
  // A cell without a text begin is ignored, and so is its end.
  Type(t, {0x10}, /*begin=*/false);
  // Erasing at position 0 does nothing; a second begin discards the cells so far.
  t.SendFrame(FRAME_TEXT_BEGIN, 0);
  t.SendFrame(FRAME_TEXT_CELL, 0x08);
  t.SendFrame(FRAME_TEXT_CELL, 0x11);
  Type(t, {0x10});
  // Beyond 1023 cells the rest is dropped.
  Bytes many(1100, 0x30);
  Type(t, many);
  // An empty text still makes a record.
  Type(t, {});
  ASSERT_TRUE(rig.sink->WaitForRecords(3));
  const auto records = rig.sink->records();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0], u"talk\t3/07 9:05\t⠁");  // no user name: no name part
  EXPECT_EQ(records[1], u"talk\t3/07 9:05\t" + std::u16string(1023, u'⠃'));
  EXPECT_EQ(records[2], u"talk\t3/07 9:05\t");
}

TEST_F(ChatModeTest, TerminalEndingTheChatClosesTheOutgoingPortAndRecordsTheLeave) {
  TerminalSimulator& t = rig.Terminal(u"COM3");
  CQZClient_ChatMode* c = Connected();
  t.SendFrame(FRAME_CHAT_END, 0);
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"切断"; }));
  EXPECT_EQ(c->port(0).state(), PortState::kClosed);
  EXPECT_EQ(rig.sink->presence(),
            (std::vector<RecordingTalkSink::Presence>{{u"hanako", false}, {u"hanako", true}}));
  // The closing frame was written before the status changed; the terminal
  // may not have read it yet.
  EXPECT_TRUE(Eventually([&] { return CountOf(t, FRAME_CHAT_END) == 1u; }));
}

TEST_F(ChatModeTest, DisconnectOnTheIncomingPortClosesNothing) {
  TerminalSimulator& t = rig.Terminal(u"COM4");
  CQZClient_ChatMode* c = Make(u"NULL", u"COM4");
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"接続待機"; }));
  t.RaiseLines();
  ASSERT_TRUE(Eventually([&] { return CountOf(t, FRAME_CHAT_OPEN) == 1 && !c->connecting(); }));
  t.SendFrame(FRAME_DISCONNECT, 0);
  // The frame after it is still handled: the port stayed connected.
  Type(t, {0x10});
  ASSERT_TRUE(rig.sink->WaitForRecords(1));
  EXPECT_EQ(c->port(1).state(), PortState::kConnected);
  EXPECT_EQ(c->GetStatusText(), u"接続");
}

}  // namespace
}  // namespace mirelon
