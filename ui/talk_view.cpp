#include "ui/talk_view.h"

#include <vector>

#include "talk/message_list.h"
#include "talk/records.h"

namespace mirelon {

// The text of a batch and the header ranges in it, relative to where it
// goes.
struct TalkView::Batch {
  std::u16string text;
  std::vector<FormattedRange> headers;
};

void TalkView::Append(Batch& batch, const std::u16string* header, const std::u16string* body,
                      MessageNode* node) {
  auto add = [&](std::u16string_view text) {
    if (!conversion_) {
      batch.text += text;
      return;
    }
    if (std::optional<std::u16string> shown = conversion_(text)) batch.text += *shown;
  };
  auto position = [&] { return at_ + static_cast<int>(batch.text.size()); };

  if (node) node->startPosition = position();
  if (header) {
    const int start = position();
    add(*header);
    const int end = position();
    if (end > start) batch.headers.push_back({start - at_, end - at_, CharFormat{true, node && node->marked}});
    if (end == start || batch.text.back() != u'\r') batch.text += u'\r';
  }
  if (node) node->bodyPosition = position();
  if (body) {
    add(*body);
    if (body->empty() || body->back() != u'\r') batch.text += u'\r';
  }
  batch.text += u'\r';  // an empty line between messages
}

void TalkView::Insert(const Batch& batch) {
  if (batch.text.empty()) return;
  const PaneSelection kept = pane_.Selection();
  const int taken = pane_.InsertFormatted(at_, batch.text, batch.headers);
  // A pane that could not take everything: what follows goes after what it
  // holds, not after what it should hold.
  at_ = taken == static_cast<int>(batch.text.size()) ? at_ + taken : pane_.TextLength();
  pane_.SetSelection(kept);
}

void TalkView::ShowMessages(std::span<MessageNode* const> nodes) {
  Batch batch;
  for (MessageNode* node : nodes) {
    const std::u16string header = DisplayHeaderLine(node->number, node->header);
    if (node->body) {
      const std::u16string body = NormalizeLineBreaks(*node->body);
      Append(batch, &header, &body, node);
    } else {
      Append(batch, &header, nullptr, node);
    }
  }
  Insert(batch);
}

void TalkView::ShowDescription(std::u16string_view description) {
  Batch batch;
  const std::u16string body = NormalizeLineBreaks(description);
  Append(batch, nullptr, &body, nullptr);
  Insert(batch);
}

}  // namespace mirelon
