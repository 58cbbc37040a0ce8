#include "window/window_ui_thread_win32.h"

namespace mirelon {

void WindowUiThread::Attach(HWND window) { window_ = window; }

void WindowUiThread::Post(std::function<void()> task) {
  HWND window;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    window = window_;
    if (closed_ || !window) return;
    queue_.push_back(std::move(task));
  }
  // One wake-up per task; a wake-up that finds the queue empty does nothing.
  PostMessageW(window, kRunPosted, 0, 0);
}

void WindowUiThread::Send(std::function<void()> task) {
  HWND window = window_;
  if (!window) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
  }
  // Runs at once on the window's own thread; a sender on another thread
  // waits until the window has handled it (a destroyed window fails the
  // call at once).
  SendMessageW(window, kRunSent, 0, reinterpret_cast<LPARAM>(&task));
}

void WindowUiThread::Close() {
  std::deque<std::function<void()>> dropped;
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  dropped.swap(queue_);
}

bool WindowUiThread::HandleMessage(UINT message, LPARAM lParam) {
  if (message == kRunSent) {
    bool closed;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closed = closed_;
    }
    if (!closed) (*reinterpret_cast<std::function<void()>*>(lParam))();
    return true;
  }
  if (message != kRunPosted) return false;
  std::function<void()> task;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_ || queue_.empty()) return true;
    task = std::move(queue_.front());
    queue_.pop_front();
  }
  task();
  return true;
}

}  // namespace mirelon
