// The thread that hosts a terminal client's "worker window": commands
// posted from any thread, a supervision timer (id 1, every clientTimerMs)
// and a close request, all handled one at a time, in posting order, on the
// thread that runs the loop.
//
// The loop object keeps the commands itself. On Windows the loop is a
// hidden window of the class "Orin_Mirelon_ClientWorker_WndClass" with its
// message loop, and a posted window message only wakes it; elsewhere a
// condition variable does. The loop is created and run on the same thread
// (the connection's worker thread); PostCommand and Close may be called
// from any thread while the object exists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/timing.h"
#include "client/worker_command.h"

namespace mirelon {

// What the loop calls, always on its own thread.
class WorkerLoopHandler {
 public:
  virtual ~WorkerLoopHandler() = default;
  // A posted command.
  virtual void OnWorkerCommand(const WorkerCommand& command) = 0;
  // The supervision timer (id 1).
  virtual void OnWorkerTimer() = 0;
  // The loop is being destroyed (WM_DESTROY); Run returns right after.
  virtual void OnWorkerClosed() {}
};

class WorkerLoop {
 public:
  static constexpr uint32_t kTimerId = 1;

  virtual ~WorkerLoop() = default;
  // Queues a command for the loop's thread; false when the loop is closing
  // or has ended, or its thread could not be woken.
  virtual bool PostCommand(WorkerCommand command) = 0;
  // Asks the loop to close: commands queued before it are handled, later
  // ones refused; then OnWorkerClosed, and Run returns.
  virtual void Close() = 0;
  // Handles commands and timer ticks until the loop closes. On the
  // creating thread only.
  virtual void Run() = 0;
};

// The platform's worker loop (a hidden window on Windows), created on the
// calling thread with `title` (the port name) as its window title. Null
// when it cannot be created.
std::unique_ptr<WorkerLoop> CreateWorkerLoop(WorkerLoopHandler* handler,
                                             const std::u16string& title, const Timing& timing);

// The portable loop: std::thread friendly queue, condition variable and
// timer; used where there are no windows, and by tests everywhere.
std::unique_ptr<WorkerLoop> CreatePortableWorkerLoop(WorkerLoopHandler* handler,
                                                     const Timing& timing);

// Windows: registers the worker window class once per process (the talk
// window's thread calls it before any client exists); true when the class
// is registered. Elsewhere there is nothing to register.
bool RegisterWorkerWindowClass();

}  // namespace mirelon
