// Where the text-to-braille translator gets the words of a text and their
// readings: a morphological analyser on Linux, the system's Japanese IME
// on Windows, a table in tests.
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
