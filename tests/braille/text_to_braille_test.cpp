#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "base/utf.h"
#include "braille/reading_provider_mecab.h"
#include "braille/text_to_braille.h"
#include "braille_test_util.h"
#include "support/fake_reading_provider.h"

using namespace mirelon;

namespace {

constexpr uint32_t kAll = 0x30003;

// Cells to insert, delete or change to turn `got` into `expected`.
size_t EditDistance(std::u16string_view expected, std::u16string_view got) {
  std::vector<size_t> row(got.size() + 1);
  for (size_t j = 0; j <= got.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= expected.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= got.size(); ++j) {
      size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (expected[i - 1] != got[j - 1])});
      diagonal = up;
    }
  }
  return row[got.size()];
}

std::u16string Translate(ReadingProvider& p, std::u16string_view text, uint32_t option = kAll) {
  std::vector<uint8_t> bytes = TranslateToBraille(p, text, option);
  if (!bytes.empty()) {
    EXPECT_EQ(bytes.back(), 0);
  }
  return AsUnicode(bytes.empty() ? nullptr : bytes.data());
}

// 今日は学校へ行く: particles, a long vowel from う, an independent verb.
FakeReadingProvider SchoolSentence() {
  FakeReadingProvider p;
  p.Add(u"今日は学校へ行く。",
        {Word(u"今日", u"キョウ", u"キョー"), Word(u"は", u"ハ", u"ワ", WordClass::Particle),
         Word(u"学校", u"ガッコウ", u"ガッコー"), Word(u"へ", u"ヘ", u"エ", WordClass::Particle),
         Word(u"行く", u"イク", u"イク", WordClass::Verb),
         Word(u"。", u"。", u"。", WordClass::Symbol)});
  return p;
}

}  // namespace

TEST(TextToBraille, WritesAsPronouncedWithWordSpacing) {
  FakeReadingProvider p = SchoolSentence();
  // キョーワ ガッコーエ イク。
  EXPECT_EQ(Translate(p, u"今日は学校へ行く。"), u"⠈⠪⠒⠄⠀⠐⠡⠂⠪⠒⠋⠀⠃⠩⠲");
  // Without 0x20000: the readings as written; without 0x10000: no blanks.
  EXPECT_EQ(Translate(p, u"今日は学校へ行く。", 0x10003), u"⠈⠪⠉⠥⠀⠐⠡⠂⠪⠉⠯⠀⠃⠩⠲");
  EXPECT_EQ(Translate(p, u"今日は学校へ行く。", 0x20003), u"⠈⠪⠒⠄⠐⠡⠂⠪⠒⠋⠃⠩⠲");
}

TEST(TextToBraille, LongVowelsOnlyWhereTheDictionarySaysSo) {
  FakeReadingProvider p;
  p.Add(u"大きい", {Word(u"大きい", u"オオキイ", u"オーキイ", WordClass::Word)});
  p.Add(u"先生", {Word(u"先生", u"センセイ", u"センセー")});
  p.Add(u"思う", {Word(u"思う", u"オモウ", u"オモウ", WordClass::Verb)});
  p.Add(u"数学", {Word(u"数学", u"スウガク", u"スーガク")});
  EXPECT_EQ(Translate(p, u"大きい"), u"⠊⠊⠣⠃");  // お stays
  EXPECT_EQ(Translate(p, u"先生"), u"⠻⠴⠻⠃");    // え-column い stays
  EXPECT_EQ(Translate(p, u"思う"), u"⠊⠾⠉");     // a verb's う is no long vowel
  EXPECT_EQ(Translate(p, u"数学"), u"⠹⠒⠐⠡⠩");   // う-column long vowel
}

TEST(TextToBraille, WithoutPronunciationTheRulesStillApply) {
  // The IME gives readings only.
  FakeReadingProvider p;
  p.Add(u"東京へ",
        {Word(u"東京", u"とうきょう", u""), Word(u"へ", u"へ", u"", WordClass::Particle)});
  EXPECT_EQ(Translate(p, u"東京へ"), u"⠞⠒⠈⠪⠒⠋");
}

