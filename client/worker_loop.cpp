#include "client/worker_loop.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "client/worker_queue.h"

namespace mirelon {
namespace {

class PortableWorkerLoop : public WorkerLoop {
 public:
  PortableWorkerLoop(WorkerLoopHandler* handler, const Timing& timing)
      : handler_(handler), periodMs_(timing.clientTimerMs) {}

  bool PostCommand(WorkerCommand command) override {
    return queue_.Post(std::move(command), [this] { return Wake(); });
  }

  void Close() override {
    queue_.Close([this] { return Wake(); });
  }

  void Run() override {
    int64_t nextTick = NowMs() + periodMs_;
    WorkerCommand command;
    for (;;) {
      switch (queue_.Take(command)) {
        case WorkerQueue::Next::kClose:
          handler_->OnWorkerClosed();
          return;
        case WorkerQueue::Next::kCommand:
          handler_->OnWorkerCommand(command);
          continue;
        case WorkerQueue::Next::kNone:
          break;
      }
      // Like WM_TIMER, a tick is only delivered when nothing else waits.
      const int64_t now = NowMs();
      if (now >= nextTick) {
        nextTick = now + periodMs_;
        handler_->OnWorkerTimer();
        continue;
      }
      std::unique_lock<std::mutex> guard(wakeLock_);
      wake_.wait_for(guard, std::chrono::milliseconds(nextTick - now), [this] { return woken_; });
      woken_ = false;
    }
  }

 private:
  bool Wake() {
    {
      std::lock_guard<std::mutex> guard(wakeLock_);
      woken_ = true;
    }
    wake_.notify_one();
    return true;
  }

  WorkerLoopHandler* const handler_;
  const int64_t periodMs_;
  WorkerQueue queue_;
  std::mutex wakeLock_;
  std::condition_variable wake_;
  bool woken_ = false;
};

}  // namespace

std::unique_ptr<WorkerLoop> CreatePortableWorkerLoop(WorkerLoopHandler* handler,
                                                     const Timing& timing) {
  return std::make_unique<PortableWorkerLoop>(handler, timing);
}

}  // namespace mirelon
