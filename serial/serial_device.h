// The operating system's side of one serial line: a COM port on Windows, a
// tty device (USB serial adapter, rfcomm Bluetooth device, pty) elsewhere.
// `SerialPort` drives it; tests put an in-memory line in its place.
//
// A device is shared between the port's owner and the port's reader thread
// (std::shared_ptr): the handle is released only when both have let go, so
// a reader that outlives Close never reads from a reused handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/timing.h"

namespace mirelon {

// How an operation on the device ended. kGone means the device itself has
// disappeared (adapter unplugged, Bluetooth link lost): nothing will work on
// this handle again.
enum class DeviceStatus { kOk, kError, kGone };

struct DeviceQueues {
  DeviceStatus status = DeviceStatus::kOk;
  uint32_t input = 0;   // bytes received by the driver and not yet read
  uint32_t output = 0;  // bytes handed to the driver and not yet sent
};

struct DeviceRead {
  DeviceStatus status = DeviceStatus::kOk;
  size_t count = 0;
};

// The CTS/DSR modem lines as the driver reports them. kNotReported: the
// driver cannot report modem lines at all (a pty, some virtual Bluetooth
// ports); this is a property of the port, not a transient failure.
enum class ModemLines { kUp, kDown, kNotReported, kError, kGone };

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  // Raw 8N1 at `baud`, hardware (RTS/CTS) output flow control, no software
  // flow control. The result decides nothing: some drivers refuse parts of
  // it and still carry bytes.
  virtual bool Configure(uint32_t baud) = 0;
  // Raises or drops DTR (best effort: some drivers cannot).
  virtual void SetDtr(bool on) = 0;
  // Queue lengths; also clears the line's error state.
  virtual DeviceQueues GetQueues() = 0;
  virtual ModemLines GetModemLines() = 0;
  // Reads up to `n` bytes that the driver already holds; never waits for
  // more (the caller asks only for what GetQueues reported).
  virtual DeviceRead Read(uint8_t* buffer, size_t n) = 0;
  // Writes all `n` bytes, blocking until the driver has taken them or the
  // write time-out given at open passes (or Cancel is called).
  virtual DeviceStatus Write(const uint8_t* data, size_t n) = 0;
  // Discards the received bytes and aborts pending transfers; bytes a write
  // already handed over are not lost (on Windows a write completes once the
  // driver has sent them; a POSIX tty sends what it holds).
  virtual void Purge() = 0;
  // Selects the line events the reader cares about (received characters
  // and errors), or none.
  virtual void WatchEvents(bool on) = 0;
  // Ends every read or write in progress on this device, from any thread.
  virtual void Cancel() = 0;
};

// Write time-outs handed to a device at open: a write may take at most
// constant + per byte × n milliseconds.
struct DeviceTimeouts {
  int64_t writeConstantMs = 5000;
  int64_t writePerByteMs = 100;
};

// Opens a port by name, exclusively, ready for use (queues sized, time-outs
// set); null when the device is missing or busy.
using SerialDeviceOpener =
    std::function<std::shared_ptr<SerialDevice>(const std::u16string& name, const DeviceTimeouts&)>;

// The platform's devices: on Windows a name such as COM3 (opened as
// "\\.\COM3"); elsewhere a device path such as /dev/ttyUSB0.
std::shared_ptr<SerialDevice> OpenSystemSerialDevice(const std::u16string& name,
                                                     const DeviceTimeouts& timeouts);

}  // namespace mirelon
