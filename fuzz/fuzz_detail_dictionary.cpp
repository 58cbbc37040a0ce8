// The detailed-reading dictionary and the braille readings from arbitrary
// text: parsing never reads past the text and every reading it keeps lies
// inside it; reading a braille cell in its line never reads past the
// converter's record.
#include "base/utf.h"
#include "fuzz/fuzz_target.h"
#include "settings/text_file.h"
#include "speech/detail_dictionary.h"
#include "speech/reading.h"

using namespace mirelon;

std::vector<std::string> FuzzDictionary() {
  return {"09", "05", "99", "00", "\r\n", "\n", "\xE5\xB1\xB1 ",  // 山 and a space
          "\xE2\xA0\x81", "\xE2\xA0\xBC", "\xE2\xA0\x80", "#"};   // ⠁ ⠼ ⠀
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto text = DecodeTextFileBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!text) return 0;
  DetailDictionary dictionary;
  dictionary.Parse(*text);
  for (char16_t c : *text) {
    if (std::optional<std::u16string_view> reading = dictionary.Reading(c)) {
      FuzzCheck(!reading->empty() && reading->size() <= 95);
      FuzzCheck(text->find(*reading) != std::u16string::npos);
    }
  }
  for (size_t i = 0; i < text->size() && i < 64; ++i) {
    if (std::optional<std::u16string> cell = BrailleCellKana(*text, i)) FuzzCheck(!cell->empty());
    int memory = static_cast<int>(i % 3) * 0x108;
    DescribeCharacter(memory, std::u16string_view(*text).substr(i, 1));
  }
  return 0;
}
