#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <thread>

#include "support/fast_timing.h"
#include "support/test_connection.h"

using namespace mirelon;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pattern(size_t n, int seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>((i * 7 + seed) % 256);
  return b;
}

class PortConnTest : public ::testing::Test {
 protected:
  PortConnTest() : line(bus.Add(u"COM3")), line2(bus.Add(u"COM4")) {}

  void TearDown() override {
    if (!conn) return;
    conn->StopDispatch();
    conn->StopWorker();
    conn->ClosePort(0);
    conn->ClosePort(1);
  }

  // The connection with the current timing, its dispatch thread running.
  void Make(bool dispatch = true) {
    conn = RefPtr<TestConnection>(new TestConnection(timing, bus.opener()));
    conn->SetConnection(u"COM3", u"COM4", 19200, 2);
    if (dispatch) {
      ASSERT_TRUE(conn->StartDispatch());
    }
  }
  // Opens port `index` with the terminal's lines up.
  void Connect(int index = 0) {
    ASSERT_TRUE(conn->OpenPort(index));
    (index == 0 ? sim : sim2).RaiseLines();
    ASSERT_TRUE(conn->port(index).CheckModemLines());
  }
  Bytes Replies(int n) {
    Bytes got(n);
    got.resize(conn->ReadReply(got.data(), n));
    return got;
  }

  Timing timing = FastTiming();
  MemorySerialBus bus;
  std::shared_ptr<MemorySerialLine> line, line2;
  TerminalSimulator sim{MakeMemoryTerminalLink(line)};
  TerminalSimulator sim2{MakeMemoryTerminalLink(line2)};
  RefPtr<TestConnection> conn;
};

TEST(ReplyRing, DropsBytesBeyondItsSizeAndSignalsWhileHoldingBytes) {
  ReplyRing ring;
  EXPECT_FALSE(ring.available().IsSet());
  for (uint32_t i = 0; i < ReplyRing::kSize + 10; ++i) ring.Put(static_cast<uint8_t>(i));
  EXPECT_EQ(ring.count(), ReplyRing::kSize);
  EXPECT_TRUE(ring.available().IsSet());
  for (uint32_t i = 0; i < ReplyRing::kSize; ++i) ASSERT_EQ(ring.Take(), static_cast<int>(i % 256));
  EXPECT_EQ(ring.Take(), -1);
  EXPECT_FALSE(ring.available().IsSet());
  ring.Put(1);
  ring.Clear();
  EXPECT_EQ(ring.Take(), -1);
  EXPECT_FALSE(ring.available().IsSet());
}

// One stream with everything that may meet on the line: a lone reply
// byte, a payload holding FF FF, FF followed by a non-FF byte, a frame
// without payload, and a large frame followed by a smaller one.
TEST_F(PortConnTest, FramesAndRepliesSurviveAnySplitOfTheStream) {
  Make();
  Connect();
  const Bytes aPayload = {1, 0xFF, 0xFF, 2, 0xFF};
  const Bytes big = Pattern(300, 1), small = Pattern(100, 2);
  Bytes stream = {0x41};
  for (const Bytes& part : {EncodeFrame(0x30, 7, aPayload), Bytes{0xFF, 0x05}, EncodeFrame(0x17, 0),
                            EncodeFrame(0x32, 0, big), Bytes{0xFF, 0x41}, EncodeFrame(0x33, 9, small)})
    stream.insert(stream.end(), part.begin(), part.end());

  std::mt19937 random(4);
  std::vector<std::vector<size_t>> splits = {{}, {1}};
  for (int r = 0; r < 3; ++r) {
    std::vector<size_t> chunks;
    for (int i = 0; i < 40; ++i) chunks.push_back(1 + random() % 23);
    splits.push_back(chunks);
  }
  size_t expected = 0;
  for (const auto& chunks : splits) {
    sim.SetSplit(chunks, chunks.empty() ? 0 : 1);
    sim.SendBytes(stream);
    expected += 4;
    ASSERT_TRUE(conn->WaitForFrames(expected));
    auto frames = conn->frames();
    ASSERT_EQ(frames.size(), expected);
    const SeenFrame* f = &frames[expected - 4];
    EXPECT_EQ(f[0].command, 0x30);
    EXPECT_EQ(f[0].parameter, 7);
    EXPECT_EQ(f[0].payload, aPayload);
    EXPECT_EQ(f[1].command, 0x17);
    EXPECT_TRUE(f[1].payload.empty());
    EXPECT_EQ(f[2].payload, big);
    EXPECT_EQ(f[3].parameter, 9);
    EXPECT_EQ(f[3].payload, small);
    EXPECT_EQ(Replies(5), (Bytes{0x41, 0xFF, 0x05, 0xFF, 0x41}));
  }
}

