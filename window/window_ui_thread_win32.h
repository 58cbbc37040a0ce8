// The talk window's thread as other threads reach it: tasks wait in a
// queue owned by this object and a posted message only wakes the window to
// run them, so nothing is lost or leaked when the window goes first. A
// sent task travels in a sent message; its sender waits and keeps it.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

#include "app/ui_thread.h"

namespace mirelon {

class WindowUiThread final : public UiThread {
 public:
  // The messages the window hands to HandleMessage.
  static constexpr UINT kRunPosted = WM_APP + 1;
  static constexpr UINT kRunSent = WM_APP + 2;

  // The window that runs the tasks; set once it exists, on its thread.
  void Attach(HWND window);

  void Post(std::function<void()> task) override;
  void Send(std::function<void()> task) override;
  void Close() override;

  // The window procedure's part: true when `message` was one of ours.
  bool HandleMessage(UINT message, LPARAM lParam);

 private:
  std::atomic<HWND> window_{nullptr};
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  bool closed_ = false;
};

}  // namespace mirelon
