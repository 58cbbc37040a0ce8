#include "braille/text_to_braille.h"

#include <mutex>
#include <string>

#include "braille/cell_writer.h"
#include "braille/cells.h"

namespace mirelon {

namespace {

bool IsNumberText(std::u16string_view s) {
  if (s.empty() || !IsAsciiDigit(NarrowAlphanumeric(s[0]))) return false;
  for (char16_t c : s) {
    char16_t n = NarrowAlphanumeric(c);
    if (!IsAsciiDigit(n) && n != u'.' && n != u',' && n != u'．' && n != u'，') return false;
  }
  return true;
}

bool IsNumberPunctuation(std::u16string_view s) {
  return s == u"." || s == u"," || s == u"．" || s == u"，";
}

bool IsLatinText(std::u16string_view s) {
  if (s.empty()) return false;
  for (char16_t c : s)
    if (!IsAsciiLetter(NarrowAlphanumeric(c))) return false;
  return true;
}

bool IsOpeningBracket(std::u16string_view s) {
  return s == u"「" || s == u"『" || s == u"（" || s == u"(";
}

// Marks written between two numbers without blanks: a time (9:07) or a
// date (3/05).
bool IsNumberMark(std::u16string_view s) {
  return s == u":" || s == u"：" || s == u"/" || s == u"／";
}

// Text of punctuation and symbols only. The dictionary takes ASCII marks
// for nouns; they are written as marks all the same.
bool IsSymbolText(std::u16string_view s) {
  if (s.empty()) return false;
  for (char16_t c : s) {
    bool ascii = c < 0x80 && c > u' ' && !IsAsciiLetter(c) && !IsAsciiDigit(c);
    bool cjk = (c >= 0x3000 && c <= 0x303F && c != u'々' && c != u'〆') || c == u'・' ||
               (c >= 0xFF01 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) ||
               (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65);
    if (!ascii && !cjk) return false;
  }
  return true;
}

bool IsKanji(char16_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || c == u'々';
}

// Vowel column of a katakana, for the long-vowel rule: 'o' for the お
// column (and ョ, ォ), 'u' for the う column (and ュ, ゥ), 0 otherwise.
char VowelOf(char16_t k) {
  static constexpr std::u16string_view o = u"オコソトノホモヨロヲゴゾドボポョォ";
  static constexpr std::u16string_view u = u"ウクスツヌフムユルグズヅブプュゥヴ";
  if (o.find(k) != std::u16string_view::npos) return 'o';
  if (u.find(k) != std::u16string_view::npos) return 'u';
  return 0;
}

// Morae of a katakana word: every kana but the small ones that join the
// kana before them.
size_t Morae(std::u16string_view kana) {
  static constexpr std::u16string_view smalls = u"ャュョァィゥェォ";
  size_t n = 0;
  for (char16_t c : kana)
    if (smalls.find(c) == std::u16string_view::npos) ++n;
  return n;
}

// The kana a word is written with. With a pronunciation of the same
// length, the dictionary tells which う is a long vowel (ー in the
// pronunciation) and which は and へ are read わ and え; an い, え or お
// pronounced long stays as written. Without one, the う after an お- or
// う-column kana is taken as a long vowel, and the particles は and へ are
// read わ and え.
std::u16string WrittenKana(const ReadingToken& token, bool asPronounced) {
  std::u16string_view reading = token.reading.empty() ? token.surface : token.reading;
  std::u16string out;
  out.reserve(reading.size());
  if (!asPronounced) {
    for (char16_t c : reading) out += ToKatakana(c);
    return out;
  }
  const std::u16string& spoken = token.pronunciation;
  if (!spoken.empty() && spoken.size() == reading.size()) {
    for (size_t i = 0; i < reading.size(); ++i) {
      char16_t r = ToKatakana(reading[i]), p = spoken[i];
      if ((p == u'ー' && r == u'ウ') || (r == u'ハ' && p == u'ワ') || (r == u'ヘ' && p == u'エ'))
        out += p;
      else
        out += r;
    }
    return out;
  }
  if (token.wordClass == WordClass::Particle && (token.surface == u"は" || token.surface == u"へ"))
    return token.surface == u"は" ? u"ワ" : u"エ";
  char16_t before = 0;
  for (char16_t c : reading) {
    char16_t k = ToKatakana(c);
    out += (k == u'ウ' && VowelOf(before) != 0) ? u'ー' : k;
    before = k;
  }
  return out;
}

// How the end of a number sounds before a counter, which decides the
// counter's voicing: いっ (1, 6, 10, 100 and their tens and hundreds), ん
// (3, 1000, 10000), よん (4), はち (8: both readings are used), or plain.
enum class NumberEnd { Plain, Geminate, N, Four, Eight };

NumberEnd NumberEndOf(std::u16string_view digits) {
  std::u16string d;
  for (char16_t c : digits)
    if (IsAsciiDigit(NarrowAlphanumeric(c))) d += NarrowAlphanumeric(c);
  if (d.empty()) return NumberEnd::Plain;
  size_t zeros = 0;
  while (zeros < d.size() && d[d.size() - 1 - zeros] == u'0') ++zeros;
  if (zeros == d.size()) return NumberEnd::Plain;  // zero
  char16_t last = d[d.size() - 1 - zeros];
  switch (zeros) {
    case 0:
      if (last == u'1' || last == u'6') return NumberEnd::Geminate;
      if (last == u'3') return NumberEnd::N;
      if (last == u'4') return NumberEnd::Four;
      if (last == u'8') return NumberEnd::Eight;
      return NumberEnd::Plain;
    case 1:  // じゅっ
    case 2:  // ひゃっ, びゃっ, ぴゃっ
      return NumberEnd::Geminate;
    default:  // せん, まん
      return NumberEnd::N;
  }
}

// A counter read after a number written in digits. The dictionary gives the
// counter's reading on its own (フン, ホン); the number before it voices it
// (6分 ろっぷん, 3本 さんぼん). Where both readings are in use (8本 はっぽん
// or はちほん) the dictionary's stands.
std::u16string CounterKana(std::u16string_view number, const ReadingToken& counter,
                           std::u16string kana) {
  if (number.find_first_of(u".．") != std::u16string_view::npos) return kana;
  NumberEnd end = NumberEndOf(number);
  if (counter.surface.starts_with(u"日") && kana.starts_with(u"ニチ")) {
    // Days of the month and counts of days: ふつか to とおか, じゅうよっか,
    // はつか, にじゅうよっか; the others いちにち, じゅういちにち, ...
    std::u16string d;
    for (char16_t c : number) d += NarrowAlphanumeric(c);
    while (d.size() > 1 && d[0] == u'0') d.erase(0, 1);
    static constexpr std::u16string_view kaDays[] = {u"2", u"3", u"4",  u"5",  u"6",  u"7",
                                                     u"8", u"9", u"10", u"14", u"20", u"24"};
    for (auto day : kaDays)
      if (d == day) return u"カ" + kana.substr(2);  // 2日間 ふつかかん
    return kana;
  }
  struct Voicing {
    std::u16string_view plain, geminate, n, four;
  };
  // Counters whose first kana the number before them voices.
  static constexpr Voicing kVoicings[] = {
      {u"フン", u"プン", u"プン", u"プン"},         {u"ホン", u"ポン", u"ボン", u"ホン"},
      {u"ハイ", u"パイ", u"バイ", u"ハイ"},         {u"ヒキ", u"ピキ", u"ビキ", u"ヒキ"},
      {u"ハツ", u"パツ", u"パツ", u"ハツ"},         {u"ハク", u"パク", u"パク", u"ハク"},
      {u"ヒョー", u"ピョー", u"ビョー", u"ヒョー"},
  };
  for (const auto& v : kVoicings) {
    if (kana != v.plain) continue;
    switch (end) {
      case NumberEnd::Geminate:
        return std::u16string(v.geminate);
      case NumberEnd::N:
        return std::u16string(v.n);
      case NumberEnd::Four:
        return std::u16string(v.four);
      default:
        return kana;
    }
  }
  // さんがい, さんげん, さんぞく: these voice after 3 alone.
  bool three = end == NumberEnd::N && NarrowAlphanumeric(number.back()) == u'3';
  if (three && counter.surface == u"階" && kana == u"カイ") return u"ガイ";
  if (three && counter.surface == u"軒" && kana == u"ケン") return u"ゲン";
  if (three && counter.surface == u"足" && kana == u"ソク") return u"ゾク";
  return kana;
}

// Whether the words' surfaces put together give the piece back.
bool SurfacesMake(const std::vector<ReadingToken>& words, std::u16string_view piece) {
  size_t at = 0;
  for (const auto& w : words) {
    if (piece.substr(at, w.surface.size()) != w.surface) return false;
    at += w.surface.size();
  }
  return at == piece.size();
}

// Dictionary entries that braille writes as two words: the first, kana of
// the entry, is written as it is; the rest is analysed on its own (a
// counted word then takes its number).
struct TwoWords {
  std::u16string_view surface;
  size_t firstKana;
};
constexpr TwoWords kTwoWordEntries[] = {
    {u"もう少し", 2},  // モー スコシ
    {u"もう一度", 2},  // モー 1ド: もう stays apart from a count
};

// Time words whose everyday reading is not the one the dictionary gives
// first (or gives in every context).
struct EverydayReading {
  std::u16string_view surface, kana;
};
constexpr EverydayReading kEverydayReadings[] = {
    {u"一昨日", u"オトトイ"},
    {u"一昨年", u"オトトシ"},
    {u"明後日", u"アサッテ"},
    {u"明明後日", u"シアサッテ"},
};

// Parts of the day that begin a compound with the noun after them (朝ご飯,
// 昼休み), although the dictionary files them with the time words that
// serve as adverbs.
bool IsDayPart(std::u16string_view s) {
  return s.size() == 1 &&
         std::u16string_view(u"朝昼夕夜晩").find(s[0]) != std::u16string_view::npos;
}

// A number in kanji (三, 二十五, 二〇二四) as digits; empty when the text is
// no such number.
std::u16string KanjiNumberDigits(std::u16string_view s) {
  static constexpr std::u16string_view digits = u"〇一二三四五六七八九";
  static constexpr std::u16string_view units = u"十百千";
  if (s.empty()) return {};
  bool positional = s.find_first_of(units) == std::u16string_view::npos;
  uint64_t value = 0, digit = 0;
  std::u16string out;
  for (char16_t c : s) {
    size_t d = digits.find(c), u = units.find(c);
    if (d != std::u16string_view::npos) {
      if (positional) out += static_cast<char16_t>(u'0' + d);
      digit = d;
    } else if (u != std::u16string_view::npos) {
      value += (digit ? digit : 1) * (u == 0 ? 10 : u == 1 ? 100 : 1000);
      digit = 0;
    } else {
      return {};
    }
  }
  if (positional) return out;
  value += digit;
  for (char c : std::to_string(value)) out += static_cast<char16_t>(c);
  return out;
}

class Translator {
 public:
  Translator(ReadingProvider& provider, uint32_t option)
      : provider_(provider),
        writer_(option & 0xFFFF, false),
        spacing_((option & kZerinWordSpacing) != 0),
        asPronounced_((option & kZerinAsPronounced) != 0) {}

