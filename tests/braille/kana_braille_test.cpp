#include <gtest/gtest.h>

#include "base/utf.h"
#include "braille/kana_braille.h"
#include "braille_test_util.h"

using namespace mirelon;

namespace {

std::u16string ToBraille(std::u16string_view text, uint32_t option = 3) {
  PvnRecordPtr r = PVN_KanaToBrl(text.data(), 0, static_cast<int>(text.size()), option);
  if (!r) return u"<none>";
  EXPECT_EQ(r->cells, static_cast<int32_t>(AsUnicode(r->Braille()).size()));
  return AsUnicode(r->Braille());
}

std::u16string ToKana(std::u16string_view braille, uint32_t option = 0x103) {
  std::vector<uint8_t> cells = FromUnicode(braille);
  PvnRecordPtr r = PVN_BrlToKana(cells.data(), option);
  if (!r) return u"<none>";
  EXPECT_EQ(r->positions.size(), static_cast<size_t>(r->cells) + 1);
  EXPECT_EQ(r->positions.back(), r->kana.size());
  return r->kana;
}

struct Case {
  std::u16string_view text;
  std::u16string_view braille;
};

}  // namespace

TEST(KanaToBraille, KanaOfEveryKind) {
  const Case cases[] = {
      {u"あいうえお", u"⠁⠃⠉⠋⠊"},
      {u"かきくけこさしすせそ", u"⠡⠣⠩⠫⠪⠱⠳⠹⠻⠺"},
      {u"たちつてとなにぬねの", u"⠕⠗⠝⠟⠞⠅⠇⠍⠏⠎"},
      {u"はひふへほまみむめも", u"⠥⠧⠭⠯⠮⠵⠷⠽⠿⠾"},
      {u"やゆよらりるれろわをん", u"⠌⠬⠜⠑⠓⠙⠛⠚⠄⠔⠴"},
      {u"アイウエオ", u"⠁⠃⠉⠋⠊"},  // katakana take the same cells
      {u"がぎぐげござじずぜぞ", u"⠐⠡⠐⠣⠐⠩⠐⠫⠐⠪⠐⠱⠐⠳⠐⠹⠐⠻⠐⠺"},
      {u"だぢづでどばびぶべぼ", u"⠐⠕⠐⠗⠐⠝⠐⠟⠐⠞⠐⠥⠐⠧⠐⠭⠐⠯⠐⠮"},
      {u"ぱぴぷぺぽ", u"⠠⠥⠠⠧⠠⠭⠠⠯⠠⠮"},
      {u"ヴ", u"⠐⠉"},
      {u"きゃきゅきょしゃしゅしょ", u"⠈⠡⠈⠩⠈⠪⠈⠱⠈⠹⠈⠺"},
      {u"ちゃにゅひょみゃりょ", u"⠈⠕⠈⠍⠈⠮⠈⠵⠈⠚"},
      {u"ぎゃじゅびょ", u"⠘⠡⠘⠹⠘⠮"},
      {u"ぴゃぴゅぴょ", u"⠨⠥⠨⠭⠨⠮"},
      {u"ファフィフェフォ", u"⠢⠥⠢⠧⠢⠯⠢⠮"},
      {u"ウィウェウォ", u"⠢⠃⠢⠋⠢⠊"},
      {u"ティディテュ", u"⠈⠗⠘⠗⠨⠝"},
      {u"シェジェチェ", u"⠈⠻⠘⠻⠈⠟"},
      {u"コーヒー", u"⠪⠒⠧⠒"},
      {u"がっこう", u"⠐⠡⠂⠪⠉"},  // as written: the long-vowel rule needs word knowledge
      {u"ぁゃ", u"⠁⠌"},
      {u"ｶﾞｯｺｳ ﾊﾟﾝ ｷｬ ｳﾞ｡",
       u"⠐⠡⠂⠪⠉⠀⠠⠥⠴⠀⠈⠡⠀⠐⠉⠲"},  // half-width katakana         // small kana on their own
  };
  for (const auto& c : cases) EXPECT_EQ(ToBraille(c.text), c.braille) << Utf16ToUtf8(c.text);
}

