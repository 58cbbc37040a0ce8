// Rich text (RTF) for inserting a batch of the talk into the incoming pane
// in one step: plain text in the pane's default format, with ranges in the
// header format (bold, 16 pt, black; underlined when marked).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ui/talk_pane.h"

namespace mirelon {

// The pane's default character format, as RTF can state it.
struct RtfDefaultFont {
  std::u16string face;
  int charset = 0;
  int halfPoints = 20;  // font size in half points
};

// An RTF document holding `text`: CR and LF end paragraphs (one position
// each, as the pane counts them), TAB is a tab, every other character is
// itself. `ranges` must be ordered and inside the text.
std::string BuildRtf(std::u16string_view text, std::span<const FormattedRange> ranges, const RtfDefaultFont& font);

}  // namespace mirelon
