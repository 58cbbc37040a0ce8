#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "base/file_io.h"
#include "base/utf.h"
#include "settings/settings_list.h"
#include "settings/text_file.h"
#include "support/temp_dir.h"

using namespace mirelon;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

std::string Bytes(const std::u16string& path) {
  return ReadWholeFile(path, kTextFileLimit).value();
}

SettingsList LoadBytes(const TempDir& dir, const std::string& bytes) {
  const auto path = dir.File(u"in.set");
  EXPECT_TRUE(ReplaceFileContent(path, bytes));
  SettingsList list;
  AppendSetting(list, u"stale", u"entry");  // loading replaces what was there
  EXPECT_TRUE(LoadSettingsFileAt(path, list));
  return list;
}

}  // namespace

TEST(SettingsList, FileRoundTripsByteForByte) {
  TempDir dir;
  const std::string file = kBom +
                           "a,b,c\rNoComma\r\r,\rSpeechSpeed,5\rspeechspeed,7\r"
                           "\xE6\x97\xA5\xE6\x9C\xAC,\xE5\x80\xA4\rlast,";
  SettingsList list = LoadBytes(dir, file);
  ASSERT_EQ(list.Count(), 8);
  EXPECT_EQ(list.entries[0].key, u"a,b");  // key before the LAST comma
  EXPECT_EQ(list.entries[0].value, u"c");
  EXPECT_EQ(list.entries[1].key, u"NoComma");
  EXPECT_EQ(list.entries[1].value, u"");
  EXPECT_EQ(list.entries[2].key, u"");  // an empty line is an entry
  EXPECT_EQ(list.entries[3].key, u"");
  EXPECT_EQ(list.entries[6].key, u"\u65E5\u672C");
  EXPECT_EQ(list.entries[6].value, u"\u5024");
  EXPECT_EQ(list.entries[7].key, u"last");  // final line without CR

  const auto out = dir.File(u"out.set");
  ASSERT_TRUE(SaveSettingsFileAt(list, out));
  // Written back exactly, every line ended by CR alone, the last one too.
  EXPECT_EQ(Bytes(out), kBom +
                            "a,b,c\rNoComma,\r,\r,\rSpeechSpeed,5\rspeechspeed,7\r"
                            "\xE6\x97\xA5\xE6\x9C\xAC,\xE5\x80\xA4\rlast,\r");
  ClearSettings(list);
  ASSERT_TRUE(SaveSettingsFileAt(list, out));
  EXPECT_EQ(Bytes(out), kBom);
}

TEST(SettingsList, FilesWithoutTextLoadEmpty) {
  TempDir dir;
  SettingsList list;
  AppendSetting(list, u"x", u"1");
  EXPECT_TRUE(LoadSettingsFileAt(dir.File(u"missing.set"), list));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(LoadBytes(dir, "").Count(), 0);
  EXPECT_EQ(LoadBytes(dir, kBom).Count(), 0);
  EXPECT_EQ(LoadBytes(dir, std::string("\0a,1\r", 5)).Count(), 0);
  // Binary that is neither UTF-8 nor Shift_JIS.
  EXPECT_EQ(LoadBytes(dir, "a,1\r\x81\x20\xC0\x01").Count(), 0);
  // Too large: treated as missing, not read.
  const auto huge = dir.File(u"huge.set");
  ASSERT_TRUE(ReplaceFileContent(huge, kBom + "a,1\r"));
  std::filesystem::resize_file(std::filesystem::path(huge), kTextFileLimit);
  AppendSetting(list, u"x", u"1");
  EXPECT_TRUE(LoadSettingsFileAt(huge, list));
  EXPECT_EQ(list.Count(), 0);
}

