#include <gtest/gtest.h>

#include <atomic>

#include "base/utf.h"
#include "talk/talk_file.h"
#include "talk_fixture.h"

namespace mirelon {
namespace {

bool HasNode(const MessageList& list, uint32_t n) {
  for (MessageNode* node = list.First(); node; node = MessageList::Next(node))
    if (node->number == n) return true;
  return false;
}

TEST(StreamWatcher, FirstScanReadsEverythingThenPollsTheNextNumber) {
  TalkFixture t(u"m.meeting", TalkMode::kMeeting);
  t.Write(u"Description", "About the meeting");
  for (uint32_t n = 1; n <= 50; ++n) t.WriteMessage(n, "talk\th" + std::to_string(n) + "\tb");
  t.WriteMessage(51, "in\tuser2");
  t.WriteMessage(52, "in\tuser2");
  t.WriteMessage(53, "out\tuser2");
  t.WriteMessage(54, "in\tUser2");
  t.WriteMessage(55, "note\tanother kind");
  t.WriteMessage(56, "talk\tno second tab");
  // A long first scan tells of what it has read as it goes.
  Timing timing = FastTiming();
  timing.watcherScanNoticeMs = 0;
  t.StartWatcher(timing);

  bool description = false, scanDone = false;
  int notices = 0;
  ASSERT_TRUE(t.PumpUntil([&] { return scanDone; }, [&](const TalkEvent& e) {
    if (e.kind == TalkEvent::Kind::kNewMessages && e.flag) description = true;
    if (e.kind == TalkEvent::Kind::kNewMessages && !e.flag) ++notices;
    if (e.kind == TalkEvent::Kind::kScanDone) scanDone = true;
  }));
  EXPECT_TRUE(description);
  EXPECT_GT(notices, 1);
  EXPECT_EQ(t.context.Description(), u"About the meeting");
  std::vector<uint32_t> expected;
  for (uint32_t n = 1; n <= 54; ++n) expected.push_back(n);
  expected.push_back(56);
  EXPECT_EQ(Numbers(t.context.messages), expected);
  EXPECT_EQ(t.context.nextNumber.load(), 57u);

  MessageNode* last = t.context.messages.First();
  while (MessageList::Next(last)) last = MessageList::Next(last);
  EXPECT_EQ(last->header, u"");
  EXPECT_EQ(last->body, u"no second tab");

  auto members = t.context.members.Snapshot();
  ASSERT_EQ(members.size(), 2u);
  EXPECT_EQ(members[0].name, u"user2");
  EXPECT_EQ(members[0].state, MemberEntry::kLeft);
  EXPECT_EQ(members[1].name, u"User2");

  // Polling picks up what is written afterwards.
  t.WriteMessage(57, "talk\tlate\tbody");
  ASSERT_TRUE(t.PumpUntil([&] { return HasNode(t.context.messages, 57); }));
  EXPECT_TRUE(t.watcher->Stop());
  EXPECT_EQ(t.context.nextNumber.load(), 58u);
}

TEST(StreamWatcher, NewTalkScansNothingAndStillReportsScanDone) {
  TalkFixture t;
  t.StartWatcher();
  bool scanDone = false;
  ASSERT_TRUE(t.PumpUntil([&] { return scanDone; },
                          [&](const TalkEvent& e) { scanDone |= e.kind == TalkEvent::Kind::kScanDone; }));
  t.WriteMessage(1, "talk\th\tfirst");
  ASSERT_TRUE(t.PumpUntil([&] { return HasNode(t.context.messages, 1); }));
}

// Read late, it does not undo a newer record about the same member.
TEST(StreamWatcher, RecordStillBeingWrittenAtTheFirstScanIsReadLater) {
  TalkFixture t(u"m.meeting", TalkMode::kMeeting);
  t.WriteMessage(1, "talk\th\tone");
  t.WriteMessage(2, "in\tuser2");
  t.WriteMessage(3, "out\tuser2");
  std::atomic<bool> locked{true};
  t.store.onRead = [&](std::u16string_view s) -> std::optional<StreamStore::ReadResult> {
    if (s == u"Msg000002" && locked) return StreamStore::ReadResult{StreamStore::ReadResult::Status::kBusy, {}, false};
    return std::nullopt;
  };
  t.StartWatcher();
  bool scanDone = false;
  ASSERT_TRUE(t.PumpUntil([&] { return scanDone; },
                          [&](const TalkEvent& e) { scanDone |= e.kind == TalkEvent::Kind::kScanDone; }));
  EXPECT_EQ(Numbers(t.context.messages), (std::vector<uint32_t>{1, 3}));
  locked = false;
  ASSERT_TRUE(t.PumpUntil([&] { return HasNode(t.context.messages, 2); }));
  EXPECT_EQ(Numbers(t.context.messages), (std::vector<uint32_t>{1, 3, 2}));
  EXPECT_EQ(t.context.members.Snapshot().at(0).state, MemberEntry::kLeft);
}

// Records claimed while the talk was being listed are shown in their place.
TEST(StreamWatcher, FirstScanReadsWhatTheListingLeftOutBetweenListedNumbers) {
  TalkFixture t;
  for (uint32_t n = 1; n <= 6; ++n) t.WriteMessage(n, "talk\th\t" + std::to_string(n));
  t.store.hideFromList = [](std::u16string_view listed) {
    return listed.find(u"Msg000003") != std::u16string_view::npos ||
           listed.find(u"Msg000004") != std::u16string_view::npos;
  };
  t.StartWatcher();
  bool scanDone = false;
  ASSERT_TRUE(t.PumpUntil([&] { return scanDone; },
                          [&](const TalkEvent& e) { scanDone |= e.kind == TalkEvent::Kind::kScanDone; }));
  EXPECT_EQ(Numbers(t.context.messages), (std::vector<uint32_t>{1, 2, 3, 4, 5, 6}));
}

TEST(StreamWatcher, GapBelowLaterRecordsDoesNotHoldTheTalkBack) {
  TalkFixture t;
  t.WriteMessage(1, "talk\th\tone");
  t.StartWatcher();
  bool scanDone = false;
  ASSERT_TRUE(t.PumpUntil([&] { return scanDone; },
                          [&](const TalkEvent& e) { scanDone |= e.kind == TalkEvent::Kind::kScanDone; }));
  // Number 2 never appears (its writer failed); 3 and 4 do.
  t.WriteMessage(3, "talk\th\tthree");
  t.WriteMessage(4, "talk\th\tfour");
  ASSERT_TRUE(t.PumpUntil([&] { return HasNode(t.context.messages, 4); }));
  EXPECT_EQ(Numbers(t.context.messages), (std::vector<uint32_t>{1, 3, 4}));
  // A late record under the skipped number is still shown.
  t.WriteMessage(2, "talk\th\ttwo");
  ASSERT_TRUE(t.PumpUntil([&] { return HasNode(t.context.messages, 2); }));
  // A gap of several numbers is looked past too, if less often.
  t.WriteMessage(7, "talk\th\tseven");
  ASSERT_TRUE(t.PumpUntil([&] { return HasNode(t.context.messages, 7); }));
}

// A number that exists but cannot be read (its writer is still writing,
// died after claiming it, or lost its share) holds the talk back for the
// grace period only, and is shown whenever it becomes readable.
TEST(StreamWatcher, IncompleteNumberHoldsTheTalkBackForTheGraceOnly) {
  for (const bool longGrace : {true, false}) {
    SCOPED_TRACE(longGrace ? "within the grace" : "after the grace");
    TalkFixture t;
    std::atomic<bool> writing{true};
    t.store.onRead = [&](std::u16string_view s) -> std::optional<StreamStore::ReadResult> {
      if (s == u"Msg000001" && writing) return StreamStore::ReadResult{StreamStore::ReadResult::Status::kEmpty, {}, false};
      return std::nullopt;
    };
    Timing timing = FastTiming();
    timing.watcherGapGraceMs = longGrace ? 600000 : 0;
    t.StartWatcher(timing);
    bool scanDone = false;
    ASSERT_TRUE(t.PumpUntil([&] { return scanDone; },
                            [&](const TalkEvent& e) { scanDone |= e.kind == TalkEvent::Kind::kScanDone; }));
    t.WriteMessage(1, "talk\th\tone");
    t.WriteMessage(2, "talk\th\ttwo");
    if (longGrace) {
      // Let the watcher look at the incomplete number many times; a skip
      // would show 2 first.
      for (int i = 0; i < 20; ++i) t.sink.Wait(5);
      EXPECT_TRUE(Numbers(t.context.messages).empty());
    } else {
      ASSERT_TRUE(t.PumpUntil([&] { return HasNode(t.context.messages, 2); }));
      EXPECT_EQ(Numbers(t.context.messages), (std::vector<uint32_t>{2}));
    }
    writing = false;
    ASSERT_TRUE(t.PumpUntil([&] { return HasNode(t.context.messages, 1) && HasNode(t.context.messages, 2); }));
    EXPECT_EQ(Numbers(t.context.messages), longGrace ? (std::vector<uint32_t>{1, 2}) : (std::vector<uint32_t>{2, 1}));
  }
}

TEST(StreamWatcher, BrokenOddAndHugeStreamsNeverBlockTheTalk) {
  TalkFixture t;
  t.WriteMessage(1, "\xEF\xBB\xBFtalk\th\t\xFF\xFE");      // invalid UTF-8 after a mark
  t.Write(u"Msg99999999999999999999", "talk\th\toverflow");  // digits beyond any number
  t.Write(u"Msg000000", "talk\th\tzero");
  t.Write(u"Msgabc", "talk\th\tletters");
  std::string huge = "talk\th\t" + std::string(kRecordLimit + 5000, 'a');
  t.WriteMessage(2, huge);
  t.StartWatcher();
  bool scanDone = false;
  ASSERT_TRUE(t.PumpUntil([&] { return scanDone; },
                          [&](const TalkEvent& e) { scanDone |= e.kind == TalkEvent::Kind::kScanDone; }));
  EXPECT_EQ(Numbers(t.context.messages), (std::vector<uint32_t>{1, 2}));
  MessageNode* cut = MessageList::Next(t.context.messages.First());
  ASSERT_TRUE(cut->body);
  EXPECT_LT(cut->body->size(), kRecordLimit + 100);
  EXPECT_TRUE(cut->body->ends_with(kCutMark));
  EXPECT_EQ(t.context.nextNumber.load(), 3u);

  t.WriteMessage(3, "talk\th\tafter");
  ASSERT_TRUE(t.PumpUntil([&] { return HasNode(t.context.messages, 3); }));
}

TEST(StreamWatcher, StopEndsItPromptlyEvenWithALongIdlePoll) {
  TalkFixture t;
  Timing slow = FastTiming();
  slow.watcherIdlePollMs = 3600000;
  t.StartWatcher(slow);
  bool scanDone = false;
  ASSERT_TRUE(t.PumpUntil([&] { return scanDone; },
                          [&](const TalkEvent& e) { scanDone |= e.kind == TalkEvent::Kind::kScanDone; }));
  EXPECT_TRUE(t.watcher->Stop());
  EXPECT_FALSE(t.watcher->Running());
}

}  // namespace
}  // namespace mirelon
