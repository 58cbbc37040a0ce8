// A minimal terminal connection for transport tests: a portable
// worker loop whose quit command closes everything, ports opened by index,
// and a record of every frame handed to OnFrame.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "base/ref_ptr.h"
#include "client/port_conn.h"
#include "support/fast_timing.h"
#include "support/terminal_simulator.h"

namespace mirelon {

struct SeenFrame {
  int port = -1;
  uint8_t command = 0;
  uint8_t parameter = 0;
  std::vector<uint8_t> payload;
};

class TestConnection : public CPortConn, public WorkerLoopHandler {
 public:
  TestConnection(const Timing& timing, SerialDeviceOpener opener,
                 std::shared_ptr<std::atomic<bool>> destroyed = nullptr)
      : CPortConn(timing, std::move(opener)), destroyed_(std::move(destroyed)) {}
  ~TestConnection() override {
    if (destroyed_) *destroyed_ = true;
  }

  bool CreateWorkerWindow() override {
    if (refuseWindow) return false;
    SetWorkerWindow(CreatePortableWorkerLoop(this, timing()));
    return true;
  }
  bool CloseAll() override {
    StopDispatch();
    ClosePort(0);
    ClosePort(1);
    return true;
  }
  bool OpenPort(int index) override {
    const std::u16string& name = index == 0 ? portName() : port2Name();
    return port(index).Open(name, nullptr, speed());
  }
  bool ClosePort(int index) override { return port(index).Close(); }
  void OnFrame(SerialPort& p, const Frame& frame) override {
    if (frameGate) frameGate->Wait(Event::kInfinite);
    SeenFrame seen{&p == &port(0) ? 0 : 1, frame.command, frame.parameter,
                   std::vector<uint8_t>(frame.payload.begin(), frame.payload.end())};
    std::lock_guard<std::mutex> guard(lock_);
    frames_.push_back(std::move(seen));
    changed_.notify_all();
  }

  // Worker loop: 1025 closes everything and ends the loop; 50 blocks until
  // the command gate opens.
  void OnWorkerCommand(const WorkerCommand& command) override {
    if (command.id == CMD_CLIENT_QUIT) {
      CloseAll();
      CloseWorkerWindow();
    } else if (command.id == 50 && commandGate) {
      commandGate->Wait(Event::kInfinite);
    }
  }
  void OnWorkerTimer() override { ++ticks; }

  std::vector<SeenFrame> frames() {
    std::lock_guard<std::mutex> guard(lock_);
    return frames_;
  }
  bool WaitForFrames(size_t n, int64_t boundMs = 10000) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(boundMs),
                             [&] { return frames_.size() >= n; });
  }

  bool refuseWindow = false;
  Event* frameGate = nullptr;
  Event* commandGate = nullptr;
  std::atomic<int> ticks{0};

 private:
  std::shared_ptr<std::atomic<bool>> destroyed_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<SeenFrame> frames_;
};

}  // namespace mirelon
