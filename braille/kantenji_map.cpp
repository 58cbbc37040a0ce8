#include "braille/kantenji_map.h"

#include <array>

#include "base/file_io.h"
#include "base/utf.h"

namespace mirelon {

namespace {

constexpr uint64_t kTableSizeLimit = 16 * 1024 * 1024;
constexpr int kIncludeDepthLimit = 8;

// The table numbers the cell one row lower than Japanese braille: its dots
// 1 and 4 are the upper dots, 2 3 7 and 5 6 8 the six dots below them.
constexpr std::array<uint8_t, 9> kTableDotBits = {
    0,     // (no dot 0)
    0x40,  // table 1: upper left, dot 7
    0x01,  // table 2: dot 1
    0x02,  // table 3: dot 2
    0x80,  // table 4: upper right, dot 8
    0x08,  // table 5: dot 4
    0x10,  // table 6: dot 5
    0x04,  // table 7: dot 3
    0x20,  // table 8: dot 6
};

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

void AppendCodePoint(std::u16string& out, uint32_t cp) {
  if (cp >= 0x10000 && cp <= 0x10FFFF) {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  } else {
    out += static_cast<char16_t>(cp);
  }
}

// The characters field with its escapes (\xhhhh, \yhhhhh, \zhhhhhhhh,
// \s and the like) resolved; none when an escape is malformed.
std::optional<std::u16string> Unescape(std::u16string_view field) {
  std::u16string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != u'\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    const char16_t kind = field[++i];
    size_t digits = 0;
    switch (kind) {
      case u'x':
        digits = 4;
        break;
      case u'y':
        digits = 5;
        break;
      case u'z':
        digits = 8;
        break;
      case u's':
        out += u' ';
        continue;
      case u't':
        out += u'\t';
        continue;
      case u'n':
        out += u'\n';
        continue;
      case u'r':
        out += u'\r';
        continue;
      case u'f':
        out += u'\f';
        continue;
      case u'v':
        out += u'\v';
        continue;
      case u'e':
        out += u'\x1B';
        continue;
      default:
        out += kind;
        continue;
    }
    if (i + digits >= field.size()) return std::nullopt;
    uint32_t cp = 0;
    for (size_t k = 1; k <= digits; ++k) {
      const int v = HexValue(field[i + k]);
      if (v < 0) return std::nullopt;
      cp = cp * 16 + static_cast<uint32_t>(v);
    }
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    AppendCodePoint(out, cp);
    i += digits;
  }
  return out;
}

std::vector<std::u16string_view> Fields(std::u16string_view line) {
  std::vector<std::u16string_view> fields;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != u' ' && line[i] != u'\t') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

std::optional<std::vector<uint8_t>> Cells(std::u16string_view dots) {
  std::vector<uint8_t> cells;
  size_t start = 0;
  while (start <= dots.size()) {
    size_t end = dots.find(u'-', start);
    if (end == std::u16string_view::npos) end = dots.size();
    std::optional<uint8_t> cell = KantenjiCellFromTableDots(dots.substr(start, end - start));
    if (!cell) return std::nullopt;
    cells.push_back(*cell);
    start = end + 1;
  }
  return cells;
}

}  // namespace

std::optional<uint8_t> KantenjiCellFromTableDots(std::u16string_view tableDots) {
  if (tableDots == u"0") return 0;
  if (tableDots.empty()) return std::nullopt;
  uint8_t cell = 0;
  for (char16_t c : tableDots) {
    if (c < u'1' || c > u'8') return std::nullopt;
    const uint8_t bit = kTableDotBits[static_cast<size_t>(c - u'0')];
    if (cell & bit) return std::nullopt;
    cell |= bit;
  }
  return cell;
}

uint64_t KantenjiMap::Key(const uint8_t* cells, size_t count) {
  uint64_t key = count;
  for (size_t i = 0; i < count; ++i) key |= static_cast<uint64_t>(cells[i]) << (8 * (i + 1));
  return key;
}

KantenjiMap KantenjiMap::FromTable(std::u16string_view text, const IncludeReader& include) {
  KantenjiMap map;
  std::unordered_set<std::u16string> included;
  map.AddTable(text, include, 0, included);
  return map;
}

void KantenjiMap::AddTable(std::u16string_view text, const IncludeReader& include, int depth,
                           std::unordered_set<std::u16string>& included) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    std::vector<std::u16string_view> fields = Fields(line);
    if (fields.empty() || fields[0].starts_with(u"#")) continue;
    // "nofor" entries serve reading back only; "noback" ones never do.
    if (fields[0] == u"noback") continue;
    if (fields[0] == u"nofor") fields.erase(fields.begin());
    if (fields.size() >= 2 && fields[0] == u"include") {
      // Each table once: an include of one already read adds nothing.
      if (include && depth < kIncludeDepthLimit && included.emplace(fields[1]).second)
        if (std::optional<std::u16string> table = include(fields[1]))
          AddTable(*table, include, depth + 1, included);
      continue;
    }
    if (fields.size() < 3 || fields[0] != u"sign") continue;
    std::optional<std::u16string> characters = Unescape(fields[1]);
    std::optional<std::vector<uint8_t>> cells = Cells(fields[2]);
    // A kanji starts with an upper dot; cells without one read as kana.
    if (!characters || characters->empty() || !cells || cells->size() > kMaxCells ||
        !((*cells)[0] & kKantenjiUpperDots))
      continue;
    // The first character with these cells keeps them.
    if (!entries_.emplace(Key(cells->data(), cells->size()), std::move(*characters)).second)
      continue;
    for (size_t n = 1; n < cells->size(); ++n) prefixes_.insert(Key(cells->data(), n));
  }
}

std::optional<KantenjiMap> KantenjiMap::Load(const std::u16string& path) {
  std::optional<std::string> bytes = ReadWholeFile(path, kTableSizeLimit);
  if (!bytes) return std::nullopt;
  size_t slash = path.find_last_of(u"/\\");
  const std::u16string folder =
      slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
  IncludeReader include = [&folder](std::u16string_view name) -> std::optional<std::u16string> {
    std::optional<std::string> included =
        ReadWholeFile(folder + std::u16string(name), kTableSizeLimit);
    if (!included) return std::nullopt;
    return Utf8ToUtf16Lenient(*included);
  };
  return FromTable(Utf8ToUtf16Lenient(*bytes), include);
}

KantenjiMap::Lookup KantenjiMap::Find(const std::vector<uint8_t>& cells) const {
  Lookup lookup;
  if (cells.empty() || cells.size() > kMaxCells) return lookup;
  const uint64_t key = Key(cells.data(), cells.size());
  if (auto it = entries_.find(key); it != entries_.end()) lookup.text = &it->second;
  lookup.longer = prefixes_.count(key) != 0;
  return lookup;
}

}  // namespace mirelon
