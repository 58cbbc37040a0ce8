// Connection descriptions and lists from arbitrary text: parsing never
// fails, and what Describe and ListToText write parses back to the same
// records.
#include "base/utf.h"
#include "connections/connection_record.h"
#include "fuzz/fuzz_target.h"

using namespace mirelon;

std::vector<std::string> FuzzDictionary() {
  return {"Port:",
          "Port2:",
          "Speed:",
          "Protocol:",
          "User:",
          ";",
          "|",
          "NULL",
          "COM3",
          "9600",
          "99999999999999999999",
          "2147483648",
          "-",
          "Guest",
          "\xE7\x9D\x80"};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::u16string text =
      Utf8ToUtf16Lenient(std::string_view(reinterpret_cast<const char*>(data), size));

  const ConnectionRecord record = ParseDescription(text);
  FuzzCheck(record.speed >= 0 && record.protocol >= 0);
  const std::u16string description = Describe(record);
  FuzzCheck(ParseDescription(description) == record);
  FuzzCheck(!DisplayText(record).empty());

  const ConnectionRecordList list = ListFromText(text);
  const auto listText = ListToText(list);
  FuzzCheck(listText.has_value() == (Count(list) > 0));
  if (listText) {
    FuzzCheck(listText->back() == u'|');
    FuzzCheck(ListFromText(*listText).records == list.records);
  }
  FuzzCheck(SummaryText(list).size() > 0);
  return 0;
}
