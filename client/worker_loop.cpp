#include "client/worker_loop.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

namespace mirelon {
namespace {

class PortableWorkerLoop : public WorkerLoop {
 public:
  PortableWorkerLoop(WorkerLoopHandler* handler, const Timing& timing)
      : handler_(handler), periodMs_(timing.clientTimerMs) {}

  bool PostCommand(uint32_t wparam, intptr_t lparam) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (ended_) return false;
    queue_.push_back({wparam, lparam, false});
    wake_.notify_one();
    return true;
  }

  void Close() override {
    std::lock_guard<std::mutex> guard(lock_);
    if (ended_) return;
    queue_.push_back({0, 0, true});
    wake_.notify_one();
  }

  void Run() override {
    int64_t nextTick = NowMs() + periodMs_;
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
      if (!queue_.empty()) {
        Item item = queue_.front();
        queue_.pop_front();
        if (item.close) {
          ended_ = true;
          queue_.clear();
          guard.unlock();
          handler_->OnWorkerClosed();
          return;
        }
        guard.unlock();
        handler_->OnWorkerCommand(item.wparam, item.lparam);
        guard.lock();
        continue;
      }
      // Like WM_TIMER, a tick is only delivered when nothing else waits.
      int64_t now = NowMs();
      if (now >= nextTick) {
        nextTick = now + periodMs_;
        guard.unlock();
        handler_->OnWorkerTimer();
        guard.lock();
        continue;
      }
      wake_.wait_for(guard, std::chrono::milliseconds(nextTick - now));
    }
  }

 private:
  struct Item {
    uint32_t wparam;
    intptr_t lparam;
    bool close;
  };

  WorkerLoopHandler* const handler_;
  const int64_t periodMs_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Item> queue_;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<WorkerLoop> CreatePortableWorkerLoop(WorkerLoopHandler* handler,
                                                     const Timing& timing) {
  return std::make_unique<PortableWorkerLoop>(handler, timing);
}

#ifndef _WIN32
std::unique_ptr<WorkerLoop> CreateWorkerLoop(WorkerLoopHandler* handler, const std::u16string&,
                                             const Timing& timing) {
  return CreatePortableWorkerLoop(handler, timing);
}

bool RegisterWorkerWindowClass() { return true; }
#endif

}  // namespace mirelon
