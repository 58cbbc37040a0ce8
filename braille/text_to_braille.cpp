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

// Vowel column of a katakana, for the long-vowel rule: 'o' for the お
// column (and ョ, ォ), 'u' for the う column (and ュ, ゥ), 0 otherwise.
char VowelOf(char16_t k) {
  static constexpr std::u16string_view o = u"オコソトノホモヨロヲゴゾドボポョォ";
  static constexpr std::u16string_view u = u"ウクスツヌフムユルグズヅブプュゥヴ";
  if (o.find(k) != std::u16string_view::npos) return 'o';
  if (u.find(k) != std::u16string_view::npos) return 'u';
  return 0;
}

// The kana a word is written with. With a pronunciation of the same
// length, the dictionary tells which う is a long vowel (ー in the
// pronunciation) and which は and へ are read わ and え; an い, え or お
// pronounced long stays as written. Without one, the う after an お- or
// う-column kana is taken as a long vowel, and the particles は and へ are
// read わ and え.
std::u16string WrittenKana(const ReadingToken& token, bool asPronounced) {
  std::u16string reading;
  for (char16_t c : token.reading.empty() ? token.surface : token.reading) reading += ToKatakana(c);
  if (!asPronounced) return reading;
  const std::u16string& spoken = token.pronunciation;
  std::u16string out;
  if (!spoken.empty() && spoken.size() == reading.size()) {
    for (size_t i = 0; i < reading.size(); ++i) {
      char16_t r = reading[i], p = spoken[i];
      if ((p == u'ー' && r == u'ウ') || (r == u'ハ' && p == u'ワ') || (r == u'ヘ' && p == u'エ'))
        out += p;
      else
        out += r;
    }
    return out;
  }
  if (token.wordClass == WordClass::Particle && (token.surface == u"は" || token.surface == u"へ"))
    return token.surface == u"は" ? u"ワ" : u"エ";
  for (size_t i = 0; i < reading.size(); ++i) {
    if (i > 0 && reading[i] == u'ウ' && VowelOf(reading[i - 1]) != 0)
      out += u'ー';
    else
      out += reading[i];
  }
  return out;
}

class Translator {
 public:
  Translator(ReadingProvider& provider, uint32_t option)
      : provider_(provider),
        writer_(option & 0xFFFF),
        spacing_((option & kZerinWordSpacing) != 0),
        asPronounced_((option & kZerinAsPronounced) != 0) {}

  void Translate(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size()) {
      char16_t c = text[i];
      if (IsSpaceChar(c) || IsUnicodeBraille(c)) {
        writer_.Write(text.substr(i, 1), i);
        prev_ = Prev::Start;
        ++i;
        continue;
      }
      if (size_t phrase = LatinPhraseLength(text, i)) {
        Space(false, i);
        writer_.Write(text.substr(i, phrase), i);
        prev_ = Prev::Word;
        i += phrase;
        continue;
      }
      size_t j = i + 1;
      while (j < text.size() && !IsSpaceChar(text[j]) && !IsUnicodeBraille(text[j]) &&
             !LatinPhraseLength(text, j))
        ++j;
      TranslatePiece(text.substr(i, j - i), i);
      i = j;
    }
  }

  const std::vector<uint8_t>& cells() const { return writer_.cells(); }

 private:
  enum class Prev { Start, Word, Verb, SahenNoun, Numeral, NumberOrLatin, Prefix, OpenBracket };

  void Space(bool attached, size_t source) {
    if (spacing_ && !attached && prev_ != Prev::Start && prev_ != Prev::Prefix &&
        prev_ != Prev::OpenBracket)
      writer_.WordSpace(source);
  }

  void TranslatePiece(std::u16string_view piece, size_t source) {
    auto tokens = provider_.Analyse(piece);
    std::u16string joined;
    if (tokens)
      for (const auto& t : *tokens) joined += t.surface;
    if (!tokens || joined != piece) {
      // The analyser lost track of the text: write it as kana.
      Space(false, source);
      writer_.Write(piece, source);
      prev_ = Prev::Word;
      return;
    }
    size_t pos = source;
    for (size_t k = 0; k < tokens->size(); ++k) {
      const ReadingToken& t = (*tokens)[k];
      if (IsNumberText(t.surface)) {
        // The analyser splits 3.14 and 1,000 into pieces; write them as one number.
        std::u16string number = t.surface;
        while (k + 1 < tokens->size() &&
               (IsNumberText((*tokens)[k + 1].surface) ||
                (IsNumberPunctuation((*tokens)[k + 1].surface) && k + 2 < tokens->size() &&
                 IsNumberText((*tokens)[k + 2].surface))))
          number += (*tokens)[++k].surface;
        Space(prev_ == Prev::NumberOrLatin || prev_ == Prev::Numeral, pos);
        writer_.Write(number, pos);
        pos += number.size();
        prev_ = Prev::NumberOrLatin;
        afterDigits_ = true;
        continue;
      }
      bool afterDigits = afterDigits_;
      afterDigits_ = false;
      if (IsLatinText(t.surface)) {
        // Likewise example.com: a word of letters with points inside.
        std::u16string word = t.surface;
        while (k + 2 < tokens->size() && (*tokens)[k + 1].surface == u"." &&
               IsLatinText((*tokens)[k + 2].surface)) {
          word += (*tokens)[++k].surface;
          word += (*tokens)[++k].surface;
        }
        Space(prev_ == Prev::NumberOrLatin, pos);
        writer_.Write(word, pos);
        pos += word.size();
        prev_ = Prev::NumberOrLatin;
        continue;
      }
      if (t.wordClass == WordClass::Symbol) {
        bool opening = IsOpeningBracket(t.surface);
        Space(!opening, pos);
        writer_.Write(t.surface, pos);
        prev_ = opening ? Prev::OpenBracket : Prev::Word;
      } else {
        WordClass cls = t.wordClass;
        // After digits the analyser takes 月 for the moon; a date means the month.
        bool month = afterDigits && t.surface == u"月";
        bool attached = month || cls == WordClass::Particle || cls == WordClass::Auxiliary ||
                        cls == WordClass::Suffix ||
                        (cls == WordClass::Numeral && prev_ == Prev::Numeral) ||
                        (cls == WordClass::Verb && t.suru && prev_ == Prev::SahenNoun) ||
                        (cls == WordClass::Verb && prev_ == Prev::Verb);
        Space(attached, pos);
        std::u16string kana = month ? u"ガツ" : WrittenKana(t, asPronounced_);
        writer_.Write(kana, pos, cls == WordClass::Particle || cls == WordClass::Auxiliary);
        switch (cls) {
          case WordClass::Verb:
            prev_ = Prev::Verb;
            break;
          case WordClass::SahenNoun:
            prev_ = Prev::SahenNoun;
            break;
          case WordClass::Numeral:
            prev_ = Prev::Numeral;
            break;
          case WordClass::Prefix:
            prev_ = Prev::Prefix;
            break;
          default:
            prev_ = Prev::Word;
            break;
        }
      }
      pos += t.surface.size();
    }
  }

  ReadingProvider& provider_;
  CellWriter writer_;
  bool spacing_;
  bool asPronounced_;
  Prev prev_ = Prev::Start;
  bool afterDigits_ = false;
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
  std::vector<uint8_t> bytes = translator.cells();
  if (!bytes.empty()) bytes.push_back(0);
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
