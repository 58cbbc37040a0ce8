// A connection over a real COM port under Wine: COM41 is the program's
// port, COM42 the terminal simulator's, joined by the test's relay.
#ifdef _WIN32
#include <gtest/gtest.h>

#include "support/fast_timing.h"
#include "support/test_connection.h"

using namespace mirelon;

namespace {

using Bytes = std::vector<uint8_t>;

TEST(ComPort, NamesThatAreNotPortNamesNeverOpen) {
  DeviceTimeouts timeouts;
  for (const char16_t* name : {u"", u"..\\COM41", u"C:\\windows\\win.ini", u"Z:/etc/passwd",
                               u"COM41\\x", u"COM97"})
    EXPECT_EQ(OpenSystemSerialDevice(name, timeouts), nullptr);
}

TEST(ComPort, ConnectionTalksToTheTerminalOverAComPort) {
  Timing timing = FastTiming();
  auto terminal_port = OpenSystemSerialDevice(u"COM42", DeviceTimeouts{});
  ASSERT_NE(terminal_port, nullptr) << "COM42 missing: the relay of com_pair.sh is not running";
  terminal_port->Configure(115200);
  TerminalSimulator sim(MakeDeviceTerminalLink(terminal_port));
  sim.SetCellCount(40);

  RefPtr<TestConnection> conn(new TestConnection(timing, OpenSystemSerialDevice));
  conn->SetConnection(u"COM41", u"NULL", 115200, 2);
  ASSERT_TRUE(conn->StartDispatch());
  ASSERT_TRUE(conn->OpenPort(0));
  // Wine cannot report modem lines on a pty: the port counts them as up.
  ASSERT_TRUE(conn->port(0).CheckModemLines());

  ASSERT_TRUE(conn->Handshake(0));
  EXPECT_EQ(conn->cellCount(), 40);
  ASSERT_TRUE(sim.WaitForFrames(1, 10000));
  EXPECT_EQ(sim.received(), (Bytes{0xFF, 0xFF, 0x10, 0x00, 0x00, 0x00}));

  const uint8_t greeting[] = {0x76, 0x33, 0x23, 0x46};
  {
    CommandLockGuard lock(*conn);
    ASSERT_TRUE(lock);
    ASSERT_TRUE(conn->SendFrame(0x68, 0, greeting, sizeof greeting));
    uint8_t reply = 0;
    EXPECT_EQ(conn->ReadReply(&reply, 1), 1);
    EXPECT_EQ(reply, 0x01);
  }
  ASSERT_TRUE(sim.WaitForFrames(2, 10000));
  EXPECT_EQ(sim.frames()[1].payload, Bytes(greeting, greeting + 4));

  Bytes payload(3000);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i * 31);
  payload[0] = payload[1] = 0xFF;
  sim.SetSplit({5, 1000, 1}, 1);
  sim.SendFrame(0xF0, 3, payload);
  sim.SendBytes({0xFF, 0x05});
  ASSERT_TRUE(conn->WaitForFrames(1));
  ASSERT_EQ(conn->frames().size(), 1u);
  EXPECT_EQ(conn->frames()[0].command, 0xF0);
  EXPECT_EQ(conn->frames()[0].payload, payload);
  uint8_t replies[2] = {};
  EXPECT_EQ(conn->ReadReply(replies, 2), 2);
  EXPECT_EQ(replies[0], 0xFF);
  EXPECT_EQ(replies[1], 0x05);

  EXPECT_TRUE(conn->port(0).DrainOutput());
  EXPECT_TRUE(conn->CloseAll());
  EXPECT_EQ(conn->port(0).state(), PortState::kClosed);
  // Really closed: the port opens again.
  EXPECT_TRUE(conn->OpenPort(0));
  EXPECT_TRUE(conn->ClosePort(0));
}

}  // namespace
#endif