  void Translate(std::u16string_view text) {
    // Kana take one or two cells each, blanks come on top.
    writer_.Reserve(text.size() * 2 + 8);
    size_t i = 0;
    while (i < text.size()) {
      char16_t c = text[i];
      if (IsSpaceChar(c) || IsUnicodeBraille(c)) {
        writer_.Write(text.substr(i, 1), i);
        prev_ = Prev::Start;
        lastKana_ = 0;
        lastNumber_.clear();  // "3 本" is no count
        ++i;
        continue;
      }
      if (size_t phrase = LatinPhraseLength(text, i)) {
        Space(false, i);
        writer_.Write(text.substr(i, phrase), i);
        prev_ = Prev::Word;
        lastKana_ = 0;
        lastNumber_.clear();
        i += phrase;
        continue;
      }
      size_t j = i + 1;
      while (j < text.size() && !IsSpaceChar(text[j]) && !IsUnicodeBraille(text[j]) &&
             !(IsAsciiLetter(NarrowAlphanumeric(text[j])) && LatinPhraseLength(text, j)))
        ++j;
      TranslatePiece(text.substr(i, j - i), i);
      i = j;
    }
  }

  const std::vector<uint8_t>& cells() const { return writer_.cells(); }

 private:
  enum class Prev {
    Start,
    Word,
    Noun,
    Verb,
    Numeral,
    NumberOrLatin,
    NumberMark,  // a colon or slash right after a number
    Prefix,
    OpenBracket,
  };

