#include "talk/message_list.h"

namespace mirelon {

MessageList::~MessageList() {
  // Iteratively: a long talk must not recurse once per node.
  MessageNode* node = sentinel_.next.load(std::memory_order_relaxed);
  while (node) {
    MessageNode* next = node->next.load(std::memory_order_relaxed);
    delete node;
    node = next;
  }
}

void MessageList::Append(std::unique_ptr<MessageNode> node) {
  MessageNode* raw = node.release();
  tail_->next.store(raw, std::memory_order_release);
  tail_ = raw;
}

MessageNode* MessageList::AdvanceCursor() {
  MessageNode* next = cursor_->next.load(std::memory_order_acquire);
  if (next) cursor_ = next;
  return next;
}

size_t MemberList::Update(MemberEntry::State state, std::u16string_view name, uint32_t number) {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t i = 0;
  while (i < entries_.size() && entries_[i].name != name) ++i;
  if (i == entries_.size()) {
    entries_.push_back(MemberEntry{state, std::u16string(name), number});
  } else if (number > entries_[i].number) {
    entries_[i].state = state;
    entries_[i].number = number;
  } else {
    return i;
  }
  if (listener_) listener_(i, entries_[i]);
  return i;
}

std::vector<MemberEntry> MemberList::Watch(Listener listener) {
  std::lock_guard<std::mutex> lock(mutex_);
  listener_ = std::move(listener);
  return entries_;
}

void MemberList::Unwatch() {
  Listener gone;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    gone = std::move(listener_);
    listener_ = nullptr;
  }
}

std::vector<MemberEntry> MemberList::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_;
}

}  // namespace mirelon
