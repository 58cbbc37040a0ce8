// The detailed readings of single characters ("Radova.dic" beside the
// program): a kanji read as a word that holds it, a symbol by its name. A
// character with a detailed reading is spoken by it in place of its class
// description, so kana, letters and digits, which their class tells, are
// best left out.
//
// File format, entry by entry from the start of the text: a line that
// begins with two ASCII digits d1 d2 is an entry L = 10 × d1 + d2
// characters long, counted from the first digit; its third character is
// the character described, the fourth a separator, and the reading runs
// from the fifth up to the entry's end (normally the line's end). Parsing
// goes on at the next line; lines end in CR, LF or CR LF. Any other line (a
// comment, a blank line) is skipped.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace mirelon {

class DetailDictionary {
 public:
  // Replaces the readings with those of `text`. An entry shorter than five
  // characters (no reading) or reaching past the end of the text is
  // skipped with the rest of its line, and so is what is left of a line
  // after an entry. A later entry for a character replaces an earlier one.
  void Parse(std::u16string_view text);
  void Clear() { readings_.clear(); }

  // The detailed reading of a UTF-16 code unit; none when there is none.
  std::optional<std::u16string_view> Reading(char16_t c) const;
  size_t Size() const { return readings_.size(); }

 private:
  std::unordered_map<char16_t, std::u16string> readings_;
};

// The dictionary file's name, beside the program.
inline constexpr std::u16string_view kDetailDictionaryFile = u"Radova.dic";

// Loads the file at `path` (UTF-8 with or without a byte order mark, or the
// ANSI code page); a missing or unreadable file leaves the dictionary
// empty. False in that case.
bool LoadDetailDictionary(DetailDictionary& dictionary, const std::u16string& path);

}  // namespace mirelon
