#include <gtest/gtest.h>

#include "base/ansi.h"
#include "base/utf.h"

using namespace mirelon;

TEST(Utf, RoundTripsEveryPlane) {
  std::u16string text = u"abc \u3042\u6f22\u5b57 \U0001F600 \uFF10";
  std::string utf8 = Utf16ToUtf8(text);
  EXPECT_EQ(utf8, "abc \xE3\x81\x82\xE6\xBC\xA2\xE5\xAD\x97 \xF0\x9F\x98\x80 \xEF\xBC\x90");
  auto back = Utf8ToUtf16Strict(utf8);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, text);
  EXPECT_EQ(Utf8ToUtf16Lenient(utf8), text);
}

TEST(Utf, StrictRejectsEveryMalformedForm) {
  const char* bad[] = {
      "\x80",              // lone continuation
      "\xC0\xAF",          // overlong slash
      "\xE0\x80\xAF",      // overlong
      "\xED\xA0\x80",      // encoded surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xE3\x81",          // truncated
      "\xF8\x88\x80\x80\x80",
      "a\xFF",
  };
  for (const char* b : bad) EXPECT_FALSE(Utf8ToUtf16Strict(b)) << b;
}

TEST(Utf, LenientReplacesAndResynchronises) {
  EXPECT_EQ(Utf8ToUtf16Lenient("a\xE3\x81z"), u"a\uFFFDz");
  EXPECT_EQ(Utf8ToUtf16Lenient("\xFF\xE3\x81\x82"), u"\uFFFD\u3042");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(Utf, LooksLikeUtf8Classifies) {
  auto check = [](std::string_view s) {
    return LooksLikeUtf8(reinterpret_cast<const unsigned char*>(s.data()), s.size());
  };
  EXPECT_EQ(check("plain ascii"), -1);
  EXPECT_EQ(check(""), -1);
  EXPECT_EQ(check("\xE3\x81\x82"), 1);
  EXPECT_EQ(check("\x82\xA0"), 0);             // Shift_JIS あ
  EXPECT_EQ(check("\xE3\x81"), 0);             // cut at the end
  EXPECT_EQ(check(std::string_view("ab\0\xFF", 4)), -1);  // stops at a zero byte
  EXPECT_EQ(check("\xC0\xAF"), 0);             // C0 is never a lead byte
  EXPECT_EQ(check("\xED\xA0\x80"), 1);         // surrogates are left to the decoder
}

TEST(Ansi, ReadsAndWritesShiftJis) {
  auto text = AnsiToUtf16("\x82\xA0\x8A\xBF\x8E\x9A abc");
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, u"\u3042\u6f22\u5b57 abc");
  EXPECT_EQ(Utf16ToAnsi(u"\u3042abc"), "\x82\xA0" "abc");
  // Exact: anything without a code of its own in 932 refuses the whole text.
  EXPECT_EQ(Utf16ToAnsiExact(u"\u3042abc\u6f22"), std::optional<std::string>("\x82\xA0" "abc\x8A\xBF"));
  EXPECT_EQ(Utf16ToAnsiExact(u""), std::optional<std::string>(""));
  for (std::u16string_view lost : {u"a\u0E01", u"caf\u00E9", u"\U0001F600", u"x\xD800y"})
    EXPECT_FALSE(Utf16ToAnsiExact(lost)) << lost.size();
}
