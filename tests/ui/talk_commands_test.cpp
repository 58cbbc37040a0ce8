#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "base/utf.h"
#include "resources/resource.h"
#include "talk/message_list.h"
#include "ui/memory_talk_pane.h"
#include "ui/talk_commands.h"
#include "ui/talk_view.h"

using namespace mirelon;

namespace {

TEST(FindKeyword, ExactMatchesFromTheStartGivenWithoutWrapping) {
  const std::u16string text = u"abc\rabc\rxAbc";
  struct Case {
    const char16_t* keyword;
    SearchFrom from;
    int start;
    std::optional<int> found;
  } cases[] = {
      // A match at the start itself is not "after" it.
      {u"abc", SearchFrom::kCaretForward, 0, 4},
      {u"abc", SearchFrom::kCaretForward, 4, std::nullopt},
      {u"abc", SearchFrom::kCaretForward, 12, std::nullopt},
      {u"abc", SearchFrom::kCaretBackward, 4, 0},
      {u"abc", SearchFrom::kCaretBackward, 0, std::nullopt},
      {u"abc", SearchFrom::kCaretBackward, 12, 4},
      {u"abc", SearchFrom::kTop, 9, 0},
      // Case-sensitive.
      {u"Abc", SearchFrom::kTop, 0, 9},
      {u"ABC", SearchFrom::kTop, 0, std::nullopt},
      // Lines are not joined; a keyword with the break matches across it.
      {u"cx", SearchFrom::kTop, 0, std::nullopt},
      {u"c\rx", SearchFrom::kTop, 0, 6},
      {u"", SearchFrom::kTop, 0, std::nullopt},
      {u"abc\rabc\rxAbcd", SearchFrom::kTop, 0, std::nullopt},
      // Starts outside the text.
      {u"a", SearchFrom::kCaretForward, -5, 0},
      {u"c", SearchFrom::kCaretBackward, 100, 11},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindKeyword(text, c.keyword, c.from, c.start), c.found)
        << Utf16ToUtf8(c.keyword) << " from " << c.start << " way " << static_cast<int>(c.from);
}

// The window around the pane: the caret is the pane's selection; what the
// commands do is written down as events.
class FakeSurface final : public NavigationSurface {
 public:
  explicit FakeSurface(MemoryTalkPane& pane) : pane_(pane) {}

  int CaretPosition() override { return pane_.Selection().start; }
  void MoveCaretQuietly(int position) override { pane_.SetSelection({position, position}); }
  bool IncomingFocused() override { return focused; }
  void FocusIncoming() override {
    focused = true;
    events.push_back("focus");
  }
  void PlaySound(FeedbackSound sound) override {
    events.push_back(sound == FeedbackSound::kConfirm ? "confirm" : sound == FeedbackSound::kRefusal ? "refuse" : "?");
  }
  void SpeakJumpLine() override { events.push_back("line@" + std::to_string(CaretPosition())); }
  void SpeakJumpFromCaret() override { events.push_back("rest@" + std::to_string(CaretPosition())); }
  void Announce(std::u16string_view text) override { events.push_back(Utf16ToUtf8(text)); }
  std::optional<int> AskNumber(int, int) override { return std::nullopt; }
  std::optional<std::u16string> AskKeyword(std::u16string_view current) override {
    events.push_back("ask '" + Utf16ToUtf8(current) + "'");
    if (keywords.empty()) return std::nullopt;
    std::optional<std::u16string> answer = keywords.front();
    keywords.pop_front();
    return answer;
  }

  std::vector<std::string> Take() { return std::exchange(events, {}); }

  std::deque<std::optional<std::u16string>> keywords;
  std::vector<std::string> events;
  bool focused = false;

 private:
  MemoryTalkPane& pane_;
};

using Events = std::vector<std::string>;

// A meeting shown with its description and four messages; a fifth has
// been read but not shown yet.
class TalkCommandsTest : public ::testing::Test {
 protected:
  TalkCommandsTest() {
    view_.ShowDescription(u"説明です");
    std::vector<MessageNode*> nodes;
    const char16_t* bodies[] = {u"hello world", u"two\rlines", u"ask hello", u"last"};
    for (uint32_t n = 1; n <= 4; ++n) nodes.push_back(Add(n, bodies[n - 1]));
    view_.ShowMessages(nodes);
    Add(5, u"unseen");
  }

