#include <gtest/gtest.h>

#include "talk/talk_file.h"
#include "talk/talk_session.h"
#include "talk_fixture.h"

namespace mirelon {
namespace {

class SessionTest : public ::testing::Test {
 protected:
  explicit SessionTest(TalkMode mode = TalkMode::kTalk)
      : t(mode == TalkMode::kMeeting ? u"m.meeting" : mode == TalkMode::kShare ? u"s.share" : u"t.talk", mode),
        session(t.context) {}
  std::u16string Stored(uint32_t n) {
    return ReadStreamText(t.store, t.context.talkPath, MessageStreamName(n)).value_or(u"(none)");
  }
  // The watcher's first scan, which raises NextNumber past every record.
  void Scan() {
    t.StartWatcher();
    bool scanDone = false;
    ASSERT_TRUE(t.PumpUntil([&] { return scanDone; }, [&](const TalkEvent& e) {
      if (e.kind == TalkEvent::Kind::kScanDone) scanDone = true;
    }));
  }

  TalkFixture t;
  TalkSession session;
};

TEST_F(SessionTest, SendStoresATalkRecordAndKeepsTextOnFailure) {
  EXPECT_EQ(session.Send(u"", {3, 5, 9, 7}), TalkSession::SendResult::kNothing);
  EXPECT_EQ(session.Send(u"Hello\r\nworld\nend", {3, 5, 9, 7}), TalkSession::SendResult::kStored);
  EXPECT_EQ(Stored(1), u"talk\tuser1さん 3/05 9:07\tHello\rworld\rend");
  t.context.userName.clear();
  EXPECT_EQ(session.Send(u"x", {3, 5, 9, 7}), TalkSession::SendResult::kStored);
  EXPECT_EQ(Stored(2), u"talk\t3/05 9:07\tx");
  t.store.onCreate = [](std::u16string_view) { return StreamStore::CreateResult::kFailed; };
  EXPECT_EQ(session.Send(u"y", {3, 5, 9, 7}), TalkSession::SendResult::kFailed);
}

TEST_F(SessionTest, TerminalUsersAreNotRecordedOutsideMeetings) {
  EXPECT_FALSE(session.TerminalUser(u"term1", false));
  EXPECT_EQ(Stored(1), u"(none)");
  EXPECT_TRUE(session.PostText(u"talk\tterm1さん 1/01 0:00\tfrom a terminal"));
  EXPECT_EQ(Stored(1), u"talk\tterm1さん 1/01 0:00\tfrom a terminal");
  EXPECT_TRUE(session.ScanDone());  // no in record in a plain talk
  EXPECT_EQ(Stored(2), u"(none)");
}

class ShareSessionTest : public SessionTest {
 protected:
  ShareSessionTest() : SessionTest(TalkMode::kShare) {}
};

TEST_F(ShareSessionTest, FirstLineNamesTheSpeaker) {
  EXPECT_EQ(session.Send(u"guest2\r\nGood morning", {3, 5, 9, 7}), TalkSession::SendResult::kStored);
  EXPECT_EQ(Stored(1), u"talk\tguest2さん 3/05 9:07\tGood morning");
  EXPECT_EQ(session.Send(u"single line", {3, 5, 9, 7}), TalkSession::SendResult::kStored);
  EXPECT_EQ(Stored(2), u"talk\t3/05 9:07\tsingle line");
}

class MeetingSessionTest : public SessionTest {
 protected:
  MeetingSessionTest() : SessionTest(TalkMode::kMeeting) {}
};

TEST_F(MeetingSessionTest, InRecordFollowsTheFirstScanAndOutRecordPairsIt) {
  // 150 records and a gap at 151: the in record must land above them all.
  for (uint32_t n = 1; n <= 150; ++n) t.WriteMessage(n, "talk\th\tb");
  t.WriteMessage(152, "talk\th\tb");
  Scan();
  ASSERT_TRUE(session.ScanDone());
  EXPECT_EQ(Stored(153), u"in\tuser1");
  EXPECT_TRUE(session.TerminalUser(u"term1", false));
  EXPECT_EQ(Stored(154), u"in\tterm1");
  EXPECT_TRUE(t.watcher->Stop());
  EXPECT_TRUE(session.Leave());
  EXPECT_EQ(Stored(155), u"out\tuser1");
}

TEST_F(MeetingSessionTest, NoOutRecordWithoutAStoredInRecord) {
  EXPECT_TRUE(session.Leave());
  EXPECT_EQ(Stored(1), u"(none)");
  // Nor when it could not be stored; it then goes in before the PC user's
  // next message.
  TalkSession failed(t.context), retried(t.context);
  t.store.onCreate = [](std::u16string_view) { return StreamStore::CreateResult::kFailed; };
  EXPECT_FALSE(failed.ScanDone());
  EXPECT_FALSE(retried.ScanDone());
  t.store.onCreate = nullptr;
  EXPECT_TRUE(failed.Leave());
  EXPECT_EQ(Stored(1), u"(none)");
  EXPECT_EQ(retried.Send(u"back", {3, 5, 9, 7}), TalkSession::SendResult::kStored);
  EXPECT_EQ(Stored(1), u"in\tuser1");
  EXPECT_EQ(Stored(2), u"talk\tuser1さん 3/05 9:07\tback");
}

}  // namespace
}  // namespace mirelon