TEST(TextToBraille, SpacingFollowsWordClasses) {
  FakeReadingProvider p;
  p.Add(u"第二会議室で勉強する", {Word(u"第", u"ダイ", u"ダイ", WordClass::Prefix),
                                  Word(u"二", u"ニ", u"ニ", WordClass::Numeral),
                                  Word(u"会議", u"カイギ", u"カイギ", WordClass::SahenNoun),
                                  Word(u"室", u"シツ", u"シツ", WordClass::Suffix),
                                  Word(u"で", u"デ", u"デ", WordClass::Particle),
                                  Word(u"勉強", u"ベンキョウ", u"ベンキョー", WordClass::SahenNoun),
                                  Word(u"する", u"スル", u"スル", WordClass::Verb, true)});
  // ダイニ カイギシツデ ベンキョー スル: する stands apart from its noun.
  EXPECT_EQ(Translate(p, u"第二会議室で勉強する"), u"⠐⠕⠃⠇⠀⠡⠃⠐⠣⠳⠝⠐⠟⠀⠐⠯⠴⠈⠪⠒⠀⠹⠙");
  // ソンスル: not after a noun of one kanji.
  p.Add(u"損する",
        {Word(u"損", u"ソン", u"ソン"), Word(u"する", u"スル", u"スル", WordClass::Verb, true)});
  EXPECT_EQ(Translate(p, u"損する"), u"⠺⠴⠹⠙");
  p.Add(u"読んでください", {Word(u"読ん", u"ヨン", u"ヨン", WordClass::Verb),
                            Word(u"で", u"デ", u"デ", WordClass::Particle),
                            Word(u"ください", u"クダサイ", u"クダサイ", WordClass::Verb)});
  EXPECT_EQ(Translate(p, u"読んでください"), u"⠜⠴⠐⠟⠀⠩⠐⠕⠱⠃");
}

TEST(TextToBraille, NumbersLatinSpacesAndBrailleInTheText) {
  FakeReadingProvider p;
  p.Add(u"3.14円", {Word(u"3", u"", u"", WordClass::Numeral), Word(u".", u"", u"", WordClass::Noun),
                    Word(u"14", u"", u"", WordClass::Numeral),
                    Word(u"円", u"エン", u"エン", WordClass::Suffix)});
  EXPECT_EQ(Translate(p, u"3.14円"), u"⠼⠉⠂⠁⠙⠤⠋⠴");
  // Spaces split the text before analysis and stay blanks; a Latin
  // phrase goes in quotes without analysis; braille passes through.
  EXPECT_EQ(Translate(p, u"3.14円 Hello World ⠁⠃"), u"⠼⠉⠂⠁⠙⠤⠋⠴⠀⠦⠠⠓⠑⠇⠇⠕⠀⠠⠺⠕⠗⠇⠙⠴⠀⠁⠃");
  for (const auto& piece : p.analysed) EXPECT_EQ(piece, u"3.14円");
}

TEST(TextToBraille, WordsAroundPunctuation) {
  FakeReadingProvider p;
  p.Add(u"test.comです",
        {Word(u"test", u"", u""), Word(u".", u"", u"", WordClass::Symbol), Word(u"com", u"", u""),
         Word(u"です", u"デス", u"デス", WordClass::Auxiliary)});
  EXPECT_EQ(Translate(p, u"test.comです"), u"⠰⠞⠑⠎⠞⠲⠉⠕⠍⠤⠐⠟⠹");
  // A particle after a question mark continues the sentence: one blank.
  p.Add(u"本当？と聞いた",
        {Word(u"本当", u"ホントウ", u"ホントー"), Word(u"？", u"？", u"？", WordClass::Symbol),
         Word(u"と", u"ト", u"ト", WordClass::Particle),
         Word(u"聞い", u"キイ", u"キイ", WordClass::Verb),
         Word(u"た", u"タ", u"タ", WordClass::Auxiliary)});
  EXPECT_EQ(Translate(p, u"本当？と聞いた"), u"⠮⠴⠞⠒⠢⠀⠞⠀⠣⠃⠕");
}