TEST(SettingsList, EncodingsAndLineEnds) {
  TempDir dir;
  // Unmarked UTF-8, Shift_JIS through the ANSI code page, plain ASCII.
  auto utf8 = LoadBytes(dir, "\xE3\x81\x82,1\r");
  ASSERT_EQ(utf8.Count(), 1);
  EXPECT_EQ(utf8.entries[0].key, u"\u3042");
  auto sjis = LoadBytes(dir, "\x82\xA0,\x82\xA2\r");
  ASSERT_EQ(sjis.Count(), 1);
  EXPECT_EQ(sjis.entries[0].key, u"\u3042");
  EXPECT_EQ(sjis.entries[0].value, u"\u3044");
  // CR LF: LF is an ordinary character and starts the next key.
  auto crlf = LoadBytes(dir, "SpeechSpeed,5\r\nSpeechVolume,80\r\n");
  ASSERT_EQ(crlf.Count(), 3);
  EXPECT_TRUE(HasSetting(crlf, u"SpeechSpeed"));
  EXPECT_FALSE(HasSetting(crlf, u"SpeechVolume"));
  EXPECT_EQ(crlf.entries[1].key, u"\nSpeechVolume");
  EXPECT_EQ(crlf.entries[2].key, u"\n");
  // A zero byte ends the text.
  auto zero = LoadBytes(dir, kBom + std::string("a,1\rb,2\0c,3\r", 12));
  ASSERT_EQ(zero.Count(), 2);
  EXPECT_EQ(zero.entries[1].value, u"2");
  // Invalid UTF-8 after a mark: each bad byte becomes U+FFFD, the rest stays.
  auto marked = LoadBytes(dir, kBom + "k\xFF,v\r");
  ASSERT_EQ(marked.Count(), 1);
  EXPECT_EQ(marked.entries[0].key, u"k\uFFFD");
}

TEST(SettingsList, LookupIgnoresCaseAndTakesTheFirstMatch) {
  SettingsList list = ParseSettingsText(u"SpeechSpeed,5\rSPEECHSPEED,7\r\uFF21\uFF22,w\rcom3,2\r");
  EXPECT_EQ(FindSetting(list, u"speechspeed")->value, u"5");
  EXPECT_EQ(FindSetting(list, u"\uFF41\uFF42")->value, u"w");  // full-width letters
  EXPECT_EQ(FindSetting(list, u"COM3")->value, u"2");
  EXPECT_EQ(FindSetting(list, u"SpeechSpee"), nullptr);
  EXPECT_FALSE(HasSetting(list, u"SpeechSpeed2"));

  SetSettingString(list, u"SPEECHspeed", u"9");  // replaces the first only
  SetSettingInt(list, u"SpeechVolume", 80);      // appends
  SetSettingInt(list, u"com3", -3);
  EXPECT_EQ(SettingsText(list),
            u"SpeechSpeed,9\rSPEECHSPEED,7\r\uFF21\uFF22,w\rcom3,-3\rSpeechVolume,80\r");
  EXPECT_TRUE(RemoveSetting(list, u"speechSPEED"));
  EXPECT_EQ(FindSetting(list, u"SpeechSpeed")->value, u"7");  // the duplicate comes forward
  EXPECT_TRUE(RemoveSetting(list, u"SpeechSpeed"));
  EXPECT_FALSE(RemoveSetting(list, u"SpeechSpeed"));
  EXPECT_EQ(list.Count(), 3);
  AppendSetting(list, u"COM3", u"x");  // appends even when the key exists
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(FindSetting(list, u"com3")->value, u"-3");
}

TEST(SettingsList, Integers) {
  const struct {
    const char16_t* text;
    int value;
  } cases[] = {
      {u"0", 0},
      {u"", 0},
      {u"12abc", 12},
      {u"+5", 0},
      {u" 5", 0},
      {u"3.9", 3},
      {u"-", 0},
      {u"--1", 0},
      {u"-\uFF11\uFF12", -12},  // full-width digits
      {u"\uFF0D12", 0},         // full-width minus is no sign
      {u"1\uFF100", 100},
      {u"2147483647", INT_MAX},
      {u"-2147483648", INT_MIN},
      {u"2147483648", INT_MAX},
      {u"99999999999999999999", INT_MAX},  // 20 digits: held, no overflow
      {u"-99999999999999999999", INT_MIN},
      {u"00000000000000000000000042", 42},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetSettingInt(SettingEntry{u"k", c.text}), c.value) << Utf16ToUtf8(c.text);
  SettingsList list;
  SetSettingInt(list, u"a", INT_MIN);
  SetSettingInt(list, u"b", INT_MAX);
  EXPECT_EQ(SettingsText(list), u"a,-2147483648\rb,2147483647\r");
  EXPECT_EQ(GetSettingInt(list.entries[0]), INT_MIN);
}

