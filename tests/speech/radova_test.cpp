// The generated "Radova.dic" read by the program's own loader: every kanji
// of JIS levels 1 and 2 that Unihan gives a Japanese reading has an entry,
// and the reading it ends with is one of that kanji's readings there; kana,
// letters and digits have none.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/utf.h"
#include "settings/text_file.h"
#include "speech/detail_dictionary.h"

namespace mirelon {
namespace {

// Spellings of each katakana in Unihan's romanisation (old and new forms).
std::vector<std::string> Spellings(char16_t k) {
  static const std::map<char16_t, std::vector<std::string>> table = [] {
    std::map<char16_t, std::vector<std::string>> t;
    const std::u16string rows = u"アイウエオカキクケコガギグゲゴサシスセソザジズゼゾタチツテトダヂヅデドナニヌネノ"
                                u"ハヒフヘホバビブベボパピプペポマミムメモラリルレロ";
    const char* consonants[] = {"", "K", "G", "S", "Z", "T", "D", "N", "H", "B", "P", "M", "R"};
    const char* vowels = "AIUEO";
    for (size_t i = 0; i < rows.size(); ++i) t[rows[i]] = {std::string(consonants[i / 5]) + vowels[i % 5]};
    t[u'シ'] = {"SHI", "SI"};
    t[u'ジ'] = {"JI", "ZI"};
    t[u'チ'] = {"CHI", "TI"};
    t[u'ツ'] = {"TSU", "TU"};
    t[u'ヂ'] = {"DI", "JI", "ZI"};
    t[u'ヅ'] = {"DU", "DZU", "ZU"};
    t[u'フ'] = {"FU", "HU"};
    t[u'ヤ'] = {"YA"};
    t[u'ユ'] = {"YU"};
    t[u'ヨ'] = {"YO"};
    t[u'ワ'] = {"WA"};
    t[u'ヰ'] = {"WI", "I"};
    t[u'ヱ'] = {"WE", "E"};
    t[u'ヲ'] = {"WO", "O"};
    return t;
  }();
  auto it = table.find(k);
  return it == table.end() ? std::vector<std::string>{} : it->second;
}

// Whether the katakana `kana` is spelled `romaji`.
bool Spells(std::u16string_view kana, std::string_view romaji) {
  if (kana.empty()) return romaji.empty();
  const char16_t k = kana[0];
  if (k == u'ン') return !romaji.empty() && romaji[0] == 'N' && Spells(kana.substr(1), romaji.substr(1));
  if (k == u'ッ') {
    // The next consonant doubled (T before CH).
    return romaji.size() >= 2 && std::string("AIUEON").find(romaji[0]) == std::string::npos &&
           (romaji[1] == romaji[0] || (romaji[0] == 'T' && romaji[1] == 'C')) && Spells(kana.substr(1), romaji.substr(1));
  }
  // A kana of the イ column with a small ャ, ュ or ョ after it.
  if (kana.size() >= 2 && (kana[1] == u'ャ' || kana[1] == u'ュ' || kana[1] == u'ョ')) {
    const char vowel = kana[1] == u'ャ' ? 'A' : kana[1] == u'ュ' ? 'U' : 'O';
    for (const std::string& s : Spellings(k)) {
      if (s.size() < 2 || s.back() != 'I') continue;
      const std::string stem = s.substr(0, s.size() - 1);
      // KYA, SYA, ZYA; SHA, CHA and JA drop the Y.
      std::vector<std::string> forms = {stem + "Y" + vowel};
      if (stem == "SH" || stem == "CH" || stem == "J") forms.push_back(stem + vowel);
      for (const std::string& form : forms)
        if (romaji.substr(0, form.size()) == form && Spells(kana.substr(2), romaji.substr(form.size()))) return true;
    }
  }
  for (const std::string& s : Spellings(k))
    if (romaji.substr(0, s.size()) == s && Spells(kana.substr(1), romaji.substr(s.size()))) return true;
  return false;
}

TEST(GeneratedDictionary, SpellingsMatchWholeReadingsOnly) {
  EXPECT_TRUE(Spells(u"ジュウ", "JUU"));
  EXPECT_TRUE(Spells(u"キョウ", "KYOU"));
  EXPECT_TRUE(Spells(u"ガッコウ", "GAKKOU"));
  EXPECT_TRUE(Spells(u"フクロ", "HUKURO"));
  EXPECT_FALSE(Spells(u"サン", "SEN"));
  EXPECT_FALSE(Spells(u"カ", "KYA"));
  EXPECT_FALSE(Spells(u"ヤマ", "YAMAKAWA"));
}

TEST(GeneratedDictionary, CoversTheKanjiWithTheirOwnReadings) {
  std::ifstream unihan(MIRELON_RADOVA_UNIHAN);
  ASSERT_TRUE(unihan) << MIRELON_RADOVA_UNIHAN;
  std::set<char16_t> jis;
  std::map<char16_t, std::vector<std::string>> readings;
  for (std::string line; std::getline(unihan, line);) {
    std::istringstream fields(line);
    std::string code, field, value;
    std::getline(fields, code, '\t');
    std::getline(fields, field, '\t');
    std::getline(fields, value);
    const auto kanji = static_cast<char16_t>(std::stoul(code.substr(2), nullptr, 16));
    if (field == "kJis0" && std::stoi(value.substr(0, 2)) >= 16 && std::stoi(value.substr(0, 2)) <= 84) jis.insert(kanji);
    std::istringstream words(value);
    if (field != "kJis0")
      for (std::string w; words >> w;) readings[kanji].push_back(w);
  }
  ASSERT_GT(jis.size(), 6000u);

  DetailDictionary dictionary;
  ASSERT_TRUE(LoadDetailDictionary(dictionary, U16(MIRELON_RADOVA_DIC)));
  // Every entry line of the file is an entry of the loader.
  const std::u16string text = ReadTextFile(U16(MIRELON_RADOVA_DIC)).value_or(u"");
  size_t lines = 0;
  for (size_t at = 0; at < text.size(); at = text.find(u'\n', at) + 1) {
    if (text[at] >= u'0' && text[at] <= u'9') ++lines;
    if (text.find(u'\n', at) == std::u16string::npos) break;
  }
  EXPECT_EQ(dictionary.Size(), lines);

  size_t covered = 0, withWord = 0;
  for (char16_t kanji : jis) {
    if (!readings.count(kanji)) continue;
    ++covered;
    std::optional<std::u16string_view> entry = dictionary.Reading(kanji);
    ASSERT_TRUE(entry) << Utf16ToUtf8(std::u16string(1, kanji));
    // "<word>ノ <reading>", or the reading alone.
    const size_t particle = entry->rfind(u"ノ ");
    const std::u16string_view own = particle == std::u16string_view::npos ? *entry : entry->substr(particle + 2);
    if (particle != std::u16string_view::npos) ++withWord;
    bool known = false;
    for (const std::string& r : readings[kanji]) known = known || Spells(own, r);
    EXPECT_TRUE(known) << Utf16ToUtf8(std::u16string(1, kanji)) << " " << Utf16ToUtf8(std::u16string(*entry));
  }
  EXPECT_GT(covered, 6000u);
  // Most kanji are told by a word.
  EXPECT_GT(withWord * 2, covered);
  // Kana, Latin letters and digits are left to their class readings; a
  // symbol keeps its name.
  for (char16_t c : std::u16string_view(u"あゑアヱヴaZ09"))
    EXPECT_FALSE(dictionary.Reading(c)) << Utf16ToUtf8(std::u16string(1, c));
  EXPECT_EQ(dictionary.Reading(u'、').value_or(u""), u"トウテン");
}

}  // namespace
}  // namespace mirelon