TEST(KanaToBraille, NumbersWithTheNumberSignAndTheJoinSign) {
  const Case cases[] = {
      {u"123", u"⠼⠁⠃⠉"},
      {u"１２３", u"⠼⠁⠃⠉"},
      {u"0", u"⠼⠚"},
      {u"3.14", u"⠼⠉⠂⠁⠙"},
      {u"1,000", u"⠼⠁⠄⠚⠚⠚"},
      {u"5えん", u"⠼⠑⠤⠋⠴"},  // あ row after a number
      {u"3りん", u"⠼⠉⠤⠓⠴"},  // ら row after a number
      {u"3こ", u"⠼⠉⠪"},      // no join needed
      {u"2ばん", u"⠼⠃⠐⠥⠴"},
      {u"1 2", u"⠼⠁⠀⠼⠃"},  // a blank ends the number
      {u"1.", u"⠼⠁⠲"},     // a point not followed by a digit is a full stop
      {u"12/08 9:05", u"⠼⠁⠃⠌⠼⠚⠓⠀⠼⠊⠐⠂⠼⠚⠑"},
      {u"12#08", u"⠼⠁⠃⠼⠚⠓"},  // a character without braille still ends the number
      {u"3個あ", u"⠼⠉⠤⠁"},    // ... but kana after it still need the join
  };
  for (const auto& c : cases) EXPECT_EQ(ToBraille(c.text), c.braille) << Utf16ToUtf8(c.text);
}

TEST(KanaToBraille, LatinLettersWithForeignAndCapitalSigns) {
  const Case cases[] = {
      {u"abc", u"⠰⠁⠃⠉"},
      {u"ABC", u"⠰⠠⠠⠁⠃⠉"},
      {u"ＡＢＣ", u"⠰⠠⠠⠁⠃⠉"},
      {u"Tokyo", u"⠰⠠⠞⠕⠅⠽⠕"},
      {u"iPhone15", u"⠰⠊⠠⠏⠓⠕⠝⠑⠼⠁⠑"},
      {u"15kg", u"⠼⠁⠑⠰⠅⠛"},
      {u"Tシャツ", u"⠰⠠⠞⠤⠈⠱⠝"},  // kana after a Latin word takes the join sign
      {u"Hello World", u"⠦⠠⠓⠑⠇⠇⠕⠀⠠⠺⠕⠗⠇⠙⠴"},
      {u"xyz", u"⠰⠭⠽⠵"},
      {u"example.com", u"⠰⠑⠭⠁⠍⠏⠇⠑⠲⠉⠕⠍"},  // a point inside the word
  };
  for (const auto& c : cases) EXPECT_EQ(ToBraille(c.text), c.braille) << Utf16ToUtf8(c.text);
}

TEST(KanaToBraille, PunctuationWithItsBlanks) {
  const Case cases[] = {
      {u"はい。いいえ", u"⠥⠃⠲⠀⠀⠃⠃⠋"},
      {u"はい。 いいえ", u"⠥⠃⠲⠀⠀⠃⠃⠋"},  // the typed space is one of the two
      {u"はい、そう", u"⠥⠃⠰⠀⠺⠉"},
      {u"ほんと？うん", u"⠮⠴⠞⠢⠀⠀⠉⠴"},
      {u"ほんと？とき", u"⠮⠴⠞⠢⠀⠞⠣"},  // と continues the sentence
      {u"すごい！", u"⠹⠐⠪⠃⠖"},        // nothing after the last mark
      {u"あ・い", u"⠁⠐⠃"},
      {u"「はい」", u"⠤⠥⠃⠤"},
      {u"「はい。」と", u"⠤⠥⠃⠲⠤⠀⠀⠞"},
      {u"（えき）", u"⠶⠋⠣⠶"},
      {u"あ い　う", u"⠁⠀⠃⠀⠉"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToBraille(c.text), c.braille) << Utf16ToUtf8(c.text);
}

TEST(KanaToBraille, CharactersWithoutBrailleGiveNoCells) {
  EXPECT_EQ(ToBraille(u"あ😀い漢"), u"⠁⠃");
  PvnRecordPtr r = PVN_KanaToBrl(u"漢字", 0, 2, 3);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->cells, 0);
  EXPECT_EQ(r->Braille(), nullptr);
  EXPECT_EQ(ToBraille(u"⠁⠀⠃"), u"⠁⠀⠃");  // braille already in the text passes through
  EXPECT_FALSE(PVN_KanaToBrl(nullptr, 0, 0, 3));
  EXPECT_FALSE(PVN_KanaToBrl(u"a", -1, 1, 3));
}

