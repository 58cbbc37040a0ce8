// A terminal connection over a real pty, with the terminal simulator on the
// master side.
#ifndef _WIN32
#include <gtest/gtest.h>

#include "base/utf.h"
#include "support/fast_timing.h"
#include "support/test_connection.h"

using namespace mirelon;

namespace {

using Bytes = std::vector<uint8_t>;

class PtyConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    path = Utf8ToUtf16Lenient(pty.slavePath());
    sim = std::make_unique<TerminalSimulator>(pty.Link());
    conn = RefPtr<TestConnection>(new TestConnection(timing, OpenSystemSerialDevice));
    conn->SetConnection(path, u"NULL", 115200, 2);
    ASSERT_TRUE(conn->StartDispatch());
    ASSERT_TRUE(conn->OpenPort(0));
    ASSERT_TRUE(conn->port(0).CheckModemLines());  // lines count as up on a pty
  }
  void TearDown() override {
    if (conn) {
      conn->StopDispatch();
      conn->ClosePort(0);
    }
  }

  Timing timing = FastTiming();
  PtyPair pty;
  std::u16string path;
  std::unique_ptr<TerminalSimulator> sim;
  RefPtr<TestConnection> conn;
};

TEST_F(PtyConnectionTest, HandshakeFramesBothWaysRepliesAndCleanStop) {
  sim->SetCellCount(24);
  ASSERT_TRUE(conn->Handshake(0));
  EXPECT_EQ(conn->cellCount(), 24);

  uint8_t reply = 0;
  {
    CommandLockGuard lock(*conn);
    ASSERT_TRUE(lock);
    const uint8_t openPayload[] = {0x00, 0x01};
    ASSERT_TRUE(conn->SendFrame(0x20, 0, openPayload, 2));
    EXPECT_EQ(conn->ReadReply(&reply, 1), 1);
    EXPECT_EQ(reply, 0x01);
  }
  ASSERT_TRUE(sim->WaitForFrames(2, 10000));
  EXPECT_EQ(sim->frames()[1].payload, (Bytes{0x00, 0x01}));

  Bytes payload(5000);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i * 13);
  payload[10] = payload[11] = 0xFF;
  sim->SetSplit({1, 700, 3}, 1);
  sim->SendFrame(0xF0, 0, payload);
  sim->SendBytes({0x41});
  ASSERT_TRUE(conn->WaitForFrames(1));
  EXPECT_EQ(conn->frames()[0].command, 0xF0);
  EXPECT_EQ(conn->frames()[0].payload, payload);
  EXPECT_EQ(conn->ReadReply(&reply, 1), 1);
  EXPECT_EQ(reply, 0x41);

  EXPECT_TRUE(conn->port(0).DrainOutput());
  EXPECT_TRUE(conn->CloseAll());
  EXPECT_EQ(conn->port(0).state(), PortState::kClosed);
  // Closed for real: the line can be opened again.
  EXPECT_TRUE(conn->OpenPort(0));
}

TEST_F(PtyConnectionTest, FrameWrittenJustBeforeCloseReachesTheTerminal) {
  ASSERT_TRUE(conn->Handshake(0));
  ASSERT_TRUE(sim->WaitForFrames(1, 10000));
  // A closing frame large enough to stay queued in the tty for a while.
  Bytes payload(3000, 0x5A);
  ASSERT_TRUE(conn->SendFrame(0x69, 0, payload.data(), payload.size()));
  EXPECT_TRUE(conn->ClosePort(0));
  ASSERT_TRUE(sim->WaitForFrames(2, 10000));
  EXPECT_EQ(sim->frames()[1].command, 0x69);
  EXPECT_EQ(sim->frames()[1].payload, payload);
}

TEST_F(PtyConnectionTest, TerminalThatVanishesIsNoticedByTheReader) {
  ASSERT_TRUE(conn->Handshake(0));
  sim->SendFramePrefix(0x30, 0, Bytes(40, 1), 12);
  sim->Disappear();
  ASSERT_TRUE(Eventually([&] { return conn->port(0).IsLost(); }));
  EXPECT_EQ(conn->port(0).state(), PortState::kOpen);
  EXPECT_FALSE(conn->port(0).CheckModemLines());
  EXPECT_TRUE(conn->frames().empty());
  EXPECT_TRUE(conn->ClosePort(0));
}

}  // namespace
#endif
