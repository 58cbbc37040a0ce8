// One COM port leading to one braille terminal: opens the device, runs a
// reader thread that moves incoming bytes into a 4096-byte receive ring,
// writes synchronously, and tells from the CTS/DSR modem lines whether a
// terminal is present. It knows nothing of frames.
//
// Threads: the owner's worker thread opens, closes, writes and checks the
// modem lines; the owner's dispatch thread consumes the ring (TryReadByte,
// ReadByte, Read); the port's own reader thread is the only producer.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/event.h"
#include "base/timing.h"
#include "serial/port_state.h"
#include "serial/serial_device.h"

namespace mirelon {

class SerialPort {
 public:
  static constexpr uint32_t kRingSize = 4096;
  static constexpr uint32_t kModemLineMask = 0x30;  // CTS or DSR on

  explicit SerialPort(const Timing& timing = Timing(),
                      SerialDeviceOpener opener = OpenSystemSerialDevice);
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens the device `name` at `baud` and starts the reader; the port is
  // then in state 3. When `cancel` is given and nonzero once the device is
  // open, the device is closed again and Open fails. A failed Open leaves
  // state -1, no device and no reader.
  bool Open(const std::u16string& name, const std::atomic<int>* cancel, uint32_t baud);
  // False when the port was not open (state below 3).
  bool Close();
  // Applies the line settings to the open device (Open calls it).
  bool Configure();
  // Writes in state 4 only; blocks until the driver has taken the bytes.
  bool Write(const uint8_t* data, size_t n);
  // Waits (at most the drain limit) until the driver's output queue is
  // empty; in state 4 only.
  bool DrainOutput();
  // The next received byte 0..255, or -1 when the ring is empty.
  int TryReadByte();
  // As TryReadByte, waiting up to the read time-out for data; -1 on
  // time-out or when `stop` is signalled.
  int ReadByte(Event* stop);
  // Up to `n` bytes within one overall read time-out; the count read.
  int Read(uint8_t* buffer, int n, Event* stop);
  // Reads the modem lines and moves the state between 3 and 4: true when a
  // terminal is present (CTS or DSR up, or a driver that cannot report the
  // lines at all). A port whose device has disappeared never connects.
  bool CheckModemLines();

  PortState state() const { return shared_->state.load(); }
  // Changes with every Open and Close: bytes read under one value all
  // belong to one opening of the port.
  uint32_t generation() const { return shared_->generation.load(); }
  uint32_t baudRate() const { return baudRate_; }
  // The device disappeared while open (seen by the reader, a write or a
  // modem check). The port then sits in state 3 without reading until its
  // owner closes it; the owner's supervision should close a lost port.
  bool IsLost() const { return shared_->lost.load(); }
  // Bytes held in the receive ring.
  uint32_t Pending() const { return shared_->count.load(); }

 private:
  // State that the reader thread shares with the port. A reader that has
  // not stopped when Close gives up keeps this block (and its device) alive
  // on its own, and may change it only while its generation is current, so
  // a late reader never writes into a ring of a later Open.
  struct Shared {
    std::atomic<PortState> state{PortState::kFailed};
    std::atomic<uint32_t> generation{0};
    std::atomic<bool> lost{false};
    std::mutex stateLock;  // generation changes and the reader's state changes
    std::mutex ringLock;
    uint8_t ring[kRingSize] = {};
    uint32_t writeIndex = 0;
    uint32_t readIndex = 0;
    std::atomic<uint32_t> count{0};
    Event dataAvailable{Event::Kind::kManualReset};

    bool IsCurrent(uint32_t gen) const { return generation.load() == gen; }
    // Moves the state from `from` to `to` if `gen` is still current.
    bool ChangeState(uint32_t gen, PortState from, PortState to);
    void ResetRing();
  };
  // One run of the reader thread.
  struct Reader {
    Event wake{Event::Kind::kManualReset};  // Close: stop sleeping
    Event ended{Event::Kind::kManualReset};
    std::atomic<bool> running{true};        // the "reader thread id" the opener polls
  };

  static void ReaderMain(std::shared_ptr<Shared> shared, std::shared_ptr<SerialDevice> device,
                         std::shared_ptr<Reader> reader, uint32_t gen, Timing timing);
  int TakeByte();
  std::shared_ptr<SerialDevice> device() const;
  void MarkLost();
  void StopReader();

  const Timing timing_;
  const SerialDeviceOpener opener_;
  std::shared_ptr<Shared> shared_;
  uint32_t baudRate_ = 0;
  mutable std::mutex deviceLock_;  // guards device_ (written by Open/Close)
  std::shared_ptr<SerialDevice> device_;
  std::shared_ptr<Reader> reader_;
  std::thread readerThread_;
};

}  // namespace mirelon
