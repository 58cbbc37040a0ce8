#include "braille/kana_braille.h"

#include <array>
#include <string_view>
#include <unordered_map>

#include "braille/cell_writer.h"
#include "braille/cells.h"

namespace mirelon {

namespace {

// Cells are written here as Unicode braille, as the braille reference
// writes them; Dots() turns one into its six-dot pattern (dot n in bit n-1).
constexpr uint8_t Dots(char16_t unicodeBraille) {
  return static_cast<uint8_t>(unicodeBraille - kUnicodeBrailleBase);
}

constexpr char16_t kNumberSign = u'⠼';
constexpr char16_t kForeignSign = u'⠰';
constexpr char16_t kCapitalSign = u'⠠';
constexpr char16_t kJoinSign = u'⠤';
constexpr char16_t kQuoteOpen = u'⠦';
constexpr char16_t kQuoteClose = u'⠴';
constexpr char16_t kDecimalPoint = u'⠂';
constexpr char16_t kSeparator = u'⠄';

// Digits 1-9, 0 and letters a-z use the cells of a-j ... z.
constexpr std::u16string_view kLetterCells = u"⠁⠃⠉⠙⠑⠋⠛⠓⠊⠚⠅⠇⠍⠝⠕⠏⠟⠗⠎⠞⠥⠧⠺⠭⠽⠵";

struct KanaCells {
  char16_t kana;
  std::u16string_view cells;
};

// Basic kana, katakana; hiragana is mapped onto these first.
constexpr KanaCells kBasicKana[] = {
    {u'ア', u"⠁"}, {u'イ', u"⠃"}, {u'ウ', u"⠉"}, {u'エ', u"⠋"}, {u'オ', u"⠊"}, {u'カ', u"⠡"},
    {u'キ', u"⠣"}, {u'ク', u"⠩"}, {u'ケ', u"⠫"}, {u'コ', u"⠪"}, {u'サ', u"⠱"}, {u'シ', u"⠳"},
    {u'ス', u"⠹"}, {u'セ', u"⠻"}, {u'ソ', u"⠺"}, {u'タ', u"⠕"}, {u'チ', u"⠗"}, {u'ツ', u"⠝"},
    {u'テ', u"⠟"}, {u'ト', u"⠞"}, {u'ナ', u"⠅"}, {u'ニ', u"⠇"}, {u'ヌ', u"⠍"}, {u'ネ', u"⠏"},
    {u'ノ', u"⠎"}, {u'ハ', u"⠥"}, {u'ヒ', u"⠧"}, {u'フ', u"⠭"}, {u'ヘ', u"⠯"}, {u'ホ', u"⠮"},
    {u'マ', u"⠵"}, {u'ミ', u"⠷"}, {u'ム', u"⠽"}, {u'メ', u"⠿"}, {u'モ', u"⠾"}, {u'ヤ', u"⠌"},
    {u'ユ', u"⠬"}, {u'ヨ', u"⠜"}, {u'ラ', u"⠑"}, {u'リ', u"⠓"}, {u'ル', u"⠙"}, {u'レ', u"⠛"},
    {u'ロ', u"⠚"}, {u'ワ', u"⠄"}, {u'ヲ', u"⠔"}, {u'ン', u"⠴"}, {u'ヰ', u"⠆"}, {u'ヱ', u"⠖"},
    {u'ッ', u"⠂"}, {u'ー', u"⠒"},
};

// Small kana written on their own take the cell of the full-size kana.
constexpr std::pair<char16_t, char16_t> kSmallKana[] = {
    {u'ァ', u'ア'}, {u'ィ', u'イ'}, {u'ゥ', u'ウ'}, {u'ェ', u'エ'}, {u'ォ', u'オ'}, {u'ャ', u'ヤ'},
    {u'ュ', u'ユ'}, {u'ョ', u'ヨ'}, {u'ヮ', u'ワ'}, {u'ヵ', u'カ'}, {u'ヶ', u'ケ'},
};

// Yōon: the i-column kana of a row followed by a small ャ, ュ or ョ is the
// prefix followed by the a-, u- or o-column cell of that row.
struct YoonRow {
  char16_t kana, a, u, o, prefix;
};
constexpr YoonRow kYoonRows[] = {
    {u'キ', u'カ', u'ク', u'コ', u'⠈'}, {u'シ', u'サ', u'ス', u'ソ', u'⠈'},
    {u'チ', u'タ', u'ツ', u'ト', u'⠈'}, {u'ニ', u'ナ', u'ヌ', u'ノ', u'⠈'},
    {u'ヒ', u'ハ', u'フ', u'ホ', u'⠈'}, {u'ミ', u'マ', u'ム', u'モ', u'⠈'},
    {u'リ', u'ラ', u'ル', u'ロ', u'⠈'}, {u'ギ', u'カ', u'ク', u'コ', u'⠘'},
    {u'ジ', u'サ', u'ス', u'ソ', u'⠘'}, {u'ヂ', u'タ', u'ツ', u'ト', u'⠘'},
    {u'ビ', u'ハ', u'フ', u'ホ', u'⠘'}, {u'ピ', u'ハ', u'フ', u'ホ', u'⠨'},
};

// Special sounds (two kana, two cells).
struct SpecialSound {
  char16_t first, second;
  std::u16string_view cells;
};
constexpr SpecialSound kSpecialSounds[] = {
    {u'イ', u'ェ', u"⠈⠋"}, {u'キ', u'ェ', u"⠈⠫"}, {u'シ', u'ェ', u"⠈⠻"}, {u'チ', u'ェ', u"⠈⠟"},
    {u'ニ', u'ェ', u"⠈⠏"}, {u'ヒ', u'ェ', u"⠈⠯"}, {u'ギ', u'ェ', u"⠘⠫"}, {u'ジ', u'ェ', u"⠘⠻"},
    {u'ス', u'ィ', u"⠈⠳"}, {u'ズ', u'ィ', u"⠘⠳"}, {u'テ', u'ィ', u"⠈⠗"}, {u'デ', u'ィ', u"⠘⠗"},
    {u'テ', u'ュ', u"⠨⠝"}, {u'デ', u'ュ', u"⠸⠝"}, {u'ト', u'ゥ', u"⠢⠝"}, {u'ド', u'ゥ', u"⠲⠝"},
    {u'フ', u'ァ', u"⠢⠥"}, {u'フ', u'ィ', u"⠢⠧"}, {u'フ', u'ェ', u"⠢⠯"}, {u'フ', u'ォ', u"⠢⠮"},
    {u'フ', u'ュ', u"⠨⠬"}, {u'フ', u'ョ', u"⠨⠜"}, {u'ヴ', u'ァ', u"⠲⠥"}, {u'ヴ', u'ィ', u"⠲⠧"},
    {u'ヴ', u'ェ', u"⠲⠯"}, {u'ヴ', u'ォ', u"⠲⠮"}, {u'ヴ', u'ュ', u"⠸⠬"}, {u'ヴ', u'ョ', u"⠸⠜"},
    {u'ウ', u'ィ', u"⠢⠃"}, {u'ウ', u'ェ', u"⠢⠋"}, {u'ウ', u'ォ', u"⠢⠊"}, {u'ツ', u'ァ', u"⠢⠕"},
    {u'ツ', u'ィ', u"⠢⠗"}, {u'ツ', u'ェ', u"⠢⠟"}, {u'ツ', u'ォ', u"⠢⠞"}, {u'ク', u'ァ', u"⠢⠡"},
    {u'ク', u'ィ', u"⠢⠣"}, {u'ク', u'ェ', u"⠢⠫"}, {u'ク', u'ォ', u"⠢⠪"}, {u'グ', u'ァ', u"⠲⠡"},
    {u'グ', u'ィ', u"⠲⠣"}, {u'グ', u'ェ', u"⠲⠫"}, {u'グ', u'ォ', u"⠲⠪"},
};

struct Punctuation {
  char16_t mark;
  std::u16string_view cells;
  int blanksAfter;
  bool question;  // two blanks at the end of a sentence, one inside it
  bool closing;   // written right after a full stop, before its blanks
};
constexpr Punctuation kPunctuation[] = {
    {u'。', u"⠲", 2, false, false},  {u'．', u"⠲", 2, false, false},
    {u'.', u"⠲", 2, false, false},   {u'、', u"⠰", 1, false, false},
    {u'，', u"⠰", 1, false, false},  {u',', u"⠰", 1, false, false},
    {u'？', u"⠢", 2, true, false},   {u'?', u"⠢", 2, true, false},
    {u'！', u"⠖", 2, true, false},   {u'!', u"⠖", 2, true, false},
    {u'・', u"⠐", 0, false, false},  {u'「', u"⠤", 0, false, false},
    {u'『', u"⠤", 0, false, false},  {u'」', u"⠤", 0, false, true},
    {u'』', u"⠤", 0, false, true},   {u'（', u"⠶", 0, false, false},
    {u'(', u"⠶", 0, false, false},   {u'）', u"⠶", 0, false, true},
    {u')', u"⠶", 0, false, true},    {u'～', u"⠤⠤", 0, false, false},
    {u'〜', u"⠤⠤", 0, false, false}, {u'/', u"⠌", 0, false, false},
    {u'／', u"⠌", 0, false, false},  {u':', u"⠐⠂", 0, false, false},
    {u'：', u"⠐⠂", 0, false, false}, {u'｡', u"⠲", 2, false, false},
    {u'､', u"⠰", 1, false, false},   {u'･', u"⠐", 0, false, false},
    {u'｢', u"⠤", 0, false, false},   {u'｣', u"⠤", 0, false, true},
};

// Plain kana whose voiced form follows in the code chart (ッ sits inside
// the た row); the は row's semi-voiced form follows the voiced one.
constexpr std::u16string_view kVoiceable = u"カキクケコサシスセソタチツテトハヒフヘホ";
constexpr std::u16string_view kSemiVoiceable = u"ハヒフヘホ";

class KanaTables {
 public:
  KanaTables() {
    for (const auto& k : kBasicKana) single_[k.kana] = std::u16string(k.cells);
    for (const auto& [small, big] : kSmallKana) single_[small] = single_[big];
    for (char16_t plain : kVoiceable) {
      single_[static_cast<char16_t>(plain + 1)] = u"⠐" + single_[plain];
    }
    for (char16_t plain : kSemiVoiceable) {
      single_[static_cast<char16_t>(plain + 2)] = u"⠠" + single_[plain];
    }
    single_[u'ヴ'] = u"⠐⠉";
    for (const auto& row : kYoonRows) {
      const char16_t smalls[] = {u'ャ', u'ュ', u'ョ'};
      const char16_t cols[] = {row.a, row.u, row.o};
      for (int c = 0; c < 3; ++c) {
        std::u16string cells(1, row.prefix);
        cells += single_[cols[c]];
        pairs_[Key(row.kana, smalls[c])] = cells;
      }
    }
    for (const auto& s : kSpecialSounds) pairs_[Key(s.first, s.second)] = std::u16string(s.cells);
    // The katakana block straight from an array (the map's entries stay put).
    for (size_t i = 0; i < katakana_.size(); ++i) {
      auto it = single_.find(static_cast<char16_t>(kKatakanaFirst + i));
      katakana_[i] = it == single_.end() ? nullptr : &it->second;
    }

    // Reading back: plain kana from full-size kana only, two-cell kana
    // from every voiced, semi-voiced, yōon and special-sound entry.
    for (const auto& k : kBasicKana) readSingle_[Dots(k.cells[0])] = k.kana;
    for (const auto& [kana, cells] : single_) {
      if (cells.size() == 2)
        readPair_[Key(Dots(cells[0]), Dots(cells[1]))] = std::u16string(1, kana);
    }
    // The voiced form of ウ is ヴ; the table above derives only the rows.
    for (const auto& [key, cells] : pairs_) {
      std::u16string kana{static_cast<char16_t>(key >> 16), static_cast<char16_t>(key & 0xFFFF)};
      readPair_[Key(Dots(cells[0]), Dots(cells[1]))] = kana;
    }
    for (const auto& [key, kana] : readPair_) pairFirsts_ |= uint64_t{1} << ((key >> 16) & 0x3F);
  }

