// A TalkWindowSink that queues what it is told, for the test's thread to
// handle.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "talk/talk_window_sink.h"

namespace mirelon {

struct TalkEvent {
  enum class Kind {
    kNewMessages,   // flag: description
    kScanDone,
    kPostText,      // text: the record
    kTerminalUser,  // text: the name; flag: left
    kCall,          // call: work handed to the owning thread
  } kind = Kind::kNewMessages;
  bool flag = false;
  std::u16string text;
  std::function<void()> call;
  uint64_t ticket = 0;  // SendTerminalUser waits for this ticket to be done
};

class QueuedTalkSink : public TalkWindowSink {
 public:
  void PostNewMessages(bool description) override;
  void PostScanDone() override;
  void PostRecordText(std::u16string record) override;
  void SendTerminalUser(std::u16string_view name, bool left) override;

  // Queues work for the owning thread (for instance a line read from
  // standard input on another thread).
  void PostCall(std::function<void()> call);

  // Owning thread: the next event, waiting at most `timeoutMs`; none when
  // nothing arrived or the sink is closed and empty.
  std::optional<TalkEvent> Wait(int64_t timeoutMs);
  // Owning thread: marks an event handled; a sender waiting for it returns.
  void Done(const TalkEvent& event);

  // Refuses further sends (a sender then returns at once) and releases the
  // waiting ones; used at shutdown.
  void Close();

 private:
  void Push(TalkEvent event);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<TalkEvent> queue_;
  uint64_t nextTicket_ = 1;
  uint64_t doneUpTo_ = 0;
  bool closed_ = false;
};

}  // namespace mirelon
