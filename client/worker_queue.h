// The commands waiting for one worker loop, kept by the loop object: in
// posting order, up to the close request, after which nothing more is
// accepted. Any thread posts; the loop's thread takes. The platform loops
// differ only in how they wake their thread.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <utility>

#include "client/worker_command.h"

namespace mirelon {

class WorkerQueue {
 public:
  enum class Next { kNone, kCommand, kClose };

  // Queues `command`; false once the queue is closed. `wake` (returning
  // bool) is called under the queue's lock when the queue was empty, the
  // loop's thread then possibly asleep; when it fails the command is taken
  // back and the post fails.
  template <class Wake>
  bool Post(WorkerCommand command, Wake wake) {
    std::lock_guard<std::mutex> guard(lock_);
    if (closed_) return false;
    const bool wasEmpty = items_.empty();
    items_.emplace_back(std::move(command));
    if (wasEmpty && !wake()) {
      items_.pop_back();
      return false;
    }
    return true;
  }

  // Closes the queue behind the commands already in it.
  template <class Wake>
  void Close(Wake wake) {
    std::lock_guard<std::mutex> guard(lock_);
    if (closed_) return;
    closed_ = true;
    const bool wasEmpty = items_.empty();
    items_.emplace_back(std::nullopt);
    if (wasEmpty) wake();
  }

  // The next item for the loop's thread: a command (stored in `command`),
  // the close request, or nothing.
  Next Take(WorkerCommand& command) {
    std::lock_guard<std::mutex> guard(lock_);
    if (items_.empty()) return Next::kNone;
    std::optional<WorkerCommand> item = std::move(items_.front());
    items_.pop_front();
    if (!item) {
      items_.clear();
      return Next::kClose;
    }
    command = std::move(*item);
    return Next::kCommand;
  }

 private:
  std::mutex lock_;
  std::deque<std::optional<WorkerCommand>> items_;  // none: the close request
  bool closed_ = false;
};

}  // namespace mirelon