  const std::u16string* Single(char16_t kana) const {
    if (kana >= kKatakanaFirst && kana < kKatakanaFirst + katakana_.size())
      return katakana_[kana - kKatakanaFirst];
    auto it = single_.find(kana);
    return it == single_.end() ? nullptr : &it->second;
  }
  const std::u16string* Pair(char16_t first, char16_t second) const {
    // Every two-kana unit ends in a small vowel or small ya, yu, yo.
    if (kSmallSeconds.find(second) == std::u16string_view::npos) return nullptr;
    auto it = pairs_.find(Key(first, second));
    return it == pairs_.end() ? nullptr : &it->second;
  }
  char16_t ReadSingle(uint8_t dots) const {
    auto it = readSingle_.find(dots);
    return it == readSingle_.end() ? 0 : it->second;
  }
  const std::u16string* ReadPair(uint8_t first, uint8_t second) const {
    auto it = readPair_.find(Key(first, second));
    return it == readPair_.end() ? nullptr : &it->second;
  }
  bool BeginsPair(uint8_t dots) const { return dots < 64 && (pairFirsts_ >> dots) & 1; }

 private:
  static uint32_t Key(char16_t a, char16_t b) { return (uint32_t(a) << 16) | b; }

  static constexpr char16_t kKatakanaFirst = 0x30A0;
  static constexpr std::u16string_view kSmallSeconds = u"ァィゥェォャュョ";

