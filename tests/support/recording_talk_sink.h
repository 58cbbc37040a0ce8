// A talk window for client tests: records the records posted to it and the
// terminal users' joining and leaving, in the order they came, and lets a
// test wait for them. Sends return at once.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "talk/talk_window_sink.h"

namespace mirelon {

class RecordingTalkSink : public TalkWindowSink {
 public:
  struct Presence {
    std::u16string name;
    bool left = false;
    bool operator==(const Presence&) const = default;
  };

  void PostNewMessages(bool) override {}
  void PostScanDone() override {}
  void PostRecordText(std::u16string record) override;
  void SendTerminalUser(std::u16string_view name, bool left) override;

  std::vector<std::u16string> records() const;
  std::vector<Presence> presence() const;
  // Wait until at least `n` records (presence changes) arrived; false when
  // they did not within `boundMs`.
  bool WaitForRecords(size_t n, int64_t boundMs = 10000) const;
  bool WaitForPresence(size_t n, int64_t boundMs = 10000) const;

 private:
  mutable std::mutex lock_;
  mutable std::condition_variable changed_;
  std::vector<std::u16string> records_;
  std::vector<Presence> presence_;
};

}  // namespace mirelon
