#include "app/ui_thread.h"

#include <algorithm>
#include <chrono>

#include "base/timing.h"

namespace mirelon {

void QueuedUiThread::Post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
    queue_.push_back({std::move(task), 0});
  }
  changed_.notify_all();
}

void QueuedUiThread::Send(std::function<void()> task) {
  if (std::this_thread::get_id() == owner_) {
    bool closed;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closed = closed_;
    }
    if (!closed) task();
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_) return;
  // Tickets are handed out in queue order and done in queue order.
  const uint64_t ticket = nextTicket_++;
  queue_.push_back({std::move(task), ticket});
  changed_.notify_all();
  changed_.wait(lock, [&] { return closed_ || doneUpTo_ >= ticket; });
}

void QueuedUiThread::Close() {
  std::deque<Item> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    dropped.swap(queue_);
  }
  changed_.notify_all();
  // The tasks are destroyed here, outside the lock.
}

bool QueuedUiThread::RunNext(int64_t timeoutMs) {
  Item item;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [&] { return !queue_.empty() || closed_; });
    if (queue_.empty()) return false;
    item = std::move(queue_.front());
    queue_.pop_front();
  }
  item.task();
  if (item.ticket != 0) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (item.ticket > doneUpTo_) doneUpTo_ = item.ticket;
    }
    changed_.notify_all();
  }
  return true;
}

void QueuedUiThread::RunFor(int64_t ms, const std::function<bool()>& enough, int64_t lookMs) {
  const int64_t end = NowMs() + ms;
  for (int64_t left = ms; left > 0 && !(enough && enough()); left = end - NowMs())
    RunNext(std::min(left, std::max<int64_t>(lookMs, 1)));
}

}  // namespace mirelon