  std::unordered_map<char16_t, std::u16string> single_;
  std::array<const std::u16string*, 0x60> katakana_{};
  std::unordered_map<uint32_t, std::u16string> pairs_;
  std::unordered_map<uint8_t, char16_t> readSingle_;
  std::unordered_map<uint32_t, std::u16string> readPair_;
  uint64_t pairFirsts_ = 0;  // bit n: cell n begins a two-cell unit
};

const KanaTables& Tables() {
  static const KanaTables tables;
  return tables;
}

const Punctuation* FindPunctuation(char16_t c) {
  // Kana are by far the most frequent characters; ・ is the one mark among them.
  if (c >= 0x3041 && c <= 0x30FF && c != u'・') return nullptr;
  for (const auto& p : kPunctuation)
    if (p.mark == c) return &p;
  return nullptr;
}

bool IsHiragana(char16_t c) {
  return c >= 0x3041 && c <= 0x3096;
}

// Half-width katakana U+FF66 to U+FF9D in full width.
constexpr std::u16string_view kHalfWidthKana =
    u"ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモ"
    u"ヤユヨラリルレロワン";

// The katakana at text[i], and in *length the characters it takes: a
// hiragana is read as its katakana, a half-width katakana with a following
// half-width voiced or semi-voiced mark as one full-width katakana.
char16_t KanaAt(std::u16string_view text, size_t i, size_t* length) {
  *length = 1;
  char16_t c = text[i];
  if (c < 0xFF66 || c > 0xFF9D) return IsHiragana(c) ? static_cast<char16_t>(c + 0x60) : c;
  c = kHalfWidthKana[c - 0xFF66];
  char16_t mark = i + 1 < text.size() ? text[i + 1] : 0;
  if (mark == 0xFF9E && c == u'ウ') {
    *length = 2;
    return u'ヴ';
  }
  if (mark == 0xFF9E && kVoiceable.find(c) != std::u16string_view::npos) {
    *length = 2;
    return static_cast<char16_t>(c + 1);
  }
  if (mark == 0xFF9F && kSemiVoiceable.find(c) != std::u16string_view::npos) {
    *length = 2;
    return static_cast<char16_t>(c + 2);
  }
  return c;
}

bool IsDigitCell(uint8_t dots) {
  for (size_t i = 0; i < 10; ++i)
    if (Dots(kLetterCells[i]) == dots) return true;
  return false;
}

int LetterIndex(uint8_t dots) {
  for (size_t i = 0; i < kLetterCells.size(); ++i)
    if (Dots(kLetterCells[i]) == dots) return static_cast<int>(i);
  return -1;
}

}  // namespace

size_t LatinPhraseLength(std::u16string_view text, size_t i) {
  auto letter = [&](size_t k) {
    return k < text.size() && IsAsciiLetter(NarrowAlphanumeric(text[k]));
  };
  if (!letter(i) || (i > 0 && letter(i - 1))) return 0;
  size_t end = i;
  int words = 0;
  while (true) {
    while (letter(end)) ++end;
    ++words;
    if (end + 1 < text.size() && text[end] == u' ' && letter(end + 1)) {
      ++end;
      continue;
    }
    break;
  }
  // A word that runs on into digits ("Windows11") is not plain Latin text.
  if (end < text.size() && IsAsciiDigit(NarrowAlphanumeric(text[end]))) return 0;
  return words >= 2 ? end - i : 0;
}

void CellWriter::Put(uint8_t cell, size_t source) {
  cells_.push_back(cell);
  if (keepSources_) sources_.push_back(source);
}

void CellWriter::PutDots(std::u16string_view unicodeBraille, size_t source) {
  for (char16_t c : unicodeBraille) Put(UnicodeToLibraryCell(c), source);
}

void CellWriter::FlushBlanks(size_t source, bool continuesSentence, bool closingMark) {
  if (owedBlanks_ == 0 || closingMark) return;
  int n = (owedAfterQuestion_ && continuesSentence) ? 1 : owedBlanks_;
  for (int k = 0; k < n; ++k) Put(kBlankCell, source);
  owedBlanks_ = 0;
  owedAfterQuestion_ = false;
  mode_ = Mode::Blank;
}

void CellWriter::WordSpace(size_t source) {
  if (cells_.empty() || owedBlanks_ > 0 || mode_ == Mode::Blank) return;
  Put(kBlankCell, source);
  mode_ = Mode::Blank;
}

size_t CellWriter::WriteNumber(std::u16string_view text, size_t i, size_t source) {
  FlushBlanks(source + i, false, false);
  if (mode_ != Mode::Number || interrupted_)
    PutDots(std::u16string_view(&kNumberSign, 1), source + i);
  interrupted_ = false;
  while (i < text.size()) {
    char16_t c = NarrowAlphanumeric(text[i]);
    if (IsAsciiDigit(c)) {
      size_t digit = c == u'0' ? 9 : static_cast<size_t>(c - u'1');
      PutDots(kLetterCells.substr(digit, 1), source + i);
      ++i;
      continue;
    }
    bool point = c == u'.' || c == u'．';
    bool separator = c == u',' || c == u'，';
    if ((point || separator) && i + 1 < text.size() &&
        IsAsciiDigit(NarrowAlphanumeric(text[i + 1]))) {
      Put(UnicodeToLibraryCell(point ? kDecimalPoint : kSeparator), source + i);
      ++i;
      continue;
    }
    break;
  }
  mode_ = Mode::Number;
  return i;
}

size_t CellWriter::WriteLatin(std::u16string_view text, size_t i, size_t source) {
  auto writeWord = [&](size_t from, size_t to) {
    bool allCaps = to - from >= 2;
    for (size_t k = from; k < to; ++k)
      if (!(NarrowAlphanumeric(text[k]) >= u'A' && NarrowAlphanumeric(text[k]) <= u'Z'))
        allCaps = false;
    if (allCaps) {
      Put(UnicodeToLibraryCell(kCapitalSign), source + from);
      Put(UnicodeToLibraryCell(kCapitalSign), source + from);
    }
    for (size_t k = from; k < to; ++k) {
      char16_t c = NarrowAlphanumeric(text[k]);
      bool upper = c >= u'A' && c <= u'Z';
      if (upper && !allCaps) Put(UnicodeToLibraryCell(kCapitalSign), source + k);
      size_t index = static_cast<size_t>((upper ? c - u'A' : c - u'a'));
      PutDots(kLetterCells.substr(index, 1), source + k);
    }
  };
  auto wordEnd = [&](size_t k) {
    while (k < text.size() && IsAsciiLetter(NarrowAlphanumeric(text[k]))) ++k;
    return k;
  };

  FlushBlanks(source + i, false, false);
  size_t phrase = mode_ == Mode::Latin ? 0 : LatinPhraseLength(text, i);
  if (phrase > 0) {
    // Several words: foreign-language quotes instead of a sign per word.
    size_t end = i + phrase;
    Put(UnicodeToLibraryCell(kQuoteOpen), source + i);
    while (i < end) {
      size_t we = wordEnd(i);
      writeWord(i, we);
      i = we;
      if (i < end) Put(kBlankCell, source + i++);
    }
    Put(UnicodeToLibraryCell(kQuoteClose), source + end - 1);
    mode_ = Mode::Kana;
    return end;
  }
  if (mode_ != Mode::Latin || interrupted_) Put(UnicodeToLibraryCell(kForeignSign), source + i);
  interrupted_ = false;
  size_t we = wordEnd(i);
  writeWord(i, we);
  mode_ = Mode::Latin;
  return we;
}

size_t CellWriter::WriteKana(std::u16string_view text, size_t i, size_t source,
                             bool continuesSentence) {
  const KanaTables& t = Tables();
  size_t first = 0;
  char16_t c = KanaAt(text, i, &first);
  const std::u16string* cells = nullptr;
  size_t used = first;
  if (i + first < text.size()) {
    size_t second = 0;
    cells = t.Pair(c, KanaAt(text, i + first, &second));
    if (cells) used = first + second;
  }
  if (!cells) cells = t.Single(c);
  if (!cells) {
    // No braille for this character. Digits or letters after it start a
    // new number or word ("12#08" is not 1208); kana after it still join.
    interrupted_ = true;
    return i + 1;
  }
  interrupted_ = false;
  FlushBlanks(source + i, continuesSentence, false);
  // A kana whose first cell reads as a digit needs the join sign after a
  // number; any kana does after a Latin word, whose letters share its cells.
  if ((mode_ == Mode::Number && IsDigitCell(Dots((*cells)[0]))) || mode_ == Mode::Latin)
    Put(UnicodeToLibraryCell(kJoinSign), source + i);
  PutDots(*cells, source + i);
  mode_ = Mode::Kana;
  return i + used;
}

bool CellWriter::WritePunctuation(char16_t c, size_t source, bool continuesSentence) {
  const Punctuation* p = FindPunctuation(c);
  if (!p) return false;
  FlushBlanks(source, continuesSentence, p->closing);
  PutDots(p->cells, source);
  interrupted_ = false;
  if (p->blanksAfter > owedBlanks_) {
    owedBlanks_ = p->blanksAfter;
    owedAfterQuestion_ = p->question;
  }
  mode_ = Mode::Kana;
  return true;
}

void CellWriter::Write(std::u16string_view text, size_t source, bool continuesSentence) {
  size_t i = 0;
  while (i < text.size()) {
    char16_t raw = text[i];
    char16_t c = NarrowAlphanumeric(raw);
    // と and って after a question or exclamation mark quote it inside the sentence.
    bool continues = (i == 0 && continuesSentence) || raw == u'と' || raw == u'っ';
    if (IsSpaceChar(raw)) {
      // Blanks owed after punctuation already stand for the space typed.
      if (owedBlanks_ == 0) {
        Put(kBlankCell, source + i);
        mode_ = Mode::Blank;
      }
      ++i;
    } else if (IsUnicodeBraille(raw)) {
      FlushBlanks(source + i, continues, false);
      uint8_t cell = UnicodeToLibraryCell(raw);
      Put(cell, source + i);
      mode_ = IsBlankCell(cell) ? Mode::Blank : Mode::Kana;
      ++i;
    } else if (IsAsciiDigit(c)) {
      if (options_ & kBrlNumbers)
        i = WriteNumber(text, i, source);
      else
        ++i;
    } else if (IsAsciiLetter(c)) {
      if (options_ & kBrlLatin)
        i = WriteLatin(text, i, source);
      else
        ++i;
    } else if (raw == u'.' && mode_ == Mode::Latin && i + 1 < text.size() &&
               IsAsciiLetter(NarrowAlphanumeric(text[i + 1]))) {
      // A point inside a Latin word (example.com) keeps the word going.
      Put(UnicodeToLibraryCell(u'⠲'), source + i);
      ++i;
    } else if (WritePunctuation(raw, source + i, continues)) {
      ++i;
    } else {
      i = WriteKana(text, i, source, continues);
    }
  }
}

// ---------------------------------------------------------------------------
// Braille to kana.

namespace {

class BrailleReader {
 public:
  BrailleReader(const std::vector<uint8_t>& cells, uint32_t options)
      : cells_(cells), options_(options), positions_(cells.size() + 1, 0) {}

