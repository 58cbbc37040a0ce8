#include "support/recording_talk_sink.h"

#include <chrono>

namespace mirelon {

void RecordingTalkSink::PostRecordText(std::u16string record) {
  std::lock_guard<std::mutex> guard(lock_);
  records_.push_back(std::move(record));
  changed_.notify_all();
}

void RecordingTalkSink::SendTerminalUser(std::u16string_view name, bool left) {
  std::lock_guard<std::mutex> guard(lock_);
  presence_.push_back({std::u16string(name), left});
  changed_.notify_all();
}

std::vector<std::u16string> RecordingTalkSink::records() const {
  std::lock_guard<std::mutex> guard(lock_);
  return records_;
}

std::vector<RecordingTalkSink::Presence> RecordingTalkSink::presence() const {
  std::lock_guard<std::mutex> guard(lock_);
  return presence_;
}

bool RecordingTalkSink::WaitForRecords(size_t n, int64_t boundMs) const {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, std::chrono::milliseconds(boundMs), [&] { return records_.size() >= n; });
}

bool RecordingTalkSink::WaitForPresence(size_t n, int64_t boundMs) const {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, std::chrono::milliseconds(boundMs), [&] { return presence_.size() >= n; });
}

}  // namespace mirelon
