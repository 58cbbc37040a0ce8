#include "base/event.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/timing.h"

namespace mirelon {

Event::Event(Kind kind, bool signalled) : kind_(kind), signalled_(signalled) {}

void Event::Set() {
  std::lock_guard<std::mutex> guard(lock_);
  signalled_ = true;
  // Every waiter re-checks its events; an auto-reset event still goes to
  // exactly one of them, the first to consume it.
  for (Waiter* w : waiters_) {
    std::lock_guard<std::mutex> wl(w->lock);
    w->woken = true;
    w->wake.notify_one();
  }
}

void Event::Reset() {
  std::lock_guard<std::mutex> guard(lock_);
  signalled_ = false;
}

bool Event::IsSet() const {
  std::lock_guard<std::mutex> guard(lock_);
  return signalled_;
}

bool Event::TryConsume() {
  std::lock_guard<std::mutex> guard(lock_);
  if (!signalled_) return false;
  if (kind_ == Kind::kAutoReset) signalled_ = false;
  return true;
}

void Event::AddWaiter(Waiter* w) {
  std::lock_guard<std::mutex> guard(lock_);
  waiters_.push_back(w);
}

void Event::RemoveWaiter(Waiter* w) {
  std::lock_guard<std::mutex> guard(lock_);
  waiters_.erase(std::find(waiters_.begin(), waiters_.end(), w));
}

int Event::WaitAny(Event* const* events, int count, int64_t timeout_ms) {
  for (int i = 0; i < count; ++i)
    if (events[i] && events[i]->TryConsume()) return i;
  if (timeout_ms == 0) return -1;

  const int64_t deadline = timeout_ms < 0 ? 0 : NowMs() + timeout_ms;
  Waiter waiter;
  // Registered before the second check, so a Set between the check and the
  // sleep still wakes this wait.
  for (int i = 0; i < count; ++i)
    if (events[i]) events[i]->AddWaiter(&waiter);
  int result = -1;
  for (;;) {
    for (int i = 0; i < count && result < 0; ++i)
      if (events[i] && events[i]->TryConsume()) result = i;
    if (result >= 0) break;
    std::unique_lock<std::mutex> wl(waiter.lock);
    if (!waiter.woken) {
      if (timeout_ms < 0) {
        waiter.wake.wait(wl, [&] { return waiter.woken; });
      } else {
        const int64_t left = deadline - NowMs();
        if (left <= 0) break;
        waiter.wake.wait_for(wl, std::chrono::milliseconds(left), [&] { return waiter.woken; });
        if (!waiter.woken && NowMs() >= deadline) {
          wl.unlock();
          // One last look: a Set may have raced the time-out.
          for (int i = 0; i < count && result < 0; ++i)
            if (events[i] && events[i]->TryConsume()) result = i;
          break;
        }
      }
    }
    waiter.woken = false;
  }
  for (int i = 0; i < count; ++i)
    if (events[i]) events[i]->RemoveWaiter(&waiter);
  return result;
}

bool Event::Wait(int64_t timeout_ms) {
  Event* self = this;
  return WaitAny(&self, 1, timeout_ms) == 0;
}

Event::WaitResult Event::WaitOrStop(Event* stop, int64_t timeout_ms) {
  Event* events[2] = {this, stop};
  switch (WaitAny(events, 2, timeout_ms)) {
    case 0:
      return WaitResult::kSignalled;
    case 1:
      return WaitResult::kStopped;
    default:
      return WaitResult::kTimedOut;
  }
}

bool SleepUnlessStopped(Event* stop, int64_t ms) {
  if (!stop) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return true;
  }
  Event* events[1] = {stop};
  return Event::WaitAny(events, 1, ms) < 0;
}

}  // namespace mirelon
