#include <gtest/gtest.h>

#include "braille/cells.h"

using namespace mirelon;

TEST(Cells, LayoutSwapIsItsOwnInverseAndMovesEachDot) {
  // Terminal layout bits 7..0: dots 1 2 3 7 4 5 6 8; library: 7 3 2 1 8 6 5 4.
  const uint8_t terminalBit[9] = {0, 0x80, 0x40, 0x20, 0x08, 0x04, 0x02, 0x10, 0x01};
  const uint8_t libraryBit[9] = {0, 0x10, 0x20, 0x40, 0x01, 0x02, 0x04, 0x80, 0x08};
  for (int dot = 1; dot <= 8; ++dot) {
    EXPECT_EQ(SwapCellLayout(terminalBit[dot]), libraryBit[dot]) << "dot " << dot;
    EXPECT_EQ(SwapCellLayout(libraryBit[dot]), terminalBit[dot]) << "dot " << dot;
  }
  for (int b = 0; b < 256; ++b) {
    uint8_t cell = static_cast<uint8_t>(b);
    EXPECT_EQ(SwapCellLayout(SwapCellLayout(cell)), cell);
    EXPECT_EQ(__builtin_popcount(SwapCellLayout(cell)), __builtin_popcount(cell));
  }
}

TEST(Cells, EveryLibraryByteMapsToUnicodeAndBack) {
  for (int b = 0; b < 256; ++b) {
    uint8_t cell = static_cast<uint8_t>(b);
    char16_t u = LibraryCellToUnicode(cell);
    ASSERT_TRUE(IsUnicodeBraille(u));
    if ((cell & 0x77) == 0) {
      EXPECT_TRUE(IsBlankCell(cell));
      EXPECT_EQ(u, u'\u2800') << b;  // blank whatever dots 7 and 8 are
      EXPECT_EQ(UnicodeToLibraryCell(u), kBlankCell);
    } else {
      EXPECT_FALSE(IsBlankCell(cell));
      EXPECT_EQ(UnicodeToLibraryCell(u), cell) << b;
    }
  }
}

TEST(Cells, UnicodePatternsFollowTheDotNumbers) {
  EXPECT_EQ(UnicodeToLibraryCell(u'⠁'), 0x10);  // dot 1
  EXPECT_EQ(UnicodeToLibraryCell(u'⠸'), 0x07);  // dots 4 5 6
  EXPECT_EQ(UnicodeToLibraryCell(u'⣿'), 0xFF);
  EXPECT_EQ(LibraryCellToUnicode(0x76), u'⠷');  // dots 1 2 3 5 6
  EXPECT_EQ(LibraryCellToUnicode(0x26), u'⠲');  // dots 2 5 6, the full stop
  // Patterns with only dots 7 and 8 are blanks, never the string end 0.
  for (char16_t u : {u'\u2800', u'\u2840', u'\u2880', u'\u28C0'})
    EXPECT_EQ(UnicodeToLibraryCell(u), kBlankCell);
  for (int u = 0x2800; u <= 0x28FF; ++u)
    EXPECT_NE(UnicodeToLibraryCell(static_cast<char16_t>(u)), 0);
}
