// Kana/braille conversion: kana text (with digits, Latin letters and
// punctuation) to six-dot Japanese braille cells, and braille back to kana.
// The operations keep the names the rest of the program calls them by.
//
// Option words (low bits select which writing rules apply, the 0x100 and
// 0x200 bits say who reads the kana that comes back):
//   0x01   numbers: digits with the number sign, decimal point and
//          separators, the join sign before a following あ-row or ら-row kana;
//          without it digits give no cells and ⠼ reads as a plain cell.
//   0x02   Latin letters: the foreign-letter sign, capital signs and the
//          foreign-language quotes; without it letters give no cells and
//          ⠰ always reads as 、.
//   0x100  kana for the screen: a blank cell becomes an ideographic space.
//   0x200  kana for speech: a blank cell becomes an ASCII space.
// 3 (numbers and letters) is what the braille line list uses; 0x103 shows
// braille as kana on screen; 0x203 makes braille speakable.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mirelon {

inline constexpr uint32_t kBrlNumbers = 0x01;
inline constexpr uint32_t kBrlLatin = 0x02;
inline constexpr uint32_t kKanaForScreen = 0x100;
inline constexpr uint32_t kKanaForSpeech = 0x200;

// The conversion record. PVN_KanaToBrl fills braille and cells (and, for
// the caller's convenience, kana with a copy of the input and positions
// with the input position of each cell); PVN_BrlToKana fills kana, cells
// and positions.
struct PvnRecord {
  std::u16string kana;
  // Cells in library layout followed by a zero byte; empty means none.
  std::vector<uint8_t> braille;
  int32_t cells = 0;
  // cells + 1 entries: the kana of cell i is kana[positions[i], positions[i + 1]).
  std::vector<uint16_t> positions;

  const uint8_t* Braille() const { return braille.empty() ? nullptr : braille.data(); }
};

struct PvnString {
  std::u16string text;
};

void PVN_FreeTB(PvnRecord* record);
void PVN_FreeString(PvnString* text);

struct PvnRecordDeleter {
  void operator()(PvnRecord* r) const { PVN_FreeTB(r); }
};
struct PvnStringDeleter {
  void operator()(PvnString* s) const { PVN_FreeString(s); }
};
using PvnRecordPtr = std::unique_ptr<PvnRecord, PvnRecordDeleter>;
using PvnStringPtr = std::unique_ptr<PvnString, PvnStringDeleter>;

// text[start, start + length) to braille. None for a null text or a range
// outside 0..65535 characters (positions are 16-bit). Characters without
// braille (kanji, emoji, unknown symbols) give no cells.
PvnRecordPtr PVN_KanaToBrl(const char16_t* text, int start, int length, uint32_t option);

// Zero-terminated library-layout cells to katakana (digits and letters as
// ASCII). A cell that means nothing where it stands comes back as its
// Unicode braille character. None for a null pointer or more than 65535
// cells.
PvnRecordPtr PVN_BrlToKana(const uint8_t* cells, uint32_t option);

// Every run of Unicode braille characters inside the zero-terminated text is
// read as braille and replaced by its kana; other characters stay.
PvnStringPtr PVN_UBrlToKana(const char16_t* text, uint32_t option);

// The kana of cells [first, end) of a record made by PVN_BrlToKana; none
// when the range does not lie inside the record.
PvnStringPtr PVN_CopyKanaForBrl(const PvnRecord* record, int first, int end);

// Kana braille one unit at a time, for reading it as it is typed. Cells are
// six-dot patterns with dot n in bit n-1.
// The katakana of a cell on its own (ー and ッ included); 0 when it is none.
char16_t KanaOfCell(uint8_t dots);
// The kana of a two-cell unit (voiced, semi-voiced, yōon, special sound);
// null when the two cells are not one.
const std::u16string* KanaOfCellPair(uint8_t first, uint8_t second);
// Whether some two-cell unit begins with this cell.
bool BeginsKanaPair(uint8_t dots);
// The Latin letter of a cell, 0 for a to 25 for z (the digits 1 to 9 and 0
// share the cells of a to j); -1 for a cell that is no letter.
int LetterOfCell(uint8_t dots);

}  // namespace mirelon
