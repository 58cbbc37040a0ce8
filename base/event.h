// A signalled/non-signalled flag that threads wait on, with waits that also
// end when a second event (usually the owner's stop event) is signalled.
//
// Manual-reset events stay signalled until Reset; auto-reset events are
// consumed by the one wait they end. A wait on {this, stop} gives the first
// event priority when both are signalled, as a wait-any on {this, stop}
// does. Waiting never holds one event's lock while blocking, so any number
// of threads may wait on any combination of events.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace mirelon {

class Event {
 public:
  enum class Kind { kManualReset, kAutoReset };
  enum class WaitResult { kSignalled, kStopped, kTimedOut };
  // A time-out that never expires.
  static constexpr int64_t kInfinite = -1;

  explicit Event(Kind kind = Kind::kManualReset, bool signalled = false);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  // Whether the event is signalled now; never consumes it.
  bool IsSet() const;

  // Waits up to `timeout_ms` (0 only checks); true when the event was
  // signalled (an auto-reset event is consumed).
  bool Wait(int64_t timeout_ms);

  // Waits until this event or `stop` (which may be null) is signalled, or
  // the time-out passes. kSignalled consumes this event when it is an
  // auto-reset one; `stop` is consumed only when it is auto-reset and ended
  // the wait.
  WaitResult WaitOrStop(Event* stop, int64_t timeout_ms);

  // Waits for any of `events`; the index of the one that ended the wait
  // (lowest index first when several are signalled), or -1 on time-out.
  static int WaitAny(Event* const* events, int count, int64_t timeout_ms);

 private:
  struct Waiter {
    std::mutex lock;
    std::condition_variable wake;
    bool woken = false;
  };

  bool TryConsume();
  void AddWaiter(Waiter* w);
  void RemoveWaiter(Waiter* w);

  const Kind kind_;
  mutable std::mutex lock_;
  bool signalled_;
  std::vector<Waiter*> waiters_;
};

// Sleeps `ms` milliseconds unless `stop` is signalled first; true when the
// whole time passed, false when stopped.
bool SleepUnlessStopped(Event* stop, int64_t ms);

}  // namespace mirelon
