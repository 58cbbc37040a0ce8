#include "talk/talk_session.h"

#include "app/talk_context.h"
#include "braille/braille_line_list.h"
#include "talk/talk_file.h"
#include "ui/talk_pane.h"

namespace mirelon {
namespace {

std::u16string HeaderLine(uint32_t number, std::u16string_view header) {
  std::string digits = std::to_string(number);
  std::u16string line(digits.begin(), digits.end());
  line += u": ";
  line += header;
  line += u'\r';
  return line;
}

}  // namespace

TalkSession::TalkSession(TalkContext& context, TalkPane& incoming)
    : context_(context), pane_(incoming) {
  displayedText_ = [&context](std::u16string_view text, uint32_t number, bool messageStart) {
    AppendBrailleLines(text, context.brailleLines, number, messageStart ? 1 : 0);
  };
}

TalkSession::SendResult TalkSession::Send(std::u16string_view text, const LocalTime& now) {
  if (!context_.IsOpen() || text.empty()) return SendResult::kNothing;
  std::u16string body = NormalizeLineBreaks(text);
  std::u16string name;
  if (context_.share) {
    // The first line names the actual speaker; without a line break the
    // whole text is the body and the record has no name.
    if (size_t cr = body.find(u'\r'); cr != std::u16string::npos) {
      name = body.substr(0, cr);
      body.erase(0, cr + 1);
    }
  } else {
    name = context_.userName;
  }
  return AppendRecord(context_, BuildTalkRecord(name, now, body)) ? SendResult::kStored
                                                                   : SendResult::kFailed;
}

bool TalkSession::PostText(std::u16string_view record) { return AppendRecord(context_, record); }

bool TalkSession::TerminalUser(std::u16string_view name, bool left) {
  if (!context_.meeting) return false;
  return AppendRecord(context_, left ? BuildOutRecord(name) : BuildInRecord(name));
}

bool TalkSession::ScanDone() {
  if (!context_.meeting || entered_) return true;
  entered_ = true;
  return AppendRecord(context_, BuildInRecord(context_.userName));
}

bool TalkSession::Leave() {
  if (!context_.meeting || !entered_) return true;
  entered_ = false;
  return AppendRecord(context_, BuildOutRecord(context_.userName));
}

int TalkSession::DisplayNewMessages() {
  int shown = 0;
  while (MessageNode* node = context_.messages.AdvanceCursor()) {
    const std::u16string header = HeaderLine(node->number, node->header);
    DisplayMessage(&header, node->body ? &*node->body : nullptr, node);
    ++shown;
  }
  return shown;
}

void TalkSession::ShowDescription() {
  if (std::optional<std::u16string> description = context_.Description())
    DisplayMessage(nullptr, &*description, nullptr);
}

int TalkSession::InsertConverted(std::u16string_view text) {
  std::optional<std::u16string> shown;
  if (conversion_) {
    shown = conversion_(text);
    if (!shown) return 0;
  }
  std::u16string_view insert = shown ? std::u16string_view(*shown) : text;
  pane_.InsertText(context_.insertionPosition, insert);
  return static_cast<int>(insert.size());
}

void TalkSession::DisplayMessage(const std::u16string* header, const std::u16string* body,
                                 MessageNode* node) {
  const PaneSelection kept = pane_.Selection();
  const uint32_t number = node ? node->number : 0;
  int& at = context_.insertionPosition;
  if (node) node->startPosition = at;

  if (header) {
    const int start = at;
    const int n = InsertConverted(*header);
    pane_.FormatRange(start, start + n, CharFormat{true, node && node->marked});
    at += n;
    if (n == 0 || pane_.Text(at - 1, at) != u"\r") {
      pane_.InsertText(at, u"\r");
      ++at;
    }
    if (displayedText_) displayedText_(*header, number, true);
  }
  if (node) node->bodyPosition = at;

  if (body) {
    const std::u16string text = NormalizeLineBreaks(*body);
    at += InsertConverted(text);
    if (text.empty() || text.back() != u'\r') {
      pane_.InsertText(at, u"\r");
      ++at;
    }
    if (displayedText_) displayedText_(text, number, false);
  }

  pane_.InsertText(at, u"\r");  // an empty line between messages
  ++at;
  pane_.SetSelection(kept);
}

}  // namespace mirelon
