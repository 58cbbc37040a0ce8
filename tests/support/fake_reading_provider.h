// A reading provider for tests: pieces of text are split into the words
// registered for them; any other piece becomes one word per character,
// without a reading.
#pragma once

#include <map>
#include <string>

#include "braille/reading_provider.h"

namespace mirelon {

class FakeReadingProvider : public ReadingProvider {
 public:
  void Add(std::u16string piece, std::vector<ReadingToken> words) {
    pieces_[std::move(piece)] = std::move(words);
  }
  // Analysis of the next pieces fails (none).
  void FailAll() { fail_ = true; }

  std::optional<std::vector<ReadingToken>> Analyse(std::u16string_view text) override;

  std::vector<std::u16string> analysed;  // every piece asked for, in order

 private:
  std::map<std::u16string, std::vector<ReadingToken>, std::less<>> pieces_;
  bool fail_ = false;
};

// A word for FakeReadingProvider::Add.
ReadingToken Word(std::u16string surface, std::u16string reading, std::u16string pronunciation,
                  WordClass wordClass = WordClass::Noun, bool suru = false);

}  // namespace mirelon
