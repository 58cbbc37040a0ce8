// Moving between header lines of the incoming pane: a header line is a line
// whose first character is bold.
#pragma once

#include <optional>

#include "ui/talk_pane.h"

namespace mirelon {

// The start of the nearest header line above `line` (searching back to line
// 0); none when there is none.
std::optional<int> PreviousHeaderLine(const TalkPane& pane, int line);

// The start of the nearest header line below `line`, up to and not
// including `endLine` (the line of the insertion position, the end of the
// talk); none when there is none.
std::optional<int> NextHeaderLine(const TalkPane& pane, int line, int endLine);

}  // namespace mirelon
