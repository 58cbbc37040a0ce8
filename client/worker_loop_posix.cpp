// Without windows the worker loop is the portable one.
#include "client/worker_loop.h"

namespace mirelon {

std::unique_ptr<WorkerLoop> CreateWorkerLoop(WorkerLoopHandler* handler, const std::u16string&,
                                             const Timing& timing) {
  return CreatePortableWorkerLoop(handler, timing);
}

bool RegisterWorkerWindowClass() { return true; }

}  // namespace mirelon
