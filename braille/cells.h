// Braille cell bytes in the two layouts the program uses, and Unicode
// braille patterns.
//
//   terminal layout, bits 7..0: dots 1 2 3 7 4 5 6 8   (display frames, key chords)
//   library layout,  bits 7..0: dots 7 3 2 1 8 6 5 4   (converters, talk lines, chat mode)
//   Unicode braille: U+2800 + dots 1..8 in bits 0..7
//
// Cell strings end at a zero byte, so a blank cell is written 0x80 (dot 7
// alone); any library cell without one of the six-dot bits counts as blank.
#pragma once

#include <cstdint>

namespace mirelon {

inline constexpr uint8_t kBlankCell = 0x80;
inline constexpr uint8_t kSixDotMask = 0x77;
inline constexpr char16_t kUnicodeBrailleBase = 0x2800;

inline constexpr bool IsBlankCell(uint8_t libraryCell) {
  return (libraryCell & kSixDotMask) == 0;
}

inline constexpr bool IsUnicodeBraille(char16_t c) {
  return c >= 0x2800 && c <= 0x28FF;
}

// Reverses the order of the four bits in each half of the byte. The same
// operation turns terminal layout into library layout and back.
inline constexpr uint8_t SwapCellLayout(uint8_t cell) {
  uint8_t out = 0;
  for (int i = 0; i < 4; ++i) {
    if (cell & (1u << i)) out |= static_cast<uint8_t>(1u << (3 - i));
    if (cell & (1u << (4 + i))) out |= static_cast<uint8_t>(1u << (7 - i));
  }
  return out;
}

// Dot set as Unicode numbers it (dot n in bit n-1) to library layout.
inline constexpr uint8_t DotsToLibraryCell(uint8_t dots) {
  uint8_t cell = 0;
  if (dots & 0x01) cell |= 0x10;  // dot 1
  if (dots & 0x02) cell |= 0x20;  // dot 2
  if (dots & 0x04) cell |= 0x40;  // dot 3
  if (dots & 0x08) cell |= 0x01;  // dot 4
  if (dots & 0x10) cell |= 0x02;  // dot 5
  if (dots & 0x20) cell |= 0x04;  // dot 6
  if (dots & 0x40) cell |= 0x80;  // dot 7
  if (dots & 0x80) cell |= 0x08;  // dot 8
  return cell;
}

inline constexpr uint8_t LibraryCellToDots(uint8_t cell) {
  uint8_t dots = 0;
  if (cell & 0x10) dots |= 0x01;
  if (cell & 0x20) dots |= 0x02;
  if (cell & 0x40) dots |= 0x04;
  if (cell & 0x01) dots |= 0x08;
  if (cell & 0x02) dots |= 0x10;
  if (cell & 0x04) dots |= 0x20;
  if (cell & 0x80) dots |= 0x40;
  if (cell & 0x08) dots |= 0x80;
  return dots;
}

// A blank cell becomes U+2800 whatever its dot 7 and dot 8 bits are.
inline constexpr char16_t LibraryCellToUnicode(uint8_t cell) {
  if (IsBlankCell(cell)) return kUnicodeBrailleBase;
  return static_cast<char16_t>(kUnicodeBrailleBase + LibraryCellToDots(cell));
}

// A pattern with none of dots 1 to 6 becomes the blank 0x80, so that no
// cell byte is zero. `c` must be a Unicode braille character.
inline constexpr uint8_t UnicodeToLibraryCell(char16_t c) {
  uint8_t dots = static_cast<uint8_t>(c - kUnicodeBrailleBase);
  if ((dots & 0x3F) == 0) return kBlankCell;
  return DotsToLibraryCell(dots);
}

}  // namespace mirelon
