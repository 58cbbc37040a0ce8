// The state of the one open talk of a run: what the talk store, the
// watcher, the talk window and the terminals share. The application's own
// parts (the terminal clients, the watcher thread, the engines) belong to
// the TalkController that owns this.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "braille/braille_line_list.h"
#include "talk/message_list.h"
#include "talk/records.h"
#include "talk/stream_store.h"

namespace mirelon {

class TalkContext {
 public:
  // The context shares the store with whoever made it: a watcher that did
  // not stop in time keeps both until its thread ends.
  explicit TalkContext(std::shared_ptr<StreamStore> store);
  ~TalkContext();
  TalkContext(const TalkContext&) = delete;
  TalkContext& operator=(const TalkContext&) = delete;

  StreamStore& store;

  // Set once the talk is open (OpenTalk); not changed afterwards.
  std::u16string talkPath;
  std::u16string userName;  // logon name, at most 64 characters; may be empty
  bool owner = false;
  bool meeting = false;
  bool share = false;

  bool IsOpen() const { return !talkPath.empty(); }
  TalkMode Mode() const {
    return meeting ? TalkMode::kMeeting : share ? TalkMode::kShare : TalkMode::kTalk;
  }

  // The number at which the next append starts trying. Raised by the
  // watcher past every number it reads; set by AppendRecord to the number
  // it wrote. A stale value only costs extra tries.
  std::atomic<uint32_t> nextNumber{1};

  // Read once by the watcher, shown by the talk window.
  void SetDescription(std::u16string text);
  std::optional<std::u16string> Description() const;

  // Held from opening until shutdown, so that nobody else opens the talk
  // file for writing or deleting meanwhile.
  std::unique_ptr<HeldFile> mainFile;

  MessageList messages;
  MemberList members;
  // Every displayed text in braille, line by line; the terminals read it.
  BrailleLineList brailleLines;

  // The start-up file written last in this run; offered again next time.
  std::u16string startupFilePath;

 private:
  const std::shared_ptr<StreamStore> sharedStore_;  // what `store` refers to
  mutable std::mutex descriptionMutex_;
  std::optional<std::u16string> description_;
};

}  // namespace mirelon
