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
    line_->host_open_ = false;
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
    q.input = static_cast<uint32_t>(line_->to_host_.size());
    q.output = static_cast<uint32_t>(line_->held_output_);
    return q;
  }
  ModemLines GetModemLines() override {
    std::lock_guard<std::mutex> guard(line_->lock_);
    if (line_->gone_) return ModemLines::kGone;
    if (line_->not_reported_) return ModemLines::kNotReported;
    return line_->cts_ || line_->dsr_ ? ModemLines::kUp : ModemLines::kDown;
  }
  DeviceRead Read(uint8_t* buffer, size_t n) override {
    std::unique_lock<std::mutex> guard(line_->lock_);
    DeviceRead r;
    using Hold = MemorySerialLine::ReadHold;
    if (line_->read_hold_ != Hold::kNone) {
      line_->read_held_ = true;
      line_->changed_.notify_all();
      line_->changed_.wait(guard, [&] {
        return line_->read_hold_ == Hold::kNone ||
               (line_->read_hold_ == Hold::kUntilCancel && cancelled_) || line_->gone_;
      });
      line_->read_held_ = false;
      line_->changed_.notify_all();
      if (line_->read_hold_ != Hold::kNone) {
        r.status = line_->gone_ ? DeviceStatus::kGone : DeviceStatus::kError;
        return r;
      }
    }
    if (line_->gone_) {
      r.status = DeviceStatus::kGone;
      return r;
    }
    r.count = std::min(n, line_->to_host_.size());
    std::copy_n(line_->to_host_.begin(), r.count, buffer);
    line_->to_host_.erase(line_->to_host_.begin(), line_->to_host_.begin() + r.count);
    return r;
  }
  DeviceStatus Write(const uint8_t* data, size_t n) override {
    std::unique_lock<std::mutex> guard(line_->lock_);
    if (line_->hold_writes_) {
      auto deadline = std::chrono::steady_clock::now() +
                      std::chrono::milliseconds(timeouts_.write_constant_ms +
                                                timeouts_.write_per_byte_ms * int64_t(n));
      line_->write_held_ = true;
      line_->held_output_ += n;
      line_->changed_.notify_all();
      bool released = line_->changed_.wait_until(
          guard, deadline, [&] { return !line_->hold_writes_ || cancelled_ || line_->gone_; });
      line_->write_held_ = false;
      line_->held_output_ -= n;
      line_->changed_.notify_all();
      if (line_->gone_) return DeviceStatus::kGone;
      if (!released || cancelled_) return DeviceStatus::kError;
    }
    if (line_->gone_) return DeviceStatus::kGone;
    line_->to_terminal_.insert(line_->to_terminal_.end(), data, data + n);
    line_->changed_.notify_all();
    return DeviceStatus::kOk;
  }
  void Purge() override {
    std::lock_guard<std::mutex> guard(line_->lock_);
    line_->to_host_.clear();
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
  to_host_.insert(to_host_.end(), data, data + n);
  changed_.notify_all();
}

size_t MemorySerialLine::TerminalRead(uint8_t* buffer, size_t n, int64_t timeout_ms) {
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait_for(guard, std::chrono::milliseconds(timeout_ms),
                    [&] { return !to_terminal_.empty() || gone_; });
  if (gone_) return 0;
  size_t count = std::min(n, to_terminal_.size());
  std::copy_n(to_terminal_.begin(), count, buffer);
  to_terminal_.erase(to_terminal_.begin(), to_terminal_.begin() + count);
  return count;
}

void MemorySerialLine::SetModemLines(bool cts, bool dsr) {
  std::lock_guard<std::mutex> guard(lock_);
  cts_ = cts;
  dsr_ = dsr;
}

void MemorySerialLine::SetLinesNotReported(bool not_reported) {
  std::lock_guard<std::mutex> guard(lock_);
  not_reported_ = not_reported;
}

void MemorySerialLine::Disappear() {
  std::lock_guard<std::mutex> guard(lock_);
  gone_ = true;
  changed_.notify_all();
}

void MemorySerialLine::SetReadHold(ReadHold hold) {
  std::lock_guard<std::mutex> guard(lock_);
  read_hold_ = hold;
  changed_.notify_all();
}

void MemorySerialLine::HoldWrites(bool hold) {
  std::lock_guard<std::mutex> guard(lock_);
  hold_writes_ = hold;
  changed_.notify_all();
}

bool MemorySerialLine::ReadIsHeld() const {
  std::lock_guard<std::mutex> guard(lock_);
  return read_held_;
}

bool MemorySerialLine::WriteIsHeld() const {
  std::lock_guard<std::mutex> guard(lock_);
  return write_held_;
}

bool MemorySerialLine::host_open() const {
  std::lock_guard<std::mutex> guard(lock_);
  return host_open_;
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

size_t MemorySerialLine::host_input_queued() const {
  std::lock_guard<std::mutex> guard(lock_);
  return to_host_.size();
}

std::shared_ptr<SerialDevice> MemorySerialLine::OpenHostEnd(const DeviceTimeouts& timeouts) {
  std::lock_guard<std::mutex> guard(lock_);
  if (host_open_ || gone_) return nullptr;
  host_open_ = true;
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
