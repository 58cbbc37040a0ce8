// The records read from a talk so far, and the members of a meeting.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace mirelon {

struct MessageNode {
  uint32_t number = 0;
  std::u16string header;               // empty, never none, for talk records
  std::optional<std::u16string> body;  // none for in and out records
  // Set by the talk window when it displays the node.
  int startPosition = 0;  // where the header line begins in the incoming pane
  int bodyPosition = 0;   // just after the header line
  bool marked = false;
  std::atomic<MessageNode*> next{nullptr};
};

// A single-producer, single-consumer list. The watcher appends; the talk
// window walks it from its display cursor. A node is complete before it is
// linked (release); a reader sees everything in a node it reached (acquire).
// Nodes live as long as the list.
class MessageList {
 public:
  MessageList() = default;
  ~MessageList();
  MessageList(const MessageList&) = delete;
  MessageList& operator=(const MessageList&) = delete;

  // Watcher side: appends a complete node; the last node appended.
  void Append(std::unique_ptr<MessageNode> node);
  MessageNode* Tail() const { return tail_; }

  // Talk window side: the node after the display cursor, which then moves
  // to it; null when there is none yet.
  MessageNode* AdvanceCursor();
  // The node at the display cursor, the last one displayed; null before
  // the first.
  MessageNode* Cursor() const { return cursor_ == &sentinel_ ? nullptr : cursor_; }
  // The first node (null when empty) and the node after `node`.
  MessageNode* First() const { return sentinel_.next.load(std::memory_order_acquire); }
  static MessageNode* Next(const MessageNode* node) {
    return node->next.load(std::memory_order_acquire);
  }

 private:
  MessageNode sentinel_;
  MessageNode* tail_ = &sentinel_;    // watcher only
  MessageNode* cursor_ = &sentinel_;  // talk window only
};

struct MemberEntry {
  enum State { kEntered = 1, kLeft = 2 };
  State state = kEntered;
  std::u16string name;
  uint32_t number = 0;  // the message number of the record that set the state
};

// Everyone whose in or out record was read, in the order they first
// appeared, each with the state of the newest record about them (by
// message number: a record read late does not undo a newer one). Changed
// by the watcher, read by the member list dialog.
class MemberList {
 public:
  // Told of each change on the thread that made it, under the list's lock:
  // the member's index and what the member is now. It only hands the
  // change on.
  using Listener = std::function<void(size_t index, const MemberEntry& member)>;

  // Sets the state of the member with exactly this name (case-sensitive)
  // from the record with message number `number`, adding the member at the
  // end when new. A record older than the one that set the member's state
  // changes nothing. Returns the member's index.
  size_t Update(MemberEntry::State state, std::u16string_view name, uint32_t number);
  std::vector<MemberEntry> Snapshot() const;

  // The members now; every later change goes to `listener` until Unwatch,
  // so that none is missed or told twice. One listener at a time.
  std::vector<MemberEntry> Watch(Listener listener);
  // Once this returns the listener is not called any more.
  void Unwatch();

 private:
  mutable std::mutex mutex_;
  std::vector<MemberEntry> entries_;
  Listener listener_;
};

}  // namespace mirelon