  void Space(bool attached, size_t source) {
    if (spacing_ && !attached && prev_ != Prev::Start && prev_ != Prev::Prefix &&
        prev_ != Prev::OpenBracket)
      writer_.WordSpace(source);
  }

  void Put(std::u16string_view kana, size_t source, bool continuesSentence = false) {
    writer_.Write(kana, source, continuesSentence);
    lastKana_ = kana.empty() ? 0 : kana.back();
  }

  void TranslatePiece(std::u16string_view piece, size_t source) {
    auto tokens = provider_.Analyse(piece);
    if (!tokens || !SurfacesMake(*tokens, piece)) {
      // The analyser lost track of the text: write it as kana.
      Space(false, source);
      Put(piece, source);
      prev_ = Prev::Word;
      return;
    }
    const std::vector<ReadingToken>& words = *tokens;
    size_t pos = source;
    for (size_t k = 0; k < words.size(); ++k) {
      const ReadingToken& t = words[k];
      if (IsNumberText(t.surface)) {
        // The analyser splits 3.14 and 1,000 into pieces; write them as one number.
        std::u16string number = t.surface;
        while (k + 1 < words.size() &&
               (IsNumberText(words[k + 1].surface) ||
                (IsNumberPunctuation(words[k + 1].surface) && k + 2 < words.size() &&
                 IsNumberText(words[k + 2].surface))))
          number += words[++k].surface;
        PutNumber(number, pos);
        pos += number.size();
        continue;
      }
      if (t.wordClass == WordClass::Numeral) {
        // A count in kanji (一回, 二十本) is written in digits, as any count.
        std::u16string kanji = t.surface;
        size_t end = k + 1;
        while (end < words.size() && words[end].wordClass == WordClass::Numeral)
          kanji += words[end++].surface;
        std::u16string digits = KanjiNumberDigits(kanji);
        if (!digits.empty() && end < words.size() && words[end].counter) {
          PutNumber(digits, pos);
          pos += kanji.size();
          k = end - 1;
          continue;
        }
      }
      std::u16string number = std::move(lastNumber_);
      lastNumber_.clear();
      if (IsLatinText(t.surface)) {
        // Likewise example.com: a word of letters with points inside.
        std::u16string word = t.surface;
        while (k + 2 < words.size() && words[k + 1].surface == u"." &&
               IsLatinText(words[k + 2].surface)) {
          word += words[++k].surface;
          word += words[++k].surface;
        }
        Space(prev_ == Prev::NumberOrLatin, pos);
        Put(word, pos);
        pos += word.size();
        prev_ = Prev::NumberOrLatin;
        lastKana_ = 0;
        continue;
      }
      if (t.wordClass == WordClass::Symbol || IsSymbolText(t.surface)) {
        bool opening = IsOpeningBracket(t.surface);
        Space(!opening, pos);
        Put(t.surface, pos);
        // 9:07, 3/05: the number after the mark follows it without a blank.
        bool betweenNumbers = !number.empty() && IsNumberMark(t.surface) && k + 1 < words.size() &&
                              IsNumberText(words[k + 1].surface);
        prev_ = opening ? Prev::OpenBracket : betweenNumbers ? Prev::NumberMark : Prev::Word;
        lastKana_ = 0;
        pos += t.surface.size();
        continue;
      }
      TranslateWord(words, k, number, pos);
      pos += t.surface.size();
    }
  }

