// Kantenji (8-dot braille kanji) read back into text: the map from a kanji's
// cells to the kanji, made at run time from liblouis's kantenji table, which
// is written for text to braille.
//
// Cells here are dot sets with dot n in bit n-1. Dots 1 to 6 are the six
// dots of Japanese braille; dots 7 and 8 are kantenji's two upper dots, left
// and right (the table's dots 1 and 4, since it numbers the cell one row
// lower). Every kanji starts with a cell that holds an upper dot; cells
// without one are kana braille.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace mirelon {

inline constexpr uint8_t kKantenjiUpperDots = 0xC0;  // dots 7 and 8

class KantenjiMap {
 public:
  // Gives the text of a table that another includes, by the name the
  // include line gives; none when there is no such table.
  using IncludeReader = std::function<std::optional<std::u16string>(std::u16string_view name)>;

  // Reads the `sign` entries of a table (and of the tables it includes,
  // each once) whose first cell holds an upper dot. Where several characters have the
  // same cells, the first in table order keeps them.
  static KantenjiMap FromTable(std::u16string_view text, const IncludeReader& include = {});
  // The table file at `path` (UTF-8), with its includes from the same folder.
  // None when it cannot be read.
  static std::optional<KantenjiMap> Load(const std::u16string& path);

  struct Lookup {
    // The character these cells are; null when they are not a whole entry.
    const std::u16string* text = nullptr;
    // Whether longer entries begin with these cells.
    bool longer = false;
  };
  Lookup Find(const std::vector<uint8_t>& cells) const;

  size_t size() const { return entries_.size(); }

  // Longest kanji, in cells.
  static constexpr size_t kMaxCells = 4;

 private:
  void AddTable(std::u16string_view text, const IncludeReader& include, int depth,
                std::unordered_set<std::u16string>& included);
  static uint64_t Key(const uint8_t* cells, size_t count);

  std::unordered_map<uint64_t, std::u16string> entries_;
  std::unordered_set<uint64_t> prefixes_;
};

// One cell of a liblouis dot pattern ("1237"; "0" for a blank cell) in the
// numbering above; none for anything else.
std::optional<uint8_t> KantenjiCellFromTableDots(std::u16string_view tableDots);

}  // namespace mirelon
