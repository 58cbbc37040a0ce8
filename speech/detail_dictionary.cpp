#include "speech/detail_dictionary.h"

#include "settings/text_file.h"

namespace mirelon {

namespace {

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Where the line holding `at` ends: after its line end (CR, LF or CR LF;
// the program itself ends lines with CR alone), or the end of the text.
size_t AfterLine(std::u16string_view text, size_t at) {
  const size_t end = text.find_first_of(u"\r\n", at);
  if (end == std::u16string_view::npos) return text.size();
  return text.substr(end, 2) == u"\r\n" ? end + 2 : end + 1;
}

}  // namespace

void DetailDictionary::Parse(std::u16string_view text) {
  readings_.clear();
  // Readings start after the two digits, the character and the separator.
  constexpr size_t kReadingStart = 4;
  size_t at = 0;
  while (at < text.size()) {
    const std::u16string_view rest = text.substr(at);
    if (rest.size() < 2 || !IsAsciiDigit(rest[0]) || !IsAsciiDigit(rest[1])) {
      at = AfterLine(text, at);
      continue;
    }
    const size_t length = static_cast<size_t>(rest[0] - u'0') * 10 + static_cast<size_t>(rest[1] - u'0');
    // An entry without a reading, or one that the text ends inside of, is
    // not an entry: the rest of its line is skipped.
    if (length <= kReadingStart || length > rest.size()) {
      at = AfterLine(text, at);
      continue;
    }
    readings_[rest[2]] = std::u16string(rest.substr(kReadingStart, length - kReadingStart));
    // The character at the entry's length is its line end, or the first of
    // a line's rest that the entry left out: either way the line is done.
    at = AfterLine(text, at + length);
  }
}

std::optional<std::u16string_view> DetailDictionary::Reading(char16_t c) const {
  auto it = readings_.find(c);
  if (it == readings_.end()) return std::nullopt;
  return std::u16string_view(it->second);
}

bool LoadDetailDictionary(DetailDictionary& dictionary, const std::u16string& path) {
  std::optional<std::u16string> text = ReadTextFile(path);
  if (!text) {
    dictionary.Clear();
    return false;
  }
  dictionary.Parse(*text);
  return true;
}

}  // namespace mirelon
