// The watcher thread of a talk: reads the description once, every message
// stream present at the start, then polls for the next number. Every record
// read becomes a MessageNode; the talk window hears of it through its sink.
#pragma once

#include <cstdint>
#include <memory>
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
  // The watcher shares the context and the sink with whoever made it: a
  // watcher that does not stop in time (a read that hangs on a network
  // share) keeps them alive until its thread ends. `sink` may be null
  // (then nothing is told).
  StreamWatcher(std::shared_ptr<TalkContext> context, std::shared_ptr<TalkWindowSink> sink,
                const Timing& timing);
  // Stops the thread; one that has not ended after the stop polls is left
  // to end on its own instead of holding the caller up.
  ~StreamWatcher();
  StreamWatcher(const StreamWatcher&) = delete;
  StreamWatcher& operator=(const StreamWatcher&) = delete;

  // False when the talk is not open, the watcher runs already, or its
  // thread cannot be started.
  bool Start();
  // Sets the stop flag and waits, up to the stop polls of the timing, for
  // the thread to end. False when it did not end in time.
  bool Stop();
  bool Running() const;

 private:
  // Everything the thread uses; the thread holds it too.
  struct Worker;
  std::shared_ptr<Worker> worker_;
  std::thread thread_;
};

}  // namespace mirelon