TEST(TextToBraille, FallsBackToKanaWhenAnalysisFails) {
  FakeReadingProvider p;
  p.FailAll();
  EXPECT_EQ(Translate(p, u"はい、5こ"), u"⠥⠃⠰⠀⠼⠑⠪");
  FakeReadingProvider wrong;  // surfaces that do not give the text back
  wrong.Add(u"あい", {Word(u"あ", u"ア", u"ア")});
  EXPECT_EQ(Translate(wrong, u"あい"), u"⠁⠃");
}

TEST(Zerin, OpenTranslateClose) {
  auto provider = std::make_unique<FakeReadingProvider>(SchoolSentence());
  ASSERT_EQ(ZerinOpenWith(std::move(provider)), 1);
  EXPECT_TRUE(ZerinIsOpen());
  std::u16string text = u"xx今日は学校へ行く。";
  ZerinRecordPtr r = ZerinTextToBrlNW(text.c_str(), 2, static_cast<int>(text.size()) - 2, kAll);
  ASSERT_TRUE(r);
  EXPECT_EQ(AsUnicode(r->Braille()), u"⠈⠪⠒⠄⠀⠐⠡⠂⠪⠒⠋⠀⠃⠩⠲");
  EXPECT_EQ(r->length, 15);
  ZerinRecordPtr empty = ZerinTextToBrlNW(u"", 0, 0, kAll);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->Braille(), nullptr);
  EXPECT_FALSE(ZerinTextToBrlNW(nullptr, 0, 0, kAll));
  ZerinClose();
  EXPECT_FALSE(ZerinIsOpen());
  EXPECT_FALSE(ZerinTextToBrlNW(text.c_str(), 0, 1, kAll));
}

