// Keyboard braille input, the part that needs no window: chords from key
// presses, and the text each chord stands for in the three input modes.
//
// Cells are dot sets with dot n in bit n-1 (Unicode braille's order); dots
// 7 and 8 are typed with A and ; and serve kantenji.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mirelon {

class KantenjiMap;

// The keys of six-key (and eight-key) typing.
enum class ChordKey : uint8_t {
  kNone,
  kDot1,
  kDot2,
  kDot3,
  kDot4,
  kDot5,
  kDot6,
  kDot7,
  kDot8,
  kSpace
};

// The chord key at a place on the keyboard (a set-1 scan code, without the
// extended-key flag): F D S J K L, A ;, Space. kNone for every other key.
ChordKey ChordKeyFromScanCode(unsigned scanCode);

// Collects a chord: every chord key pressed until all are released.
class ChordAssembler {
 public:
  // A chord key went down: true when it belongs to the chord (a key held
  // down that repeats adds nothing, and is taken all the same).
  bool Down(ChordKey key);
  struct Release {
    // The key was part of the chord (its release is taken).
    bool taken = false;
    // The cell, once the last key of the chord is up.
    std::optional<uint8_t> cell;
  };
  Release Up(ChordKey key);
  // Forgets a chord in progress (the window lost the keyboard meanwhile).
  void Reset();
  bool Active() const { return held_ != 0; }

 private:
  uint16_t held_ = 0;
  uint8_t dots_ = 0;
};

// What one chord does in the focused control.
struct BrailleInputStep {
  // Inserted at the caret.
  std::u16string text;
  // The input state to report: a sign waiting for its cell ("数符", "拗音"…).
  std::u16string state;
  // The chord means nothing where it was typed; nothing was inserted.
  bool refused = false;
};

// Reads kana braille as it is typed, one chord at a time: a prefix (voiced,
// semi-voiced, yōon, special sound), the number sign and the foreign-letter
// sign wait for the cell they belong to; digits follow the number sign,
// Latin letters the foreign-letter sign (with capital signs) and the
// foreign-language quotes; punctuation as in kana braille.
class KanaInputReader {
 public:
  enum class Script { kKatakana, kHiragana };
  explicit KanaInputReader(Script script = Script::kKatakana) : script_(script) {}

  // `dots`: six-dot cell.
  BrailleInputStep Cell(uint8_t dots);
  // Backspace takes back a sign still waiting (true); false when nothing
  // waits and the control deletes as usual.
  bool Backspace();
  // The user does something else: what the waiting signs stand for on
  // their own ("・" for a lone voiced prefix, nothing for a lone yōon
  // prefix); nothing waits afterwards.
  std::u16string Flush();
  // After a move in the control: numbers and Latin words end there.
  void Reset();
  bool Waiting() const { return !pending_.empty() || capital_; }

 private:
  enum class Outcome { kText, kMore, kRefused };
  struct Unit {
    Outcome outcome = Outcome::kText;
    size_t used = 0;  // cells taken from the waiting ones (0: not this reading's)
    std::u16string text;
    std::u16string state;
  };
  // `used` cells give `text`.
  static Unit Take(size_t used, std::u16string text = {}, std::u16string state = {}) {
    return {Outcome::kText, used, std::move(text), std::move(state)};
  }
  // The unit needs a cell still to come.
  static Unit More(std::u16string state = {}) { return {Outcome::kMore, 0, {}, std::move(state)}; }
  // The last cell cannot follow the ones before it.
  static Unit Refuse() { return {Outcome::kRefused, 0, {}, {}}; }
  // The cells are read another way (a number or a Latin word has ended).
  static Unit Other() { return {}; }
  void Resolve(BrailleInputStep& step, bool final);
  Unit Read(bool final);
  Unit ReadNumber(bool final);
  Unit ReadLatin(bool final);
  Unit ReadKana(bool final);
  std::u16string Kana(std::u16string_view katakana) const;

  const Script script_;
  std::vector<uint8_t> pending_;
  bool number_ = false;
  bool latin_ = false;
  bool quote_ = false;
  bool capital_ = false;
  bool capsWord_ = false;
  bool bracketOpen_ = false;
  bool parenOpen_ = false;
};

// One focused control's input in one input mode: 9 each cell as its
// Unicode braille character, 1 kana braille (katakana, ASCII digits and
// letters), 2 kantenji (kanji from `kantenji`, kana braille as hiragana). A
// numeric control takes digit cells as digits in every mode (the number
// sign may come first) and refuses the rest.
class BrailleInputReader {
 public:
  BrailleInputReader(int mode, const KantenjiMap* kantenji, bool numeric);

  BrailleInputStep Cell(uint8_t dots);
  bool Backspace();
  std::u16string Flush();
  void Reset();
  bool Waiting() const { return !kanji_.empty() || kana_.Waiting(); }

 private:
  BrailleInputStep Kanji(uint8_t dots);
  std::u16string FlushKanji();

  const int mode_;
  const KantenjiMap* const kantenji_;
  const bool numeric_;
  KanaInputReader kana_;
  std::vector<uint8_t> kanji_;
};

}  // namespace mirelon
