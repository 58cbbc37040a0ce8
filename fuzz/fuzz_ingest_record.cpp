// Any bytes in a message stream: decoding and record parsing must never
// crash, and what they produce must hold together.
#include <string_view>

#include "fuzz/fuzz_target.h"
#include "talk/records.h"

using namespace mirelon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (bool cut : {false, true}) {
    DecodedStream decoded = DecodeStreamBytes(bytes, cut);
    // A cut record is marked, unless a zero byte ended it before the cut.
    const bool marked = cut && bytes.find('\0') == std::string_view::npos;
    FuzzCheck(!marked || decoded.text.ends_with(kCutMark));
    // Never more text units than bytes (plus the mark).
    FuzzCheck(decoded.text.size() <= size + kCutMark.size());
    std::optional<ParsedRecord> record = ParseRecord(decoded.text);
    if (!record) continue;
    switch (record->kind) {
      case ParsedRecord::Kind::kTalk:
        FuzzCheck(record->body && record->header.find(u'\t') == std::u16string::npos);
        FuzzCheck(record->header.size() + record->body->size() + 5 <= decoded.text.size() + 1);
        break;
      case ParsedRecord::Kind::kIn:
      case ParsedRecord::Kind::kOut:
        FuzzCheck(!record->body && record->header.ends_with(u"さん"));
        break;
    }
    // Building a record from the parts and reading it back gives the parts.
    if (record->kind == ParsedRecord::Kind::kTalk && !record->header.empty()) {
      std::u16string again = u"talk\t" + record->header + u"\t" + *record->body;
      std::optional<ParsedRecord> reread = ParseRecord(again);
      FuzzCheck(reread && reread->header == record->header && reread->body == record->body);
    }
  }
  return 0;
}

std::vector<std::string> FuzzDictionary() {
  return {"talk\t", "in\t", "out\t", "\t", "\r\n", "\n", "\r", "\xEF\xBB\xBF", "\xE4\xBC\x9A",
          "\x89\xEF", "\xFF", "\x80", std::string(1, '\0'), "さん"};
}
