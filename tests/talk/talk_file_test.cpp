#include <gtest/gtest.h>

#include "talk/talk_file.h"
#include "talk_fixture.h"

namespace mirelon {
namespace {

TEST(ReadStreamText, EmptyUndecodableAndMissingStreamsReadAsNone) {
  TalkFixture t;
  t.Write(u"Description", "\xEF\xBB\xBF\xFF\xFE");
  EXPECT_FALSE(ReadStreamText(t.store, t.context.talkPath, u"Description"));
  EXPECT_EQ(ReadStream(t.store, t.context.talkPath, u"Description").status, StreamText::Status::kUndecodable);
  EXPECT_FALSE(ReadStreamText(t.store, t.context.talkPath, u"Msg000001"));
  EXPECT_EQ(ReadStreamText(t.store, t.context.talkPath, u"Owner"), u"user1");
}

TEST(AppendRecord, TakesTheFirstFreeNumberFromNextNumber) {
  TalkFixture t;
  t.WriteMessage(7, "talk\tx\ty");
  t.context.nextNumber = 7;
  ASSERT_TRUE(AppendRecord(t.context, u"talk\th\tb"));
  EXPECT_EQ(t.context.nextNumber.load(), 8u);
  EXPECT_EQ(ReadStreamText(t.store, t.context.talkPath, u"Msg000008"), u"talk\th\tb");

  t.context.nextNumber = 1234567;
  ASSERT_TRUE(AppendRecord(t.context, u"in\tuser1"));
  EXPECT_EQ(ReadStreamText(t.store, t.context.talkPath, u"Msg1234567"), u"in\tuser1");
}

TEST(AppendRecord, GivesUpAfterAHundredTakenNumbers) {
  TalkFixture t;
  for (uint32_t n = 5; n <= 104; ++n) t.WriteMessage(n, "talk\tx\ty");
  t.context.nextNumber = 5;
  EXPECT_FALSE(AppendRecord(t.context, u"talk\th\tb"));
  EXPECT_FALSE(t.store.Exists(t.context.talkPath, u"Msg000105"));
  EXPECT_EQ(t.context.nextNumber.load(), 5u);
}

TEST(AppendRecord, AFailedWriteStopsAtOnceInsteadOfBurningNumbers) {
  TalkFixture t;
  t.store.onCreate = [](std::u16string_view) { return StreamStore::CreateResult::kFailed; };
  const int before = t.store.creates();
  EXPECT_FALSE(AppendRecord(t.context, u"talk\th\tb"));
  EXPECT_EQ(t.store.creates() - before, 1);
  EXPECT_EQ(t.context.nextNumber.load(), 1u);
}

}  // namespace
}  // namespace mirelon
