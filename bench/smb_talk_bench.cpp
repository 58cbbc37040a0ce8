// A talk on a file server over SMB, against the tests' Samba server on
// 127.0.0.1, with the product's timing:
//
//   IdleRequests: the SMB requests per second that one idle participant's
//   watcher costs the server, as the server counts them (its profile).
//   Latency: from one participant's AppendRecord to another participant's
//   watcher handing the record to its talk window.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>

#include "base/event.h"
#include "base/timing.h"
#include "base/utf.h"
#include "support/samba_server.h"
#include "talk/smb_store.h"
#include "talk/stream_watcher.h"
#include "talk/talk_context.h"
#include "talk/talk_file.h"
#include "talk/talk_window_sink.h"

namespace mirelon {
namespace {

// The requests the server has answered so far, by its profile counts.
long long ServerRequests(const SambaServer& server) {
  FILE* status = popen(("smbstatus -P -s " + server.configFile() + " 2>/dev/null").c_str(), "r");
  if (!status) return -1;
  long long total = 0;
  char line[512];
  while (fgets(line, sizeof line, status)) {
    char name[256];
    long long count = 0;
    if (sscanf(line, "%255[a-z0-9_]: %lld", name, &count) != 2) continue;
    const std::string_view n(name);
    if (n.substr(0, 5) == "smb2_" && n.size() > 11 && n.substr(n.size() - 6) == "_count")
      total += count;
  }
  pclose(status);
  return total;
}

struct NoticeSink : TalkWindowSink {
  void PostNewMessages(bool description) override {
    if (!description) fresh.Set();
  }
  void PostScanDone() override { scanned.Set(); }
  void PostRecordText(std::u16string) override {}
  void SendTerminalUser(std::u16string_view, bool) override {}
  Event scanned{Event::Kind::kManualReset};
  Event fresh{Event::Kind::kAutoReset};
};

// One participant on a new talk of the server, its watcher running.
struct Participant {
  explicit Participant(const std::u16string& talk) {
    std::string error;
    store = ConnectSmbStore(*ParseSmbTalkPath(talk, error), {}).store;
    if (!store) return;
    context = std::make_shared<TalkContext>(store);
    context->talkPath = talk;
    store->CreateNew(talk, kOwnerStream, "owner");
    store->EnsureFile(talk);
    watcher = std::make_unique<StreamWatcher>(context, sink, Timing());
    watcher->Start();
    sink->scanned.Wait(60000);
  }
  ~Participant() {
    if (watcher) watcher->Stop();
  }

  std::shared_ptr<StreamStore> store;
  std::shared_ptr<TalkContext> context;
  std::shared_ptr<NoticeSink> sink = std::make_shared<NoticeSink>();
  std::unique_ptr<StreamWatcher> watcher;
};

void BM_IdleRequests(benchmark::State& state) {
  SambaServer& server = SambaServer::Shared();
  if (!server.failure().empty()) return state.SkipWithError(server.failure().c_str());
  Participant idle(U16(server.NewFolder().url + "/idle.talk"));
  const auto seconds = std::chrono::seconds(state.range(0));
  long long requests = 0;
  // The server adds up its counts about once a second: the participant's
  // start is counted before the idle time is.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  for (auto _ : state) {
    const long long before = ServerRequests(server);
    std::this_thread::sleep_for(seconds);
    requests += ServerRequests(server) - before;
  }
  state.counters["requests_per_s"] =
      static_cast<double>(requests) /
      (static_cast<double>(state.iterations()) * static_cast<double>(seconds.count()));
}
// Long enough for the watcher's wide look past the number it waits on.
BENCHMARK(BM_IdleRequests)->Arg(90)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Latency(benchmark::State& state) {
  SambaServer& server = SambaServer::Shared();
  if (!server.failure().empty()) return state.SkipWithError(server.failure().c_str());
  const std::u16string talk = U16(server.NewFolder().url + "/latency.talk");
  Participant reader(talk);
  Participant writer(talk);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> moment(0, 999);
  for (auto _ : state) {
    if (!AppendRecord(*writer.context, u"talk\twriter\tmessage"))
      return state.SkipWithError("append failed");
    if (!reader.sink->fresh.Wait(60000)) return state.SkipWithError("not seen");
    // Messages come at any moment of the reader's polling second.
    state.PauseTiming();
    std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Latency)->Iterations(30)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace mirelon
