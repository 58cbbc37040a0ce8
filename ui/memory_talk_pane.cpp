#include "ui/memory_talk_pane.h"

#include <algorithm>

namespace mirelon {

int MemoryTalkPane::Clamp(int position) const { return std::clamp(position, 0, TextLength()); }

void MemoryTalkPane::InsertText(int position, std::u16string_view text) {
  const int at = Clamp(position);
  text_.insert(static_cast<size_t>(at), text);
  formats_.insert(formats_.begin() + at, text.size(), CharFormat{});
  // Text after the insertion point moves on, and so does a selection in it.
  const int n = static_cast<int>(text.size());
  if (selection_.start > at) selection_.start += n;
  if (selection_.end > at) selection_.end += n;
}

void MemoryTalkPane::FormatRange(int start, int end, CharFormat format) {
  for (int i = Clamp(start); i < Clamp(end); ++i) formats_[static_cast<size_t>(i)] = format;
}

CharFormat MemoryTalkPane::FormatAt(int position) const {
  if (position < 0 || position >= TextLength()) return {};
  return formats_[static_cast<size_t>(position)];
}

void MemoryTalkPane::SetSelection(PaneSelection selection) {
  selection_.start = Clamp(std::min(selection.start, selection.end));
  selection_.end = Clamp(std::max(selection.start, selection.end));
}

std::u16string MemoryTalkPane::Text(int start, int end) const {
  const int s = Clamp(start), e = Clamp(end);
  if (e <= s) return {};
  return text_.substr(static_cast<size_t>(s), static_cast<size_t>(e - s));
}

int MemoryTalkPane::LineFromPosition(int position) const {
  const int p = Clamp(position);
  return static_cast<int>(std::count(text_.begin(), text_.begin() + p, u'\r'));
}

int MemoryTalkPane::LineStart(int line) const {
  if (line < 0) return -1;
  int current = 0;
  for (int i = 0; i < TextLength() && current < line; ++i)
    if (text_[static_cast<size_t>(i)] == u'\r' && ++current == line) return i + 1;
  return current == line ? 0 : -1;
}

}  // namespace mirelon
