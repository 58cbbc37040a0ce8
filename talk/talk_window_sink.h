// What the watcher and the terminal clients tell the talk window. The
// Windows talk window posts or sends itself the matching WM_COMMAND
// messages; the headless runner and the tests queue them and handle them
// on the owning thread (QueuedTalkSink).
#pragma once

#include <string>
#include <string_view>

namespace mirelon {

class TalkWindowSink {
 public:
  virtual ~TalkWindowSink() = default;

  // Posted. `description` true: the description was read and should be
  // shown at the top (meeting and share); false: new nodes were appended
  // to the MessageList.
  virtual void PostNewMessages(bool description) = 0;

  // Posted once, when the watcher's first scan of the talk is done.
  virtual void PostScanDone() = 0;

  // Posted by a chat-mode client: a complete record to append. The talk
  // window owns the text from here on.
  virtual void PostRecordText(std::u16string record) = 0;

  // Sent: a terminal user joined (left false) or left a meeting. Returns
  // once the talk window has handled it; the caller keeps its name.
  virtual void SendTerminalUser(std::u16string_view name, bool left) = 0;
};

}  // namespace mirelon
