#include "support/fake_reading_provider.h"

namespace mirelon {

std::optional<std::vector<ReadingToken>> FakeReadingProvider::Analyse(std::u16string_view text) {
  analysed.emplace_back(text);
  if (fail_) return std::nullopt;
  auto it = pieces_.find(text);
  if (it != pieces_.end()) return it->second;
  std::vector<ReadingToken> words;
  for (char16_t c : text) {
    ReadingToken t;
    t.surface.assign(1, c);
    words.push_back(t);
  }
  return words;
}

ReadingToken Word(std::u16string surface, std::u16string reading, std::u16string pronunciation,
                  WordClass wordClass, bool suru) {
  ReadingToken t;
  t.surface = std::move(surface);
  t.reading = std::move(reading);
  t.pronunciation = std::move(pronunciation);
  t.wordClass = wordClass;
  t.suru = suru;
  return t;
}

}  // namespace mirelon
