// The rich text that puts a batch into the incoming pane: every character
// of the talk arrives as itself, whatever RTF would make of it.
#include <gtest/gtest.h>

#include "ui/rtf_text.h"

namespace mirelon {
namespace {

std::string Body(const std::string& rtf) {
  const size_t start = rtf.find("\\fs20 ") + 6;
  return rtf.substr(start, rtf.size() - start - 1);
}

TEST(RtfText, EveryCharacterArrivesAsItself) {
  const RtfDefaultFont font{u"MS UI Gothic", 128, 20};
  const std::string rtf = BuildRtf(u"a", {}, font);
  EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fcharset128 MS UI Gothic;}}", 0), 0u) << rtf;
  const struct {
    std::u16string text;
    std::string body;
  } cases[] = {
      {u"plain text", "plain text"},
      {u"{x}\\y", "\\{x\\}\\\\y"},
      {u"a\rb\nc\td", "a\\par\nb\\par\nc\\tab d"},
      {u"会議", "\\u20250?\\u-29840?"},  // signed 16-bit units
      {u"\U0001F600", "\\u-10179?\\u-8704?"},
      {u"\x01\x7F", "\\u1?\\u127?"},
  };
  for (const auto& c : cases) EXPECT_EQ(Body(BuildRtf(c.text, {}, font)), c.body);
}

TEST(RtfText, RangesAreHeaderGroupsAndTheRestIsDefault) {
  const FormattedRange ranges[] = {{0, 2, {true, false}}, {4, 5, {true, true}}};
  EXPECT_EQ(Body(BuildRtf(u"1:\rb2\r", ranges, {u"X", 0, 20})),
            "{\\b\\fs32\\cf1 1:}\\par\nb{\\b\\ul\\fs32\\cf1 2}\\par\n");
}

}  // namespace
}  // namespace mirelon
