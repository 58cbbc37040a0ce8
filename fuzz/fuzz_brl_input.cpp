// Keyboard braille input on arbitrary chords and an arbitrary kantenji
// table: the table is read without fault (includes of itself end), and the
// reader never loses track of what waits.
#include <string>

#include "base/utf.h"
#include "braille/braille_input.h"
#include "braille/kantenji_map.h"
#include "fuzz/fuzz_target.h"

using namespace mirelon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first byte chooses the mode and the field, the second where the
  // table ends and the chords begin.
  const int modes[] = {9, 1, 2};
  const int mode = modes[data[0] % 3];
  const bool numeric = (data[0] & 0x80) != 0;
  const size_t split = 2 + (size - 2) * data[1] / 255;
  const std::u16string table =
      Utf8ToUtf16Lenient(std::string_view(reinterpret_cast<const char*>(data + 2), split - 2));
  const KantenjiMap map = KantenjiMap::FromTable(
      table, [&](std::u16string_view) -> std::optional<std::u16string> { return table; });

  BrailleInputReader reader(mode, &map, numeric);
  for (size_t i = split; i < size; ++i) {
    // A few byte values stand for the keys that are not chords.
    switch (data[i]) {
      case 0xF0:
        reader.Backspace();
        break;
      case 0xF1:
        reader.Flush();
        FuzzCheck(!reader.Waiting());
        break;
      case 0xF2:
        reader.Reset();
        FuzzCheck(!reader.Waiting());
        break;
      default:
        reader.Cell(data[i]);
        break;
    }
  }
  reader.Flush();
  FuzzCheck(!reader.Waiting());
  return 0;
}

std::vector<std::string> FuzzDictionary() {
  return {"sign 一 168-24\n",
          "sign 咽 12356-3768-23458\n",
          "include x\n",
          "nofor sign ",
          "noback ",
          "\\x4e00",
          "\\y1F600",
          "\\z0010FFFF",
          "-",
          "0",
          "12345678",
          "\r\n",
          "#",
          "\xFF\x00"};
}
