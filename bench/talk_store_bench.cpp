// Reading and appending on a talk of 100,000 records in the platform's
// stream store.
//
//   FirstScan: the watcher's first scan and ingest, in records per second,
//   and its ratio to a plain read of the same streams (opening and reading
//   each one) done in the same run.
//   Append: the latency of one AppendRecord on a growing talk.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "base/event.h"
#include "base/file_io.h"
#include "base/timing.h"
#include "base/utf.h"
#include "talk/stream_watcher.h"
#include "talk/talk_context.h"
#include "talk/talk_file.h"
#include "talk/talk_window_sink.h"

namespace mirelon {
namespace {

constexpr uint32_t kRecords = 100000;

class BenchFolder {
 public:
  BenchFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("mirelon-bench-" + std::to_string(rd()));
    std::filesystem::create_directory(path_);
  }
  ~BenchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::u16string File(const char* name) const { return (path_ / name).u16string(); }

 private:
  std::filesystem::path path_;
};

// One talk of kRecords records, written once for the whole run.
struct BigTalk {
  BenchFolder folder;
  std::shared_ptr<StreamStore> store = CreatePlatformStreamStore();
  std::u16string path = folder.File("big.talk");
  BigTalk() {
    store->CreateNew(path, kOwnerStream, "owner");
    store->EnsureFile(path);
    for (uint32_t n = 1; n <= kRecords; ++n)
      store->CreateNew(path, MessageStreamName(n),
                       "talk\tuser" + std::to_string(n % 7) + "さん 3/05 9:07\tメッセージ " + std::to_string(n));
  }
};

BigTalk& Talk() {
  static BigTalk talk;
  return talk;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Tells when the first scan is done.
struct ScanDoneSink : TalkWindowSink {
  void PostNewMessages(bool) override {}
  void PostScanDone() override { done.Set(); }
  void PostRecordText(std::u16string) override {}
  void SendTerminalUser(std::u16string_view, bool) override {}
  Event done{Event::Kind::kManualReset};
};

void BM_FirstScan(benchmark::State& state) {
  BigTalk& talk = Talk();
  double scanSeconds = 0, plainSeconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto plainStart = std::chrono::steady_clock::now();
    size_t bytes = 0;
    for (uint32_t n = 1; n <= kRecords; ++n)
      if (auto data = ReadWholeFile(talk.path + u":" + MessageStreamName(n), kRecordLimit)) bytes += data->size();
    benchmark::DoNotOptimize(bytes);
    plainSeconds += Seconds(std::chrono::steady_clock::now() - plainStart);
    state.ResumeTiming();

    auto scanStart = std::chrono::steady_clock::now();
    auto context = std::make_shared<TalkContext>(talk.store);
    context->talkPath = talk.path;
    auto sink = std::make_shared<ScanDoneSink>();
    Timing timing;
    StreamWatcher watcher(context, sink, timing);
    watcher.Start();
    sink->done.Wait(60000);
    scanSeconds += Seconds(std::chrono::steady_clock::now() - scanStart);
    watcher.Stop();
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["records_per_s"] = kRecords * iterations / scanSeconds;
  state.counters["plain_read_records_per_s"] = kRecords * iterations / plainSeconds;
  state.counters["ratio_to_plain_read"] = plainSeconds / scanSeconds;
}
BENCHMARK(BM_FirstScan)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Append(benchmark::State& state) {
  BenchFolder folder;
  std::shared_ptr<StreamStore> store = CreatePlatformStreamStore();
  TalkContext context(store);
  context.talkPath = folder.File("append.talk");
  store->CreateNew(context.talkPath, kOwnerStream, "owner");
  store->EnsureFile(context.talkPath);
  const std::u16string record = U16("talk\tuser1さん 3/05 9:07\t今日の議題について");
  for (auto _ : state) {
    if (!AppendRecord(context, record)) state.SkipWithError("append failed");
    context.nextNumber.store(context.nextNumber.load() + 1);  // as the watcher would
  }
}
BENCHMARK(BM_Append)->Unit(benchmark::kMicrosecond)->Iterations(5000);

}  // namespace
}  // namespace mirelon