  void PutNumber(const std::u16string& number, size_t source) {
    Space(prev_ == Prev::NumberOrLatin || prev_ == Prev::Numeral || prev_ == Prev::NumberMark,
          source);
    Put(number, source);
    prev_ = Prev::NumberOrLatin;
    lastNumber_ = number;
  }

  // One word of the analysis: its kana, and whether it joins the word before.
  void TranslateWord(const std::vector<ReadingToken>& words, size_t k, const std::u16string& number,
                     size_t pos) {
    const ReadingToken& t = words[k];
    WordClass cls = t.wordClass;
    bool afterDigits = !number.empty();
    std::u16string kana = WrittenKana(t, asPronounced_);

    // ござる and くださる stand apart as supporting words even where the
    // dictionary files them as an auxiliary or a verb's tail.
    bool standsApart = t.baseForm == u"ござる" || t.baseForm == u"くださる";
    if (t.baseForm == u"ござる") cls = WordClass::Verb;
    // The formal nouns の and ん (行くのです, 行くんです) lean on the word before.
    bool formalNo =
        t.dependent && cls != WordClass::Verb && (t.surface == u"の" || t.surface == u"ん");
    // すぎる after a stem (多すぎる, 食べすぎた, 静かすぎる) is a suffix of it.
    if (t.dependent && (t.baseForm == u"すぎる" || t.baseForm == u"過ぎる"))
      cls = WordClass::Suffix;
    for (const auto& everyday : kEverydayReadings)
      if (t.surface == everyday.surface) kana = everyday.kana;

    if (afterDigits && t.surface == u"月") {
      // After digits the analyser takes 月 for the moon; a date means the month.
      kana = u"ガツ";
      cls = WordClass::Suffix;
    } else if (afterDigits && (t.counter || cls == WordClass::Suffix)) {
      kana = CounterKana(number, t, std::move(kana));
      cls = WordClass::Suffix;
    } else if (afterDigits && cls == WordClass::Numeral) {
      cls = WordClass::Suffix;  // 1万: a numeral word goes on the digits
    }

    // An お- or う-column syllable and the auxiliary う make a long vowel
    // across the two words (帰りましょう, 行こう, でしょう).
    if (asPronounced_ && cls == WordClass::Auxiliary && t.surface == u"う" && VowelOf(lastKana_))
      kana = u"ー";

    // 何 before a た-, だ- or な-row kana is read なん (何の, 何だ, 何で).
    if (t.surface == u"何" && kana == u"ナニ" && k + 1 < words.size()) {
      std::u16string next = WrittenKana(words[k + 1], asPronounced_);
      static constexpr std::u16string_view nRow = u"タチツテトダヂヅデドナニヌネノ";
      if (!next.empty() && nRow.find(next[0]) != std::u16string_view::npos) kana = u"ナン";
    }

    bool attached = false;
    if (standsApart) {
      attached = false;
    } else if (formalNo || cls == WordClass::Particle || cls == WordClass::Auxiliary ||
               cls == WordClass::Suffix) {
      attached = true;
    } else if (cls == WordClass::Numeral) {
      attached = prev_ == Prev::Numeral;
    } else if (cls == WordClass::Verb && t.suru) {
      // する stands apart from its noun (確認 する), but not after a noun of
      // one kanji (愛する, 損する).
      attached = prev_ == Prev::Noun && singleKanjiNoun_;
    } else if (cls == WordClass::Verb) {
      // A verb right after a verb's stem makes a compound (待ち合わせる,
      // 読み始める); a supporting verb after て stands apart anyway.
      attached = prev_ == Prev::Verb;
    } else if ((cls == WordClass::Noun || cls == WordClass::SahenNoun) && prev_ == Prev::Noun) {
      // Parts of a compound noun are written apart only when both have
      // three morae or more (集合 時間, but 東京駅, 朝ご飯); words that serve
      // as adverbs (来週 月曜日, 今日 会議) always are.
      attached =
          !t.timeNoun && (!prevTimeNoun_ || prevDayPart_) && (Morae(kana) < 3 || prevMorae_ < 3);
    }
    Space(attached, pos);
    for (const auto& entry : kTwoWordEntries) {
      if (t.surface == entry.surface && kana.size() > entry.firstKana) {
        Put(std::u16string_view(kana).substr(0, entry.firstKana), pos);
        prev_ = Prev::Word;
        TranslatePiece(std::u16string_view(t.surface).substr(entry.firstKana),
                       pos + entry.firstKana);
        return;
      }
    }
    Put(kana, pos, cls == WordClass::Particle || cls == WordClass::Auxiliary || formalNo);

    bool noun = cls == WordClass::Noun || cls == WordClass::SahenNoun;
    if (noun) {
      // A noun that carries on a compound keeps the compound's mora count.
      prevMorae_ = (prev_ == Prev::Noun && attached) ? prevMorae_ + Morae(kana) : Morae(kana);
      prevTimeNoun_ = t.timeNoun;
      prevDayPart_ = t.timeNoun && IsDayPart(t.surface);
      singleKanjiNoun_ = t.surface.size() == 1 && IsKanji(t.surface[0]);
    }
    prev_ = PrevAfter(cls);
  }

