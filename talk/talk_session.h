// What the talk window stores in the talk, without a window: the PC user's
// text, terminals' records and presence, and in a meeting the PC user's
// own in and out records.
#pragma once

#include <string>
#include <string_view>

#include "talk/records.h"

namespace mirelon {

class TalkContext;

class TalkSession {
 public:
  explicit TalkSession(TalkContext& context) : context_(context) {}

  enum class SendResult { kNothing, kStored, kFailed };
  // Sends the outgoing text as a talk record: line breaks become CR, in a
  // share talk the first line names the speaker. kStored: clear the
  // outgoing pane; kFailed: keep the text there; kNothing: no talk open or
  // no text.
  SendResult Send(std::u16string_view text, const LocalTime& now);

  // A complete record from a chat-mode terminal.
  bool PostText(std::u16string_view record);
  // A terminal user joined or left; recorded in meetings only.
  bool TerminalUser(std::u16string_view name, bool left);

  // The watcher's first scan is done: in a meeting the PC user's in record
  // is appended now, once NextNumber stands past every record already
  // there. Returns false when that record could not be stored; it is then
  // tried again before each of the PC user's messages until it is.
  bool ScanDone();
  // At shutdown, after the watcher has stopped: in a meeting, the out record
  // that pairs a stored in record.
  bool Leave();

 private:
  bool Enter();

  TalkContext& context_;
  enum class Presence { kOutside, kEntering, kEntered } presence_ = Presence::kOutside;
};

}  // namespace mirelon
