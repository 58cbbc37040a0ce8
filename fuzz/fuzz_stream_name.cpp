// Stream names as a listing reports them: a number is taken only from
// ":Msg" and digits, never 0, never beyond the largest number, and it names
// the same stream when written back.

#include "base/utf.h"
#include "fuzz/fuzz_target.h"
#include "talk/records.h"

using namespace mirelon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::u16string name =
      Utf8ToUtf16Lenient(std::string_view(reinterpret_cast<const char*>(data), size));
  std::optional<uint32_t> n = ParseMessageStreamName(name);
  if (!n) return 0;
  FuzzCheck(*n != 0 && *n <= kMaxMessageNumber);
  FuzzCheck(name.size() >= 5 && name.compare(0, 4, u":Msg") == 0);
  FuzzCheck(ParseMessageStreamName(u":" + MessageStreamName(*n) + u":$DATA") == n);
  return 0;
}

std::vector<std::string> FuzzDictionary() {
  return {":Msg", ":$DATA", "000000", "0", "1", "9", "4294967295", "4294967296", "999999999",
          "1000000000", ":Owner", ":", "Msg", "\xEF\xBC\x91"};
}
