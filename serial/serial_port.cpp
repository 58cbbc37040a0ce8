#include "serial/serial_port.h"

#include <algorithm>
#include <system_error>

namespace mirelon {

bool SerialPort::Shared::ChangeState(uint32_t gen, PortState from, PortState to) {
  std::lock_guard<std::mutex> guard(stateLock);
  if (!IsCurrent(gen)) return false;
  return state.compare_exchange_strong(from, to);
}

void SerialPort::Shared::ResetRing() {
  std::lock_guard<std::mutex> guard(ringLock);
  writeIndex = 0;
  readIndex = 0;
  count = 0;
  dataAvailable.Reset();
}

SerialPort::SerialPort(const Timing& timing, SerialDeviceOpener opener)
    : timing_(timing), opener_(std::move(opener)), shared_(std::make_shared<Shared>()) {}

SerialPort::~SerialPort() {
  Close();
  StopReader();
}

std::shared_ptr<SerialDevice> SerialPort::device() const {
  std::lock_guard<std::mutex> guard(deviceLock_);
  return device_;
}

bool SerialPort::Open(const std::u16string& name, const std::atomic<int>* cancel, uint32_t baud) {
  {
    // Only a closed or failed port opens; an open one is left alone.
    std::lock_guard<std::mutex> guard(shared_->stateLock);
    PortState s = shared_->state.load();
    if (s != PortState::kFailed && s != PortState::kClosed) return false;
    ++shared_->generation;
    shared_->state = PortState::kOpening;
  }
  const uint32_t gen = shared_->generation.load();
  StopReader();  // a reader left from an earlier open that has since ended

  DeviceTimeouts timeouts{timing_.serialWriteConstantMs, timing_.serialWritePerByteMs};
  std::shared_ptr<SerialDevice> dev = opener_ ? opener_(name, timeouts) : nullptr;
  if (!dev) {
    shared_->state = PortState::kFailed;
    return false;
  }
  if (cancel && cancel->load() != 0) {
    shared_->state = PortState::kFailed;
    return false;  // dropping the last reference closes the device
  }
  dev->SetDtr(true);
  shared_->lost = false;
  shared_->ResetRing();
  {
    std::lock_guard<std::mutex> guard(deviceLock_);
    device_ = dev;
  }

  auto reader = std::make_shared<Reader>();
  bool started = false;
  try {
    readerThread_ = std::thread(ReaderMain, shared_, dev, reader, gen, timing_);
    reader_ = reader;
    started = true;
  } catch (const std::system_error&) {
  }
  if (started) {
    // The reader purges the device and reaches its loop (state 3), or ends.
    for (;;) {
      if (shared_->state.load() >= PortState::kOpen) {
        baudRate_ = baud;
        Configure();
        return true;
      }
      if (!reader->running.load()) break;
      reader->ended.Wait(timing_.serialOpenPollMs);
    }
    StopReader();
  }
  dev->SetDtr(false);
  {
    std::lock_guard<std::mutex> guard(deviceLock_);
    device_.reset();
  }
  std::lock_guard<std::mutex> guard(shared_->stateLock);
  ++shared_->generation;
  shared_->state = PortState::kFailed;
  return false;
}

void SerialPort::StopReader() {
  if (readerThread_.joinable()) {
    // A reader that does not end in time runs on detached; it holds its own
    // references to the shared block and the device, and its generation is
    // no longer current, so it touches nothing of a later open.
    if (!reader_ || reader_->ended.Wait(timing_.serialReaderStopMs))
      readerThread_.join();
    else
      readerThread_.detach();
  }
  reader_.reset();
}

bool SerialPort::Close() {
  {
    std::lock_guard<std::mutex> guard(shared_->stateLock);
    if (shared_->state.load() < PortState::kOpen) return false;
    ++shared_->generation;  // the reader sees this and leaves its loop
    shared_->state = PortState::kClosing;
  }
  std::shared_ptr<SerialDevice> dev = device();
  if (dev) {
    dev->Cancel();
    dev->WatchEvents(false);
  }
  if (reader_) reader_->wake.Set();
  StopReader();
  if (dev) {
    // Frames already written may still wait in the driver (a POSIX tty
    // returns from write() before the bytes are sent); let them go out
    // before the purge, so a closing frame reaches the terminal. Bounded by
    // the drain limit; a device that is gone is not waited for.
    const int64_t deadline = NowMs() + timing_.serialDrainLimitMs;
    for (;;) {
      DeviceQueues q = dev->GetQueues();
      if (q.status != DeviceStatus::kOk || q.output == 0 || NowMs() >= deadline) break;
      SleepUnlessStopped(nullptr, timing_.serialDrainPollMs);
    }
    dev->SetDtr(false);
    dev->Purge();
  }
  {
    std::lock_guard<std::mutex> guard(deviceLock_);
    device_.reset();
  }
  shared_->ResetRing();
  shared_->state = PortState::kClosed;
  return true;
}

bool SerialPort::Configure() {
  std::shared_ptr<SerialDevice> dev = device();
  return dev && dev->Configure(baudRate_);
}

void SerialPort::MarkLost() {
  std::lock_guard<std::mutex> guard(shared_->stateLock);
  shared_->lost = true;
  PortState connected = PortState::kConnected;
  shared_->state.compare_exchange_strong(connected, PortState::kOpen);
}

bool SerialPort::Write(const uint8_t* data, size_t n) {
  if (state() != PortState::kConnected) return false;
  std::shared_ptr<SerialDevice> dev = device();
  if (!dev) return false;
  switch (dev->Write(data, n)) {
    case DeviceStatus::kOk:
      return true;
    case DeviceStatus::kGone:
      MarkLost();
      return false;
    case DeviceStatus::kError:
      dev->GetQueues();  // clears the line's error state
      return false;
  }
  return false;
}

bool SerialPort::DrainOutput() {
  if (state() != PortState::kConnected) return false;
  std::shared_ptr<SerialDevice> dev = device();
  if (!dev) return false;
  const int64_t deadline = NowMs() + timing_.serialDrainLimitMs;
  for (;;) {
    DeviceQueues q = dev->GetQueues();
    if (q.status == DeviceStatus::kGone) {
      MarkLost();
      return false;
    }
    if (q.status == DeviceStatus::kOk && q.output == 0) return true;
    if (NowMs() >= deadline) return false;
    SleepUnlessStopped(nullptr, timing_.serialDrainPollMs);
  }
}

int SerialPort::TakeByte() {
  Shared& s = *shared_;
  std::lock_guard<std::mutex> guard(s.ringLock);
  if (s.count.load() == 0) return -1;
  int byte = s.ring[s.readIndex];
  s.readIndex = (s.readIndex + 1) % kRingSize;
  if (--s.count == 0) s.dataAvailable.Reset();
  return byte;
}

int SerialPort::TryReadByte() {
  if (shared_->count.load() == 0) return -1;
  return TakeByte();
}

int SerialPort::ReadByte(Event* stop) {
  int byte = TryReadByte();
  if (byte >= 0) return byte;
  if (shared_->dataAvailable.WaitOrStop(stop, timing_.serialReadTimeoutMs) !=
      Event::WaitResult::kSignalled)
    return -1;
  return TryReadByte();
}

int SerialPort::Read(uint8_t* buffer, int n, Event* stop) {
  const int64_t deadline = NowMs() + timing_.serialReadTimeoutMs;
  int got = 0;
  while (got < n) {
    int byte = TryReadByte();
    if (byte >= 0) {
      buffer[got++] = static_cast<uint8_t>(byte);
      continue;
    }
    int64_t left = std::max<int64_t>(0, deadline - NowMs());
    if (shared_->dataAvailable.WaitOrStop(stop, left) != Event::WaitResult::kSignalled) break;
  }
  return got;
}

bool SerialPort::CheckModemLines() {
  if (state() > PortState::kClosing && !IsLost()) {
    std::shared_ptr<SerialDevice> dev = device();
    ModemLines lines = dev ? dev->GetModemLines() : ModemLines::kError;
    if (lines == ModemLines::kGone) MarkLost();
    // A driver that cannot report the lines at all would otherwise keep
    // every terminal out; such a port counts as having its lines up.
    if (lines == ModemLines::kUp || lines == ModemLines::kNotReported) {
      PortState open = PortState::kOpen;
      shared_->state.compare_exchange_strong(open, PortState::kConnected);
      if (state() == PortState::kConnected) return true;
    }
  }
  PortState connected = PortState::kConnected;
  shared_->state.compare_exchange_strong(connected, PortState::kOpen);
  return false;
}

void SerialPort::ReaderMain(std::shared_ptr<Shared> shared, std::shared_ptr<SerialDevice> device,
                            std::shared_ptr<Reader> reader, uint32_t gen, Timing timing) {
  Shared& s = *shared;
  auto lose = [&] {
    std::lock_guard<std::mutex> guard(s.stateLock);
    if (!s.IsCurrent(gen)) return;
    s.lost = true;
    PortState connected = PortState::kConnected;
    s.state.compare_exchange_strong(connected, PortState::kOpen);
  };
  auto running = [&] { return s.IsCurrent(gen) && s.state.load() >= PortState::kOpen; };

  device->Purge();
  device->WatchEvents(true);
  {
    std::lock_guard<std::mutex> guard(s.ringLock);
    if (s.IsCurrent(gen)) {
      s.writeIndex = s.readIndex = 0;
      s.count = 0;
      s.dataAvailable.Reset();
    }
  }
  if (s.ChangeState(gen, PortState::kOpening, PortState::kOpen)) {
    uint8_t buffer[kRingSize];
    uint32_t pending = 0;
    while (running()) {
      if (pending == 0) {
        reader->wake.Wait(timing.serialReaderIdleMs);
        if (!running()) break;
        // Nothing is read while no terminal is detected: the bytes wait in
        // the driver's queue.
        if (s.state.load() == PortState::kOpen) continue;
      }
      DeviceQueues queues = device->GetQueues();
      if (queues.status == DeviceStatus::kGone) {
        lose();
        break;
      }
      pending = queues.status == DeviceStatus::kOk ? queues.input : 0;
      if (pending == 0) continue;
      if (s.count.load() >= kRingSize) {
        reader->wake.Wait(timing.serialReaderRingFullMs);
        continue;
      }
      size_t want = std::min<uint32_t>(pending, kRingSize - s.count.load());
      DeviceRead got = device->Read(buffer, want);
      if (got.status == DeviceStatus::kGone) {
        lose();
        break;
      }
      if (got.status != DeviceStatus::kOk || got.count == 0) {
        // Cleared and retried after the idle sleep, never at once: a
        // driver that keeps failing must not keep this thread busy.
        if (got.status != DeviceStatus::kOk) device->GetQueues();
        pending = 0;
        continue;
      }
      {
        std::lock_guard<std::mutex> guard(s.ringLock);
        if (!s.IsCurrent(gen)) break;
        for (size_t i = 0; i < got.count; ++i) {
          if (s.count.load() >= kRingSize) break;  // dropped, never overwritten
          s.ring[s.writeIndex] = buffer[i];
          s.writeIndex = (s.writeIndex + 1) % kRingSize;
          if (s.count++ == 0) s.dataAvailable.Set();
        }
      }
      pending -= std::min<uint32_t>(pending, static_cast<uint32_t>(got.count));
      reader->wake.Wait(pending == 0 ? timing.serialReaderDrainedMs
                                     : timing.serialReaderMoreMs);
    }
  }
  reader->running = false;
  reader->ended.Set();
}

}  // namespace mirelon