  MessageNode* Add(uint32_t number, std::u16string body) {
    auto node = std::make_unique<MessageNode>();
    node->number = number;
    node->header = u"user" + U16(std::to_string(number));
    node->body = std::move(body);
    MessageNode* raw = node.get();
    list_.Append(std::move(node));
    if (number <= 4) list_.AdvanceCursor();
    return raw;
  }

  const MessageNode& Node(uint32_t number) { return *ShownMessages(list_).Find(number); }
  int Start(uint32_t number) { return Node(number).startPosition; }
  void CaretAt(int position) { pane_.SetSelection({position, position}); }
  std::string At(int position) { return "@" + std::to_string(position); }

  MemoryTalkPane pane_;
  TalkView view_{pane_};
  MessageList list_;
  FakeSurface surface_{pane_};
  TalkCommands commands_{pane_, list_, view_, surface_};
};

TEST_F(TalkCommandsTest, OnlyShownMessagesAreFoundAtPositionsAndByNumber) {
  const ShownMessages shown(list_);
  EXPECT_EQ(shown.At(0), nullptr);  // the description
  EXPECT_EQ(shown.At(Start(1))->number, 1u);
  EXPECT_EQ(shown.At(Start(3) - 1)->number, 2u);
  EXPECT_EQ(shown.At(pane_.TextLength())->number, 4u);
  EXPECT_EQ(shown.Highest(), 4u);
  EXPECT_EQ(shown.Find(5), nullptr);

  MessageList empty;
  EXPECT_EQ(ShownMessages(empty).At(100), nullptr);
  EXPECT_EQ(ShownMessages(empty).Highest(), 0u);
}

// What the window tests cannot see: the keyword kept and cut, the header
// steps of Ctrl+Up and Ctrl+Down, and the exact range a mark formats.
TEST_F(TalkCommandsTest, KeywordKeptHeaderKeysAndMarkedRange) {
  // A cancelled or empty answer ends the command silently and keeps the
  // keyword there was; a long one is cut.
  surface_.keywords = {std::nullopt, u"", u"hello", u"", std::u16string(70, u'x')};
  ASSERT_TRUE(commands_.Run(CMD_FIND_NEXT));
  commands_.Run(CMD_FIND_FROM_TOP);
  EXPECT_EQ(surface_.Take(), (Events{"ask ''", "ask ''"}));
  commands_.Run(CMD_FIND);
  commands_.Run(CMD_FIND);
  EXPECT_EQ(surface_.Take(), (Events{"ask ''", "focus", "confirm", "rest" + At(Node(1).bodyPosition), "ask 'hello'"}));
  EXPECT_EQ(commands_.Keyword(), u"hello");
  commands_.Run(CMD_FIND);
  EXPECT_EQ(commands_.Keyword(), std::u16string(kMaxKeywordLength, u'x'));
  surface_.Take();

  // Ctrl+Down and Ctrl+Up: neither the focus nor the line; a refusal puts
  // back the selection the user had.
  surface_.focused = false;
  CaretAt(Node(3).bodyPosition);
  commands_.MoveToHeader(true, false);
  EXPECT_EQ(surface_.Take(), Events{"confirm"});
  EXPECT_EQ(pane_.Selection().start, Start(4));
  const PaneSelection selection{Start(1), Start(1) + 3};
  pane_.SetSelection(selection);
  commands_.MoveToHeader(false, false);
  EXPECT_EQ(surface_.Take(), Events{"refuse"});
  EXPECT_EQ(pane_.Selection(), selection);

  // Nothing to mark in the description; a mark formats the header line
  // alone and leaves the selection.
  CaretAt(1);
  commands_.Run(CMD_MARK);
  EXPECT_EQ(surface_.Take(), Events{});
  pane_.SetSelection({Node(2).bodyPosition + 1, Node(2).bodyPosition + 3});
  commands_.Run(CMD_MARK);
  EXPECT_EQ(surface_.Take(), Events{"発言2をマークしました。"});
  EXPECT_EQ(pane_.Selection(), (PaneSelection{Node(2).bodyPosition + 1, Node(2).bodyPosition + 3}));
  EXPECT_EQ(pane_.FormatAt(Start(2)), (CharFormat{true, true}));
  EXPECT_EQ(pane_.FormatAt(Node(2).bodyPosition - 1), (CharFormat{true, true}));
  EXPECT_EQ(pane_.FormatAt(Node(2).bodyPosition), CharFormat{});
  EXPECT_EQ(pane_.FormatAt(Start(3)), (CharFormat{true, false}));
}

}  // namespace