TEST_F(PortConnTest, EverySplitPointOfAShortStream) {
  Make();
  Connect();
  Bytes stream = {0x41};
  for (const Bytes& part : {EncodeFrame(0x30, 1, Bytes{0xFF, 0xFF}), Bytes{0xFF, 0x05}, EncodeFrame(0x17, 0)})
    stream.insert(stream.end(), part.begin(), part.end());
  for (size_t k = 1; k < stream.size(); ++k) {
    sim.SetSplit({k, stream.size()}, 2);
    sim.SendBytes(stream);
    ASSERT_TRUE(conn->WaitForFrames(2 * k)) << k;
    auto frames = conn->frames();
    EXPECT_EQ(frames[2 * k - 2].payload, (Bytes{0xFF, 0xFF})) << k;
    EXPECT_EQ(frames[2 * k - 1].command, 0x17) << k;
    EXPECT_EQ(Replies(3), (Bytes{0x41, 0xFF, 0x05})) << k;
  }
}

TEST_F(PortConnTest, LargestPayloadTravelsBothWays) {
  Make();
  Connect();
  const Bytes payload = Pattern(kMaxFramePayload, 3);
  sim.SendFrame(0x40, 1, payload);
  ASSERT_TRUE(conn->WaitForFrames(1));
  EXPECT_EQ(conn->frames()[0].payload, payload);

  EXPECT_FALSE(conn->SendFrame(0x41, 0, payload.data(), kMaxFramePayload + 1));
  EXPECT_TRUE(conn->SendFrame(0x41, 2, payload.data(), payload.size()));
  ASSERT_TRUE(sim.WaitForFrames(1, 10000));
  EXPECT_EQ(sim.frames()[0].command, 0x41);
  EXPECT_EQ(sim.frames()[0].payload, payload);  // nothing was sent by the refused call
}

TEST_F(PortConnTest, StalledFrameIsDroppedAndAssemblyStartsOver) {
  timing.serialReadTimeoutMs = 20;
  Make();
  Connect();
  sim.SendFramePrefix(0x30, 0, Pattern(10, 0), 6 + 4);  // body stalls
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  sim.SendBytes({0xFF});  // header stalls after one byte
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  sim.SendFrame(0x31, 2, {9});
  ASSERT_TRUE(conn->WaitForFrames(1));
  auto frames = conn->frames();
  EXPECT_EQ(frames[0].command, 0x31);
  EXPECT_EQ(frames[0].payload, Bytes{9});
}

