#include "base/file_io.h"

#include <algorithm>

namespace mirelon {

std::u16string TemporaryFileName(std::u16string_view fileName, uint32_t salt) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  // As many hex digits as fit in the name's length, from one to eight.
  const size_t digits = std::clamp<size_t>(fileName.size(), 2, 9) - 1;
  std::u16string name(1, u'~');
  for (size_t i = 0; i < digits; ++i) name += kHex[(salt >> (4 * i)) & 0xF];
  return name;
}

}  // namespace mirelon
