#include <gtest/gtest.h>

#include <dirent.h>

#include <memory>
#include <thread>
#include <vector>

#include "serial/serial_port.h"
#include "support/fast_timing.h"
#include "support/memory_serial.h"

using namespace mirelon;

namespace {

class SerialPortTest : public ::testing::Test {
 protected:
  SerialPortTest() : line(bus.Add(u"COM3")), port(timing, bus.opener()) {}

  void Send(const std::vector<uint8_t>& bytes) { line->TerminalWrite(bytes.data(), bytes.size()); }
  std::vector<uint8_t> Received(size_t n) {
    std::vector<uint8_t> got(n);
    size_t at = 0;
    while (at < n) {
      size_t k = line->TerminalRead(got.data() + at, n - at, 2000);
      if (k == 0) break;
      at += k;
    }
    got.resize(at);
    return got;
  }
  void Connect() {
    ASSERT_TRUE(port.Open(u"COM3", nullptr, 19200));
    line->SetModemLines(true, false);
    ASSERT_TRUE(port.CheckModemLines());
  }

  Timing timing = FastTiming();
  MemorySerialBus bus;
  std::shared_ptr<MemorySerialLine> line;
  SerialPort port;
};

TEST_F(SerialPortTest, OpenAndCloseFollowTheStates) {
  EXPECT_EQ(port.state(), PortState::kFailed);
  EXPECT_FALSE(port.Close());  // never opened: nothing changes
  EXPECT_EQ(port.state(), PortState::kFailed);

  EXPECT_FALSE(port.Open(u"COM9", nullptr, 9600));  // no such port
  EXPECT_EQ(port.state(), PortState::kFailed);

  ASSERT_TRUE(port.Open(u"COM3", nullptr, 19200));
  EXPECT_EQ(port.state(), PortState::kOpen);
  EXPECT_TRUE(line->hostOpen());
  EXPECT_TRUE(line->dtr());
  EXPECT_EQ(line->baud(), 19200u);
  EXPECT_EQ(port.baudRate(), 19200u);
  EXPECT_FALSE(port.Open(u"COM3", nullptr, 19200));  // already open: left alone
  EXPECT_EQ(port.state(), PortState::kOpen);

  EXPECT_TRUE(port.Close());
  EXPECT_EQ(port.state(), PortState::kClosed);
  EXPECT_FALSE(line->hostOpen());
  EXPECT_FALSE(line->dtr());
  EXPECT_FALSE(port.Close());
  EXPECT_EQ(port.state(), PortState::kClosed);

  ASSERT_TRUE(port.Open(u"COM3", nullptr, 230400));  // a closed port opens again
  EXPECT_EQ(line->opens(), 2);
}

TEST_F(SerialPortTest, BusyDeviceAndCancelFlagFailTheOpen) {
  SerialPort other(timing, bus.opener());
  ASSERT_TRUE(port.Open(u"COM3", nullptr, 9600));
  EXPECT_FALSE(other.Open(u"COM3", nullptr, 9600));
  EXPECT_EQ(other.state(), PortState::kFailed);
  port.Close();

  std::atomic<int> cancel{1};
  EXPECT_FALSE(port.Open(u"COM3", &cancel, 9600));
  EXPECT_EQ(port.state(), PortState::kFailed);
  EXPECT_FALSE(line->hostOpen());
  cancel = 0;
  EXPECT_TRUE(port.Open(u"COM3", &cancel, 9600));
}

TEST_F(SerialPortTest, ModemLinesMoveBetweenOpenAndConnected) {
  ASSERT_TRUE(port.Open(u"COM3", nullptr, 9600));
  EXPECT_FALSE(port.CheckModemLines());
  EXPECT_EQ(port.state(), PortState::kOpen);
  line->SetModemLines(true, false);
  EXPECT_TRUE(port.CheckModemLines());
  EXPECT_EQ(port.state(), PortState::kConnected);
  line->SetModemLines(false, false);
  EXPECT_FALSE(port.CheckModemLines());
  EXPECT_EQ(port.state(), PortState::kOpen);
  line->SetModemLines(false, true);
  EXPECT_TRUE(port.CheckModemLines());
  line->SetModemLines(false, false);
  EXPECT_FALSE(port.CheckModemLines());
  // A driver that cannot report the lines: the terminal counts as present.
  line->SetLinesNotReported(true);
  EXPECT_TRUE(port.CheckModemLines());
  EXPECT_EQ(port.state(), PortState::kConnected);
  port.Close();
  EXPECT_FALSE(port.CheckModemLines());
  EXPECT_EQ(port.state(), PortState::kClosed);
}

TEST_F(SerialPortTest, BytesWaitInTheDriverUntilATerminalIsDetected) {
  ASSERT_TRUE(port.Open(u"COM3", nullptr, 9600));
  Send({1, 2, 3});
  std::this_thread::sleep_for(std::chrono::milliseconds(30));  // many reader passes
  EXPECT_EQ(line->hostInputQueued(), 3u);
  EXPECT_EQ(port.TryReadByte(), -1);
  line->SetModemLines(true, true);
  ASSERT_TRUE(port.CheckModemLines());
  EXPECT_EQ(port.ReadByte(nullptr), 1);
  EXPECT_EQ(port.ReadByte(nullptr), 2);
  EXPECT_EQ(port.ReadByte(nullptr), 3);
  EXPECT_EQ(port.TryReadByte(), -1);
}

TEST_F(SerialPortTest, FullRingStopsReadingAndNeverOverwrites) {
  Connect();
  std::vector<uint8_t> data(SerialPort::kRingSize + 904);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i % 251);
  Send(data);
  ASSERT_TRUE(Eventually([&] { return port.Pending() == SerialPort::kRingSize; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(port.Pending(), SerialPort::kRingSize);
  EXPECT_EQ(line->hostInputQueued(), 904u);
  std::vector<uint8_t> got(data.size());
  ASSERT_EQ(port.Read(got.data(), static_cast<int>(got.size()), nullptr),
            static_cast<int>(got.size()));
  EXPECT_EQ(got, data);
}

TEST_F(SerialPortTest, ReadReturnsWhatArrivedByItsDeadline) {
  timing.serialReadTimeoutMs = 20;
  SerialPort quick(timing, bus.opener());
  ASSERT_TRUE(quick.Open(u"COM3", nullptr, 9600));
  line->SetModemLines(true, true);
  ASSERT_TRUE(quick.CheckModemLines());
  Send({7, 8, 9});
  uint8_t buffer[10];
  EXPECT_EQ(quick.Read(buffer, 10, nullptr), 3);
  EXPECT_EQ(buffer[2], 9);
  EXPECT_EQ(quick.ReadByte(nullptr), -1);
}

TEST_F(SerialPortTest, StopEventEndsReadsAtOnce) {
  timing.serialReadTimeoutMs = 600000;  // a wait that must never run out
  SerialPort slow(timing, bus.opener());
  ASSERT_TRUE(slow.Open(u"COM3", nullptr, 9600));
  line->SetModemLines(true, true);
  ASSERT_TRUE(slow.CheckModemLines());
  Event stop;
  std::thread stopper([&] { stop.Set(); });
  EXPECT_EQ(slow.ReadByte(&stop), -1);
  stopper.join();
  uint8_t buffer[4];
  EXPECT_EQ(slow.Read(buffer, 4, &stop), 0);
  Send({5});
  ASSERT_TRUE(Eventually([&] { return slow.Pending() == 1; }));
  EXPECT_EQ(slow.Read(buffer, 4, &stop), 1);  // what is there is still taken
}

TEST_F(SerialPortTest, WritesOnlyWhenConnected) {
  ASSERT_TRUE(port.Open(u"COM3", nullptr, 9600));
  const uint8_t bytes[] = {0xFF, 0xFF, 0x10, 0, 0, 0};
  EXPECT_FALSE(port.Write(bytes, sizeof bytes));
  EXPECT_FALSE(port.DrainOutput());
  line->SetModemLines(true, false);
  ASSERT_TRUE(port.CheckModemLines());
  EXPECT_TRUE(port.Write(bytes, sizeof bytes));
  EXPECT_TRUE(port.DrainOutput());
  EXPECT_EQ(Received(6), std::vector<uint8_t>(bytes, bytes + 6));  // nothing from the first write
}

TEST_F(SerialPortTest, DrainOutputGivesUpWhileTheDriverHoldsBytes) {
  Connect();
  line->HoldWrites(true);
  const uint8_t byte = 1;
  std::thread writer([&] { EXPECT_TRUE(port.Write(&byte, 1)); });
  ASSERT_TRUE(Eventually([&] { return line->WriteIsHeld(); }));
  EXPECT_FALSE(port.DrainOutput());
  line->HoldWrites(false);
  writer.join();
  EXPECT_TRUE(port.DrainOutput());
}

TEST_F(SerialPortTest, DeviceLossIsNoticedByTheReader) {
  Connect();
  Send({1, 2});
  ASSERT_TRUE(Eventually([&] { return port.Pending() == 2; }));
  line->Disappear();
  ASSERT_TRUE(Eventually([&] { return port.state() == PortState::kOpen; }));
  EXPECT_TRUE(port.IsLost());
  EXPECT_FALSE(port.CheckModemLines());  // never connects again
  EXPECT_EQ(port.state(), PortState::kOpen);
  const uint8_t byte = 0;
  EXPECT_FALSE(port.Write(&byte, 1));
  EXPECT_EQ(port.TryReadByte(), 1);  // what arrived before stays readable
  EXPECT_TRUE(port.Close());
  EXPECT_EQ(port.state(), PortState::kClosed);
  EXPECT_FALSE(port.Open(u"COM3", nullptr, 9600));
}

TEST_F(SerialPortTest, DeviceLossInTheMiddleOfAWrite) {
  Connect();
  line->HoldWrites(true);
  std::vector<uint8_t> frame(300, 0x55);
  bool written = true;
  std::thread writer([&] { written = port.Write(frame.data(), frame.size()); });
  ASSERT_TRUE(Eventually([&] { return line->WriteIsHeld(); }));
  line->Disappear();
  writer.join();
  EXPECT_FALSE(written);
  EXPECT_EQ(port.state(), PortState::kOpen);
  EXPECT_TRUE(port.IsLost());
}

TEST_F(SerialPortTest, CloseEndsAReadInsideTheDriver) {
  Connect();
  line->SetReadHold(MemorySerialLine::ReadHold::kUntilCancel);
  Send({1});
  ASSERT_TRUE(Eventually([&] { return line->ReadIsHeld(); }));
  EXPECT_TRUE(port.Close());
  EXPECT_EQ(port.state(), PortState::kClosed);
  EXPECT_FALSE(line->hostOpen());  // the reader has let the device go
}

TEST_F(SerialPortTest, AReaderLeftRunningNeverTouchesTheReopenedPort) {
  timing.serialReaderStopMs = 20;
  auto stuckPort = std::make_unique<SerialPort>(timing, bus.opener());
  auto other = bus.Add(u"COM4");
  ASSERT_TRUE(stuckPort->Open(u"COM3", nullptr, 9600));
  line->SetModemLines(true, true);
  ASSERT_TRUE(stuckPort->CheckModemLines());
  line->SetReadHold(MemorySerialLine::ReadHold::kStuck);
  Send({'A', 'A', 'A'});
  ASSERT_TRUE(Eventually([&] { return line->ReadIsHeld(); }));

  EXPECT_TRUE(stuckPort->Close());  // gives up on the reader
  EXPECT_EQ(stuckPort->state(), PortState::kClosed);
  EXPECT_TRUE(line->hostOpen());  // still held by the detached reader

  ASSERT_TRUE(stuckPort->Open(u"COM4", nullptr, 9600));
  other->SetModemLines(true, true);
  ASSERT_TRUE(stuckPort->CheckModemLines());
  const uint8_t b = 'B';
  other->TerminalWrite(&b, 1);
  line->SetReadHold(MemorySerialLine::ReadHold::kNone);  // the old read completes
  ASSERT_TRUE(Eventually([&] { return !line->hostOpen(); }));
  EXPECT_EQ(stuckPort->ReadByte(nullptr), 'B');
  EXPECT_EQ(stuckPort->TryReadByte(), -1);
  EXPECT_EQ(stuckPort->state(), PortState::kConnected);

  // Destroyed while its reader is stuck: the reader outlives it safely.
  other->SetReadHold(MemorySerialLine::ReadHold::kStuck);
  other->TerminalWrite(&b, 1);
  ASSERT_TRUE(Eventually([&] { return other->ReadIsHeld(); }));
  stuckPort.reset();
  other->SetReadHold(MemorySerialLine::ReadHold::kNone);
  EXPECT_TRUE(Eventually([&] { return !other->hostOpen(); }));
}

#ifdef __linux__
int ThreadCount() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++n;
    closedir(d);
  }
  return n;
}
#endif

TEST_F(SerialPortTest, OpenAndCloseAThousandTimesLeavesNothingBehind) {
#ifdef __linux__
  const int threads = ThreadCount();
#endif
  line->SetModemLines(true, true);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(port.Open(u"COM3", nullptr, 115200));
    if (i % 100 == 0) {
      ASSERT_TRUE(port.CheckModemLines());
      Send({static_cast<uint8_t>(i)});
      ASSERT_EQ(port.ReadByte(nullptr), static_cast<uint8_t>(i));
    }
    ASSERT_TRUE(port.Close());
  }
  EXPECT_FALSE(line->hostOpen());
  EXPECT_EQ(line->opens(), 1000);
#ifdef __linux__
  // A joined thread can still be listed for a moment while the system
  // finishes its exit.
  EXPECT_TRUE(Eventually([&] { return ThreadCount() == threads; })) << ThreadCount() << " threads, " << threads << " before";
#endif
}

}  // namespace
