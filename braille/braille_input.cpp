#include "braille/braille_input.h"

#include "braille/cells.h"
#include "braille/kana_braille.h"
#include "braille/kantenji_map.h"

namespace mirelon {

namespace {

// Cells are written as Unicode braille, as the braille reference writes
// them; Dots() gives the dot set.
constexpr uint8_t Dots(char16_t unicodeBraille) {
  return static_cast<uint8_t>(unicodeBraille - kUnicodeBrailleBase);
}

constexpr uint8_t kBlank = 0;
constexpr uint8_t kNumberSign = Dots(u'⠼');
constexpr uint8_t kForeignSign = Dots(u'⠰');  // also 、
constexpr uint8_t kQuoteOpen = Dots(u'⠦');
constexpr uint8_t kQuoteClose = Dots(u'⠴');
constexpr uint8_t kCapitalSign = Dots(u'⠠');
constexpr uint8_t kDecimalPoint = Dots(u'⠂');
constexpr uint8_t kSeparator = Dots(u'⠄');
constexpr uint8_t kJoinSign = Dots(u'⠤');  // also 「 and 」
constexpr uint8_t kFullStop = Dots(u'⠲');
constexpr uint8_t kExclamation = Dots(u'⠖');  // also ヱ
constexpr uint8_t kParenthesis = Dots(u'⠶');

bool IsDigitCell(uint8_t dots) {
  const int letter = LetterOfCell(dots);
  return letter >= 0 && letter < 10;
}

char16_t Digit(uint8_t dots) {
  const int letter = LetterOfCell(dots);
  return letter == 9 ? u'0' : static_cast<char16_t>(u'1' + letter);
}

// What a prefix waits for, as the input state tells it.
std::u16string PrefixState(uint8_t dots) {
  switch (dots) {
    case Dots(u'⠐'):
      return u"濁音";
    case Dots(u'⠠'):
      return u"半濁音";
    case Dots(u'⠈'):
      return u"拗音";
    case Dots(u'⠘'):
      return u"拗濁音";
    case Dots(u'⠨'):
      return u"拗半濁音";
    default:
      return u"特殊音";
  }
}

// A prefix that is also a mark of its own.
std::u16string_view PrefixAlone(uint8_t dots) {
  switch (dots) {
    case Dots(u'⠐'):
      return u"・";
    case Dots(u'⠢'):
      return u"？";
    case Dots(u'⠲'):
      return u"。";
    default:
      return {};
  }
}

}  // namespace

ChordKey ChordKeyFromScanCode(unsigned scanCode) {
  switch (scanCode) {
    case 0x21:
      return ChordKey::kDot1;  // F
    case 0x20:
      return ChordKey::kDot2;  // D
    case 0x1F:
      return ChordKey::kDot3;  // S
    case 0x24:
      return ChordKey::kDot4;  // J
    case 0x25:
      return ChordKey::kDot5;  // K
    case 0x26:
      return ChordKey::kDot6;  // L
    case 0x1E:
      return ChordKey::kDot7;  // A
    case 0x27:
      return ChordKey::kDot8;  // ;
    case 0x39:
      return ChordKey::kSpace;
    default:
      return ChordKey::kNone;
  }
}

bool ChordAssembler::Down(ChordKey key) {
  if (key == ChordKey::kNone) return false;
  const uint16_t bit = static_cast<uint16_t>(1u << static_cast<unsigned>(key));
  if (held_ & bit) return true;
  held_ |= bit;
  if (key != ChordKey::kSpace)
    dots_ |= static_cast<uint8_t>(
        1u << (static_cast<unsigned>(key) - static_cast<unsigned>(ChordKey::kDot1)));
  return true;
}

ChordAssembler::Release ChordAssembler::Up(ChordKey key) {
  Release release;
  const uint16_t bit = static_cast<uint16_t>(1u << static_cast<unsigned>(key));
  if (key == ChordKey::kNone || !(held_ & bit)) return release;
  release.taken = true;
  held_ &= static_cast<uint16_t>(~bit);
  if (held_ == 0) {
    release.cell = dots_;
    dots_ = 0;
  }
  return release;
}

void ChordAssembler::Reset() {
  held_ = 0;
  dots_ = 0;
}

// ---------------------------------------------------------------------------
// Kana braille as it is typed.

BrailleInputStep KanaInputReader::Cell(uint8_t dots) {
  pending_.push_back(dots & 0x3F);
  BrailleInputStep step;
  Resolve(step, false);
  return step;
}

bool KanaInputReader::Backspace() {
  if (!pending_.empty()) {
    pending_.pop_back();
    return true;
  }
  if (capital_) {
    capital_ = false;
    return true;
  }
  return false;
}

std::u16string KanaInputReader::Flush() {
  BrailleInputStep step;
  Resolve(step, true);
  capital_ = false;
  return step.text;
}

void KanaInputReader::Reset() {
  pending_.clear();
  number_ = latin_ = quote_ = capital_ = capsWord_ = bracketOpen_ = parenOpen_ = false;
}

// Reads units off the waiting cells until they run out or the next unit
// needs a cell still to come. A cell that cannot follow the ones waiting
// is refused and they go on waiting; when nothing more comes (`final`), a
// sign that stands for nothing alone is dropped.
void KanaInputReader::Resolve(BrailleInputStep& step, bool final) {
  while (!pending_.empty()) {
    Unit unit = Read(final);
    if (unit.outcome == Outcome::kMore) {
      step.state = unit.state;
      return;
    }
    if (unit.outcome == Outcome::kRefused) {
      if (final) {
        pending_.erase(pending_.begin());
        continue;
      }
      pending_.pop_back();
      step.refused = true;
      return;
    }
    step.text += unit.text;
    if (!unit.state.empty()) step.state = unit.state;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(unit.used));
  }
}

