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

size_t MemberList::Update(MemberEntry::State state, std::u16string_view name) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].name == name) {
      entries_[i].state = state;
      return i;
    }
  }
  entries_.push_back(MemberEntry{state, std::u16string(name)});
  return entries_.size() - 1;
}

std::vector<MemberEntry> MemberList::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_;
}

}  // namespace mirelon
