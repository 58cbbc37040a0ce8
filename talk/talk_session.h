// What the talk window does with records, without a window: sending the
// PC user's text, storing terminals' records and presence, and displaying
// the records the watcher read into the incoming pane.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "talk/records.h"

namespace mirelon {

struct MessageNode;
class TalkContext;
class TalkPane;

class TalkSession {
 public:
  TalkSession(TalkContext& context, TalkPane& incoming);

  // Receives every displayed text as it was before any display conversion:
  // the header line (message start) and the body of each message, and the
  // description with number 0. By default the text is cut into lines and
  // appended, in braille, to the talk's braille line list. Null: nothing is
  // handed on.
  using DisplayedTextHook =
      std::function<void(std::u16string_view text, uint32_t number, bool messageStart)>;
  void SetDisplayedTextHook(DisplayedTextHook hook) { displayedText_ = std::move(hook); }

  // Turns a text into what the pane shows (the braille-to-kana conversion
  // while braille input is off); none means the text is not shown. Null:
  // texts are shown unchanged.
  using DisplayConversion = std::function<std::optional<std::u16string>(std::u16string_view)>;
  void SetDisplayConversion(DisplayConversion conversion) { conversion_ = std::move(conversion); }

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
  // there. Returns false when that record could not be stored.
  bool ScanDone();
  // At shutdown, after the watcher has stopped: in a meeting, the out record
  // that pairs the in record.
  bool Leave();

  // Displays the nodes after the display cursor; returns how many.
  int DisplayNewMessages();
  // Displays the description at the top (meeting and share).
  void ShowDescription();

 private:
  void DisplayMessage(const std::u16string* header, const std::u16string* body, MessageNode* node);
  int InsertConverted(std::u16string_view text);

  TalkContext& context_;
  TalkPane& pane_;
  DisplayedTextHook displayedText_;
  DisplayConversion conversion_;
  bool entered_ = false;
};

}  // namespace mirelon
