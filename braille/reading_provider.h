// Where the text-to-braille translator gets the words of a text and their
// readings: MeCab with the IPADIC dictionary (the system's Japanese IME on
// a Windows without the dictionary), a table in tests.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirelon {

// What the braille word spacing needs to know about a word.
enum class WordClass {
  Word,  // any other independent word (adverb, conjunction, interjection, ...)
  Noun,
  SahenNoun,  // a noun that takes する as its verb (勉強, 会議)
  Verb,
  Numeral,
  Prefix,  // attaches to the word after it
  Suffix,  // attaches to the word before it
  Particle,
  Auxiliary,  // auxiliary verb (です, ます, た)
  Symbol,
};

struct ReadingToken {
  std::u16string surface;
  // Katakana reading as written; empty when the dictionary has none
  // (digits, Latin words, unknown words).
  std::u16string reading;
  // Katakana as pronounced (long vowels as ー, the particle は as ワ);
  // empty when not known.
  std::u16string pronunciation;
  WordClass wordClass = WordClass::Word;
  bool suru = false;  // a form of the verb する
  // Dictionary form of a verb, adjective or auxiliary (ござる for ござい,
  // くださる for ください); empty for other words and when not known.
  std::u16string baseForm;
  // A verb, adjective or noun that does not stand on its own: a supporting
  // verb (いる, おく, しまう, みる after て), a formal noun (の, こと).
  bool dependent = false;
  bool counter = false;   // a counter suffix (本, 分, 日 after a number)
  bool timeNoun = false;  // a noun that also serves as an adverb (今日, 午後, 来週)
};

class ReadingProvider {
 public:
  virtual ~ReadingProvider() = default;
  // Splits a piece of text that holds no spaces into words, in order; the
  // surfaces put together give the text back. None when analysis failed.
  virtual std::optional<std::vector<ReadingToken>> Analyse(std::u16string_view text) = 0;
};

// The platform's analyser, or null when the system has none.
std::unique_ptr<ReadingProvider> CreateSystemReadingProvider();

}  // namespace mirelon
