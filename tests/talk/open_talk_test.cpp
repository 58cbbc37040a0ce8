#include <gtest/gtest.h>

#include <deque>

#include "base/file_io.h"
#include "settings/text_file.h"
#include "talk/meeting_start.h"
#include "talk/open_talk.h"
#include "talk/talk_file.h"
#include "talk_fixture.h"

namespace mirelon {
namespace {

// Answers from a script, and a record of what was asked.
class ScriptedPrompts : public OpenTalkPrompts {
 public:
  std::deque<std::optional<Choice>> choices;
  std::deque<Answer> answers;
  bool confirmStart = true;

  std::vector<std::pair<std::u16string, int>> dialogs;  // initial name, filter
  std::vector<std::u16string> messages;
  std::vector<std::u16string> startDialogs;             // welcome texts

  std::optional<Choice> ChooseFile(const std::u16string& initial, int filter) override {
    dialogs.emplace_back(initial, filter);
    if (choices.empty()) return std::nullopt;
    auto c = choices.front();
    choices.pop_front();
    return c;
  }
  Answer ShowMessage(const std::u16string& text, Box) override {
    messages.push_back(text);
    if (answers.empty()) return Answer::kCancel;
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  bool RunStartDialog(bool, const std::u16string&, const std::u16string& welcome) override {
    startDialogs.push_back(welcome);
    return confirmStart;
  }
};

class OpenTalkTest : public ::testing::Test {
 protected:
  OpenTalkTest() : context(Unowned(store)), recent(dir.File(u"recent.lst")) { context.userName = u"user1"; }
  TempDir dir;
  ScriptedStreamStore store;
  TalkContext context;
  ScriptedPrompts prompts;
  RecentTalks recent;
};

TEST_F(OpenTalkTest, TypedNameWithMeetingFilterCreatesAMeeting) {
  const std::u16string typed = dir.File(u"meeting1");
  prompts.choices.push_back(OpenTalkPrompts::Choice{typed, 2});
  prompts.answers = {OpenTalkPrompts::Answer::kYes};
  ASSERT_TRUE(OpenTalk(context, std::nullopt, prompts, recent));
  EXPECT_EQ(context.talkPath, typed + u".meeting");
  EXPECT_TRUE(context.meeting);
  EXPECT_FALSE(context.share);
  EXPECT_TRUE(context.owner);
  EXPECT_TRUE(context.mainFile);
  EXPECT_EQ(prompts.messages, std::vector<std::u16string>{NotFoundMessage(typed + u".meeting")});
  EXPECT_EQ(prompts.startDialogs, std::vector<std::u16string>{std::u16string(kMeetingWelcome)});
  EXPECT_EQ(ReadStreamText(store, context.talkPath, kOwnerStream), u"user1");
  EXPECT_TRUE(FileExists(context.talkPath));
  EXPECT_EQ(recent.Load(), std::vector<std::u16string>{context.talkPath});
}

// "Owner" is how its creator is known again: no talk without one.
TEST_F(OpenTalkTest, WithoutAUserNameNoTalkIsCreated) {
  context.userName.clear();
  prompts.choices.push_back(OpenTalkPrompts::Choice{dir.File(u"new.talk"), 1});
  prompts.answers = {OpenTalkPrompts::Answer::kYes};
  EXPECT_FALSE(OpenTalk(context, std::nullopt, prompts, recent));
  EXPECT_EQ(prompts.messages.back(), NoUserNameMessage(dir.File(u"new.talk")));
  EXPECT_FALSE(store.Exists(dir.File(u"new.talk"), kOwnerStream));
}

TEST_F(OpenTalkTest, WrongExtensionAndDeclinedCreationReturnToTheDialog) {
  prompts.choices.push_back(OpenTalkPrompts::Choice{dir.File(u"notes.txt"), 1});
  prompts.choices.push_back(OpenTalkPrompts::Choice{dir.File(u"talk1"), 1});
  prompts.answers = {OpenTalkPrompts::Answer::kOk, OpenTalkPrompts::Answer::kNo};
  EXPECT_FALSE(OpenTalk(context, std::nullopt, prompts, recent));
  ASSERT_EQ(prompts.messages.size(), 2u);
  EXPECT_EQ(prompts.messages[0], WrongExtensionMessage(u".txt"));
  ASSERT_EQ(prompts.dialogs.size(), 3u);
  EXPECT_EQ(prompts.dialogs[1].first, dir.File(u"notes.txt"));
  EXPECT_EQ(prompts.dialogs[2].first, dir.File(u"talk1.talk"));  // extension already added
  EXPECT_FALSE(context.IsOpen());
  EXPECT_FALSE(context.mainFile);
}

TEST_F(OpenTalkTest, FilesThatAreNotTalksAreRefused) {
  // A plain file given the extension, and an existing file without any ".".
  const std::u16string plain = dir.File(u"plain.talk");
  ReplaceFileContent(plain, "just text");
  EXPECT_FALSE(OpenTalk(context, plain, prompts, recent));
  EXPECT_EQ(prompts.messages, std::vector<std::u16string>{NoOwnerMessage(plain)});

  const std::u16string bare = dir.File(u"bare");
  ReplaceFileContent(bare, "");
  EXPECT_FALSE(OpenTalk(context, bare, prompts, recent));
  EXPECT_EQ(prompts.messages.back(), NoOwnerMessage(bare));
  EXPECT_TRUE(prompts.dialogs.empty());
}

TEST_F(OpenTalkTest, ExistingTalkWithoutDotOpensAsPlainTalkWhenItHasAnOwner) {
  const std::u16string bare = dir.File(u"bare");
  store.CreateNew(bare, kOwnerStream, "someone");
  store.EnsureFile(bare);
  ASSERT_TRUE(OpenTalk(context, bare, prompts, recent));
  EXPECT_EQ(context.talkPath, bare);
  EXPECT_FALSE(context.meeting || context.share || context.owner);
}

TEST_F(OpenTalkTest, OwnerOfAShareTalkGetsTheStartDialogOthersDoNot) {
  const std::u16string share = dir.File(u"s.share");
  store.CreateNew(share, kOwnerStream, "user1");
  store.EnsureFile(share);
  ASSERT_TRUE(OpenTalk(context, share, prompts, recent));
  EXPECT_TRUE(context.owner && context.share);
  EXPECT_EQ(prompts.startDialogs, std::vector<std::u16string>{std::u16string(kShareWelcome)});

  TalkContext other(Unowned(store));
  other.userName = u"user2";
  ScriptedPrompts otherPrompts;
  ASSERT_TRUE(OpenTalk(other, share, otherPrompts, recent));
  EXPECT_FALSE(other.owner);
  EXPECT_TRUE(otherPrompts.startDialogs.empty());
}

TEST_F(OpenTalkTest, CancelledStartDialogLeavesNothingOpen) {
  const std::u16string meeting = dir.File(u"m.meeting");
  store.CreateNew(meeting, kOwnerStream, "user2");
  store.EnsureFile(meeting);
  prompts.confirmStart = false;
  EXPECT_FALSE(OpenTalk(context, meeting, prompts, recent));
  EXPECT_FALSE(context.mainFile);
  EXPECT_FALSE(context.IsOpen());
}

// The start dialog's part that needs no window: what it shows to the owner
// and to anyone else, and what each way of closing it means.
TEST_F(OpenTalkTest, MeetingStartShowsTheDescriptionAndOnlyTheOwnersOkStoresIt) {
  const std::u16string meeting = dir.File(u"m.meeting");
  store.CreateNew(meeting, kOwnerStream, "user1");
  store.EnsureFile(meeting);
  const auto description = [&] { return ReadStreamText(store, meeting, kDescriptionStream); };
  using Result = MeetingStart::Result;

  // No description yet: the welcome text, for the owner to edit.
  MeetingStart start = PrepareMeetingStart(store, true, meeting, kMeetingWelcome);
  EXPECT_EQ(start.description, kMeetingWelcome);
  EXPECT_EQ(start.prompt, kOwnerStartPrompt);
  struct {
    bool owner;
    Result result;
    std::u16string text;
    bool entered;
    std::optional<std::u16string> stored;
  } const cases[] = {
      // Closed without OK or Cancel, or cancelled: the run ends, nothing stored.
      {true, Result::kNone, u"x", false, std::nullopt},
      {true, Result::kCancel, u"x", false, std::nullopt},
      // A non-owner's edits are never stored.
      {false, Result::kOk, u"edited", true, std::nullopt},
      // The owner's text, with the talk's line breaks.
      {true, Result::kOk, u"議題\r\n予算\n", true, u"議題\r予算\r"},
  };
  for (const auto& c : cases) {
    start.owner = c.owner;
    start.result = c.result;
    EXPECT_EQ(FinishMeetingStart(store, start, c.text), c.entered);
    EXPECT_EQ(description(), c.stored);
  }
  // Everyone opening the meeting later sees it; someone else is only asked in.
  const MeetingStart other = PrepareMeetingStart(store, false, meeting, kMeetingWelcome);
  EXPECT_EQ(other.description, u"議題\r予算\r");
  EXPECT_EQ(other.prompt, kMemberStartPrompt);
}

TEST(RecentTalks, EveryChoiceAddsALineAtTheTopAndTheFirstExistingIsOffered) {
  TempDir dir;
  RecentTalks recent(dir.File(u"UsedTalkPath.lst"));
  EXPECT_TRUE(recent.Load().empty());
  EXPECT_FALSE(recent.FirstExisting());
  const std::u16string talk = dir.File(u"a.talk");
  ReplaceFileContent(talk, "");
  recent.Push(talk);
  recent.Push(talk);
  recent.Push(dir.File(u"gone.talk"));
  EXPECT_EQ(recent.Load(), (std::vector<std::u16string>{dir.File(u"gone.talk"), talk, talk}));
  EXPECT_EQ(recent.FirstExisting(), talk);
  // Lines end with CR only, in UTF-8 with a byte order mark.
  EXPECT_EQ(ReadTextFile(dir.File(u"UsedTalkPath.lst")), dir.File(u"gone.talk") + u"\r" + talk + u"\r" + talk + u"\r");
}

TEST(RecentTalks, FirstExistingEntryIsTheDialogsInitialName) {
  TempDir dir;
  RecentTalks recent(dir.File(u"UsedTalkPath.lst"));
  const std::u16string last = dir.File(u"last.share");
  ReplaceFileContent(last, "");
  recent.Push(last);
  ScriptedStreamStore store;
  TalkContext context(Unowned(store));
  ScriptedPrompts prompts;
  EXPECT_FALSE(OpenTalk(context, dir.File(u"missing.talk"), prompts, recent));
  ASSERT_EQ(prompts.dialogs.size(), 1u);
  EXPECT_EQ(prompts.dialogs[0], (std::pair<std::u16string, int>{last, 3}));
}

}  // namespace
}  // namespace mirelon
