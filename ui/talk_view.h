// The incoming pane's side of the talk: messages and the description put
// into a TalkPane as the talk window shows them. Each message is a bold
// header line "N: header", its body and an empty line; the user's
// selection stays where it was while messages arrive.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ui/talk_pane.h"

namespace mirelon {

struct MessageNode;

class TalkView {
 public:
  explicit TalkView(TalkPane& pane) : pane_(pane) {}

  // Turns a text into what the pane shows (the braille-to-kana conversion
  // while braille input is off); none means the text is not shown. Null:
  // texts are shown unchanged.
  using DisplayConversion = std::function<std::optional<std::u16string>(std::u16string_view)>;
  void SetDisplayConversion(DisplayConversion conversion) { conversion_ = std::move(conversion); }

  // Shows the nodes after everything shown so far, in one insertion, and
  // sets each node's start and body positions.
  void ShowMessages(std::span<MessageNode* const> nodes);
  // Shows the description (meeting and share) as a message without header.
  void ShowDescription(std::u16string_view description);

  // Where the next text goes: the number of characters shown.
  int InsertionPosition() const { return at_; }
  TalkPane& Pane() { return pane_; }

 private:
  struct Batch;
  void Append(Batch& batch, const std::u16string* header, const std::u16string* body, MessageNode* node);
  void Insert(const Batch& batch);

  TalkPane& pane_;
  DisplayConversion conversion_;
  int at_ = 0;
};

}  // namespace mirelon
