// The worker loop as a hidden window with its own message loop. The
// commands stay in the loop object's queue; the window is only sent a
// wake-up message without data, so a window that goes first loses nothing
// that would need freeing.
#include <windows.h>

#include <atomic>
#include <mutex>

#include "base/utf.h"
#include "client/worker_loop.h"
#include "client/worker_queue.h"

namespace mirelon {
namespace {

const wchar_t kWorkerClassName[] = L"Orin_Mirelon_ClientWorker_WndClass";
// Commands are waiting in the loop's queue.
constexpr UINT kWakeMessage = WM_APP + 1;

class WindowWorkerLoop : public WorkerLoop {
 public:
  WindowWorkerLoop(WorkerLoopHandler* handler, const Timing& timing)
      : handler_(handler), periodMs_(timing.clientTimerMs) {}

  ~WindowWorkerLoop() override {
    HWND hwnd = hwnd_.load();
    if (hwnd) DestroyWindow(hwnd);
  }

  bool Create(const std::u16string& title) {
    HWND hwnd = CreateWindowExW(0, kWorkerClassName, ToWide(title).c_str(), WS_POPUP | WS_DISABLED,
                                0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    hwnd_ = hwnd;
    return hwnd != nullptr;
  }

  bool PostCommand(WorkerCommand command) override {
    return queue_.Post(std::move(command), [this] { return Wake(); });
  }

  void Close() override {
    queue_.Close([this] { return Wake(); });
  }

  void Run() override {
    MSG msg;
    while (hwnd_.load() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      auto* self = static_cast<WindowWorkerLoop*>(create->lpCreateParams);
      if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
      SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(self));
      SetTimer(hwnd, kTimerId, static_cast<UINT>(self->periodMs_), nullptr);
      return 0;
    }
    auto* self = reinterpret_cast<WindowWorkerLoop*>(GetWindowLongPtrW(hwnd, 0));
    if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
    switch (message) {
      case kWakeMessage:
        self->RunQueued(hwnd);
        return 0;
      case WM_TIMER:
        if (wparam == kTimerId) {
          self->handler_->OnWorkerTimer();
          return 0;
        }
        break;
      case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
      case WM_DESTROY:
        KillTimer(hwnd, kTimerId);
        SetWindowLongPtrW(hwnd, 0, 0);
        self->hwnd_ = nullptr;
        self->handler_->OnWorkerClosed();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }

 private:
  bool Wake() {
    HWND hwnd = hwnd_.load();
    return hwnd && PostMessageW(hwnd, kWakeMessage, 0, 0);
  }

  // Every command queued so far, in order; the close request destroys the
  // window.
  void RunQueued(HWND hwnd) {
    WorkerCommand command;
    for (;;) {
      switch (queue_.Take(command)) {
        case WorkerQueue::Next::kNone:
          return;
        case WorkerQueue::Next::kClose:
          DestroyWindow(hwnd);
          return;
        case WorkerQueue::Next::kCommand:
          handler_->OnWorkerCommand(command);
          break;
      }
    }
  }

  WorkerLoopHandler* const handler_;
  const int64_t periodMs_;
  std::atomic<HWND> hwnd_{nullptr};
  WorkerQueue queue_;
};

}  // namespace

bool RegisterWorkerWindowClass() {
  static std::once_flag once;
  static bool registered = false;
  std::call_once(once, [] {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowWorkerLoop::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);  // the loop object
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWorkerClassName;
    registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  });
  return registered;
}

std::unique_ptr<WorkerLoop> CreateWorkerLoop(WorkerLoopHandler* handler,
                                             const std::u16string& title, const Timing& timing) {
  if (!RegisterWorkerWindowClass()) return nullptr;
  auto loop = std::make_unique<WindowWorkerLoop>(handler, timing);
  if (!loop->Create(title)) return nullptr;
  return loop;
}

}  // namespace mirelon
