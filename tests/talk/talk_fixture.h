// A talk in a fresh folder, with helpers to write streams directly and to
// run a watcher on it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "talk/talk_context.h"
#include "base/timing.h"
#include "support/fast_timing.h"
#include "support/scripted_stream_store.h"
#include "support/temp_dir.h"
#include "support/unowned.h"
#include "support/queued_talk_sink.h"
#include "talk/records.h"
#include "talk/stream_watcher.h"

namespace mirelon {

class TalkFixture {
 public:
  explicit TalkFixture(std::u16string_view name = u"t.talk", TalkMode mode = TalkMode::kTalk)
      : context(Unowned(store)) {
    context.talkPath = dir.File(name);
    context.userName = u"user1";
    context.meeting = mode == TalkMode::kMeeting;
    context.share = mode == TalkMode::kShare;
    store.CreateNew(context.talkPath, kOwnerStream, "user1");
    store.EnsureFile(context.talkPath);
  }

  // Writes a stream's bytes as another program would.
  void Write(std::u16string_view stream, std::string_view bytes) { store.CreateNew(context.talkPath, stream, bytes); }
  void WriteMessage(uint32_t n, std::string_view bytes) { Write(MessageStreamName(n), bytes); }

  void StartWatcher(const Timing& timing = FastTiming()) {
    watcher = std::make_unique<StreamWatcher>(Unowned(context), Unowned<TalkWindowSink>(sink), timing);
    watcher->Start();
  }

  // Handles the sink's events with `handle` until `done` holds; false when
  // nothing more arrives for a long while (a failure, not a timing).
  bool PumpUntil(const std::function<bool()>& done,
                 const std::function<void(const TalkEvent&)>& handle = nullptr) {
    while (!done()) {
      std::optional<TalkEvent> e = sink.Wait(20000);
      if (!e) return false;
      if (handle) handle(*e);
      sink.Done(*e);
    }
    return true;
  }

  TempDir dir;
  ScriptedStreamStore store;
  QueuedTalkSink sink;
  TalkContext context;
  std::unique_ptr<StreamWatcher> watcher;
};

// Numbers of the nodes in the list, in list order.
inline std::vector<uint32_t> Numbers(const MessageList& list) {
  std::vector<uint32_t> out;
  for (MessageNode* n = list.First(); n; n = MessageList::Next(n)) out.push_back(n->number);
  return out;
}

}  // namespace mirelon