  static Prev PrevAfter(WordClass cls) {
    switch (cls) {
      case WordClass::Verb:
        return Prev::Verb;
      case WordClass::Noun:
      case WordClass::SahenNoun:
        return Prev::Noun;
      case WordClass::Numeral:
        return Prev::Numeral;
      case WordClass::Prefix:
        return Prev::Prefix;
      default:
        return Prev::Word;
    }
  }

  ReadingProvider& provider_;
  CellWriter writer_;
  bool spacing_;
  bool asPronounced_;
  Prev prev_ = Prev::Start;
  std::u16string lastNumber_;  // the digits just written, for a counter after them
  char16_t lastKana_ = 0;      // the last kana written, for a long vowel across words
  size_t prevMorae_ = 0;       // of the noun (or compound) just written
  bool prevTimeNoun_ = false;
  bool prevDayPart_ = false;  // the noun just written is 朝, 夜, ...
  bool singleKanjiNoun_ = false;
};

std::mutex& EngineMutex() {
  static std::mutex m;
  return m;
}
std::unique_ptr<ReadingProvider>& Engine() {
  static std::unique_ptr<ReadingProvider> engine;
  return engine;
}

}  // namespace

std::vector<uint8_t> TranslateToBraille(ReadingProvider& provider, std::u16string_view text,
                                        uint32_t option) {
  Translator translator(provider, option);
  translator.Translate(text);
  const std::vector<uint8_t>& cells = translator.cells();
  std::vector<uint8_t> bytes;
  if (cells.empty()) return bytes;
  bytes.reserve(cells.size() + 1);
  bytes.assign(cells.begin(), cells.end());
  bytes.push_back(0);
  return bytes;
}

void ZerinFreeTB(ZerinRecord* record) {
  delete record;
}

int ZerinOpenWith(std::unique_ptr<ReadingProvider> provider) {
  if (!provider) return 0;
  std::lock_guard<std::mutex> lock(EngineMutex());
  Engine() = std::move(provider);
  return 1;
}

int ZerinOpen() {
  {
    std::lock_guard<std::mutex> lock(EngineMutex());
    if (Engine()) return 1;
  }
  return ZerinOpenWith(CreateSystemReadingProvider());
}

void ZerinClose() {
  std::lock_guard<std::mutex> lock(EngineMutex());
  Engine().reset();
}

bool ZerinIsOpen() {
  std::lock_guard<std::mutex> lock(EngineMutex());
  return Engine() != nullptr;
}

ZerinRecordPtr ZerinTextToBrlNW(const char16_t* text, int start, int length, uint32_t option) {
  if (!text || start < 0 || length < 0) return nullptr;
  std::lock_guard<std::mutex> lock(EngineMutex());
  if (!Engine()) return nullptr;
  ZerinRecordPtr record(new ZerinRecord);
  record->braille = TranslateToBraille(
      *Engine(), std::u16string_view(text + start, static_cast<size_t>(length)), option);
  record->length = record->braille.empty() ? 0 : static_cast<int32_t>(record->braille.size() - 1);
  return record;
}

}  // namespace mirelon
