#include <gtest/gtest.h>

#include "base/utf.h"
#include "braille/braille_line_list.h"
#include "talk/talk_file.h"
#include "talk/talk_session.h"
#include "talk_fixture.h"
#include "ui/memory_talk_pane.h"

namespace mirelon {
namespace {

struct Shown {
  std::u16string text;
  uint32_t number;
  bool start;
};

class SessionTest : public ::testing::Test {
 protected:
  explicit SessionTest(TalkMode mode = TalkMode::kTalk)
      : t(mode == TalkMode::kMeeting ? u"m.meeting" : mode == TalkMode::kShare ? u"s.share" : u"t.talk", mode),
        session(t.context, pane) {
    session.SetDisplayedTextHook([this](std::u16string_view text, uint32_t n, bool start) {
      shown.push_back({std::u16string(text), n, start});
    });
  }
  std::u16string Stored(uint32_t n) {
    return ReadStreamText(t.store, t.context.talkPath, MessageStreamName(n)).value_or(u"(none)");
  }
  void ScanThenDisplay() {
    t.StartWatcher();
    bool scanDone = false;
    ASSERT_TRUE(t.PumpUntil([&] { return scanDone; }, [&](const TalkEvent& e) {
      if (e.kind == TalkEvent::Kind::kScanDone) scanDone = true;
      if (e.kind == TalkEvent::Kind::kNewMessages && e.flag) session.ShowDescription();
    }));
    session.DisplayNewMessages();
  }

  TalkFixture t;
  MemoryTalkPane pane;
  TalkSession session;
  std::vector<Shown> shown;
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

TEST_F(SessionTest, MessagesAreDisplayedWithBoldHeaderBodyAndEmptyLine) {
  for (uint32_t n = 1; n <= 11; ++n) t.WriteMessage(n, "talk\th\tb");
  t.WriteMessage(12, "talk\tuser1さん 3/05 9:07\tHello\r\nthere");
  t.WriteMessage(13, "talk\t\tempty header");
  ScanThenDisplay();
  pane.SetSelection({4, 9});  // the user is reading somewhere above
  t.WriteMessage(14, "in\tuser2");
  ASSERT_TRUE(t.PumpUntil([&] { return session.DisplayNewMessages() > 0; }));

  const std::u16string text = pane.Text(0, pane.TextLength());
  const std::u16string twelve = u"12: user1さん 3/05 9:07\rHello\rthere\r\r";
  const size_t at = text.find(twelve);
  ASSERT_NE(at, std::u16string::npos);
  EXPECT_NE(text.find(u"13: \rempty header\r\r"), std::u16string::npos);
  EXPECT_TRUE(text.ends_with(u"14: 入室 user2さん\r\r"));
  EXPECT_EQ(pane.TextLength(), t.context.insertionPosition);

  EXPECT_TRUE(pane.FormatAt(static_cast<int>(at)).bold);
  EXPECT_FALSE(pane.FormatAt(static_cast<int>(at + twelve.find(u"Hello"))).bold);
  EXPECT_EQ(pane.Selection(), (PaneSelection{4, 9}));

  MessageNode* node = t.context.messages.First();
  while (node->number != 12) node = MessageList::Next(node);
  EXPECT_EQ(node->startPosition, static_cast<int>(at));
  EXPECT_EQ(pane.Text(node->bodyPosition, node->bodyPosition + 5), u"Hello");
  EXPECT_EQ(pane.LineStart(pane.LineFromPosition(node->bodyPosition)), node->bodyPosition);

  // The braille side gets each header line and body unconverted, once.
  ASSERT_EQ(shown.size(), 2u * 14 - 1);  // the in record has no body
  EXPECT_EQ(shown[22].text, u"12: user1さん 3/05 9:07\r");
  EXPECT_TRUE(shown[22].start);
  EXPECT_EQ(shown[23].text, u"Hello\rthere");
  EXPECT_EQ(shown[23].number, 12u);
}

TEST_F(SessionTest, DisplayedMessagesBecomeTheTalksBrailleLines) {
  t.WriteMessage(1, "talk\tuser1さん 3/05 9:07\tはい\r\nいいえ");
  t.WriteMessage(2, "talk\tuser2さん 3/05 9:08\tABC");
  MemoryTalkPane otherPane;
  TalkSession plain(t.context, otherPane);  // keeps its own hook: the braille lines
  t.StartWatcher();
  int displayed = 0;
  ASSERT_TRUE(t.PumpUntil([&] { return (displayed += plain.DisplayNewMessages()) == 2; }));

  struct Line {
    std::u16string text;
    uint32_t number, start;
    bool operator==(const Line&) const = default;
  };
  std::vector<Line> lines;
  const BrailleLineList& list = t.context.brailleLines;
  for (const BrailleLine* l = list.First(); l; l = list.Next(l)) {
    lines.push_back({l->text, l->messageNumber, l->messageStart});
    EXPECT_TRUE(l->Braille()) << Utf16ToUtf8(l->text);
  }
  EXPECT_EQ(lines, (std::vector<Line>{{u"1: user1さん 3/05 9:07", 1, 1},
                                      {u"はい", 1, 0},
                                      {u"いいえ", 1, 0},
                                      {u"2: user2さん 3/05 9:08", 2, 1},
                                      {u"ABC", 2, 0}}));
}

TEST_F(SessionTest, ConversionThatGivesNothingHidesTheText) {
  session.SetDisplayConversion([](std::u16string_view s) -> std::optional<std::u16string> {
    if (s == u"secret") return std::nullopt;
    return std::u16string(s) + u"!";
  });
  t.WriteMessage(1, "talk\th\tsecret");
  ScanThenDisplay();
  EXPECT_EQ(pane.Text(0, pane.TextLength()), u"1: h\r!\r\r\r");
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

TEST_F(ShareSessionTest, DescriptionStandsAtTheTop) {
  t.Write(u"Description", "Topic\r\nline 2");
  t.WriteMessage(1, "talk\th\tb");
  ScanThenDisplay();
  EXPECT_EQ(pane.Text(0, pane.TextLength()), u"Topic\rline 2\r\r1: h\rb\r\r");
  EXPECT_FALSE(pane.FormatAt(0).bold);
}

class MeetingSessionTest : public SessionTest {
 protected:
  MeetingSessionTest() : SessionTest(TalkMode::kMeeting) {}
};

TEST_F(MeetingSessionTest, InRecordFollowsTheFirstScanAndOutRecordPairsIt) {
  // 150 records and a gap at 151: the in record must land above them all.
  for (uint32_t n = 1; n <= 150; ++n) t.WriteMessage(n, "talk\th\tb");
  t.WriteMessage(152, "talk\th\tb");
  ScanThenDisplay();
  ASSERT_TRUE(session.ScanDone());
  EXPECT_EQ(Stored(153), u"in\tuser1");
  EXPECT_TRUE(session.TerminalUser(u"term1", false));
  EXPECT_EQ(Stored(154), u"in\tterm1");
  EXPECT_TRUE(t.context.watcher->Stop());
  EXPECT_TRUE(session.Leave());
  EXPECT_EQ(Stored(155), u"out\tuser1");
}

TEST_F(MeetingSessionTest, NoOutRecordWithoutTheInRecord) {
  EXPECT_TRUE(session.Leave());
  EXPECT_EQ(Stored(1), u"(none)");
}

}  // namespace
}  // namespace mirelon
