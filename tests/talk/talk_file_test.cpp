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

// Others wrote far more than this program has read: past a hundred taken
// numbers the record goes on at the talk's end.
TEST(AppendRecord, PastAHundredTakenNumbersGoesOnAtTheTalksEnd) {
  TalkFixture t;
  for (uint32_t n = 5; n <= 1000; ++n) t.WriteMessage(n, "talk\tx\ty");
  t.context.nextNumber = 5;
  EXPECT_TRUE(AppendRecord(t.context, u"talk\th\tb"));
  EXPECT_TRUE(t.store.Exists(t.context.talkPath, u"Msg001001"));
  EXPECT_EQ(t.context.nextNumber.load(), 1001u);
}

// A denied create is a taken number while its stream is there (a writer
// whose write failed is deleting it); a talk that denies all fails soon.
TEST(AppendRecord, ADeniedCreateIsATakenNumberOnlyWhileItsStreamIsThere) {
  struct Case { uint32_t present; bool allDenied, stored; int creates; };
  for (const Case& c : {Case{1, false, true, 2}, Case{1, true, false, 2}, Case{150, true, false, 100}}) {
    TalkFixture t;
    for (uint32_t n = 1; n <= c.present; ++n) t.WriteMessage(n, "talk\tx\ty");
    t.store.onCreate = [&](std::u16string_view s) -> std::optional<StreamStore::CreateResult> {
      if (c.allDenied || s == u"Msg000001") return StreamStore::CreateResult::kDenied;
      return std::nullopt;
    };
    const int before = t.store.creates();
    EXPECT_EQ(AppendRecord(t.context, u"talk\th\tb"), c.stored) << c.present << c.allDenied;
    EXPECT_EQ(t.store.creates() - before, c.creates) << c.present << c.allDenied;
  }
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