  void Read() {
    size_t i = 0;
    while (i < cells_.size()) {
      size_t before = kana_.size();
      size_t used = ReadUnit(i);
      if (used == 0) used = 1;
      positions_[i] = static_cast<uint16_t>(before);
      for (size_t k = i + 1; k < i + used && k < cells_.size(); ++k)
        positions_[k] = static_cast<uint16_t>(kana_.size());
      i += used;
    }
    positions_[cells_.size()] = static_cast<uint16_t>(kana_.size());
  }

  std::u16string& kana() { return kana_; }
  std::vector<uint16_t>& positions() { return positions_; }

 private:
  uint8_t DotsAt(size_t i) const {
    return i < cells_.size() ? LibraryCellToDots(cells_[i]) & 0x3F : 0xFF;
  }
  bool BlankAt(size_t i) const { return i < cells_.size() && IsBlankCell(cells_[i]); }
  bool EndAt(size_t i) const { return i >= cells_.size() || IsBlankCell(cells_[i]); }

  // A join sign after a number or Latin word is followed by kana; inside
  // brackets it may instead close them, which it does when no other ⠤
  // follows before the next blank.
  bool IsJoin(size_t i, bool afterNumber) const {
    if (EndAt(i + 1)) return false;
    if (afterNumber && !IsDigitCell(DotsAt(i + 1))) return false;
    if (!bracketOpen_) return true;
    for (size_t k = i + 1; !EndAt(k); ++k)
      if (DotsAt(k) == Dots(kJoinSign)) return true;
    return false;
  }

