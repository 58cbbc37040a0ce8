// Talk lines for display-mode tests: messages made of a header line and
// body lines with chosen cells, appended to a BrailleLineList as the talk
// window does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "braille/braille_line_list.h"
#include "braille/cells.h"

namespace mirelon::testing {

// Words of `word` non-blank cells separated by single blanks, `total`
// cells long, without the terminating 0. `seed` makes lines differ.
inline std::vector<uint8_t> WordCells(int total, int word, int seed = 0) {
  std::vector<uint8_t> s;
  for (int i = 0; i < total; ++i)
    s.push_back(i % (word + 1) == word ? kBlankCell
                                       : static_cast<uint8_t>(0x01 | ((i + seed) % 0x70)));
  return s;
}

// Appends one line; empty cells make a line without braille.
inline const BrailleLine* AddLine(BrailleLineList& list, uint32_t messageNumber, bool messageStart,
                                  std::u16string text, std::vector<uint8_t> cells) {
  auto* line = new BrailleLine;
  line->messageNumber = messageNumber;
  line->messageStart = messageStart ? 1 : 0;
  line->text = std::move(text);
  if (!cells.empty()) {
    line->braille = std::move(cells);
    line->braille.push_back(0);
  }
  list.Append(line);
  return line;
}

// The cells a display shows of `cells` from `from`, `count` of them, on a
// display of `n` cells (blanks shown empty).
inline std::vector<uint8_t> Shows(const std::vector<uint8_t>& cells, int from, int count, int n) {
  std::vector<uint8_t> out(static_cast<size_t>(n), 0);
  for (int i = 0; i < count; ++i) {
    const uint8_t c = cells[static_cast<size_t>(from + i)];
    out[static_cast<size_t>(i)] = IsBlankCell(c) ? 0 : c;
  }
  return out;
}

}  // namespace mirelon::testing
