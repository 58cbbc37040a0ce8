// The system's serial device over a real pty.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <fstream>

#include "base/utf.h"
#include "serial/serial_device.h"
#include "support/temp_dir.h"
#include "support/terminal_simulator.h"

using namespace mirelon;

namespace {

TEST(PosixSerialDevice, OpensOnlyTtyDevicesAndOnlyOnce) {
  DeviceTimeouts timeouts;
  EXPECT_EQ(OpenSystemSerialDevice(u"NULL", timeouts), nullptr);
  EXPECT_EQ(OpenSystemSerialDevice(u"", timeouts), nullptr);
  EXPECT_EQ(OpenSystemSerialDevice(u"/dev/nonexistent-port", timeouts), nullptr);
  TempDir dir;
  std::u16string file = dir.File(u"COM1");
  std::ofstream(Utf16ToUtf8(file)) << "x";
  EXPECT_EQ(OpenSystemSerialDevice(file, timeouts), nullptr);  // not a serial line

  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  auto device = OpenSystemSerialDevice(Utf8ToUtf16Lenient(pty.slavePath()), timeouts);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(OpenSystemSerialDevice(Utf8ToUtf16Lenient(pty.slavePath()), timeouts), nullptr);
  for (uint32_t baud : {9600u, 19200u, 38400u, 57600u, 115200u, 230400u})
    EXPECT_TRUE(device->Configure(baud)) << baud;
  EXPECT_FALSE(device->Configure(12345));
  // A pty cannot report modem lines: not a failure of the moment.
  EXPECT_EQ(device->GetModemLines(), ModemLines::kNotReported);
  DeviceQueues q = device->GetQueues();
  EXPECT_EQ(q.status, DeviceStatus::kOk);
  EXPECT_EQ(q.input, 0u);
}

}  // namespace
#endif
