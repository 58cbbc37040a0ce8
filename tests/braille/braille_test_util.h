// Shows library-layout cells as Unicode braille, so expectations read as
// the braille reference writes them (U+2800 for a blank).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "braille/cells.h"

namespace mirelon {

inline std::u16string AsUnicode(const uint8_t* cells) {
  std::u16string out;
  if (cells)
    for (const uint8_t* p = cells; *p; ++p) out += LibraryCellToUnicode(*p);
  return out;
}

inline std::vector<uint8_t> FromUnicode(std::u16string_view braille) {
  std::vector<uint8_t> cells;
  for (char16_t c : braille) cells.push_back(UnicodeToLibraryCell(c));
  cells.push_back(0);
  return cells;
}

}  // namespace mirelon
