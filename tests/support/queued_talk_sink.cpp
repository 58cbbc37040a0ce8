#include "support/queued_talk_sink.h"

#include <chrono>

namespace mirelon {

void QueuedTalkSink::Push(TalkEvent event) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
    queue_.push_back(std::move(event));
  }
  changed_.notify_all();
}

void QueuedTalkSink::PostNewMessages(bool description) {
  TalkEvent e;
  e.kind = TalkEvent::Kind::kNewMessages;
  e.flag = description;
  Push(std::move(e));
}

void QueuedTalkSink::PostScanDone() {
  TalkEvent e;
  e.kind = TalkEvent::Kind::kScanDone;
  Push(std::move(e));
}

void QueuedTalkSink::PostRecordText(std::u16string record) {
  TalkEvent e;
  e.kind = TalkEvent::Kind::kPostText;
  e.text = std::move(record);
  Push(std::move(e));
}

void QueuedTalkSink::PostCall(std::function<void()> call) {
  TalkEvent e;
  e.kind = TalkEvent::Kind::kCall;
  e.call = std::move(call);
  Push(std::move(e));
}

void QueuedTalkSink::SendTerminalUser(std::u16string_view name, bool left) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_) return;
  TalkEvent e;
  e.kind = TalkEvent::Kind::kTerminalUser;
  e.text = std::u16string(name);
  e.flag = left;
  // Tickets are handed out in queue order and handled in queue order.
  e.ticket = nextTicket_++;
  const uint64_t ticket = e.ticket;
  queue_.push_back(std::move(e));
  changed_.notify_all();
  changed_.wait(lock, [&] { return closed_ || doneUpTo_ >= ticket; });
}

std::optional<TalkEvent> QueuedTalkSink::Wait(int64_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !queue_.empty() || closed_; });
  if (queue_.empty()) return std::nullopt;
  TalkEvent e = std::move(queue_.front());
  queue_.pop_front();
  return e;
}

void QueuedTalkSink::Done(const TalkEvent& event) {
  if (event.ticket == 0) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (event.ticket > doneUpTo_) doneUpTo_ = event.ticket;
  }
  changed_.notify_all();
}

void QueuedTalkSink::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

}  // namespace mirelon
