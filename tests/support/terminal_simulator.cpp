#include "support/terminal_simulator.h"

#include <algorithm>
#include <chrono>

#include "base/timing.h"
#include "modes/wire_protocol.h"

namespace mirelon {
namespace {

class MemoryTerminalLink : public TerminalLink {
 public:
  explicit MemoryTerminalLink(std::shared_ptr<MemorySerialLine> line) : line_(std::move(line)) {}
  size_t Receive(uint8_t* buffer, size_t n, int64_t timeoutMs) override {
    return line_->TerminalRead(buffer, n, timeoutMs);
  }
  void Send(const uint8_t* data, size_t n) override { line_->TerminalWrite(data, n); }
  void SetModemLines(bool cts, bool dsr) override { line_->SetModemLines(cts, dsr); }
  void Disappear() override { line_->Disappear(); }

 private:
  std::shared_ptr<MemorySerialLine> line_;
};

class DeviceTerminalLink : public TerminalLink {
 public:
  explicit DeviceTerminalLink(std::shared_ptr<SerialDevice> device) : device_(std::move(device)) {}
  size_t Receive(uint8_t* buffer, size_t n, int64_t timeoutMs) override {
    const int64_t end = NowMs() + timeoutMs;
    for (;;) {
      std::shared_ptr<SerialDevice> device = std::atomic_load(&device_);
      if (device) {
        DeviceQueues q = device->GetQueues();
        if (q.status == DeviceStatus::kOk && q.input > 0) {
          DeviceRead r = device->Read(buffer, std::min<size_t>(n, q.input));
          if (r.status == DeviceStatus::kOk && r.count > 0) return r.count;
        }
      }
      if (NowMs() >= end) return 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  void Send(const uint8_t* data, size_t n) override {
    if (std::shared_ptr<SerialDevice> device = std::atomic_load(&device_)) device->Write(data, n);
  }
  void SetModemLines(bool, bool) override {}
  void Disappear() override { std::atomic_store(&device_, std::shared_ptr<SerialDevice>()); }

 private:
  std::shared_ptr<SerialDevice> device_;
};

}  // namespace

std::unique_ptr<TerminalLink> MakeDeviceTerminalLink(std::shared_ptr<SerialDevice> device) {
  return std::make_unique<DeviceTerminalLink>(std::move(device));
}

std::unique_ptr<TerminalLink> MakeMemoryTerminalLink(std::shared_ptr<MemorySerialLine> line) {
  return std::make_unique<MemoryTerminalLink>(std::move(line));
}

TerminalSimulator::TerminalSimulator(std::unique_ptr<TerminalLink> link) : link_(std::move(link)) {
  info_[5] = 40;
  info_[8] = 'Q';
  info_[9] = 'Z';
  replies_[FRAME_VIEW_OPEN] = 0x01;
  replies_[FRAME_CHAT_OPEN] = 0x01;
  replies_[FRAME_TEXT_BEGIN] = 0x01;
  thread_ = std::thread(&TerminalSimulator::Run, this);
}

TerminalSimulator::~TerminalSimulator() {
  stop_ = true;
  thread_.join();
}

void TerminalSimulator::SetIdentity(Identity identity) {
  std::lock_guard<std::mutex> guard(lock_);
  identity_ = identity;
}

void TerminalSimulator::SetCellCount(uint8_t cells) {
  std::lock_guard<std::mutex> guard(lock_);
  info_[5] = cells;
}

void TerminalSimulator::SetTerminalInfo(const std::array<uint8_t, 32>& info) {
  std::lock_guard<std::mutex> guard(lock_);
  info_ = info;
}

void TerminalSimulator::SetReply(uint8_t command, std::optional<uint8_t> reply) {
  std::lock_guard<std::mutex> guard(lock_);
  replies_[command] = reply;
}

void TerminalSimulator::QueueReply(uint8_t command, std::optional<uint8_t> reply) {
  std::lock_guard<std::mutex> guard(lock_);
  queuedReplies_[command].push_back(reply);
}

void TerminalSimulator::SendBeforeNextAnswer(uint8_t command, std::vector<uint8_t> bytes) {
  std::lock_guard<std::mutex> guard(lock_);
  beforeAnswer_[command] = std::move(bytes);
}

void TerminalSimulator::SetSplit(std::vector<size_t> chunks, int64_t pauseMs) {
  std::lock_guard<std::mutex> guard(lock_);
  chunks_ = std::move(chunks);
  pauseMs_ = pauseMs;
}

void TerminalSimulator::SetFrameObserver(std::function<void(const ReceivedFrame&)> observer) {
  std::lock_guard<std::mutex> guard(lock_);
  observer_ = std::move(observer);
}

void TerminalSimulator::Output(const std::vector<uint8_t>& bytes) {
  std::vector<size_t> chunks;
  int64_t pauseMs;
  {
    std::lock_guard<std::mutex> guard(lock_);
    chunks = chunks_;
    pauseMs = pauseMs_;
  }
  std::lock_guard<std::mutex> guard(sendLock_);
  if (chunks.empty()) {
    if (!bytes.empty()) link_->Send(bytes.data(), bytes.size());
    return;
  }
  size_t at = 0;
  for (size_t k = 0; at < bytes.size(); ++k) {
    size_t n = std::min(bytes.size() - at, std::max<size_t>(1, chunks[k % chunks.size()]));
    link_->Send(bytes.data() + at, n);
    at += n;
    if (pauseMs > 0 && at < bytes.size())
      std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
  }
}

void TerminalSimulator::SendFrame(uint8_t command, uint8_t parameter,
                                  const std::vector<uint8_t>& payload) {
  Output(EncodeFrame(command, parameter, payload));
}

void TerminalSimulator::SendFramePrefix(uint8_t command, uint8_t parameter,
                                        const std::vector<uint8_t>& payload, size_t count) {
  std::vector<uint8_t> frame = EncodeFrame(command, parameter, payload);
  frame.resize(std::min(count, frame.size()));
  Output(frame);
}

void TerminalSimulator::SendBytes(const std::vector<uint8_t>& bytes) { Output(bytes); }

void TerminalSimulator::RaiseLines() { link_->SetModemLines(true, true); }
void TerminalSimulator::DropLines() { link_->SetModemLines(false, false); }
void TerminalSimulator::Disappear() { link_->Disappear(); }

std::vector<ReceivedFrame> TerminalSimulator::frames() const {
  std::lock_guard<std::mutex> guard(lock_);
  return frames_;
}

std::vector<uint8_t> TerminalSimulator::bareBytes() const {
  std::lock_guard<std::mutex> guard(lock_);
  return bare_;
}

std::vector<uint8_t> TerminalSimulator::received() const {
  std::lock_guard<std::mutex> guard(lock_);
  return received_;
}

int TerminalSimulator::identifyRequests() const {
  std::lock_guard<std::mutex> guard(lock_);
  return identifyRequests_;
}

bool TerminalSimulator::WaitForFrames(size_t count, int64_t timeoutMs) const {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                           [&] { return frames_.size() >= count; });
}

bool TerminalSimulator::WaitForBareBytes(size_t count, int64_t timeoutMs) const {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                           [&] { return bare_.size() >= count; });
}

void TerminalSimulator::Run() {
  uint8_t buffer[4096];
  while (!stop_.load()) {
    size_t n = link_->Receive(buffer, sizeof buffer, 20);
    if (n == 0) continue;
    {
      std::lock_guard<std::mutex> guard(lock_);
      received_.insert(received_.end(), buffer, buffer + n);
    }
    decoder_.Feed(std::span<const uint8_t>(buffer, n), *this);
  }
}

void TerminalSimulator::OnReplyBytes(std::span<const uint8_t> bytes) {
  std::lock_guard<std::mutex> guard(lock_);
  bare_.insert(bare_.end(), bytes.begin(), bytes.end());
  changed_.notify_all();
}

void TerminalSimulator::OnFrame(const Frame& frame) {
  ReceivedFrame received{frame.command, frame.parameter, {frame.payload.begin(), frame.payload.end()}};
  std::function<void(const ReceivedFrame&)> observer;
  {
    std::lock_guard<std::mutex> guard(lock_);
    frames_.push_back(received);
    if (received.command == FRAME_IDENTIFY) ++identifyRequests_;
    observer = observer_;
    changed_.notify_all();
  }
  if (observer) observer(received);
  Answer(received);
}

void TerminalSimulator::Answer(const ReceivedFrame& frame) {
  std::vector<uint8_t> answer;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (auto before = beforeAnswer_.find(frame.command); before != beforeAnswer_.end()) {
      answer = std::move(before->second);
      beforeAnswer_.erase(before);
    }
    if (frame.command == FRAME_IDENTIFY) {
      std::vector<uint8_t> info(info_.begin(), info_.end());
      switch (identity_) {
        case Identity::kAnswer:
          break;
        case Identity::kWrongLetters:
          info[8] = 'Q';
          info[9] = 'X';
          break;
        case Identity::kShort:
          info.pop_back();
          break;
        case Identity::kSilent:
          info.clear();
          break;
      }
      answer.insert(answer.end(), info.begin(), info.end());
    } else if (auto& queued = queuedReplies_[frame.command]; !queued.empty()) {
      if (queued.front()) answer.push_back(*queued.front());
      queued.pop_front();
    } else {
      auto it = replies_.find(frame.command);
      if (it != replies_.end() && it->second) answer.push_back(*it->second);
    }
  }
  if (!answer.empty()) Output(answer);
}

}  // namespace mirelon
