#include "support/memory_serial.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "base/timing.h"

namespace mirelon {

class MemoryHostDevice : public SerialDevice {
 public:
  MemoryHostDevice(std::shared_ptr<MemorySerialLine> line, const DeviceTimeouts& timeouts)
      : line_(std::move(line)), timeouts_(timeouts) {}
  ~MemoryHostDevice() override {
    std::lock_guard<std::mutex> guard(line_->lock_);
    line_->hostOpen_ = false;
    line_->changed_.notify_all();
  }

  bool Configure(uint32_t baud) override {
    std::lock_guard<std::mutex> guard(line_->lock_);
    line_->baud_ = baud;
    return !line_->gone_;
  }
  void SetDtr(bool on) override {
    std::lock_guard<std::mutex> guard(line_->lock_);
    line_->dtr_ = on;
  }
  DeviceQueues GetQueues() override {
    std::lock_guard<std::mutex> guard(line_->lock_);
    DeviceQueues q;
    if (line_->gone_) {
      q.status = DeviceStatus::kGone;
      return q;
    }
    q.input = static_cast<uint32_t>(line_->toHost_.size());
    q.output = static_cast<uint32_t>(line_->heldOutput_);
    return q;
  }
  ModemLines GetModemLines() override {
    std::lock_guard<std::mutex> guard(line_->lock_);
    if (line_->gone_) return ModemLines::kGone;
    if (line_->notReported_) return ModemLines::kNotReported;
    return line_->cts_ || line_->dsr_ ? ModemLines::kUp : ModemLines::kDown;
  }
  DeviceRead Read(uint8_t* buffer, size_t n) override {
    std::unique_lock<std::mutex> guard(line_->lock_);
    DeviceRead r;
    using Hold = MemorySerialLine::ReadHold;
    if (line_->readHold_ != Hold::kNone) {
      line_->readHeld_ = true;
      line_->changed_.notify_all();
      line_->changed_.wait(guard, [&] {
        return line_->readHold_ == Hold::kNone ||
               (line_->readHold_ == Hold::kUntilCancel && cancelled_) || line_->gone_;
      });
      line_->readHeld_ = false;
      line_->changed_.notify_all();
      if (line_->readHold_ != Hold::kNone) {
        r.status = line_->gone_ ? DeviceStatus::kGone : DeviceStatus::kError;
        return r;
      }
    }
    if (line_->gone_) {
      r.status = DeviceStatus::kGone;
      return r;
    }
    r.count = std::min(n, line_->toHost_.size());
    std::copy_n(line_->toHost_.begin(), r.count, buffer);
    line_->toHost_.erase(line_->toHost_.begin(), line_->toHost_.begin() + r.count);
    return r;
  }
  DeviceStatus Write(const uint8_t* data, size_t n) override {
    std::unique_lock<std::mutex> guard(line_->lock_);
    if (line_->holdWrites_) {
      auto deadline = std::chrono::steady_clock::now() +
                      std::chrono::milliseconds(timeouts_.writeConstantMs +
                                                timeouts_.writePerByteMs * int64_t(n));
      line_->writeHeld_ = true;
      line_->heldOutput_ += n;
      line_->changed_.notify_all();
      bool released = line_->changed_.wait_until(
          guard, deadline, [&] { return !line_->holdWrites_ || cancelled_ || line_->gone_; });
      line_->writeHeld_ = false;
      line_->heldOutput_ -= n;
      line_->changed_.notify_all();
      if (line_->gone_) return DeviceStatus::kGone;
      if (!released || cancelled_) return DeviceStatus::kError;
    }
    if (line_->gone_) return DeviceStatus::kGone;
    line_->toTerminal_.insert(line_->toTerminal_.end(), data, data + n);
    line_->changed_.notify_all();
    return DeviceStatus::kOk;
  }
  void Purge() override {
    std::lock_guard<std::mutex> guard(line_->lock_);
    line_->toHost_.clear();
  }
  void WatchEvents(bool) override {}
  void Cancel() override {
    std::lock_guard<std::mutex> guard(line_->lock_);
    cancelled_ = true;
    line_->changed_.notify_all();
  }

