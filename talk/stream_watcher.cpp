#include "talk/stream_watcher.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <vector>

#include "talk/talk_context.h"
#include "talk/records.h"
#include "talk/talk_file.h"
#include "talk/talk_window_sink.h"

namespace mirelon {
namespace {

void RaiseNextNumber(TalkContext& context, uint32_t past) {
  uint32_t current = context.nextNumber.load();
  while (past > current && !context.nextNumber.compare_exchange_weak(current, past)) {
  }
}

// How far above a missing number the watcher looks for later records.
// Writers take the first free number, so a gap is only as wide as the
// writes that failed in a row there.
constexpr uint32_t kGapProbe = kAppendTries;

// A gap is nearly always one number wide: the writer after it found the
// missing number taken and took the next one. So the watcher looks at that
// one number each time, and that far only every so often: each look costs
// a request on a file server, and an idle talk is looked at all the time.
constexpr int kWideGapLookEvery = 8;

}  // namespace

IngestResult IngestRecord(TalkContext& context, TalkWindowSink* sink, uint32_t n) {
  StreamText read = ReadStream(context.store, context.talkPath, MessageStreamName(n));
  if (read.status == StreamText::Status::kMissing) return IngestResult::kMissing;
  if (read.status == StreamText::Status::kNotReady) return IngestResult::kNotReady;
  // Text that did not decode exactly is shown as decoded leniently: a
  // complete stream never blocks the talk.
  std::optional<ParsedRecord> record = ParseRecord(read.text);
  if (!record) return IngestResult::kRead;  // another kind: passed over

  auto node = std::make_unique<MessageNode>();
  node->number = n;
  node->header = std::move(record->header);
  node->body = std::move(record->body);
  if (record->kind == ParsedRecord::Kind::kIn)
    context.members.Update(MemberEntry::kEntered, record->name, n);
  if (record->kind == ParsedRecord::Kind::kOut)
    context.members.Update(MemberEntry::kLeft, record->name, n);
  context.messages.Append(std::move(node));
  if (sink) sink->PostNewMessages(false);
  return IngestResult::kRead;
}

struct StreamWatcher::Worker {
  Worker(std::shared_ptr<TalkContext> c, std::shared_ptr<TalkWindowSink> s, const Timing& t)
      : context(std::move(c)), sink(std::move(s)), timing(t) {}

  void Run();
  void Finish();  // the thread's last step: Stop() stops waiting
  // Sleeps up to `ms`; false when asked to stop.
  bool Pause(int64_t ms);
  bool Stopping() const { return stop.load(); }
  bool LaterNumberExists(uint32_t n, uint32_t reach);
  void RecheckHeldBack(int64_t now);

  const std::shared_ptr<TalkContext> context;
  const std::shared_ptr<TalkWindowSink> sink;
  const Timing timing;
  std::atomic<bool> stop{false};  // the StopFlag
  std::atomic<bool> running{false};
  std::mutex mutex;
  std::condition_variable wake;
  // Numbers below the polled one that have not been read: unreadable at the
  // first scan, or looked past. Each with the time after which it is given
  // up.
  std::map<uint32_t, int64_t> heldBack;
};

StreamWatcher::StreamWatcher(std::shared_ptr<TalkContext> context, std::shared_ptr<TalkWindowSink> sink,
                             const Timing& timing)
    : worker_(std::make_shared<Worker>(std::move(context), std::move(sink), timing)) {}

StreamWatcher::~StreamWatcher() {
  if (!thread_.joinable()) return;
  if (!worker_->stop.load()) Stop();
  if (worker_->running.load())
    thread_.detach();  // it holds what it uses, and ends when its read returns
  else
    thread_.join();
}

bool StreamWatcher::Start() {
  if (thread_.joinable() || !worker_->context->IsOpen()) return false;
  worker_->running.store(true);
  try {
    thread_ = std::thread([worker = worker_] { worker->Run(); });
  } catch (const std::system_error&) {
    worker_->running.store(false);
    return false;
  }
  return true;
}

bool StreamWatcher::Running() const { return worker_->running.load(); }

bool StreamWatcher::Stop() {
  Worker& w = *worker_;
  {
    std::lock_guard<std::mutex> lock(w.mutex);
    w.stop.store(true);
  }
  w.wake.notify_all();
  std::unique_lock<std::mutex> lock(w.mutex);
  for (int i = 0; i < w.timing.watcherStopPolls && w.running.load(); ++i)
    w.wake.wait_for(lock, std::chrono::milliseconds(w.timing.watcherStopPollMs), [&] { return !w.running.load(); });
  return !w.running.load();
}

bool StreamWatcher::Worker::Pause(int64_t ms) {
  std::unique_lock<std::mutex> lock(mutex);
  wake.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stop.load(); });
  return !stop.load();
}

