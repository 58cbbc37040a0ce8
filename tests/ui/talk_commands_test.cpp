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
  std::optional<int> AskNumber(int current, int highest) override {
    events.push_back("ask " + std::to_string(current) + "/" + std::to_string(highest));
    return Next(numbers);
  }
  std::optional<std::u16string> AskKeyword(std::u16string_view current) override {
    events.push_back("ask '" + Utf16ToUtf8(current) + "'");
    return Next(keywords);
  }

  std::vector<std::string> Take() { return std::exchange(events, {}); }

  std::deque<std::optional<int>> numbers;
  std::deque<std::optional<std::u16string>> keywords;
  std::vector<std::string> events;
  bool focused = false;

 private:
  template <typename T>
  static std::optional<T> Next(std::deque<std::optional<T>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<T> answer = answers.front();
    answers.pop_front();
    return answer;
  }
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

TEST_F(TalkCommandsTest, JumpToANumber) {
  CaretAt(Node(2).bodyPosition + 2);
  surface_.numbers = {3, 57, 0, 5, std::nullopt};
  commands_.JumpToNumber();
  // The dialog shows the message at the caret and the highest shown; the
  // move itself is silent.
  EXPECT_EQ(surface_.Take(), (Events{"ask 2/4", "focus"}));
  EXPECT_EQ(pane_.Selection(), (PaneSelection{Start(3), Start(3)}));
  // Missing, not a number, read but not shown: refused where the caret is.
  for (int i = 0; i < 3; ++i) {
    commands_.JumpToNumber();
    EXPECT_EQ(surface_.Take(), (Events{"ask 3/4", "refuse"}));
  }
  commands_.JumpToNumber();
  EXPECT_EQ(surface_.Take(), (Events{"ask 3/4"}));
  EXPECT_EQ(pane_.Selection().start, Start(3));
}

TEST_F(TalkCommandsTest, KeywordSearches) {
  const int hello1 = Node(1).bodyPosition, hello3 = Node(3).bodyPosition + 4;
  // F3 without a keyword asks first; a cancelled or empty answer ends the
  // command silently.
  surface_.keywords = {std::nullopt, u""};
  ASSERT_TRUE(commands_.Run(CMD_FIND_NEXT));
  commands_.Run(CMD_FIND_FROM_TOP);
  EXPECT_EQ(surface_.Take(), (Events{"ask ''", "ask ''"}));

  surface_.keywords = {u"hello"};
  commands_.Run(CMD_FIND_NEXT);
  EXPECT_EQ(surface_.Take(), (Events{"ask ''", "focus", "confirm", "rest" + At(hello1)}));
  commands_.Run(CMD_FIND_NEXT);
  EXPECT_EQ(surface_.Take(), (Events{"focus", "confirm", "rest" + At(hello3)}));
  // No wrap-around.
  commands_.Run(CMD_FIND_NEXT);
  EXPECT_EQ(surface_.Take(), Events{"refuse"});
  EXPECT_EQ(pane_.Selection().start, hello3);
  commands_.Run(CMD_FIND_PREVIOUS);
  EXPECT_EQ(surface_.Take(), (Events{"focus", "confirm", "rest" + At(hello1)}));
  commands_.Run(CMD_FIND_PREVIOUS);
  EXPECT_EQ(surface_.Take(), Events{"refuse"});
  CaretAt(pane_.TextLength());
  commands_.Run(CMD_FIND_FROM_TOP);
  EXPECT_EQ(surface_.Take(), (Events{"focus", "confirm", "rest" + At(hello1)}));

  // Ctrl+F always asks, with the keyword kept; a keyword found only above
  // the caret is the nearest one above. An empty answer keeps the keyword.
  CaretAt(pane_.TextLength());
  surface_.keywords = {u"hello", u""};
  commands_.Run(CMD_FIND);
  EXPECT_EQ(surface_.Take(), (Events{"ask 'hello'", "focus", "confirm", "rest" + At(hello3)}));
  commands_.Run(CMD_FIND);
  EXPECT_EQ(surface_.Take(), Events{"ask 'hello'"});
  EXPECT_EQ(commands_.Keyword(), u"hello");
  // A keyword spanning a line break is not found in a message's two lines.
  surface_.keywords = {u"twolines", std::u16string(70, u'x')};
  commands_.Run(CMD_FIND);
  EXPECT_EQ(surface_.Take(), (Events{"ask 'hello'", "refuse"}));
  commands_.Run(CMD_FIND);
  EXPECT_EQ(commands_.Keyword().size(), kMaxKeywordLength);
}

