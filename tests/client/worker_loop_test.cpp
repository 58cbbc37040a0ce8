#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "base/event.h"
#include "client/worker_loop.h"
#include "support/fast_timing.h"

using namespace mirelon;

namespace {

// Records what the loop delivers; command 99 closes the loop from inside,
// as a client's quit command does.
class Recorder : public WorkerLoopHandler {
 public:
  void OnWorkerCommand(const WorkerCommand& command) override {
    std::lock_guard<std::mutex> guard(lock);
    commands.push_back(command);
    if (command.id == 99) loop->Close();
  }
  void OnWorkerTimer() override {
    ++ticks;
    if (ticks.load() == 3) threeTicks.Set();
  }
  void OnWorkerClosed() override { closed = true; }

  WorkerLoop* loop = nullptr;
  std::mutex lock;
  std::vector<WorkerCommand> commands;
  std::atomic<int> ticks{0};
  std::atomic<bool> closed{false};
  Event threeTicks;
};

// Runs a loop made by `make` on its own thread, as a connection's worker
// thread does.
template <class Make>
void Exercise(Make make) {
  Timing timing = FastTiming();
  Recorder recorder;
  Event created;
  WorkerLoop* loop = nullptr;
  std::thread worker([&] {
    std::unique_ptr<WorkerLoop> own = make(&recorder, timing);
    loop = own.get();
    recorder.loop = loop;
    created.Set();
    if (own) own->Run();
  });
  ASSERT_TRUE(created.Wait(10000));
  if (!loop) {
    worker.join();
    FAIL() << "no worker loop (a window needs a display under Wine)";
  }
  for (uint32_t i = 1; i <= 50; ++i)
    EXPECT_TRUE(loop->PostCommand({1000 + i, i, std::u16string(i, u'⠁')}));
  EXPECT_TRUE(recorder.threeTicks.Wait(10000));  // the timer keeps ticking
  EXPECT_TRUE(loop->PostCommand({99}));
  worker.join();
  EXPECT_TRUE(recorder.closed.load());
  ASSERT_EQ(recorder.commands.size(), 51u);
  for (uint32_t i = 1; i <= 50; ++i) {
    EXPECT_EQ(recorder.commands[i - 1].id, 1000 + i);  // in posting order
    EXPECT_EQ(recorder.commands[i - 1].value, i);
    EXPECT_EQ(recorder.commands[i - 1].text, std::u16string(i, u'⠁'));
  }
}

TEST(WorkerLoop, PortableLoopDeliversCommandsInOrderTicksAndCloses) {
  Exercise([](WorkerLoopHandler* h, const Timing& t) { return CreatePortableWorkerLoop(h, t); });
}

TEST(WorkerLoop, PlatformLoopDeliversCommandsInOrderTicksAndCloses) {
  ASSERT_TRUE(RegisterWorkerWindowClass());
  Exercise([](WorkerLoopHandler* h, const Timing& t) { return CreateWorkerLoop(h, u"COM3", t); });
}

TEST(WorkerLoop, CloseFromAnotherThreadEndsRunAndRefusesLaterCommands) {
  Timing timing = FastTiming();
  Recorder recorder;
  auto loop = CreatePortableWorkerLoop(&recorder, timing);
  recorder.loop = loop.get();
  EXPECT_TRUE(loop->PostCommand({5, 6}));
  loop->Close();
  loop->Run();  // handles what came before the close, then returns
  EXPECT_TRUE(recorder.closed.load());
  ASSERT_EQ(recorder.commands.size(), 1u);
  EXPECT_FALSE(loop->PostCommand({7, 8}));
}

}  // namespace
