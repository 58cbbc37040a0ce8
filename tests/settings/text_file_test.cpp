#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/utf.h"
#include "settings/text_file.h"
#include "support/temp_dir.h"

using namespace mirelon;

TEST(TextFile, DecodingRules) {
  EXPECT_EQ(DecodeTextFileBytes(""), std::u16string());        // empty text
  EXPECT_FALSE(DecodeTextFileBytes("\xEF\xBB\xBF"));            // no text
  EXPECT_EQ(*DecodeTextFileBytes("\xEF\xBB\xBF" "a\r"), u"a\r");
  EXPECT_EQ(*DecodeTextFileBytes("\xE3\x81\x82"), u"\u3042");   // unmarked UTF-8
  EXPECT_EQ(*DecodeTextFileBytes("\x82\xA0"), u"\u3042");       // Shift_JIS
  EXPECT_EQ(*DecodeTextFileBytes("abc"), u"abc");               // ASCII via ANSI
  EXPECT_EQ(*DecodeTextFileBytes("\xEF\xBB\xBF" "a\xFF"), u"a\uFFFD");
  EXPECT_FALSE(DecodeTextFileBytes("\x82"));                    // cut Shift_JIS
}

TEST(TextFile, WriteAndReadBack) {
  TempDir dir;
  std::u16string path = dir.path() + kPathSeparator + u"t.lst";
  EXPECT_FALSE(ReadTextFile(path));
  ASSERT_TRUE(WriteUtf8TextFile(u"\u3042\rb\r", path));
  EXPECT_EQ(*ReadWholeFile(path, kTextFileLimit), "\xEF\xBB\xBF\xE3\x81\x82\rb\r");
  EXPECT_EQ(*ReadTextFile(path), u"\u3042\rb\r");
  ASSERT_TRUE(WriteUtf8TextFile(u"", path));
  EXPECT_EQ(ReadWholeFile(path, kTextFileLimit)->size(), 3u);
  EXPECT_FALSE(ReadTextFile(path));
  ASSERT_EQ(WriteAnsiTextFile(u"\u3042a", path), AnsiWriteResult::kWritten);
  EXPECT_EQ(*ReadWholeFile(path, kTextFileLimit), "\x82\xA0" "a");
  // Thai has no code in 932: the file is left as it was.
  EXPECT_EQ(WriteAnsiTextFile(u"\u3042b\u0E01", path), AnsiWriteResult::kNotRepresentable);
  EXPECT_EQ(*ReadWholeFile(path, kTextFileLimit), "\x82\xA0" "a");
  // Nothing but the file itself is left in the folder.
  EXPECT_EQ(dir.List(), std::vector<std::u16string>{u"t.lst"});
}

// The temporary file of a replacement never makes the path longer, so that
// a settings path near the system's limit can be saved.
TEST(TextFile, TemporaryNameIsNoLongerThanTheFileName) {
  for (std::u16string name = u"ab"; name.size() <= 20; name += u'x') {
    const std::u16string temp = TemporaryFileName(name, 0xFEDCBA98u);
    EXPECT_LE(temp.size(), name.size()) << temp.size();
    EXPECT_EQ(temp[0], u'~');
    EXPECT_NE(temp, TemporaryFileName(name, 0x01234567u));
  }
  TempDir dir;
  ASSERT_TRUE(WriteUtf8TextFile(u"x", dir.path() + kPathSeparator + u"ab"));
  EXPECT_EQ(dir.List(), std::vector<std::u16string>{u"ab"});
}

TEST(TextFile, WriteIntoMissingFolderFails) {
  TempDir dir;
  EXPECT_FALSE(WriteUtf8TextFile(u"x", dir.path() + kPathSeparator + u"no" + kPathSeparator + u"f"));
}
