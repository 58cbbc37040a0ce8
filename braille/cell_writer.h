// The kana braille writer shared by the kana/braille converter and the
// text-to-braille translator. It keeps the state that spans the pieces of a
// text: an open number or Latin word (for the join sign), and the blanks
// owed after punctuation, which are written only when more text follows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace mirelon {

class CellWriter {
 public:
  // `keepSources`: remember where each cell comes from (sources()).
  explicit CellWriter(uint32_t options, bool keepSources = true)
      : options_(options), keepSources_(keepSources) {}

  // Writes text whose first character is at `source` in the caller's text.
  // `continuesSentence` tells that the text continues the sentence after a
  // question or exclamation mark (a particle), which then owes one blank
  // instead of two; と or って right after the mark tells the same.
  void Write(std::u16string_view text, size_t source, bool continuesSentence = false);

  // Room for about `cells` cells, so that a long text is not copied as it grows.
  void Reserve(size_t cells) {
    cells_.reserve(cells);
    if (keepSources_) sources_.reserve(cells);
  }

  // One blank between words: nothing at the start, after a blank, or where
  // punctuation already owes blanks.
  void WordSpace(size_t source);

  // Library-layout cells, and the source position of each when kept.
  const std::vector<uint8_t>& cells() const { return cells_; }
  const std::vector<size_t>& sources() const { return sources_; }

 private:
  enum class Mode { None, Kana, Number, Latin, Blank };

  void Put(uint8_t cell, size_t source);
  void PutDots(std::u16string_view unicodeBraille, size_t source);
  void FlushBlanks(size_t source, bool continuesSentence, bool closingMark);
  size_t WriteNumber(std::u16string_view text, size_t i, size_t source);
  size_t WriteLatin(std::u16string_view text, size_t i, size_t source);
  size_t WriteKana(std::u16string_view text, size_t i, size_t source, bool continuesSentence);
  bool WritePunctuation(char16_t c, size_t source, bool continuesSentence);

  uint32_t options_;
  bool keepSources_;
  std::vector<uint8_t> cells_;
  std::vector<size_t> sources_;
  Mode mode_ = Mode::None;
  int owedBlanks_ = 0;
  bool owedAfterQuestion_ = false;
  bool interrupted_ = false;  // a character without braille came after the last cell
};

// Helpers on characters, shared with the translator.

// Hiragana to katakana, others unchanged.
inline char16_t ToKatakana(char16_t c) {
  return (c >= 0x3041 && c <= 0x3096) ? static_cast<char16_t>(c + 0x60) : c;
}
// Full-width digits and letters to ASCII.
inline char16_t NarrowAlphanumeric(char16_t c) {
  if ((c >= u'０' && c <= u'９') || (c >= u'Ａ' && c <= u'Ｚ') || (c >= u'ａ' && c <= u'ｚ'))
    return static_cast<char16_t>(c - 0xFEE0);
  return c;
}
inline bool IsAsciiLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
inline bool IsAsciiDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
// ASCII space, tab, ideographic space.
inline bool IsSpaceChar(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'　';
}
// Length of a Latin phrase (two or more letter-only words separated by single
// spaces) starting at i, or 0.
size_t LatinPhraseLength(std::u16string_view text, size_t i);

}  // namespace mirelon
