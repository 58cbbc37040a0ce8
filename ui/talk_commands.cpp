#include "ui/talk_commands.h"

#include <algorithm>
#include <string>

#include "base/utf.h"
#include "resources/resource.h"
#include "talk/message_list.h"
#include "talk/records.h"
#include "ui/header_navigation.h"
#include "ui/talk_view.h"

namespace mirelon {

std::optional<int> FindKeyword(std::u16string_view text, std::u16string_view keyword, SearchFrom from, int start) {
  if (keyword.empty() || keyword.size() > text.size()) return std::nullopt;
  const int last = static_cast<int>(text.size() - keyword.size());  // the last place a match can start
  const auto matchesAt = [&](int i) { return text.compare(static_cast<size_t>(i), keyword.size(), keyword) == 0; };
  switch (from) {
    case SearchFrom::kTop:
      start = -1;
      [[fallthrough]];
    case SearchFrom::kCaretForward:
      for (int i = std::max(start + 1, 0); i <= last; ++i)
        if (matchesAt(i)) return i;
      break;
    case SearchFrom::kCaretBackward:
      for (int i = std::min(start - 1, last); i >= 0; --i)
        if (matchesAt(i)) return i;
      break;
  }
  return std::nullopt;
}

namespace {

// Calls `f` on every shown node in list order until it returns false.
template <typename F>
void EachShown(const MessageList& list, F&& f) {
  const MessageNode* last = list.Cursor();
  if (!last) return;
  for (MessageNode* node = list.First(); node; node = MessageList::Next(node)) {
    if (!f(node) || node == last) return;
  }
}

}  // namespace

MessageNode* ShownMessages::At(int position) const {
  MessageNode* found = nullptr;
  EachShown(list_, [&](MessageNode* node) {
    if (node->startPosition <= position) found = node;
    return true;
  });
  return found;
}

MessageNode* ShownMessages::Find(uint32_t number) const {
  MessageNode* found = nullptr;
  EachShown(list_, [&](MessageNode* node) {
    if (node->number == number) found = node;
    return found == nullptr;
  });
  return found;
}

uint32_t ShownMessages::Highest() const {
  uint32_t highest = 0;
  EachShown(list_, [&](MessageNode* node) {
    highest = std::max(highest, node->number);
    return true;
  });
  return highest;
}

MessageNode* ShownMessages::PreviousMark(int position) const {
  MessageNode* found = nullptr;
  EachShown(list_, [&](MessageNode* node) {
    if (node->marked && node->startPosition < position) found = node;
    return true;
  });
  return found;
}

MessageNode* ShownMessages::NextMark(int position) const {
  MessageNode* found = nullptr;
  EachShown(list_, [&](MessageNode* node) {
    if (node->marked && node->startPosition > position) found = node;
    return found == nullptr;
  });
  return found;
}

bool TalkCommands::Run(int command) {
  switch (command) {
    case CMD_JUMP_TO_NUMBER:
      JumpToNumber();
      return true;
    case CMD_FIND:
      AskAndSearch();
      return true;
    case CMD_FIND_NEXT:
      Search(SearchFrom::kCaretForward);
      return true;
    case CMD_FIND_PREVIOUS:
      Search(SearchFrom::kCaretBackward);
      return true;
    case CMD_FIND_FROM_TOP:
      Search(SearchFrom::kTop);
      return true;
    case CMD_PREVIOUS_HEADER:
      MoveToHeader(false, true);
      return true;
    case CMD_NEXT_HEADER:
      MoveToHeader(true, true);
      return true;
    case CMD_MARK:
      ToggleMark();
      return true;
    case CMD_PREVIOUS_MARK:
      MoveToMark(false);
      return true;
    case CMD_NEXT_MARK:
      MoveToMark(true);
      return true;
  }
  return false;
}

void TalkCommands::JumpToNumber() {
  const MessageNode* current = shown_.At(surface_.CaretPosition());
  const std::optional<int> number = surface_.AskNumber(current ? static_cast<int>(current->number) : 0,
                                                       static_cast<int>(shown_.Highest()));
  if (!number) return;
  const MessageNode* target = *number > 0 ? shown_.Find(static_cast<uint32_t>(*number)) : nullptr;
  if (!target) {
    surface_.PlaySound(FeedbackSound::kRefusal);
    return;
  }
  surface_.MoveCaretQuietly(target->startPosition);
  surface_.FocusIncoming();
}

// A keyword is taken only when the user confirmed a text; otherwise the one
// kept stays.
bool TalkCommands::AskForKeyword() {
  std::optional<std::u16string> asked = surface_.AskKeyword(keyword_);
  if (!asked || asked->empty()) return false;
  keyword_ = std::move(*asked);
  if (keyword_.size() > kMaxKeywordLength) keyword_.resize(kMaxKeywordLength);
  return true;
}

void TalkCommands::AskAndSearch() {
  if (!AskForKeyword()) return;
  const std::u16string text = NormalizeLineBreaks(pane_.Text(0, pane_.TextLength()));
  const int start = pane_.Selection().start;
  std::optional<int> found = FindKeyword(text, keyword_, SearchFrom::kCaretForward, start);
  if (!found) found = FindKeyword(text, keyword_, SearchFrom::kCaretBackward, start);
  if (!found) {
    surface_.PlaySound(FeedbackSound::kRefusal);
    return;
  }
  MovedTo(*found);
}

void TalkCommands::Search(SearchFrom from) {
  if (keyword_.empty() && !AskForKeyword()) return;
  // Line breaks as the pane counts them, so that offsets are positions.
  const std::u16string text = NormalizeLineBreaks(pane_.Text(0, pane_.TextLength()));
  const std::optional<int> found = FindKeyword(text, keyword_, from, pane_.Selection().start);
  if (!found) {
    surface_.PlaySound(FeedbackSound::kRefusal);
    return;
  }
  MovedTo(*found);
}

void TalkCommands::MovedTo(int position) {
  surface_.MoveCaretQuietly(position);
  surface_.FocusIncoming();
  surface_.PlaySound(FeedbackSound::kConfirm);
  surface_.SpeakJumpFromCaret();
}

void TalkCommands::MoveToHeader(bool forward, bool asCommand) {
  if (asCommand) surface_.FocusIncoming();
  const PaneSelection kept = pane_.Selection();
  const int line = pane_.LineFromPosition(surface_.CaretPosition());
  const std::optional<int> target =
      forward ? NextHeaderLine(pane_, line, pane_.LineFromPosition(view_.InsertionPosition()))
              : PreviousHeaderLine(pane_, line);
  if (!target) {
    pane_.SetSelection(kept);
    surface_.PlaySound(FeedbackSound::kRefusal);
    return;
  }
  surface_.MoveCaretQuietly(*target);
  surface_.PlaySound(FeedbackSound::kConfirm);
  if (asCommand) surface_.SpeakJumpLine();
}

void TalkCommands::ToggleMark() {
  const PaneSelection kept = pane_.Selection();
  MessageNode* node = shown_.At(kept.start);
  if (!node) return;
  node->marked = !node->marked;
  pane_.FormatRange(node->startPosition, node->bodyPosition, CharFormat{true, node->marked});
  const std::string number = std::to_string(node->number);
  surface_.Announce(u"発言" + U16(number) + (node->marked ? u"をマークしました。" : u"のマークを解除しました。"));
  pane_.SetSelection(kept);
}

void TalkCommands::MoveToMark(bool forward) {
  const PaneSelection selection = pane_.Selection();
  const MessageNode* target = forward ? shown_.NextMark(selection.end) : shown_.PreviousMark(selection.start);
  if (!target) {
    surface_.PlaySound(FeedbackSound::kRefusal);
    return;
  }
  surface_.MoveCaretQuietly(target->startPosition);
  if (!surface_.IncomingFocused()) surface_.FocusIncoming();
  surface_.SpeakJumpLine();
  surface_.PlaySound(FeedbackSound::kConfirm);
}

}  // namespace mirelon