  // Reads the unit starting at cell i and returns the number of cells used.
  size_t ReadUnit(size_t i) {
    uint8_t d = DotsAt(i);
    if (d == 0) {
      // Between Latin words in quotes a blank is an ordinary space.
      kana_ += (quote_ || (options_ & kKanaForSpeech)) ? u' ' : u'　';
      number_ = false;
      latinWord_ = false;
      capsWord_ = false;
      return 1;
    }
    if (number_) {
      int letter = LetterIndex(d);
      if (letter >= 0 && letter < 10) {
        kana_ += letter == 9 ? u'0' : static_cast<char16_t>(u'1' + letter);
        return 1;
      }
      if ((d == Dots(kDecimalPoint) || d == Dots(kSeparator)) && IsDigitCell(DotsAt(i + 1))) {
        kana_ += d == Dots(kDecimalPoint) ? u'.' : u',';
        return 1;
      }
      // Slash and colon between numbers (dates, times): ⠌ and ⠐⠂ before a number sign.
      if (d == Dots(u'⠌') && DotsAt(i + 1) == Dots(kNumberSign)) {
        kana_ += u'/';
        return 1;
      }
      if (d == Dots(u'⠐') && DotsAt(i + 1) == Dots(u'⠂') && DotsAt(i + 2) == Dots(kNumberSign)) {
        kana_ += u':';
        return 2;
      }
      number_ = false;
      if (d == Dots(kJoinSign) && IsJoin(i, true)) return 1;
    }
    if (latinWord_ || quote_) {
      if (d == Dots(kCapitalSign)) {
        if (DotsAt(i + 1) == Dots(kCapitalSign)) {
          capsWord_ = true;
          return 2;
        }
        capNext_ = true;
        return 1;
      }
      if (latinWord_ && d == Dots(u'⠲') && LetterIndex(DotsAt(i + 1)) >= 0) {
        kana_ += u'.';
        return 1;
      }
      int letter = LetterIndex(d);
      if (letter >= 0) {
        bool upper = capNext_ || capsWord_;
        kana_ += static_cast<char16_t>((upper ? u'A' : u'a') + letter);
        capNext_ = false;
        return 1;
      }
      capsWord_ = false;
      capNext_ = false;
      if (quote_ && d == Dots(kQuoteClose)) {
        quote_ = false;
        return 1;
      }
      if (latinWord_) {
        latinWord_ = false;
        if (d == Dots(kJoinSign) && IsJoin(i, false)) return 1;
      }
    }
    uint8_t next = DotsAt(i + 1);
    bool letterNext = LetterIndex(next) >= 0 || next == Dots(kCapitalSign);
    if ((options_ & kBrlNumbers) && d == Dots(kNumberSign) && IsDigitCell(next)) {
      number_ = true;
      return 1;
    }
    if ((options_ & kBrlLatin) && d == Dots(kForeignSign) && letterNext) {
      latinWord_ = true;
      return 1;
    }
    if ((options_ & kBrlLatin) && d == Dots(kQuoteOpen) && letterNext) {
      quote_ = true;
      return 1;
    }
    if (i + 1 < cells_.size()) {
      if (const std::u16string* pair = Tables().ReadPair(d, next)) {
        kana_ += *pair;
        return 2;
      }
    }
    switch (d) {
      case Dots(u'⠲'):
        kana_ += u'。';
        return 1;
      case Dots(u'⠰'):
        kana_ += u'、';
        return 1;
      case Dots(u'⠢'):
        kana_ += u'？';
        return 1;
      case Dots(u'⠐'):
        kana_ += u'・';
        return 1;
      case Dots(u'⠖'):
        kana_ += EndAt(i + 1) ? u'！' : u'ヱ';
        return 1;
      case Dots(u'⠤'):
        kana_ += bracketOpen_ ? u'」' : u'「';
        bracketOpen_ = !bracketOpen_;
        return 1;
      case Dots(u'⠶'):
        kana_ += parenOpen_ ? u'）' : u'（';
        parenOpen_ = !parenOpen_;
        return 1;
      default:
        break;
    }
    if (char16_t k = Tables().ReadSingle(d)) {
      kana_ += k;
      return 1;
    }
    // Nothing in kana braille: keep the cell itself.
    kana_ += LibraryCellToUnicode(cells_[i]);
    return 1;
  }

