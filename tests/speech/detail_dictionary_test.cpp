// The detailed-reading dictionary's text: entries by their stated length,
// everything else skipped by lines (ended by CR, LF or CR LF), nothing read
// past the text.
#include <gtest/gtest.h>

#include "speech/detail_dictionary.h"

namespace mirelon {
namespace {

TEST(DetailDictionary, EntriesAndWhatIsSkipped) {
  struct Case {
    const char* name;
    std::u16string text;
    char16_t character;
    std::optional<std::u16string> reading;
  };
  const Case cases[] = {
      {"an entry", u"09山 ヤマカワノ\r\n", u'山', u"ヤマカワノ"},
      {"the length decides, not the line", u"07山 ヤマカワノ\r\n", u'山', u"ヤマカ"},
      {"an entry at the very end", u"06川 カワ", u'川', u"カワ"},
      {"a later entry replaces", u"06川 カワ\r\n06川 セン\r\n", u'川', u"セン"},
      {"after comments and blank lines", u"# 辞書\r\n\r\n06a エー\n", u'a', u"エー"},
      {"after a cut entry the line goes on", u"05川 セン\r\n06山 サン\r\n", u'山', u"サン"},
      {"CR alone ends lines, as the program writes them", u"06川 カワ\r# 辞書\r\r06山 サン\r", u'山', u"サン"},
      {"LF alone, after a cut entry", u"05川 セン\n06山 サン\n", u'山', u"サン"},
      {"no reading", u"04川 \r\n", u'川', std::nullopt},
      {"too short to hold a character", u"02\r\n03x\r\n", u'x', std::nullopt},
      {"past the end of the text", u"12山 ヤマ", u'山', std::nullopt},
      {"one digit is a comment", u"9山 ヤマ\r\n", u'山', std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DetailDictionary dictionary;
    dictionary.Parse(c.text);
    std::optional<std::u16string_view> reading = dictionary.Reading(c.character);
    EXPECT_EQ(reading ? std::optional<std::u16string>(*reading) : std::nullopt, c.reading);
  }
}

}  // namespace
}  // namespace mirelon