KanaInputReader::Unit KanaInputReader::Read(bool final) {
  // A number or a Latin word that does not go on ends, and the cell is
  // read again as kana.
  if (number_) {
    Unit unit = ReadNumber(final);
    if (unit.used > 0 || unit.outcome != Outcome::kText) return unit;
  }
  if (latin_ || quote_) {
    Unit unit = ReadLatin(final);
    if (unit.used > 0 || unit.outcome != Outcome::kText) return unit;
  }
  return ReadKana(final);
}

KanaInputReader::Unit KanaInputReader::ReadNumber(bool final) {
  const uint8_t d = pending_[0];
  if (IsDigitCell(d)) return Take(1, std::u16string(1, Digit(d)));
  if (d == kDecimalPoint || d == kSeparator) {
    // A point or separator inside a number has a digit after it.
    if (pending_.size() < 2) {
      if (!final) return More();
    } else if (IsDigitCell(pending_[1])) {
      return Take(1, d == kDecimalPoint ? u"." : u",");
    }
  }
  number_ = false;
  // The join sign ends the number and lets kana follow.
  if (d == kJoinSign) return Take(1);
  return Other();
}

KanaInputReader::Unit KanaInputReader::ReadLatin(bool final) {
  const uint8_t d = pending_[0];
  if (d == kCapitalSign) {
    // One capital sign for a letter, two for a word in capitals.
    if (capital_) {
      capital_ = false;
      capsWord_ = true;
      return Take(1, {}, u"二重大文字符");
    }
    capital_ = true;
    return Take(1, {}, u"大文字符");
  }
  if (const int letter = LetterOfCell(d); letter >= 0) {
    const bool upper = capital_ || capsWord_;
    capital_ = false;
    return Take(1, std::u16string(1, static_cast<char16_t>((upper ? u'A' : u'a') + letter)));
  }
  capital_ = false;
  if (latin_ && d == kFullStop) {
    // A point inside a word (example.com) has a letter after it.
    if (pending_.size() < 2) {
      if (!final) return More();
    } else if (LetterOfCell(pending_[1]) >= 0) {
      return Take(1, u".");
    }
  }
  capsWord_ = false;
  if (quote_ && d == kQuoteClose) {
    quote_ = false;
    return Take(1);
  }
  if (quote_ && d == kBlank) return Take(1, u" ");
  const bool word = latin_;
  latin_ = false;
  if (word && d == kJoinSign) return Take(1);
  return Other();
}

KanaInputReader::Unit KanaInputReader::ReadKana(bool final) {
  const uint8_t d = pending_[0];
  const bool more = pending_.size() >= 2;
  const uint8_t next = more ? pending_[1] : 0;
  if (d == kBlank) return Take(1, quote_ ? u" " : u"　");
  if (d == kNumberSign) {
    if (!more) return final ? Take(1) : More(u"数符");
    if (!IsDigitCell(next)) return Refuse();
    number_ = true;
    return Take(1);
  }
  if (d == kForeignSign || d == kQuoteOpen) {
    const bool foreign = d == kForeignSign;
    if (!more) {
      if (final) return Take(1, foreign ? u"、" : u"");
      return More(foreign ? u"外字符" : u"外国語引用符");
    }
    if (LetterOfCell(next) >= 0 || next == kCapitalSign) {
      (foreign ? latin_ : quote_) = true;
      return Take(1);
    }
    if (foreign) return Take(1, u"、");
    return Refuse();
  }
  if (BeginsKanaPair(d)) {
    const std::u16string_view alone = PrefixAlone(d);
    if (!more) {
      if (final) return Take(1, std::u16string(alone));
      return More(PrefixState(d));
    }
    if (const std::u16string* pair = KanaOfCellPair(d, next)) return Take(2, Kana(*pair));
    if (!alone.empty()) return Take(1, std::u16string(alone));
    return Refuse();
  }
  if (d == kExclamation) {
    // ！ at the end of a word, ヱ inside one.
    if (!more && !final) return More();
    return Take(1, !more || next == kBlank ? u"！" : Kana(u"ヱ"));
  }
  if (d == kJoinSign) {
    bracketOpen_ = !bracketOpen_;
    return Take(1, bracketOpen_ ? u"「" : u"」");
  }
  if (d == kParenthesis) {
    parenOpen_ = !parenOpen_;
    return Take(1, parenOpen_ ? u"（" : u"）");
  }
  if (const char16_t kana = KanaOfCell(d)) return Take(1, Kana(std::u16string(1, kana)));
  return Refuse();
}