// Word division and readings that depend on the words around, with words
// as IPADIC gives them, so that the rules hold whatever the analyser.
TEST(TextToBraille, RulesAcrossWords) {
  auto w = [](std::u16string surface, std::u16string reading, std::u16string spoken,
              WordClass cls = WordClass::Noun) {
    return Word(std::move(surface), std::move(reading), std::move(spoken), cls);
  };
  auto base = [](ReadingToken t, std::u16string baseForm, bool dependent = false) {
    t.baseForm = std::move(baseForm);
    t.dependent = dependent;
    return t;
  };
  auto timeNoun = [](ReadingToken t) {
    t.timeNoun = true;
    return t;
  };
  const auto particle = WordClass::Particle, aux = WordClass::Auxiliary, verb = WordClass::Verb;
  ReadingToken shi = Word(u"し", u"シ", u"シ", verb, true);
  ReadingToken colon = w(u":", u"", u"", WordClass::SahenNoun);  // IPADIC's class for ASCII marks
  ReadingToken counterHon = w(u"本", u"ホン", u"ホン", WordClass::Suffix);
  counterHon.counter = true;
  ReadingToken counterDo = w(u"度", u"ド", u"ド", WordClass::Suffix);
  counterDo.counter = true;
  const auto num = WordClass::Numeral;
  struct {
    std::u16string text;
    std::vector<ReadingToken> words;
    std::u16string_view braille;
  } cases[] = {
      // シュッセキ シマス: する apart from its noun.
      {u"出席します",
       {w(u"出席", u"シュッセキ", u"シュッセキ", WordClass::SahenNoun), shi,
        w(u"ます", u"マス", u"マス", aux)},
       u"⠈⠹⠂⠻⠣⠀⠳⠵⠹"},
      // ヨンデ ミル, オマチ クダサイ: supporting verbs apart, also right after a verb's stem.
      {u"読んでみる",
       {w(u"読ん", u"ヨン", u"ヨン", verb), w(u"で", u"デ", u"デ", particle),
        base(w(u"みる", u"ミル", u"ミル", verb), u"みる", true)},
       u"⠜⠴⠐⠟⠀⠷⠙"},
      {u"お待ちください",
       {w(u"お待ち", u"オマチ", u"オマチ", verb),
        base(w(u"ください", u"クダサイ", u"クダサイ", verb), u"くださる", true)},
       u"⠊⠵⠗⠀⠩⠐⠕⠱⠃"},
      // オハヨー ゴザイマス: ござる apart although filed as an auxiliary.
      {u"おはようございます",
       {w(u"おはよう", u"オハヨウ", u"オハヨー", WordClass::Word),
        base(w(u"ござい", u"ゴザイ", u"ゴザイ", aux), u"ござる"),
        w(u"ます", u"マス", u"マス", aux)},
       u"⠊⠥⠜⠒⠀⠐⠪⠐⠱⠃⠵⠹"},
      // イコー: the う of the auxiliary after an お-row syllable.
      {u"行こう",
       {w(u"行こ", u"イコ", u"イコ", verb), base(w(u"う", u"ウ", u"ウ", aux), u"う")},
       u"⠃⠪⠒"},
      // ナンノ but ナニカ.
      {u"何の", {w(u"何", u"ナニ", u"ナニ"), w(u"の", u"ノ", u"ノ", particle)}, u"⠅⠴⠎"},
      {u"何か", {w(u"何", u"ナニ", u"ナニ"), w(u"か", u"カ", u"カ", particle)}, u"⠅⠇⠡"},
      // Marks the dictionary takes for nouns stay on the numbers.
      {u"12:", {w(u"12", u"", u"", WordClass::Numeral), colon}, u"⠼⠁⠃⠐⠂"},
      {u"9:07",
       {w(u"9", u"", u"", WordClass::Numeral), colon, w(u"07", u"", u"", WordClass::Numeral)},
       u"⠼⠊⠐⠂⠼⠚⠛"},
      // Compound nouns: トーキョーエキ, シューゴー ジカン; アシタ ゴゴ as two adverbial nouns.
      {u"東京駅",
       {w(u"東京", u"トウキョウ", u"トーキョー"), w(u"駅", u"エキ", u"エキ")},
       u"⠞⠒⠈⠪⠒⠋⠣"},
      {u"集合時間",
       {w(u"集合", u"シュウゴウ", u"シューゴー", WordClass::SahenNoun),
        w(u"時間", u"ジカン", u"ジカン")},
       u"⠈⠹⠒⠐⠪⠒⠀⠐⠳⠡⠴"},
      {u"明日午後",
       {timeNoun(w(u"明日", u"アシタ", u"アシタ")), timeNoun(w(u"午後", u"ゴゴ", u"ゴゴ"))},
       u"⠁⠳⠕⠀⠐⠪⠐⠪"},
      // イクノデス: the formal noun の leans on the verb.
      {u"行くのです",
       {w(u"行く", u"イク", u"イク", verb), base(w(u"の", u"ノ", u"ノ"), u"", true),
        w(u"です", u"デス", u"デス", aux)},
       u"⠃⠩⠎⠐⠟⠹"},
      // A counter after a blank is not voiced by the number before it.
      {u"3 本", {counterHon}, u"⠼⠉⠀⠮⠴"},
      // One dictionary entry, two braille words; a count in kanji in digits.
      {u"もう少し", {w(u"もう少し", u"モウスコシ", u"モースコシ", WordClass::Word)}, u"⠾⠒⠀⠹⠪⠳"},
      {u"もう一度", {w(u"もう一度", u"モウイチド", u"モーイチド", WordClass::Word)}, u"⠾⠒⠀⠼⠁⠐⠞"},
      {u"二十五本",
       {w(u"二", u"ニ", u"ニ", num), w(u"十", u"ジュウ", u"ジュー", num),
        w(u"五", u"ゴ", u"ゴ", num), counterHon},
       u"⠼⠃⠑⠮⠴"},
      // アサゴハン: a part of the day begins a compound; キョー カイギ: other time words not.
      {u"朝ご飯",
       {timeNoun(w(u"朝", u"アサ", u"アサ")), w(u"ご飯", u"ゴハン", u"ゴハン")},
       u"⠁⠱⠐⠪⠥⠴"},
      {u"今日会議",
       {timeNoun(w(u"今日", u"キョウ", u"キョー")),
        w(u"会議", u"カイギ", u"カイギ", WordClass::SahenNoun)},
       u"⠈⠪⠒⠀⠡⠃⠐⠣"},
      // オオスギル: すぎる after a stem; アサッテ, not the dictionary's ミョーゴニチ.
      {u"多すぎる",
       {w(u"多", u"オオ", u"オー", WordClass::Word),
        base(w(u"すぎる", u"スギル", u"スギル", verb), u"すぎる", true)},
       u"⠊⠊⠹⠐⠣⠙"},
      {u"明後日", {timeNoun(w(u"明後日", u"ミョウゴニチ", u"ミョーゴニチ"))}, u"⠁⠱⠂⠟"},
  };
  for (const auto& c : cases) {
    FakeReadingProvider p;
    std::u16string piece;  // the words are those of the text's last piece
    for (const auto& word : c.words) piece += word.surface;
    p.Add(piece, c.words);
    p.Add(u"3", {w(u"3", u"", u"", WordClass::Numeral)});
    p.Add(u"少し", {w(u"少し", u"スコシ", u"スコシ", WordClass::Word)});
    p.Add(u"一度", {w(u"一", u"イチ", u"イチ", num), counterDo});
    EXPECT_EQ(Translate(p, c.text), c.braille) << Utf16ToUtf8(c.text);
  }
}