TEST(KanaToBraille, OptionBitsSelectNumbersAndLetters) {
  EXPECT_EQ(ToBraille(u"3あa", 0), u"⠁");
  EXPECT_EQ(ToBraille(u"3あa", kBrlNumbers), u"⠼⠉⠤⠁");
  EXPECT_EQ(ToBraille(u"3あa", kBrlLatin), u"⠁⠰⠁");
  // The range argument picks part of the text.
  PvnRecordPtr r = PVN_KanaToBrl(u"あいう", 1, 1, 3);
  ASSERT_TRUE(r);
  EXPECT_EQ(AsUnicode(r->Braille()), u"⠃");
}

TEST(KanaToBraille, RecordsTheSourcePositionOfEachCell) {
  PvnRecordPtr r = PVN_KanaToBrl(u"あ5が", 0, 3, 3);
  ASSERT_TRUE(r);
  EXPECT_EQ(AsUnicode(r->Braille()), u"⠁⠼⠑⠐⠡");
  EXPECT_EQ(r->positions, (std::vector<uint16_t>{0, 1, 1, 2, 2, 3}));
}

TEST(BrailleToKana, ReadsBackTheKatakanaOfWhatWasWritten) {
  const std::u16string_view texts[] = {
      u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわを"
      u"ん",
      u"がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽヴ",
      u"きゃきゅきょしゃしゅしょちゃちゅちょにゃにゅにょひゃひゅひょみゃみゅみょりゃりゅりょ",
      u"ぎゃぎゅぎょじゃじゅじょぢゃぢゅぢょびゃびゅびょぴゃぴゅぴょ",
      u"ファフィフェフォウィウェウォティディテュデュトゥドゥヴァヴィヴェヴォツァツィツェツォイェ",
      u"コーヒーがっこうゐゑあ",
  };
  for (auto text : texts) {
    std::u16string katakana;
    for (char16_t c : text)
      katakana += (c >= 0x3041 && c <= 0x3096) ? static_cast<char16_t>(c + 0x60) : c;
    EXPECT_EQ(ToKana(ToBraille(text)), katakana);
  }
}