 private:
  std::shared_ptr<MemorySerialLine> line_;
  const DeviceTimeouts timeouts_;
  bool cancelled_ = false;  // under the line's lock
};

void MemorySerialLine::TerminalWrite(const uint8_t* data, size_t n) {
  std::lock_guard<std::mutex> guard(lock_);
  if (gone_) return;
  toHost_.insert(toHost_.end(), data, data + n);
  changed_.notify_all();
}

size_t MemorySerialLine::TerminalRead(uint8_t* buffer, size_t n, int64_t timeoutMs) {
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                    [&] { return !toTerminal_.empty() || gone_; });
  if (gone_) return 0;
  size_t count = std::min(n, toTerminal_.size());
  std::copy_n(toTerminal_.begin(), count, buffer);
  toTerminal_.erase(toTerminal_.begin(), toTerminal_.begin() + count);
  return count;
}

void MemorySerialLine::SetModemLines(bool cts, bool dsr) {
  std::lock_guard<std::mutex> guard(lock_);
  cts_ = cts;
  dsr_ = dsr;
}

void MemorySerialLine::SetLinesNotReported(bool notReported) {
  std::lock_guard<std::mutex> guard(lock_);
  notReported_ = notReported;
}

void MemorySerialLine::Disappear() {
  std::lock_guard<std::mutex> guard(lock_);
  gone_ = true;
  changed_.notify_all();
}

void MemorySerialLine::SetReadHold(ReadHold hold) {
  std::lock_guard<std::mutex> guard(lock_);
  readHold_ = hold;
  changed_.notify_all();
}

void MemorySerialLine::HoldWrites(bool hold) {
  std::lock_guard<std::mutex> guard(lock_);
  holdWrites_ = hold;
  changed_.notify_all();
}

bool MemorySerialLine::ReadIsHeld() const {
  std::lock_guard<std::mutex> guard(lock_);
  return readHeld_;
}

bool MemorySerialLine::WriteIsHeld() const {
  std::lock_guard<std::mutex> guard(lock_);
  return writeHeld_;
}

bool MemorySerialLine::hostOpen() const {
  std::lock_guard<std::mutex> guard(lock_);
  return hostOpen_;
}

int MemorySerialLine::opens() const {
  std::lock_guard<std::mutex> guard(lock_);
  return opens_;
}

bool MemorySerialLine::dtr() const {
  std::lock_guard<std::mutex> guard(lock_);
  return dtr_;
}

uint32_t MemorySerialLine::baud() const {
  std::lock_guard<std::mutex> guard(lock_);
  return baud_;
}

size_t MemorySerialLine::hostInputQueued() const {
  std::lock_guard<std::mutex> guard(lock_);
  return toHost_.size();
}

std::shared_ptr<SerialDevice> MemorySerialLine::OpenHostEnd(const DeviceTimeouts& timeouts) {
  std::lock_guard<std::mutex> guard(lock_);
  if (hostOpen_ || gone_) return nullptr;
  hostOpen_ = true;
  ++opens_;
  return std::make_shared<MemoryHostDevice>(shared_from_this(), timeouts);
}

std::shared_ptr<MemorySerialLine> MemorySerialBus::Add(const std::u16string& name) {
  std::lock_guard<std::mutex> guard(lock_);
  auto line = std::make_shared<MemorySerialLine>();
  lines_[name] = line;
  return line;
}

SerialDeviceOpener MemorySerialBus::opener() {
  return [this](const std::u16string& name,
                const DeviceTimeouts& timeouts) -> std::shared_ptr<SerialDevice> {
    std::shared_ptr<MemorySerialLine> line;
    {
      std::lock_guard<std::mutex> guard(lock_);
      auto it = lines_.find(name);
      if (it == lines_.end()) return nullptr;
      line = it->second;
    }
    return line->OpenHostEnd(timeouts);
  };
}

}  // namespace mirelon
