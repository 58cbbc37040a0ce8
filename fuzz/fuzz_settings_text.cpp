// Settings files from arbitrary bytes: decoding and parsing never fail, a
// parsed list writes out and parses back to the same entries, and lookups
// find the first matching entry.
#include "base/utf.h"
#include "fuzz/fuzz_target.h"
#include "settings/settings_list.h"
#include "settings/text_file.h"

using namespace mirelon;

std::vector<std::string> FuzzDictionary() {
  return {",",
          "\r",
          "\n",
          "\r\n",
          "\xEF\xBB\xBF",
          "SpeechSpeed",
          "speechspeed",
          "-",
          "\xEF\xBC\x91",
          "\xEF\xBC\x8D",
          "99999999999999999999",
          "\x82\xA0",
          std::string(1, '\0')};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto text =
      DecodeTextFileBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!text) return 0;
  const SettingsList list = ParseSettingsText(*text);
  for (const auto& e : list.entries) {
    FuzzCheck(e.key.find(u'\r') == std::u16string::npos);
    FuzzCheck(e.value.find(u'\r') == std::u16string::npos);
    FuzzCheck(e.value.find(u',') == std::u16string::npos);
    // The first entry with a matching key is found, never a later one.
    const SettingEntry* found = FindSetting(list, e.key);
    FuzzCheck(found != nullptr && found <= &e);
    GetSettingInt(e);
  }

  const std::u16string written = SettingsText(list);
  const SettingsList again = ParseSettingsText(written);
  FuzzCheck(again.Count() == list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    FuzzCheck(again.entries[i].key == list.entries[i].key);
    FuzzCheck(again.entries[i].value == list.entries[i].value);
  }
  FuzzCheck(SettingsText(again) == written);
  // What a save writes decodes to the same text.
  FuzzCheck(DecodeTextFileBytes("\xEF\xBB\xBF" + Utf16ToUtf8(written)).value_or(u"") == written);
  return 0;
}