bool StreamWatcher::Worker::LaterNumberExists(uint32_t n, uint32_t reach) {
  for (uint32_t k = 1; k <= reach && n + k <= kMaxMessageNumber; ++k)
    if (context->store.Exists(context->talkPath, MessageStreamName(n + k))) return true;
  return false;
}

void StreamWatcher::Worker::RecheckHeldBack(int64_t now) {
  for (auto it = heldBack.begin(); it != heldBack.end() && !Stopping();) {
    if (IngestRecord(*context, sink.get(), it->first) == IngestResult::kRead || now >= it->second)
      it = heldBack.erase(it);
    else
      ++it;
  }
}

void StreamWatcher::Worker::Run() {
  TalkContext& c = *context;
  if (auto description = ReadStreamText(c.store, c.talkPath, kDescriptionStream)) {
    c.SetDescription(std::move(*description));
    if (sink && (c.meeting || c.share)) sink->PostNewMessages(true);
  }

  // First scan: every message stream present now. Sibling files come in
  // no particular order, so the numbers are read in ascending order.
  std::vector<uint32_t> found;
  auto visit = [&](std::u16string_view reported) {
    if (Stopping()) return false;
    if (std::optional<uint32_t> n = ParseMessageStreamName(reported)) found.push_back(*n);
    return true;
  };
  StreamStore::ListResult listed = c.store.List(c.talkPath, visit);
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  uint32_t scanNext = 0;
  const int64_t scanTime = NowMs();
  // The talk window displays every node after its cursor at each notice,
  // so the scan tells it now and then, not once per record: a long talk
  // is shown while the rest is still being read.
  bool appended = false;
  int64_t lastNotice = scanTime;
  uint32_t listedBefore = 0;
  for (uint32_t n : found) {
    if (Stopping()) break;
    MessageNode* before = c.messages.Tail();
    // A listing made while others write can leave out a number that was
    // claimed after it was looked at, and still report later ones (a file
    // server's streams are asked for one by one; a folder may be listed
    // in any order). Numbers between two listed ones are read in their
    // place; one still missing now is a write that failed.
    if (n - listedBefore - 1 <= kGapProbe) {
      for (uint32_t m = listedBefore + 1; m < n && !Stopping(); ++m)
        if (IngestRecord(c, nullptr, m) == IngestResult::kNotReady)
          heldBack[m] = scanTime + timing.watcherRecheckWindowMs;
    }
    listedBefore = n;
    // A record still being written as the talk opens is read later.
    if (IngestRecord(c, nullptr, n) != IngestResult::kRead)
      heldBack[n] = scanTime + timing.watcherRecheckWindowMs;
    appended |= c.messages.Tail() != before;
    scanNext = n + 1;
    RaiseNextNumber(c, n + 1);
    if (appended && sink && NowMs() - lastNotice >= timing.watcherScanNoticeMs) {
      sink->PostNewMessages(false);
      appended = false;
      lastNotice = NowMs();
    }
  }
  if (appended && sink && !Stopping()) sink->PostNewMessages(false);
  // A talk whose streams cannot be listed is not watched at all.
  if (listed == StreamStore::ListResult::kFailed || Stopping()) return Finish();
  if (sink) sink->PostScanDone();

  // Polling: wait on the lowest number not read yet.
  uint32_t i = scanNext == 0 ? 1 : scanNext;
  int64_t waitingSince = -1;
  int gapLooks = 0;  // since the last record read
  int64_t nextRecheck = NowMs() + timing.watcherRecheckIntervalMs;
  while (!Stopping()) {
    const int64_t now = NowMs();
    if (!heldBack.empty() && now >= nextRecheck) {
      RecheckHeldBack(now);
      nextRecheck = now + timing.watcherRecheckIntervalMs;
    }
    IngestResult r = i <= kMaxMessageNumber ? IngestRecord(c, sink.get(), i) : IngestResult::kMissing;
    if (r == IngestResult::kRead) {
      ++i;
      RaiseNextNumber(c, i);
      waitingSince = -1;
      gapLooks = 0;
      if (!Pause(timing.watcherCatchUpMs)) break;
      continue;
    }
    // A number that stays missing or unreadable while later ones exist (a
    // writer failed after another took the next number, died between
    // claiming the number and writing it, or lost its share mid-write) is
    // looked past after a grace period far longer than any write takes,
    // and looked at now and then for a while after that.
    if (waitingSince < 0) {
      waitingSince = now;
    } else if (now - waitingSince >= timing.watcherGapGraceMs) {
      if (LaterNumberExists(i, ++gapLooks % kWideGapLookEvery == 0 ? kGapProbe : 1)) {
        heldBack[i] = now + timing.watcherRecheckWindowMs;
        ++i;
        waitingSince = -1;
        continue;
      }
      waitingSince = now;
    }
    if (!Pause(timing.watcherIdlePollMs)) break;
  }
  Finish();
}

void StreamWatcher::Worker::Finish() {
  std::lock_guard<std::mutex> lock(mutex);
  running.store(false);
  wake.notify_all();
}

}  // namespace mirelon