TEST_F(TalkCommandsTest, HeaderLinesUpToTheEndOfTheTalk) {
  CaretAt(Node(4).bodyPosition);
  // F7 past the last header: refused, the caret stays.
  commands_.Run(CMD_NEXT_HEADER);
  EXPECT_EQ(surface_.Take(), (Events{"focus", "refuse"}));
  EXPECT_EQ(pane_.Selection().start, Node(4).bodyPosition);
  commands_.Run(CMD_PREVIOUS_HEADER);
  EXPECT_EQ(surface_.Take(), (Events{"focus", "confirm", "line" + At(Start(4))}));
  commands_.Run(CMD_PREVIOUS_HEADER);
  EXPECT_EQ(surface_.Take(), (Events{"focus", "confirm", "line" + At(Start(3))}));
  // Ctrl+Up and Ctrl+Down in the pane: neither the focus nor the line.
  commands_.MoveToHeader(true, false);
  EXPECT_EQ(surface_.Take(), Events{"confirm"});
  EXPECT_EQ(pane_.Selection().start, Start(4));
  // The description above the first header is no header.
  CaretAt(Start(1));
  PaneSelection selection{Start(1), Start(1) + 3};
  pane_.SetSelection(selection);
  commands_.MoveToHeader(false, false);
  EXPECT_EQ(surface_.Take(), Events{"refuse"});
  EXPECT_EQ(pane_.Selection(), selection);
}

TEST_F(TalkCommandsTest, MarksToggleTheirHeadersAndAreSteppedThrough) {
  // Nothing to mark in the description.
  CaretAt(1);
  commands_.Run(CMD_MARK);
  EXPECT_EQ(surface_.Take(), Events{});

  const auto mark = [&](uint32_t number) {
    const PaneSelection selection{Node(number).bodyPosition + 1, Node(number).bodyPosition + 3};
    pane_.SetSelection(selection);
    commands_.Run(CMD_MARK);
    EXPECT_EQ(pane_.Selection(), selection);
  };
  mark(2);
  mark(3);
  EXPECT_EQ(surface_.Take(), (Events{"発言2をマークしました。", "発言3をマークしました。"}));
  EXPECT_EQ(pane_.FormatAt(Start(2)), (CharFormat{true, true}));
  EXPECT_EQ(pane_.FormatAt(Node(2).bodyPosition - 1), (CharFormat{true, true}));
  EXPECT_EQ(pane_.FormatAt(Node(2).bodyPosition), CharFormat{});
  // Twice: plain bold again, and stepped over.
  mark(2);
  EXPECT_EQ(surface_.Take(), Events{"発言2のマークを解除しました。"});
  EXPECT_EQ(pane_.FormatAt(Start(2)), (CharFormat{true, false}));
  mark(4);
  surface_.Take();

  CaretAt(Start(1));
  commands_.Run(CMD_NEXT_MARK);
  EXPECT_EQ(surface_.Take(), (Events{"focus", "line" + At(Start(3)), "confirm"}));
  commands_.Run(CMD_NEXT_MARK);
  EXPECT_EQ(surface_.Take(), (Events{"line" + At(Start(4)), "confirm"}));
  // Past the last mark: refused every time, the caret stays.
  for (int i = 0; i < 2; ++i) {
    commands_.Run(CMD_NEXT_MARK);
    EXPECT_EQ(surface_.Take(), Events{"refuse"});
  }
  EXPECT_EQ(pane_.Selection().start, Start(4));
  commands_.Run(CMD_PREVIOUS_MARK);
  EXPECT_EQ(surface_.Take(), (Events{"line" + At(Start(3)), "confirm"}));
  commands_.Run(CMD_PREVIOUS_MARK);
  EXPECT_EQ(surface_.Take(), Events{"refuse"});
}

}  // namespace
