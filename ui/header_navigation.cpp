#include "ui/header_navigation.h"

namespace mirelon {

namespace {

std::optional<int> HeaderStart(const TalkPane& pane, int line) {
  int start = pane.LineStart(line);
  if (start < 0 || !pane.FormatAt(start).bold) return std::nullopt;
  return start;
}

}  // namespace

std::optional<int> PreviousHeaderLine(const TalkPane& pane, int line) {
  for (int l = line - 1; l >= 0; --l)
    if (std::optional<int> start = HeaderStart(pane, l)) return start;
  return std::nullopt;
}

std::optional<int> NextHeaderLine(const TalkPane& pane, int line, int endLine) {
  for (int l = line + 1; l < endLine; ++l)
    if (std::optional<int> start = HeaderStart(pane, l)) return start;
  return std::nullopt;
}

}  // namespace mirelon