TEST_F(PortConnTest, APortReopenedAfterAPartialHeaderStartsAFreshFrame) {
  Make();
  Connect();
  sim.SendBytes({0xFF, 0xFF, 0x30});  // the terminal went away mid-header
  ASSERT_TRUE(Eventually([&] { return line->hostInputQueued() == 0 && conn->port(0).Pending() == 0; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the last byte reaches the decoder
  ASSERT_TRUE(conn->ClosePort(0));
  Connect();
  // Well within the read time-out: the identity reply is not taken for
  // the rest of that frame.
  EXPECT_TRUE(conn->Handshake(0));
}

TEST_F(PortConnTest, HandshakeSendsTheIdentityRequestAndStoresTheReply) {
  Make();
  Connect();
  sim.SetCellCount(32);
  ASSERT_TRUE(conn->Handshake(0));
  EXPECT_EQ(sim.received(), (Bytes{0xFF, 0xFF, 0x10, 0x00, 0x00, 0x00}));
  EXPECT_TRUE(conn->terminalInfoValid());
  EXPECT_EQ(conn->cellCount(), 32);
  EXPECT_EQ(conn->terminalInfo().bytes[8], 'Q');
  EXPECT_EQ(conn->terminalInfo().bytes[9], 'Z');
  EXPECT_EQ(conn->currentPortIndex(), 0);
}

TEST_F(PortConnTest, HandshakeFailsOnEveryBadAnswer) {
  // Long enough for a good answer to arrive on a loaded machine: only the
  // silent terminal waits it out.
  timing.connReplyTimeoutMs = 400;
  Make();
  for (auto identity : {TerminalSimulator::Identity::kWrongLetters,
                        TerminalSimulator::Identity::kShort, TerminalSimulator::Identity::kSilent}) {
    sim.SetIdentity(identity);
    EXPECT_FALSE(conn->Handshake(0));  // port not open: nothing is sent
  }
  EXPECT_EQ(sim.identifyRequests(), 0);
  Connect();
  int requests = 0;
  for (auto identity : {TerminalSimulator::Identity::kWrongLetters,
                        TerminalSimulator::Identity::kShort, TerminalSimulator::Identity::kSilent}) {
    sim.SetIdentity(identity);
    EXPECT_FALSE(conn->Handshake(0)) << static_cast<int>(identity);
    ASSERT_TRUE(sim.WaitForFrames(++requests, 10000));
  }
  EXPECT_FALSE(conn->terminalInfoValid());
  EXPECT_EQ(conn->cellCount(), 0);
  // Leftovers of a failed exchange never leak into the next one.
  sim.SetIdentity(TerminalSimulator::Identity::kAnswer);
  EXPECT_TRUE(conn->Handshake(0));
}

TEST_F(PortConnTest, HandshakeWithTheLockHeldElsewhereSendsNothing) {
  timing.connCommandLockMs = 20;
  Make();
  Connect();
  {
    CommandLockGuard held(*conn);
    ASSERT_TRUE(held);
    bool result = true;
    std::thread other([&] { result = conn->Handshake(0); });
    other.join();
    EXPECT_FALSE(result);
  }
  EXPECT_TRUE(conn->Handshake(0));
  EXPECT_EQ(sim.received().size(), 6u);  // only the second exchange wrote
}

TEST_F(PortConnTest, StopEventEndsEveryWaitAtOnce) {
  timing.connCommandLockMs = 600000;  // waits that must never run out
  timing.connReplyTimeoutMs = 600000;
  timing.serialReadTimeoutMs = 600000;
  Make();
  Connect();
  sim.SetIdentity(TerminalSimulator::Identity::kSilent);
  std::optional<CommandLockGuard> held(std::in_place, *conn);
  ASSERT_TRUE(*held);
  std::thread blocked([&] { EXPECT_FALSE(CommandLockGuard(*conn)); });
  std::thread reply([&] {
    uint8_t b;
    EXPECT_EQ(conn->ReadReply(&b, 1), 0);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // both are waiting
  ASSERT_TRUE(conn->StopDispatch());  // also ends the dispatch thread's ReadByte
  blocked.join();
  reply.join();
  EXPECT_FALSE(CommandLockGuard(*conn));  // held: refused at once
  EXPECT_FALSE(conn->Handshake(0));
  held.reset();
  EXPECT_FALSE(conn->Handshake(0));  // lock taken, the reply wait ends at once
  EXPECT_FALSE(conn->StartDispatch());  // stopped for good
}

TEST_F(PortConnTest, CommandLockAdmitsOneHolderAtATime) {
  timing.connCommandLockMs = 600000;
  Make(false);
  std::atomic<int> inside{0}, overlaps{0}, failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 300; ++i) {
        CommandLockGuard lock(*conn);
        if (!lock) {
          ++failures;
          continue;
        }
        if (inside.fetch_add(1) != 0) ++overlaps;
        std::this_thread::yield();
        inside.fetch_sub(1);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(failures.load(), 0);
}

TEST_F(PortConnTest, CommandLockTimesOutWhileHeld) {
  timing.connCommandLockMs = 10;
  Make(false);
  {
    CommandLockGuard held(*conn);
    ASSERT_TRUE(held);
    std::thread other([&] { EXPECT_FALSE(CommandLockGuard(*conn)); });
    other.join();
  }
  EXPECT_TRUE(CommandLockGuard(*conn));
}

TEST_F(PortConnTest, SendFrameNeedsAConnectedPortAndClearsOldReplies) {
  Make();
  const uint8_t payload[] = {0, 1};
  EXPECT_FALSE(conn->SendFrame(0x20, 0, payload, 2));
  ASSERT_TRUE(conn->OpenPort(0));
  EXPECT_FALSE(conn->SendFrame(0x20, 0, payload, 2));  // open, no terminal yet
  sim.RaiseLines();
  ASSERT_TRUE(conn->port(0).CheckModemLines());

  sim.SendBytes({0x99});  // a stale reply, then a frame to know it was seen
  sim.SendFrame(0x17, 0);
  ASSERT_TRUE(conn->WaitForFrames(1));
  {
    CommandLockGuard lock(*conn);
    ASSERT_TRUE(lock);
    ASSERT_TRUE(conn->SendFrame(0x20, 0, payload, 2));
    EXPECT_EQ(Replies(1), Bytes{0x01});  // the answer, not the stale byte
  }
  ASSERT_TRUE(sim.WaitForFrames(1, 10000));
  EXPECT_EQ(sim.frames()[0].payload, (Bytes{0, 1}));

  const uint8_t bare = 0x01;
  EXPECT_TRUE(conn->WriteBare(&bare, 1));
  EXPECT_TRUE(sim.WaitForBareBytes(1, 10000));
}

TEST_F(PortConnTest, OutgoingPortHasPriorityOverIncomingPort) {
  timing.serialReadTimeoutMs = 50;  // the dispatch thread's wait on the closed port
  Make();
  Connect(0);
  Connect(1);
  sim2.SendFrame(0x50, 2);
  sim.SendFrame(0x51, 1);
  ASSERT_TRUE(conn->WaitForFrames(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(conn->frames().size(), 1u);  // port 1 waits while port 0 is connected
  EXPECT_EQ(conn->frames()[0].port, 0);
  conn->ClosePort(0);
  ASSERT_TRUE(conn->WaitForFrames(2));
  EXPECT_EQ(conn->frames()[1].port, 1);
  EXPECT_EQ(conn->frames()[1].command, 0x50);
  EXPECT_EQ(conn->currentPortIndex(), 1);  // answers go where the terminal spoke
  ASSERT_TRUE(conn->SendFrame(0x52, 0, nullptr, 0));
  ASSERT_TRUE(sim2.WaitForFrames(1, 10000));
  EXPECT_EQ(sim2.frames()[0].command, 0x52);
}

TEST_F(PortConnTest, DeviceLossInTheMiddleOfAFrame) {
  Make();
  Connect();
  sim.SendFramePrefix(0x30, 0, Pattern(50, 0), 20);
  ASSERT_TRUE(Eventually([&] { return line->hostInputQueued() == 0; }));
  sim.Disappear();
  ASSERT_TRUE(Eventually([&] { return conn->port(0).IsLost(); }));
  EXPECT_EQ(conn->port(0).state(), PortState::kOpen);
  EXPECT_FALSE(conn->SendFrame(0x20, 0, nullptr, 0));
  EXPECT_TRUE(conn->frames().empty());
  EXPECT_TRUE(conn->CloseAll());
  EXPECT_EQ(conn->port(0).state(), PortState::kClosed);
}

TEST_F(PortConnTest, WorkerRunsTheLoopUntilQuit) {
  Make(false);
  ASSERT_TRUE(conn->StartWorker());
  EXPECT_TRUE(conn->HasWorkerWindow());
  EXPECT_FALSE(conn->StartWorker());  // one worker at a time
  EXPECT_TRUE(Eventually([&] { return conn->ticks.load() >= 2; }));
  EXPECT_TRUE(conn->StopWorker());
  EXPECT_FALSE(conn->HasWorkerWindow());
  EXPECT_FALSE(conn->PostToWorker({60}));
  EXPECT_TRUE(conn->StopWorker());

  conn->refuseWindow = true;
  EXPECT_FALSE(conn->StartWorker());
}

TEST_F(PortConnTest, AConnectionOutlivesADispatchThreadThatWouldNotStop) {
  timing.connDispatchStopMs = 10;
  auto destroyed = std::make_shared<std::atomic<bool>>(false);
  Event gate;
  {
    RefPtr<TestConnection> c(new TestConnection(timing, bus.opener(), destroyed));
    c->SetConnection(u"COM3", u"NULL", 9600, 0);
    c->frameGate = &gate;
    ASSERT_TRUE(c->StartDispatch());
    ASSERT_TRUE(c->OpenPort(0));
    sim.RaiseLines();
    ASSERT_TRUE(c->port(0).CheckModemLines());
    sim.SendFrame(0x17, 0);
    ASSERT_TRUE(Eventually([&] { return line->hostInputQueued() == 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // inside OnFrame
    EXPECT_FALSE(c->StopDispatch());
    c->ClosePort(0);
  }
  EXPECT_FALSE(destroyed->load());  // the dispatch thread still holds it
  gate.Set();
  EXPECT_TRUE(Eventually([&] { return destroyed->load(); }));
}

TEST_F(PortConnTest, AConnectionOutlivesAWorkerThreadThatWouldNotStop) {
  timing.connWorkerStopMs = 10;
  auto destroyed = std::make_shared<std::atomic<bool>>(false);
  Event gate;
  {
    RefPtr<TestConnection> c(new TestConnection(timing, bus.opener(), destroyed));
    c->commandGate = &gate;
    ASSERT_TRUE(c->StartWorker());
    ASSERT_TRUE(c->PostToWorker({50}));  // blocks the loop
    EXPECT_FALSE(c->StopWorker());
  }
  EXPECT_FALSE(destroyed->load());
  gate.Set();  // the queued quit then ends the loop and the thread
  EXPECT_TRUE(Eventually([&] { return destroyed->load(); }));
}

}  // namespace