// A counter after digits takes the reading the number gives it.
TEST(TextToBraille, CountersAfterNumbers) {
  struct {
    std::u16string_view number, counter, reading, braille;
  } cases[] = {
      {u"1", u"分", u"フン", u"⠼⠁⠠⠭⠴"},     {u"2", u"分", u"フン", u"⠼⠃⠭⠴"},
      {u"3", u"分", u"フン", u"⠼⠉⠠⠭⠴"},     {u"6", u"分", u"フン", u"⠼⠋⠠⠭⠴"},
      {u"8", u"分", u"フン", u"⠼⠓⠭⠴"},      {u"20", u"分", u"フン", u"⠼⠃⠚⠠⠭⠴"},
      {u"3", u"本", u"ホン", u"⠼⠉⠐⠮⠴"},     {u"4", u"本", u"ホン", u"⠼⠙⠮⠴"},
      {u"300", u"本", u"ホン", u"⠼⠉⠚⠚⠠⠮⠴"}, {u"1000", u"本", u"ホン", u"⠼⠁⠚⠚⠚⠐⠮⠴"},
      {u"3.5", u"本", u"ホン", u"⠼⠉⠂⠑⠮⠴"},  {u"0", u"本", u"ホン", u"⠼⠚⠮⠴"},
      {u"1", u"杯", u"ハイ", u"⠼⠁⠠⠥⠃"},     {u"13", u"階", u"カイ", u"⠼⠁⠉⠐⠡⠃"},
      {u"2", u"日", u"ニチ", u"⠼⠃⠡"},       {u"02", u"日", u"ニチ", u"⠼⠚⠃⠡"},
      {u"24", u"日", u"ニチ", u"⠼⠃⠙⠡"},     {u"1", u"日", u"ニチ", u"⠼⠁⠇⠗"},
      {u"31", u"日", u"ニチ", u"⠼⠉⠁⠇⠗"},    {u"3", u"日間", u"ニチカン", u"⠼⠉⠡⠡⠴"},
      {u"5", u"個", u"コ", u"⠼⠑⠪"},         {u"1", u"票", u"ヒョー", u"⠼⠁⠨⠮⠒"},
      {u"3", u"票", u"ヒョー", u"⠼⠉⠘⠮⠒"},
  };
  for (const auto& c : cases) {
    FakeReadingProvider p;
    std::u16string text = std::u16string(c.number) + std::u16string(c.counter);
    ReadingToken counter = Word(std::u16string(c.counter), std::u16string(c.reading),
                                std::u16string(c.reading), WordClass::Suffix);
    counter.counter = true;
    std::vector<ReadingToken> words;
    for (char16_t d : c.number)
      words.push_back(Word(std::u16string(1, d), u"", u"", WordClass::Numeral));
    words.push_back(counter);
    p.Add(text, words);
    EXPECT_EQ(Translate(p, text), c.braille) << Utf16ToUtf8(text);
  }
}

