// Braille cell layouts as the display window needs them.
//
// The terminal layout (display frames, key chords) has dots 1 2 3 7 4 5 6 8
// in bits 7..0; the library layout (talk lines, edit texts) has dots
// 7 3 2 1 8 6 5 4 in bits 7..0. Going from one to the other reverses the
// order of the four bits in each half of the byte, so the same function
// converts in both directions.
//
// Local to the display window for now; the shared cell header of the
// braille folder takes its place once both are on one branch.
#pragma once

#include <cstdint>

namespace mirelon {

constexpr uint8_t SwapCellLayout(uint8_t cell) {
  // Reverse bits within each nibble: 7<->4, 6<->5, 3<->0, 2<->1.
  uint8_t c = static_cast<uint8_t>(((cell & 0x88) >> 3) | ((cell & 0x11) << 3) |
                                   ((cell & 0x44) >> 1) | ((cell & 0x22) << 1));
  return c;
}

// A library-layout cell is blank when none of dots 1-6 is raised.
constexpr bool IsBlankCell(uint8_t cell) { return (cell & 0x77) == 0; }

}  // namespace mirelon
