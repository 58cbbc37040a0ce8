#include <gtest/gtest.h>

#include "braille/kana_braille.h"
#include "ui/display_text.h"

using namespace mirelon;

TEST(DisplayText, BraillePatternsReadAsKanaOtherTextKept) {
  // ⠁ is ア; the kanji, Latin letters and line breaks around it stay.
  EXPECT_EQ(BrailleAsKanaForDisplay(u"点字⠁\rabc"), u"点字ア\rabc");
  EXPECT_EQ(BrailleAsKanaForDisplay(u"1: user1さん 3/05 9:07\r"), u"1: user1さん 3/05 9:07\r");
  EXPECT_EQ(BrailleAsKanaForDisplay(u""), u"");
  std::u16string shown = BrailleAsKanaForDisplay(u"⠓⠑⠇⠇⠕");
  EXPECT_FALSE(shown.empty());
  for (char16_t c : shown) EXPECT_FALSE(c >= 0x2801 && c <= 0x28FF) << static_cast<int>(c);
}

TEST(DisplayText, NothingFromTheConversionShowsTheOriginal) {
  EXPECT_EQ(ChooseDisplayedText(u"⠓⠑⠇⠇⠕", nullptr), u"⠓⠑⠇⠇⠕");
  PvnString empty;
  EXPECT_EQ(ChooseDisplayedText(u"⠓⠑⠇⠇⠕", &empty), u"⠓⠑⠇⠇⠕");
  EXPECT_EQ(ChooseDisplayedText(u"", &empty), u"");
  PvnString kana{u"ヘッロ"};
  EXPECT_EQ(ChooseDisplayedText(u"⠓⠑⠇⠇⠕", &kana), u"ヘッロ");
}
