// An in-memory serial line for fast tests. The host end is a SerialDevice
// that SerialPort opens through a MemorySerialBus; the terminal end is
// driven by a test or by the TerminalSimulator (through a TerminalLink).
//
// The line can raise and drop the terminal's modem lines, pretend that the
// driver cannot report them at all, disappear (every host operation then
// reports the device gone), and hold the host's reads or writes inside the
// "driver" to exercise Close and device loss at awkward moments.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "serial/serial_device.h"

namespace mirelon {

class MemorySerialLine : public std::enable_shared_from_this<MemorySerialLine> {
 public:
  // How a host read behaves once it has been called with bytes queued.
  enum class ReadHold {
    kNone,         // returns what is queued
    kUntilCancel,  // waits inside the driver until Cancel (or kNone again)
    kStuck,        // waits even through Cancel, until kNone again
  };

  // --- terminal end ---
  // Bytes to the host (they appear in the host's input queue).
  void TerminalWrite(const uint8_t* data, size_t n);
  // Bytes the host wrote, waiting up to `timeoutMs` for the first one; the
  // count taken (0 on time-out or once the line has disappeared).
  size_t TerminalRead(uint8_t* buffer, size_t n, int64_t timeoutMs);
  void SetModemLines(bool cts, bool dsr);
  void SetLinesNotReported(bool notReported);
  // The device vanishes (adapter unplugged): for good.
  void Disappear();

  // --- test hooks on the host end ---
  void SetReadHold(ReadHold hold);
  // While held, host writes wait (their bytes count as queued output)
  // until released, cancelled, timed out or the line disappears.
  void HoldWrites(bool hold);
  // True once a host read is waiting inside the driver.
  bool ReadIsHeld() const;
  bool WriteIsHeld() const;

  // --- what the host did ---
  bool hostOpen() const;
  int opens() const;
  bool dtr() const;
  uint32_t baud() const;
  size_t hostInputQueued() const;

  // Opens the host end; null when it is already open or the line is gone.
  std::shared_ptr<SerialDevice> OpenHostEnd(const DeviceTimeouts& timeouts);

 private:
  friend class MemoryHostDevice;

  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::deque<uint8_t> toHost_;
  std::deque<uint8_t> toTerminal_;
  bool cts_ = false;
  bool dsr_ = false;
  bool notReported_ = false;
  bool gone_ = false;
  bool hostOpen_ = false;
  int opens_ = 0;
  bool dtr_ = false;
  uint32_t baud_ = 0;
  ReadHold readHold_ = ReadHold::kNone;
  bool readHeld_ = false;
  bool holdWrites_ = false;
  bool writeHeld_ = false;
  size_t heldOutput_ = 0;
};

// Names of in-memory lines, as a device opener for SerialPort.
class MemorySerialBus {
 public:
  std::shared_ptr<MemorySerialLine> Add(const std::u16string& name);
  SerialDeviceOpener opener();

 private:
  std::mutex lock_;
  std::map<std::u16string, std::shared_ptr<MemorySerialLine>> lines_;
};

}  // namespace mirelon
