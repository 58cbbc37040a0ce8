#include <gtest/gtest.h>

#include "base/utf.h"
#include "talk/records.h"

namespace mirelon {
namespace {

TEST(StreamNames, NumbersAreZeroPaddedAndParsedFromListings) {
  EXPECT_EQ(MessageStreamName(12), u"Msg000012");
  EXPECT_EQ(MessageStreamName(1234567), u"Msg1234567");
  EXPECT_EQ(ParseMessageStreamName(u":Msg000012:$DATA"), 12u);
  EXPECT_EQ(ParseMessageStreamName(u":Msg12:$DATA"), 12u);
  EXPECT_EQ(ParseMessageStreamName(u":Msg1234567:$DATA"), 1234567u);
  EXPECT_FALSE(ParseMessageStreamName(u":Msg000000:$DATA"));
  EXPECT_FALSE(ParseMessageStreamName(u":Msgabc:$DATA"));
  EXPECT_FALSE(ParseMessageStreamName(u":msg000001:$DATA"));
  EXPECT_FALSE(ParseMessageStreamName(u":Owner:$DATA"));
  EXPECT_FALSE(ParseMessageStreamName(u":Msg"));
  // Digits beyond any number type are skipped, not wrapped around.
  EXPECT_FALSE(ParseMessageStreamName(u":Msg99999999999999999999999999:$DATA"));
  EXPECT_FALSE(ParseMessageStreamName(u":Msg4294967297:$DATA"));
}

TEST(TalkRecords, HeaderCarriesNameAndLocalTime) {
  EXPECT_EQ(BuildTalkRecord(u"user1", {3, 5, 9, 7}, u"Hello"), u"talk\tuser1さん 3/05 9:07\tHello");
  EXPECT_EQ(BuildTalkRecord(u"", {12, 31, 23, 59}, u"x"), u"talk\t12/31 23:59\tx");
  // A TAB in a name would end the header early for every reader.
  EXPECT_EQ(BuildTalkRecord(u"a\tb", {1, 1, 0, 0}, u"x"), u"talk\ta bさん 1/01 0:00\tx");
  EXPECT_EQ(BuildInRecord(u"user1"), u"in\tuser1");
  EXPECT_EQ(BuildOutRecord(u"user1"), u"out\tuser1");
}

TEST(TalkRecords, ReadersSplitHeaderAndBody) {
  auto talk = ParseRecord(u"talk\tuser1さん 3/05 9:07\tbody\twith tab");
  ASSERT_TRUE(talk);
  EXPECT_EQ(talk->header, u"user1さん 3/05 9:07");
  EXPECT_EQ(talk->body, u"body\twith tab");

  auto noHeader = ParseRecord(u"talk\tno tab here");
  ASSERT_TRUE(noHeader);
  EXPECT_EQ(noHeader->header, u"");
  EXPECT_EQ(noHeader->body, u"no tab here");

  auto in = ParseRecord(u"in\tuser1");
  ASSERT_TRUE(in);
  EXPECT_EQ(in->kind, ParsedRecord::Kind::kIn);
  EXPECT_EQ(in->header, u"入室 user1さん");
  EXPECT_FALSE(in->body);
  auto out = ParseRecord(u"out\tuser1");
  ASSERT_TRUE(out);
  EXPECT_EQ(out->header, u"退室 user1さん");

  EXPECT_FALSE(ParseRecord(u"talk"));
  EXPECT_FALSE(ParseRecord(u"IN\tuser1"));
  EXPECT_FALSE(ParseRecord(u"hello"));
}

TEST(TalkRecords, ModeFollowsExtensionIgnoringCase) {
  EXPECT_EQ(TalkModeFromExtension(u".TALK"), TalkMode::kTalk);
  EXPECT_EQ(TalkModeFromExtension(u".Meeting"), TalkMode::kMeeting);
  EXPECT_EQ(TalkModeFromExtension(u".share"), TalkMode::kShare);
  EXPECT_FALSE(TalkModeFromExtension(u".txt"));
  EXPECT_FALSE(TalkModeFromExtension(u"talk"));
}

TEST(StreamDecoding, AcceptsWhatOtherToolsWrite) {
  // Shift_JIS "会議" and CR LF line breaks.
  auto sjis = DecodeStreamBytes("talk\t\x89\xEF\x8B\x63\r\nok", false);
  EXPECT_TRUE(sjis.exact);
  EXPECT_EQ(sjis.text, u"talk\t会議\r\nok");
  EXPECT_EQ(NormalizeLineBreaks(sjis.text), u"talk\t会議\rok");
  EXPECT_EQ(NormalizeLineBreaks(u"a\nb\r\nc\rd"), u"a\rb\rc\rd");

  auto bom = DecodeStreamBytes("\xEF\xBB\xBFtalk\t\xE4\xBC\x9A", false);
  EXPECT_TRUE(bom.exact);
  EXPECT_EQ(bom.text, u"talk\t会");
  auto onlyBom = DecodeStreamBytes("\xEF\xBB\xBF", false);
  EXPECT_TRUE(onlyBom.exact);
  EXPECT_EQ(onlyBom.text, u"");
}

TEST(StreamDecoding, BadBytesAreShownLenientlyNotRefused) {
  auto bad = DecodeStreamBytes("\xEF\xBB\xBFtalk\t\xFF\xFEok", false);
  EXPECT_FALSE(bad.exact);
  EXPECT_EQ(bad.text.substr(0, 5), u"talk\t");
  EXPECT_NE(bad.text.find(u"ok"), std::u16string::npos);
  // One stray byte costs one character, in Shift_JIS and in UTF-8 text.
  auto sjis = DecodeStreamBytes("talk\t\x89\xEF\x8B\x63\xFF\x82\xCD", false);
  EXPECT_FALSE(sjis.exact);
  EXPECT_EQ(sjis.text, u"talk\t会議\uFFFDは");
  auto utf8 = DecodeStreamBytes("talk\t\xE4\xBC\x9A\xE8\xAD\xB0\xFF\xE3\x81\xAF", false);
  EXPECT_FALSE(utf8.exact);
  EXPECT_EQ(utf8.text, u"talk\t会議\uFFFDは");
  // Text after a zero byte is not part of the record.
  EXPECT_EQ(DecodeStreamBytes(std::string("talk\tab\0cd", 10), false).text, u"talk\tab");
}

TEST(StreamDecoding, CutRecordLosesOnlyTheBrokenCharacterAndIsMarked) {
  // "会会" cut in the middle of the second character.
  auto cut = DecodeStreamBytes("talk\t\xE4\xBC\x9A\xE4\xBC", true);
  EXPECT_TRUE(cut.exact);
  EXPECT_EQ(cut.text, std::u16string(u"talk\t会") + std::u16string(kCutMark));
}

}  // namespace
}  // namespace mirelon