TEST(SettingsList, LongLinesAreKeptWhole) {
  TempDir dir;
  SettingsList list;
  const std::u16string value(100000, u'\u3042');
  SetSettingString(list, u"Long", value);
  SetSettingString(list, u"After", u"1");
  const auto path = dir.File(u"long.set");
  ASSERT_TRUE(SaveSettingsFileAt(list, path));
  SettingsList back;
  ASSERT_TRUE(LoadSettingsFileAt(path, back));
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(FindSetting(back, u"long")->value, value);
  EXPECT_EQ(GetSettingInt(*FindSetting(back, u"after")), 1);
}

TEST(SettingsList, FailedSaveIsReportedAndKeepsTheOldFile) {
  TempDir dir;
  SettingsList list;
  SetSettingInt(list, u"a", 1);
  // The folder does not exist.
  EXPECT_FALSE(SaveSettingsFileAt(list, dir.File(u"no") + kPathSeparator + u"x.set"));
  // The name is taken by a folder: nothing replaces it, nothing is left over.
  ASSERT_TRUE(EnsureDirectory(dir.File(u"taken.set")));
  EXPECT_FALSE(SaveSettingsFileAt(list, dir.File(u"taken.set")));
  EXPECT_TRUE(DirectoryExists(dir.File(u"taken.set")));
  EXPECT_EQ(dir.List(), std::vector<std::u16string>{u"taken.set"});
  // The list is unchanged by a failed save.
  EXPECT_EQ(SettingsText(list), u"a,1\r");
}

TEST(SettingsList, ReadModifyWriteInTheUserFolderKeepsUnknownKeys) {
#ifdef _WIN32
  // The application-data folder of the test prefix; a name of this run only.
  const std::u16string name = u"test-" + U16(std::to_string(std::random_device()())) + u".set";
#else
  TempDir config;
  const std::string old = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  setenv("XDG_CONFIG_HOME", Utf16ToUtf8(config.path()).c_str(), 1);
  const std::u16string name = u"Speech.set";
#endif
  SettingsList list;
  EXPECT_TRUE(LoadSettingsFile(name, list));  // not there yet: an empty list
  EXPECT_EQ(list.Count(), 0);
  AppendSetting(list, u"Unknown", u"x,y");
  SetSettingInt(list, u"SpeechVolume", 50);
  AppendSetting(list, u"Other", u"");
  ASSERT_TRUE(SaveSettingsFile(list, name));

  const auto path = GetUserSettingsPath(name);
  ASSERT_TRUE(path);
#ifndef _WIN32
  EXPECT_EQ(*path, config.path() + u"/Orin/Mirelon/Speech.set");
#endif
  SettingsList edit;
  EXPECT_TRUE(LoadSettingsFile(name, edit));
  SetSettingInt(edit, u"speechvolume", 70);
  SetSettingInt(edit, u"SpeechSpeed", 3);
  ASSERT_TRUE(SaveSettingsFile(edit, name));
  EXPECT_EQ(Bytes(*path), kBom + "Unknown,x,y\rSpeechVolume,70\rOther,\rSpeechSpeed,3\r");

#ifdef _WIN32
  std::filesystem::remove(std::filesystem::path(*path));
#else
  if (old.empty())
    unsetenv("XDG_CONFIG_HOME");
  else
    setenv("XDG_CONFIG_HOME", old.c_str(), 1);
#endif
}