// What MeCab's words carry for the rules, on both platforms; a dictionary
// folder that is not there gives no analyser rather than a broken one.
TEST(TextToBraille, MecabWordsCarryWhatTheRulesNeed) {
  auto analyser = CreateSystemReadingProvider();
  ASSERT_TRUE(analyser);
  auto words = analyser->Analyse(u"明日3本ございますか降るそうです");
  ASSERT_TRUE(words);
  auto find = [&](std::u16string_view surface) {
    for (const auto& w : *words)
      if (w.surface == surface) return w;
    ADD_FAILURE() << Utf16ToUtf8(surface);
    return ReadingToken{};
  };
  EXPECT_TRUE(find(u"明日").timeNoun);
  EXPECT_TRUE(find(u"本").counter);
  EXPECT_EQ(find(u"本").reading, u"ホン");
  EXPECT_EQ(find(u"ござい").baseForm, u"ござる");
  EXPECT_EQ(find(u"そう").wordClass, WordClass::Auxiliary);
  words = analyser->Analyse(u"読んでください");
  ASSERT_TRUE(words && words->size() == 3);
  EXPECT_TRUE((*words)[2].dependent && (*words)[2].baseForm == u"くださる");
#ifdef _WIN32
  EXPECT_FALSE(CreateMecabReadingProvider("Z:\\no\\such\\folder", "nul"));
#else
  EXPECT_FALSE(CreateMecabReadingProvider("/no/such/folder", "/dev/null"));
#endif
}

// The sentences of everyday_sentences.tsv through the system's analyser:
// MeCab with IPADIC on both platforms, so the Windows build must give the
// very cells the Linux build gives.
TEST(TextToBraille, EverydaySentences) {
  auto analyser = CreateSystemReadingProvider();
  ASSERT_TRUE(analyser) << "no analyser (is the dictionary beside the program?)";
  std::ifstream in(MIRELON_BRAILLE_SENTENCES, std::ios::binary);
  ASSERT_TRUE(in) << MIRELON_BRAILLE_SENTENCES;
  size_t sentences = 0, exact = 0, cells = 0, wrongCells = 0;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    size_t end = line.find('\t', tab + 1);
    std::u16string text = U16(line.substr(0, tab));
    std::u16string expected =
        U16(line.substr(tab + 1, end == std::string::npos ? end : end - tab - 1));
    std::u16string got = Translate(*analyser, text);
    ++sentences;
    cells += expected.size();
    wrongCells += std::min(expected.size(), EditDistance(expected, got));
    if (got == expected)
      ++exact;
    else
      ADD_FAILURE() << line.substr(0, tab) << "\n  expected " << Utf16ToUtf8(expected)
                    << "\n  got      " << Utf16ToUtf8(got);
  }
  double accuracy =
      cells ? 100.0 * static_cast<double>(cells - wrongCells) / static_cast<double>(cells) : 0;
  std::printf("everyday sentences: %zu of %zu exact, cell accuracy %.2f%% (%zu cells)\n", exact,
              sentences, accuracy, cells);
  RecordProperty("exact", static_cast<int>(exact));
  RecordProperty("sentences", static_cast<int>(sentences));
  EXPECT_GE(sentences, 150u);
}