TEST(BrailleToKana, NumbersLettersAndPunctuationComeBack) {
  const Case cases[] = {
      {u"5エン", u"⠼⠑⠤⠋⠴"},
      {u"3.14", u"⠼⠉⠂⠁⠙"},
      {u"1,000", u"⠼⠁⠄⠚⠚⠚"},
      {u"3コ", u"⠼⠉⠪"},
      {u"ABC", u"⠰⠠⠠⠁⠃⠉"},
      {u"iPhone15", u"⠰⠊⠠⠏⠓⠕⠝⠑⠼⠁⠑"},
      {u"Tシャツ", u"⠰⠠⠞⠤⠈⠱⠝"},
      {u"Hello World", u"⠦⠠⠓⠑⠇⠇⠕⠀⠠⠺⠕⠗⠇⠙⠴"},
      {u"example.com", u"⠰⠑⠭⠁⠍⠏⠇⠑⠲⠉⠕⠍"},
      {u"ハイ。　　イイエ", u"⠥⠃⠲⠀⠀⠃⠃⠋"},
      {u"ハイ、　ソウ", u"⠥⠃⠰⠀⠺⠉"},
      {u"ホント？　　ウン", u"⠮⠴⠞⠢⠀⠀⠉⠴"},
      {u"スゴイ！", u"⠹⠐⠪⠃⠖"},
      {u"ア・イ", u"⠁⠐⠃"},
      {u"「ハイ」", u"⠤⠥⠃⠤"},
      {u"「3」デス", u"⠤⠼⠉⠤⠐⠟⠹"},  // inside brackets ⠤ closes them
      {u"（エキ）", u"⠶⠋⠣⠶"},
      {u"12/08　9:05", u"⠼⠁⠃⠌⠼⠚⠓⠀⠼⠊⠐⠂⠼⠚⠑"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToKana(c.braille), c.text) << Utf16ToUtf8(c.text);
}

TEST(BrailleToKana, AmbiguousCellsFollowTheirContext) {
  EXPECT_EQ(ToKana(u"⠰⠀⠁"), u"、　ア");  // comma, then foreign-letter sign
  EXPECT_EQ(ToKana(u"⠰⠁"), u"a");
  EXPECT_EQ(ToKana(u"⠢⠀"), u"？　");  // question mark, special-sound prefix
  EXPECT_EQ(ToKana(u"⠢⠥"), u"ファ");
  EXPECT_EQ(ToKana(u"⠠⠥"), u"パ");  // semi-voiced prefix, capital sign
  EXPECT_EQ(ToKana(u"⠰⠠⠁"), u"A");
  EXPECT_EQ(ToKana(u"⠁⠂⠡"), u"アッカ");  // sokuon, decimal point
  EXPECT_EQ(ToKana(u"⠼⠁⠂⠃"), u"1.2");
  EXPECT_EQ(ToKana(u"⠦⠁⠃⠴⠴"), u"abン");   // closing quote, ん
  EXPECT_EQ(ToKana(u"⠐⠡⠐⠀"), u"ガ・　");  // voiced prefix, middle dot
  EXPECT_EQ(ToKana(u"⠼⠁⠃⠡"), u"12カ");    // digits end at a non-digit cell
}

TEST(BrailleToKana, CellsWithoutMeaningAreKeptAsBraille) {
  EXPECT_EQ(ToKana(u"⠈⠁"), u"⠈ア");  // yōon prefix before a cell it cannot take
  EXPECT_EQ(ToKana(u"⠿⠿⠸"), u"メメ⠸");
  EXPECT_EQ(ToKana(u"⠼⠁", 0x100), u"⠼ア");     // no number rule without bit 0x01
  EXPECT_EQ(ToKana(u"⠰⠁", 0x101), u"、ア");    // no Latin rule without bit 0x02
  EXPECT_EQ(ToKana(u"⠁⠀⠃", 0x203), u"ア イ");  // speech takes ASCII spaces
  EXPECT_FALSE(PVN_BrlToKana(nullptr, 0x103));
}

TEST(BrailleToKana, PositionTableMapsCellsToKana) {
  std::vector<uint8_t> cells = FromUnicode(u"⠐⠡⠂⠼⠑⠤⠋");
  PvnRecordPtr r = PVN_BrlToKana(cells.data(), 0x103);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->kana, u"ガッ5エ");
  EXPECT_EQ(r->positions, (std::vector<uint16_t>{0, 1, 1, 2, 2, 3, 3, 4}));
  auto copy = [&](int first, int end) {
    PvnStringPtr s = PVN_CopyKanaForBrl(r.get(), first, end);
    return s ? s->text : u"<none>";
  };
  EXPECT_EQ(copy(0, 2), u"ガ");
  EXPECT_EQ(copy(3, 5), u"5");
  EXPECT_EQ(copy(5, 7), u"エ");
  EXPECT_EQ(copy(0, 7), u"ガッ5エ");
  EXPECT_EQ(copy(1, 2), u"");
  EXPECT_EQ(copy(-1, 2), u"<none>");
  EXPECT_EQ(copy(3, 2), u"<none>");
  EXPECT_EQ(copy(0, 8), u"<none>");
  EXPECT_FALSE(PVN_CopyKanaForBrl(nullptr, 0, 0));
}

TEST(UnicodeBrailleToKana, ReplacesOnlyTheBraille) {
  auto convert = [](const char16_t* text, uint32_t option) {
    PvnStringPtr s = PVN_UBrlToKana(text, option);
    return s ? s->text : u"<none>";
  };
  EXPECT_EQ(convert(u"田中⠁⠃さん", 0x103), u"田中アイさん");
  EXPECT_EQ(convert(u"⠥⠃⠲⠀⠀⠃", 0x203), u"ハイ。  イ");
  EXPECT_EQ(convert(u"キャンセル", 0x203), u"キャンセル");
  EXPECT_EQ(convert(u"", 0x203), u"");
  EXPECT_FALSE(PVN_UBrlToKana(nullptr, 0x203));
}
