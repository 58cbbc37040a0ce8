// The front end's thread (the talk window's, or the runner's main thread)
// as other threads reach it: the watcher and the terminal clients hand it
// work as tasks, which run there one at a time in the order given.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace mirelon {

class UiThread {
 public:
  virtual ~UiThread() = default;
  // Queues a task and returns at once. Dropped once the thread is closed.
  virtual void Post(std::function<void()> task) = 0;
  // Runs a task on the UI thread and returns when it has run (at once when
  // called there). Once the thread is closed it returns without running it.
  virtual void Send(std::function<void()> task) = 0;
  // Called on the UI thread: no task runs after this; tasks still waiting
  // are dropped and waiting senders return.
  virtual void Close() = 0;
};

// A UiThread whose tasks wait in a queue until its owning thread takes
// them: the headless runner's main thread, and tests.
class QueuedUiThread final : public UiThread {
 public:
  // The constructing thread is the owning one.
  QueuedUiThread() : owner_(std::this_thread::get_id()) {}

  void Post(std::function<void()> task) override;
  void Send(std::function<void()> task) override;
  void Close() override;

  // Owning thread: runs the next task, waiting at most `timeoutMs` for one.
  // False when none came.
  bool RunNext(int64_t timeoutMs);
  // Owning thread: runs tasks for `ms` milliseconds, or until `enough`
  // holds (looked at after each task, and at least every `lookMs` while
  // nothing arrives).
  void RunFor(int64_t ms, const std::function<bool()>& enough, int64_t lookMs);

 private:
  struct Item {
    std::function<void()> task;
    uint64_t ticket = 0;  // a sender waits for this ticket to be done
  };

  const std::thread::id owner_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Item> queue_;
  uint64_t nextTicket_ = 1;
  uint64_t doneUpTo_ = 0;
  bool closed_ = false;
};

}  // namespace mirelon