  const std::vector<uint8_t>& cells_;
  uint32_t options_;
  std::u16string kana_;
  std::vector<uint16_t> positions_;
  bool number_ = false;
  bool latinWord_ = false;
  bool quote_ = false;
  bool capNext_ = false;
  bool capsWord_ = false;
  bool bracketOpen_ = false;
  bool parenOpen_ = false;
};

constexpr size_t kMaxLength = 65535;

PvnRecordPtr ReadCells(const std::vector<uint8_t>& cells, uint32_t option) {
  BrailleReader reader(cells, option);
  reader.Read();
  if (reader.kana().size() > kMaxLength) return nullptr;
  PvnRecordPtr record(new PvnRecord);
  record->kana = std::move(reader.kana());
  record->positions = std::move(reader.positions());
  record->cells = static_cast<int32_t>(cells.size());
  record->braille = cells;
  record->braille.push_back(0);
  return record;
}

}  // namespace

void PVN_FreeTB(PvnRecord* record) {
  delete record;
}
void PVN_FreeString(PvnString* text) {
  delete text;
}

PvnRecordPtr PVN_KanaToBrl(const char16_t* text, int start, int length, uint32_t option) {
  if (!text || start < 0 || length < 0 || static_cast<size_t>(length) > kMaxLength) return nullptr;
  std::u16string_view input(text + start, static_cast<size_t>(length));
  CellWriter writer(option);
  writer.Write(input, 0);
  if (writer.cells().size() > kMaxLength) return nullptr;
  PvnRecordPtr record(new PvnRecord);
  record->kana.assign(input);
  record->cells = static_cast<int32_t>(writer.cells().size());
  if (!writer.cells().empty()) {
    record->braille = writer.cells();
    record->braille.push_back(0);
  }
  for (size_t s : writer.sources()) record->positions.push_back(static_cast<uint16_t>(s));
  record->positions.push_back(static_cast<uint16_t>(input.size()));
  return record;
}

PvnRecordPtr PVN_BrlToKana(const uint8_t* cells, uint32_t option) {
  if (!cells) return nullptr;
  std::vector<uint8_t> input;
  for (const uint8_t* p = cells; *p; ++p) {
    if (input.size() == kMaxLength) return nullptr;
    input.push_back(*p);
  }
  return ReadCells(input, option);
}

PvnStringPtr PVN_UBrlToKana(const char16_t* text, uint32_t option) {
  if (!text) return nullptr;
  PvnStringPtr out(new PvnString);
  std::vector<uint8_t> run;
  auto flush = [&]() -> bool {
    if (run.empty()) return true;
    PvnRecordPtr record = ReadCells(run, option);
    if (!record) return false;
    out->text += record->kana;
    run.clear();
    return true;
  };
  for (const char16_t* p = text; *p; ++p) {
    if (IsUnicodeBraille(*p)) {
      if (run.size() == kMaxLength && !flush()) return nullptr;
      run.push_back(UnicodeToLibraryCell(*p));
      continue;
    }
    if (!flush()) return nullptr;
    out->text += *p;
  }
  if (!flush()) return nullptr;
  return out;
}

char16_t KanaOfCell(uint8_t dots) { return Tables().ReadSingle(dots); }

const std::u16string* KanaOfCellPair(uint8_t first, uint8_t second) { return Tables().ReadPair(first, second); }

bool BeginsKanaPair(uint8_t dots) { return Tables().BeginsPair(dots); }

int LetterOfCell(uint8_t dots) { return LetterIndex(dots); }

PvnStringPtr PVN_CopyKanaForBrl(const PvnRecord* record, int first, int end) {
  if (!record || first < 0 || end < first || end > record->cells) return nullptr;
  if (record->positions.size() != static_cast<size_t>(record->cells) + 1) return nullptr;
  size_t from = record->positions[static_cast<size_t>(first)];
  size_t to = record->positions[static_cast<size_t>(end)];
  if (from > to || to > record->kana.size()) return nullptr;
  return PvnStringPtr(new PvnString{record->kana.substr(from, to - from)});
}

}  // namespace mirelon
