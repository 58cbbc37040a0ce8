// The watcher thread of a talk: reads the description once, every message
// stream present at the start, then polls for the next number. Every record
// read becomes a MessageNode; the talk window hears of it through its sink.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

#include "base/timing.h"

namespace mirelon {

class TalkContext;
class TalkWindowSink;

enum class IngestResult {
  kRead,      // the number is done with (a node was appended, or the record was of another kind)
  kMissing,   // no stream with this number exists
  kNotReady,  // it exists but cannot be read yet (being written, locked, empty)
};

// Reads message number n into the context's lists and tells the sink.
IngestResult IngestRecord(TalkContext& context, TalkWindowSink* sink, uint32_t n);

class StreamWatcher {
 public:
  // `sink` may be null (then nothing is told).
  StreamWatcher(TalkContext& context, TalkWindowSink* sink, const Timing& timing);
  ~StreamWatcher();  // stops and joins
  StreamWatcher(const StreamWatcher&) = delete;
  StreamWatcher& operator=(const StreamWatcher&) = delete;

  bool Start();
  // Sets the stop flag and waits, up to the stop polls of the timing, for
  // the thread to end. False when it did not end in time (it is still
  // joined by the destructor).
  bool Stop();
  bool Running() const { return running_.load(); }

 private:
  void Run();
  void Finish();  // the thread's last step: Stop() stops waiting
  // Sleeps up to `ms`; false when asked to stop.
  bool Pause(int64_t ms);
  bool Stopping() const { return stop_.load(); }
  bool LaterNumberExists(uint32_t n);
  void RecheckHeldBack(int64_t now);

  TalkContext& context_;
  TalkWindowSink* sink_;
  Timing timing_;
  std::thread thread_;
  std::atomic<bool> stop_{false};    // the StopFlag
  std::atomic<bool> running_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  // Numbers below the polled one that have not been read: unreadable at the
  // first scan, or skipped as missing. Each with the time after which it is
  // given up.
  std::map<uint32_t, int64_t> heldBack_;
};

}  // namespace mirelon
