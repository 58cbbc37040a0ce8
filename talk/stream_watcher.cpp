#include "talk/stream_watcher.h"

#include <algorithm>
#include <chrono>
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

// How far above a missing number the watcher looks for later records; as
// far as one append can jump.
constexpr uint32_t kGapProbe = kAppendTries;

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
  if (record->kind == ParsedRecord::Kind::kIn) context.members.Update(MemberEntry::kEntered, record->name);
  if (record->kind == ParsedRecord::Kind::kOut) context.members.Update(MemberEntry::kLeft, record->name);
  context.messages.Append(std::move(node));
  if (sink) sink->PostNewMessages(false);
  return IngestResult::kRead;
}

StreamWatcher::StreamWatcher(TalkContext& context, TalkWindowSink* sink, const Timing& timing)
    : context_(context), sink_(sink), timing_(timing) {}

StreamWatcher::~StreamWatcher() {
  stop_.store(true);
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool StreamWatcher::Start() {
  if (thread_.joinable() || !context_.IsOpen()) return false;
  running_.store(true);
  thread_ = std::thread([this] { Run(); });
  return true;
}

bool StreamWatcher::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_.store(true);
  }
  wake_.notify_all();
  std::unique_lock<std::mutex> lock(mutex_);
  for (int i = 0; i < timing_.watcherStopPolls && running_.load(); ++i)
    wake_.wait_for(lock, std::chrono::milliseconds(timing_.watcherStopPollMs),
                   [&] { return !running_.load(); });
  return !running_.load();
}

bool StreamWatcher::Pause(int64_t ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stop_.load(); });
  return !stop_.load();
}

bool StreamWatcher::LaterNumberExists(uint32_t n) {
  for (uint32_t k = 1; k <= kGapProbe && n + k <= kMaxMessageNumber; ++k)
    if (context_.store.Exists(context_.talkPath, MessageStreamName(n + k))) return true;
  return false;
}

void StreamWatcher::RecheckHeldBack(int64_t now) {
  for (auto it = heldBack_.begin(); it != heldBack_.end() && !Stopping();) {
    if (IngestRecord(context_, sink_, it->first) == IngestResult::kRead || now >= it->second)
      it = heldBack_.erase(it);
    else
      ++it;
  }
}

void StreamWatcher::Run() {
  TalkContext& c = context_;
  if (auto description = ReadStreamText(c.store, c.talkPath, kDescriptionStream)) {
    c.SetDescription(std::move(*description));
    if (sink_ && (c.meeting || c.share)) sink_->PostNewMessages(true);
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
  // so the scan tells it once, not once per record.
  bool appended = false;
  for (uint32_t n : found) {
    if (Stopping()) break;
    MessageNode* before = c.messages.Tail();
    // A record still being written as the talk opens is read later.
    if (IngestRecord(c, nullptr, n) != IngestResult::kRead)
      heldBack_[n] = scanTime + timing_.watcherRecheckWindowMs;
    appended |= c.messages.Tail() != before;
    scanNext = n + 1;
    RaiseNextNumber(c, n + 1);
  }
  if (appended && sink_ && !Stopping()) sink_->PostNewMessages(false);
  // A talk whose streams cannot be listed is not watched at all.
  if (listed == StreamStore::ListResult::kFailed || Stopping()) return Finish();
  if (sink_) sink_->PostScanDone();

  // Polling: wait on the lowest number not read yet.
  uint32_t i = scanNext == 0 ? 1 : scanNext;
  int64_t missingSince = -1;
  int64_t nextRecheck = NowMs() + timing_.watcherRecheckIntervalMs;
  while (!Stopping()) {
    const int64_t now = NowMs();
    if (!heldBack_.empty() && now >= nextRecheck) {
      RecheckHeldBack(now);
      nextRecheck = now + timing_.watcherRecheckIntervalMs;
    }
    IngestResult r = i <= kMaxMessageNumber ? IngestRecord(c, sink_, i) : IngestResult::kMissing;
    if (r == IngestResult::kRead) {
      ++i;
      RaiseNextNumber(c, i);
      missingSince = -1;
      if (!Pause(timing_.watcherCatchUpMs)) break;
      continue;
    }
    if (r == IngestResult::kMissing) {
      // A number that never appears while later ones do (a writer failed
      // after another took the next number) is looked past after a grace
      // period, and looked at now and then for a while after that.
      if (missingSince < 0) {
        missingSince = now;
      } else if (now - missingSince >= timing_.watcherGapGraceMs) {
        if (LaterNumberExists(i)) {
          heldBack_[i] = now + timing_.watcherRecheckWindowMs;
          ++i;
          missingSince = -1;
          continue;
        }
        missingSince = now;
      }
    } else {
      missingSince = -1;  // there, only not complete yet: wait for it
    }
    if (!Pause(timing_.watcherIdlePollMs)) break;
  }
  Finish();
}

void StreamWatcher::Finish() {
  std::lock_guard<std::mutex> lock(mutex_);
  running_.store(false);
  wake_.notify_all();
}

}  // namespace mirelon
