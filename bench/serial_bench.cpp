// Serial transport figures: frame assembly throughput through the receive
// ring, the frame decoder's own throughput, and the processor time an idle
// connected port costs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "base/ref_ptr.h"
#include "client/port_conn.h"

using namespace mirelon;

namespace {

// A line that always has bytes queued: an endless stream of frames, or
// nothing at all when `stream` is empty.
class StreamDevice : public SerialDevice {
 public:
  explicit StreamDevice(std::vector<uint8_t> stream) : stream_(std::move(stream)) {}
  bool Configure(uint32_t) override { return true; }
  void SetDtr(bool) override {}
  DeviceQueues GetQueues() override {
    DeviceQueues q;
    q.input = stream_.empty() ? 0 : 16384;
    return q;
  }
  ModemLines GetModemLines() override { return ModemLines::kUp; }
  DeviceRead Read(uint8_t* buffer, size_t n) override {
    DeviceRead r;
    for (; r.count < n && !stream_.empty(); ++r.count) {
      buffer[r.count] = stream_[at_];
      at_ = (at_ + 1) % stream_.size();
    }
    return r;
  }
  DeviceStatus Write(const uint8_t*, size_t) override { return DeviceStatus::kOk; }
  void Purge() override {}
  void WatchEvents(bool) override {}
  void Cancel() override {}

 private:
  std::vector<uint8_t> stream_;
  size_t at_ = 0;
};

class CountingConnection : public CPortConn {
 public:
  CountingConnection(const Timing& timing, std::vector<uint8_t> stream)
      : CPortConn(timing, [stream](const std::u16string&, const DeviceTimeouts&) {
          return std::make_shared<StreamDevice>(stream);
        }) {}
  bool CreateWorkerWindow() override { return false; }
  bool CloseAll() override {
    StopDispatch();
    port(0).Close();
    return true;
  }
  bool OpenPort(int index) override { return port(index).Open(u"bench", nullptr, 115200); }
  bool ClosePort(int index) override { return port(index).Close(); }
  void OnFrame(SerialPort&, const Frame& frame) override {
    bytes += frame.payload.size() + kFrameHeaderSize;
  }
  std::atomic<uint64_t> bytes{0};
};

std::vector<uint8_t> FrameStream(size_t payload) {
  std::vector<uint8_t> bytes(payload);
  for (size_t i = 0; i < payload; ++i) bytes[i] = static_cast<uint8_t>(i);
  return EncodeFrame(FRAME_KEY, 0, bytes);
}

// Bytes of frames delivered to OnFrame per second. With the product's
// timing the reader's sleeps bound the rate; with them at 0 the figure is
// the cost of the ring and the assembly itself.
void Throughput(benchmark::State& state, bool productTiming) {
  Timing timing;
  if (!productTiming) {
    timing.serialReaderDrainedMs = 0;
    timing.serialReaderMoreMs = 0;
    timing.serialReaderIdleMs = 0;
    timing.serialReaderRingFullMs = 0;
    timing.serialOpenPollMs = 1;
  }
  RefPtr<CountingConnection> conn(
      new CountingConnection(timing, FrameStream(static_cast<size_t>(state.range(0)))));
  conn->OpenPort(0);
  conn->port(0).CheckModemLines();
  conn->StartDispatch();
  uint64_t total = 0;
  for (auto _ : state) {
    uint64_t start = conn->bytes.load();
    auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    uint64_t moved = conn->bytes.load() - start;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(seconds);
    total += moved;
  }
  state.SetBytesProcessed(static_cast<int64_t>(total));
  conn->CloseAll();
}

void BM_FrameAssembly(benchmark::State& state) { Throughput(state, false); }
void BM_FrameAssemblyProductTiming(benchmark::State& state) { Throughput(state, true); }

// Bytes of frames the decoder cuts per second, fed in reads of up to 4096
// bytes with a reply byte between frames: the cost of decoding alone.
void BM_FrameDecoder(benchmark::State& state) {
  std::vector<uint8_t> stream;
  while (stream.size() < 65536) {
    const std::vector<uint8_t> frame = FrameStream(static_cast<size_t>(state.range(0)));
    stream.insert(stream.end(), frame.begin(), frame.end());
    stream.push_back(0x01);
  }
  struct Counter : FrameDecoder::Sink {
    void OnReplyBytes(std::span<const uint8_t> bytes) override { replies += bytes.size(); }
    void OnFrame(const Frame& frame) override { frames += frame.payload.size() + kFrameHeaderSize; }
    uint64_t replies = 0;
    uint64_t frames = 0;
  } counter;
  FrameDecoder decoder;
  const std::span<const uint8_t> all(stream);
  for (auto _ : state) {
    for (size_t at = 0; at < all.size(); at += 4096)
      decoder.Feed(all.subspan(at, std::min<size_t>(4096, all.size() - at)), counter);
    benchmark::DoNotOptimize(counter.frames);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}

double CpuSeconds() {
  rusage u;
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Processor time of a connected port with no traffic: the reader polls
// every 50 ms and the dispatch thread waits for data.
void BM_IdleConnectedPort(benchmark::State& state) {
  RefPtr<CountingConnection> conn(new CountingConnection(Timing(), {}));
  conn->OpenPort(0);
  conn->port(0).CheckModemLines();
  conn->StartDispatch();
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    double c0 = CpuSeconds();
    auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(seconds);
    cpu += CpuSeconds() - c0;
    wall += seconds;
  }
  state.counters["cpu_ms_per_s"] = 1000.0 * cpu / wall;
  conn->CloseAll();
}

}  // namespace

BENCHMARK(BM_FrameAssembly)->Arg(16)->Arg(256)->Arg(4096)->UseManualTime()->Iterations(5);
BENCHMARK(BM_FrameAssemblyProductTiming)->Arg(256)->UseManualTime()->Iterations(5);
BENCHMARK(BM_FrameDecoder)->Arg(0)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_IdleConnectedPort)->UseManualTime()->Iterations(3);