std::u16string KanaInputReader::Kana(std::u16string_view katakana) const {
  std::u16string text(katakana);
  if (script_ == Script::kHiragana)
    for (char16_t& c : text)
      if (c >= u'ァ' && c <= u'ヶ') c = static_cast<char16_t>(c - 0x60);
  return text;
}

// ---------------------------------------------------------------------------
// One control's input.

BrailleInputReader::BrailleInputReader(int mode, const KantenjiMap* kantenji, bool numeric)
    : mode_(mode),
      kantenji_(kantenji),
      numeric_(numeric),
      kana_(mode == 2 ? KanaInputReader::Script::kHiragana : KanaInputReader::Script::kKatakana) {}

BrailleInputStep BrailleInputReader::Cell(uint8_t dots) {
  BrailleInputStep step;
  if (numeric_) {
    if ((dots & kKantenjiUpperDots) == 0 && IsDigitCell(dots))
      step.text = std::u16string(1, Digit(dots));
    else if (dots == kNumberSign)
      step.state = u"数符";
    else
      step.refused = true;
    return step;
  }
  switch (mode_) {
    case 9:
      step.text = std::u16string(1, static_cast<char16_t>(kUnicodeBrailleBase + dots));
      return step;
    case 1:
      if (dots & kKantenjiUpperDots) {
        step.refused = true;
        return step;
      }
      return kana_.Cell(dots);
    case 2:
      return Kanji(dots);
    default:
      step.refused = true;
      return step;
  }
}

// A kanji starts with a cell that holds an upper dot and runs on while its
// cells lead to a longer entry of the map; cells without one are kana.
BrailleInputStep BrailleInputReader::Kanji(uint8_t dots) {
  BrailleInputStep step;
  if (!kanji_.empty()) {
    std::vector<uint8_t> cells = kanji_;
    cells.push_back(dots);
    const KantenjiMap::Lookup longer = kantenji_->Find(cells);
    if (longer.text || longer.longer) {
      kanji_ = std::move(cells);
      if (!longer.longer) step.text = FlushKanji();
      return step;
    }
    // The kanji read so far is complete: the cell starts what follows it.
    const KantenjiMap::Lookup done = kantenji_->Find(kanji_);
    if (!done.text) {
      step.refused = true;
      return step;
    }
    step.text = FlushKanji();
    BrailleInputStep after = Cell(dots);
    step.text += after.text;
    step.state = after.state;
    step.refused = after.refused;
    return step;
  }
  if (!(dots & kKantenjiUpperDots)) return kana_.Cell(dots);
  const KantenjiMap::Lookup start = kantenji_ ? kantenji_->Find({dots}) : KantenjiMap::Lookup{};
  if (!start.text && !start.longer) {
    step.refused = true;
    return step;
  }
  // A kana sign waiting before the kanji stands for what it means alone;
  // the sign that marks a kanji at the start of a line means nothing more.
  step.text = kana_.Flush();
  kanji_ = {dots};
  if (!start.longer) step.text += FlushKanji();
  return step;
}

std::u16string BrailleInputReader::FlushKanji() {
  std::u16string text;
  if (!kanji_.empty())
    if (const std::u16string* kanji = kantenji_->Find(kanji_).text) text = *kanji;
  kanji_.clear();
  return text;
}

bool BrailleInputReader::Backspace() {
  if (numeric_) return false;
  if (!kanji_.empty()) {
    kanji_.pop_back();
    return true;
  }
  return kana_.Backspace();
}

std::u16string BrailleInputReader::Flush() {
  if (numeric_) return {};
  return FlushKanji() + kana_.Flush();
}

void BrailleInputReader::Reset() {
  kanji_.clear();
  kana_.Reset();
}

}  // namespace mirelon
