#include "modes/display_mode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "braille/cells.h"
#include "support/recording_display.h"
#include "talk_lines.h"

using namespace mirelon;
using mirelon::testing::AddLine;
using mirelon::testing::RecordingDisplay;
using mirelon::testing::Shows;
using mirelon::testing::WordCells;

namespace {

class FakeHost : public DisplayModeHost {
 public:
  void Announce(std::u16string_view text) override { announced.emplace_back(text); }
  void NotifyChanged() override { ++notified; }
  void PostTypedText(std::u16string text) override { posted.push_back(std::move(text)); }

  std::vector<std::u16string> announced;
  int notified = 0;
  std::vector<std::u16string> posted;
};

KeyEvent Key(uint8_t kind, uint8_t code, uint8_t modifiers = 0) { return KeyEvent{kind, code, modifiers}; }
KeyEvent PanBack() { return Key(KeyEvent::kPan, 0, KeyEvent::kBackward); }
KeyEvent PanForward() { return Key(KeyEvent::kPan, 0, KeyEvent::kForward); }
// A chord in terminal layout.
KeyEvent Chord(uint8_t code, uint8_t modifiers = 0) { return Key(KeyEvent::kChord, code, modifiers); }
// A cell typed into a field, given in library layout; a blank is the chord
// without dots (dot 7 alone would finish the field).
KeyEvent Typed(uint8_t libraryCell) {
  return Chord(IsBlankCell(libraryCell) ? 0 : SwapCellLayout(libraryCell));
}
KeyEvent Cursor(uint8_t code, uint8_t modifiers = 0) { return Key(KeyEvent::kCursor, code, modifiers); }
KeyEvent Edit(uint8_t code, uint8_t modifiers = 0) { return Key(KeyEvent::kEdit, code, modifiers); }
KeyEvent Routing(uint8_t cell, uint8_t modifiers) { return Key(KeyEvent::kRouting, cell, modifiers); }

constexpr uint8_t kWord = KeyEvent::kModifierWord;
const KeyEvent kDot7 = Chord(0x10);
const KeyEvent kDot8 = Chord(0x01);
const KeyEvent kBookmarkKey = Chord(0xC0, kWord);
const KeyEvent kKeywordKey = Chord(0xC8, kWord);
const KeyEvent kNumberKey = Chord(0xCC, kWord);
const KeyEvent kCancel = Edit(1);
const KeyEvent kUp = Cursor(1);
const KeyEvent kDown = Cursor(2);

std::vector<uint8_t> Cells(std::initializer_list<uint8_t> c) { return c; }

std::vector<uint8_t> Digits(const char* s) {
  std::vector<uint8_t> v;
  for (; *s; ++s) v.push_back(EditField::kDigitCells[*s - '0']);
  return v;
}

struct DisplayModeTest : ::testing::Test {
  BrailleLineList list;
  DisplayBuffer display{40};
  RecordingDisplay out;
  FakeHost host;
  std::unique_ptr<DisplayMode> mode;

  // Message 1: header, one body line; 2: header, two body lines; 3: header,
  // one body line. Each line's cells begin with a cell of its own.
  std::vector<const BrailleLine*> lines;

  void AddTalk() {
    lines.push_back(AddLine(list, 1, true, u"1: あ", Cells({0x11, 0x80, 0x21})));
    lines.push_back(AddLine(list, 1, false, u"いち", Cells({0x12, 0x13})));
    lines.push_back(AddLine(list, 2, true, u"2: い", Cells({0x14, 0x80, 0x22})));
    lines.push_back(AddLine(list, 2, false, u"に", Cells({0x15, 0x23, 0x24})));
    lines.push_back(AddLine(list, 2, false, u"にのつづき", Cells({0x16, 0x23, 0x24, 0x25})));
    lines.push_back(AddLine(list, 3, true, u"3: う", Cells({0x17, 0x80, 0x26})));
    lines.push_back(AddLine(list, 3, false, u"さん", Cells({0x31, 0x32})));
  }
  void Make(bool posting = true) {
    mode = std::make_unique<DisplayMode>(list, display, out, host, posting);
    mode->OnConnected();
    out.Reset();
    host.announced.clear();
    host.notified = 0;
  }
  void Press(const KeyEvent& key) { mode->HandleKey(key); }
  void Go(const BrailleLine* line) {
    // Line by line until `line` is current.
    while (mode->CurrentLine() != line) {
      const auto* before = mode->CurrentLine();
      Press(line->serial < before->serial ? kUp : kDown);
      ASSERT_NE(mode->CurrentLine(), before);
    }
    out.Reset();
    host.announced.clear();
  }
  // The current line's first cell, as the display shows it.
  uint8_t ShownFirstCell() { return out.Last().cells.at(0); }
  std::u16string LastAnnouncement() { return host.announced.empty() ? u"" : host.announced.back(); }
};

}  // namespace

TEST_F(DisplayModeTest, LinesAndMessagesMoveAndRefuseAtTheEnds) {
  AddTalk();
  Make();
  EXPECT_EQ(mode->CurrentLine(), lines[6]) << "starts at the newest line";

  Press(kDown);
  EXPECT_EQ(out.ErrorCount(), 1) << "no newer line";
  EXPECT_EQ(out.DisplayCount(), 0);
  EXPECT_TRUE(host.announced.empty());

  Press(kUp);
  EXPECT_EQ(mode->CurrentLine(), lines[5]);
  EXPECT_EQ(ShownFirstCell(), 0x17);
  EXPECT_EQ(out.Last().MarkCount(), 0) << "the view has no cursor";
  EXPECT_EQ(LastAnnouncement(), u"3: う");
  EXPECT_EQ(host.notified, 1);

  Press(Cursor(1, kWord));  // previous message: the header of message 2
  EXPECT_EQ(mode->CurrentLine(), lines[2]);
  Press(Cursor(1, kWord));
  EXPECT_EQ(mode->CurrentLine(), lines[0]);
  out.Reset();
  Press(Cursor(1, kWord));
  Press(kUp);
  EXPECT_EQ(out.ErrorCount(), 2);
  EXPECT_EQ(out.DisplayCount(), 0);
  EXPECT_EQ(mode->CurrentLine(), lines[0]);

  Press(Cursor(2, kWord));  // next message
  EXPECT_EQ(mode->CurrentLine(), lines[2]);
  EXPECT_EQ(LastAnnouncement(), u"2: い");
  Press(kDown);
  Press(Cursor(2, kWord));
  EXPECT_EQ(mode->CurrentLine(), lines[5]);
  Press(Cursor(2, kWord));
  EXPECT_EQ(mode->CurrentLine(), lines[5]) << "no later message";
  EXPECT_EQ(out.ErrorCount(), 3);
}

TEST_F(DisplayModeTest, LatestMessageIsTheNewestHeaderEvenFromItsBody) {
  AddTalk();
  Make();
  Press(kDot7);
  EXPECT_EQ(mode->CurrentLine(), lines[5]) << "back from the body line to its header";
  EXPECT_EQ(LastAnnouncement(), u"3: う");
  Go(lines[1]);
  Press(kDot7);
  EXPECT_EQ(mode->CurrentLine(), lines[5]);
  EXPECT_EQ(ShownFirstCell(), 0x17);

  // Lines added later are reached by moves; the display does not follow.
  const auto* added = AddLine(list, 4, true, u"4: え", Cells({0x33}));
  EXPECT_EQ(mode->CurrentLine(), lines[5]);
  Press(kDot7);
  EXPECT_EQ(mode->CurrentLine(), added);
}

TEST_F(DisplayModeTest, PanningRunsAcrossLines) {
  const auto longLine = WordCells(100, 5);
  const auto* first = AddLine(list, 1, true, u"1: ながい", longLine);
  AddLine(list, 1, false, u"つぎ", Cells({0x31, 0x32}));
  Make();
  Press(kUp);
  ASSERT_EQ(mode->CurrentLine(), first);
  EXPECT_EQ(out.Last().cells, Shows(longLine, 0, 36, 40)) << "words are not broken at the edge";

  Press(PanForward());
  EXPECT_EQ(out.Last().cells, Shows(longLine, 36, 36, 40));
  Press(PanForward());
  EXPECT_EQ(out.Last().cells, Shows(longLine, 72, 28, 40));
  host.announced.clear();
  Press(PanForward());  // off the end: the next line from its start, announced
  EXPECT_EQ(mode->CurrentLine(), first->newer.load());
  EXPECT_EQ(ShownFirstCell(), 0x31);
  EXPECT_EQ(host.announced, std::vector<std::u16string>{u"つぎ"});
  Press(PanForward());
  EXPECT_EQ(out.ErrorCount(), 1) << "no line after the newest";

  // At the start: the previous line's last page, not its first. Paging
  // back goes to the farthest word start within 40 cells of the end.
  Press(PanBack());
  EXPECT_EQ(mode->CurrentLine(), first);
  EXPECT_EQ(out.Last().cells, Shows(longLine, 60, 40, 40));
  EXPECT_EQ(LastAnnouncement(), u"1: ながい");
  Press(PanBack());
  EXPECT_EQ(out.Last().cells, Shows(longLine, 24, 36, 40));
  Press(PanBack());
  EXPECT_EQ(out.Last().cells, Shows(longLine, 0, 36, 40));
  const int sent = out.DisplayCount();
  Press(PanBack());  // the oldest line: nothing, and no signal
  EXPECT_EQ(out.DisplayCount(), sent);
  EXPECT_EQ(out.ErrorCount(), 1);
}

TEST_F(DisplayModeTest, HardCutLineAndLinesWithoutBraille) {
  std::vector<uint8_t> solid(50, 0x3F);
  solid[40] = 0x11;
  const auto* cut = AddLine(list, 1, true, u"1: かたまり", solid);
  const auto* empty = AddLine(list, 1, false, u"漢字", {});
  Make();
  ASSERT_EQ(mode->CurrentLine(), empty);
  EXPECT_EQ(out.DisplayCount(), 0);
  mode->OnConnected();
  EXPECT_EQ(out.Last().cells, std::vector<uint8_t>(40, 0)) << "a line without cells is blank";

  Press(PanBack());  // a blank line is at its start: on to the previous line
  EXPECT_EQ(mode->CurrentLine(), cut);
  EXPECT_EQ(out.Last().cells, Shows(solid, 10, 40, 40)) << "its last 40 cells";
  Press(PanBack());
  EXPECT_EQ(out.Last().cells, Shows(solid, 0, 40, 40)) << "cut hard at 40";
  Press(PanForward());
  EXPECT_EQ(out.Last().cells, Shows(solid, 40, 10, 40));
  Press(PanForward());
  EXPECT_EQ(mode->CurrentLine(), empty);
  EXPECT_EQ(out.Last().cells, std::vector<uint8_t>(40, 0));
  EXPECT_EQ(LastAnnouncement(), u"漢字");
}

TEST_F(DisplayModeTest, EmptyTalkRefusesMovesUntilLinesArrive) {
  Make();
  EXPECT_EQ(mode->CurrentLine(), &list.Sentinel());
  for (const auto& key : {kUp, kDown, kDot7, PanForward()}) Press(key);
  EXPECT_EQ(out.ErrorCount(), 4);
  Press(PanBack());
  Press(kBookmarkKey);
  EXPECT_EQ(out.ErrorCount(), 4) << "pan back and bookmark without a line do nothing";
  EXPECT_TRUE(host.announced.empty());

  const auto* line = AddLine(list, 1, true, u"1: あ", Cells({0x11}));
  Press(kDown);
  EXPECT_EQ(mode->CurrentLine(), line);
}

TEST_F(DisplayModeTest, BookmarksToggleAndJumpFromTheNeighbouringLine) {
  AddTalk();
  Make();
  Go(lines[3]);
  Press(kBookmarkKey);
  EXPECT_EQ(LastAnnouncement(), u"ブックマークを設定しました。");
  Press(kBookmarkKey);
  EXPECT_EQ(LastAnnouncement(), u"ブックマークを解除しました。");
  EXPECT_TRUE(mode->Bookmarks().empty());
  Press(Chord(0xC0));  // without the modifier: not a bookmark key
  EXPECT_TRUE(mode->Bookmarks().empty());

  // A single bookmark on the current line is found in neither direction.
  Press(kBookmarkKey);
  out.Reset();
  EXPECT_TRUE(mode->HandleCommandKey(true, 'w'));
  mode->SetModifiers(0x04);
  mode->HandleCommandKey(true, 'w');
  EXPECT_EQ(out.ErrorCount(), 2);
  EXPECT_EQ(mode->CurrentLine(), lines[3]);
  mode->ClearModifiers(0x04);

  // Marks on lines 1 and 5, set out of order.
  Go(lines[5]);
  Press(kBookmarkKey);
  Go(lines[1]);
  Press(kBookmarkKey);
  Go(lines[0]);
  mode->HandleCommandKey(true, 'w');  // next: 1, 3, 5
  EXPECT_EQ(mode->CurrentLine(), lines[1]);
  mode->HandleCommandKey(true, 'w');
  EXPECT_EQ(mode->CurrentLine(), lines[3]);
  mode->HandleCommandKey(false, 'w');  // released: nothing
  EXPECT_EQ(mode->CurrentLine(), lines[3]);
  mode->HandleCommandKey(true, 'w');
  EXPECT_EQ(mode->CurrentLine(), lines[5]);
  EXPECT_EQ(LastAnnouncement(), u"3: う");
  mode->SetModifiers(0x04);
  mode->HandleCommandKey(true, 'w');  // previous
  EXPECT_EQ(mode->CurrentLine(), lines[3]);
  mode->HandleCommandKey(true, 'w');
  mode->HandleCommandKey(true, 'w');
  EXPECT_EQ(mode->CurrentLine(), lines[1]);
  EXPECT_EQ(out.ErrorCount(), 1);
}

TEST_F(DisplayModeTest, FullBookmarkArraySignalsInsteadOfMarking) {
  for (size_t i = 0; i <= DisplayMode::kMaxBookmarks; ++i)
    AddLine(list, static_cast<uint32_t>(i + 1), true, u"x", Cells({0x11}));
  Make();
  for (size_t i = 0; i < DisplayMode::kMaxBookmarks; ++i) {
    Press(kBookmarkKey);
    Press(kUp);
  }
  ASSERT_EQ(mode->Bookmarks().size(), DisplayMode::kMaxBookmarks);
  host.announced.clear();
  out.Reset();
  Press(kBookmarkKey);
  EXPECT_EQ(out.ErrorCount(), 1);
  EXPECT_TRUE(host.announced.empty()) << "no false 'bookmark set'";
  EXPECT_EQ(mode->Bookmarks().size(), DisplayMode::kMaxBookmarks);
  Press(kDown);
  Press(kBookmarkKey);  // removing still works
  EXPECT_EQ(LastAnnouncement(), u"ブックマークを解除しました。");
}

TEST_F(DisplayModeTest, NumberEntryStartsWithTheCurrentMessageAndJumps) {
  for (uint32_t n : {98u, 99u, 123u, 999u}) {
    AddLine(list, n, true, u"head", Cells({0x11}));
    AddLine(list, n, false, u"body", Cells({0x12}));
  }
  AddLine(list, 1000, true, u"1000: ", Cells({0x13}));
  Make();
  Press(kUp);  // body of 999
  Press(kNumberKey);
  EXPECT_EQ(mode->State(), DisplayState::kNumberEntry);
  EXPECT_EQ(LastAnnouncement(), u"番号入力");
  const auto& field = mode->NumberField();
  EXPECT_EQ(std::vector<uint8_t>(field.Content().begin() + 1, field.Content().end()), Digits("999"));
  EXPECT_EQ(field.Position(), field.End());
  EXPECT_EQ(out.Last().CursorAt(), field.End());

  Press(PanForward());  // increment the last digit
  EXPECT_EQ(field.NumberValue(), 1000);
  EXPECT_EQ(field.Position(), field.End() - 1) << "the cursor on the last 0";
  Press(kDot7);
  EXPECT_EQ(mode->State(), DisplayState::kViewing);
  EXPECT_EQ(LastAnnouncement(), u"1000: ");
  EXPECT_EQ(mode->CurrentLine()->messageNumber, 1000u);

  // A number nobody wrote: signal, and the current line drawn again.
  Press(Routing(1, 0x01));  // routing with a modifier starts number entry too
  ASSERT_EQ(mode->State(), DisplayState::kNumberEntry);
  Press(Edit(4));  // 100
  Press(Edit(4));  // 10
  Press(Typed(EditField::kDigitCells[5]));  // 105
  out.Reset();
  host.announced.clear();
  Press(Routing(1, 0x01));
  EXPECT_EQ(mode->State(), DisplayState::kViewing);
  EXPECT_EQ(out.ErrorCount(), 1);
  EXPECT_EQ(ShownFirstCell(), 0x13);
  EXPECT_EQ(out.Last().MarkCount(), 0);
  EXPECT_TRUE(host.announced.empty());

  // Cancel resets the field to its prefix and number sign.
  Press(kNumberKey);
  Press(Typed(EditField::kDigitCells[7]));
  Press(Routing(2, 0x01));
  EXPECT_EQ(LastAnnouncement(), u"キャンセル");
  EXPECT_EQ(field.End(), 9);
  EXPECT_EQ(field.Position(), 9);
  EXPECT_EQ(ShownFirstCell(), 0x13);

  // Back to 123 through the number keys, then 98 and 99 by decrementing.
  Press(kNumberKey);
  Press(Edit(4, 0));
  Press(Edit(4, 0));
  Press(Edit(4, 0));
  Press(Edit(4, 0));
  for (int d : {1, 2, 3}) Press(Typed(EditField::kDigitCells[d]));
  Press(kDot7);
  EXPECT_EQ(mode->CurrentLine()->messageNumber, 123u);
  EXPECT_EQ(mode->CurrentLine()->text, u"head");
}

TEST_F(DisplayModeTest, NumberStepsAndTheirLimits) {
  AddLine(list, 100, true, u"100", Cells({0x11}));
  Make();
  Press(kNumberKey);
  const auto& field = mode->NumberField();
  Press(PanBack());  // decrement 100 on its last 0
  EXPECT_EQ(field.NumberValue(), 99);
  Press(Cursor(2));  // cursor key 2 decrements as well
  EXPECT_EQ(field.NumberValue(), 98);

  mode->HandleKey(kCancel);
  Press(kNumberKey);
  Press(Edit(4));
  Press(Edit(4));
  Press(Edit(4));
  Press(Typed(EditField::kDigitCells[0]));
  out.Reset();
  Press(PanBack());
  EXPECT_EQ(out.ErrorCount(), 1) << "0 cannot go lower";
  EXPECT_EQ(field.NumberValue(), 0);
  Press(Edit(4));
  for (int i = 0; i < 8; ++i) Press(Typed(EditField::kDigitCells[9]));
  Press(Cursor(1));
  EXPECT_EQ(out.ErrorCount(), 2) << "99999999 cannot go higher";
  EXPECT_EQ(field.NumberValue(), 99999999);
  Press(Typed(0x07));  // dots 1-2-3: not a digit
  EXPECT_EQ(out.ErrorCount(), 3);
  Press(kDot8);  // no digit either
  EXPECT_EQ(out.ErrorCount(), 4);
  EXPECT_EQ(mode->State(), DisplayState::kNumberEntry);
}

TEST_F(DisplayModeTest, KeywordSearchInThreeDirections) {
  // The keyword 0x23 0x24 is in lines 3 and 4 (twice in 4's own words).
  AddTalk();
  Make();
  Go(lines[5]);
  Press(kKeywordKey);
  EXPECT_EQ(mode->State(), DisplayState::kKeywordEditing);
  EXPECT_EQ(LastAnnouncement(), u"キーワード編集");
  EXPECT_EQ(out.Last().CursorAt(), 8) << "after the keyword prefix";
  Press(Typed(0x23));
  Press(Typed(0x24));
  EXPECT_EQ(mode->KeywordField().Content().size(), 2u);

  Press(kDot7);  // from the top: the first line that holds it
  EXPECT_EQ(mode->State(), DisplayState::kViewing);
  EXPECT_EQ(mode->CurrentLine(), lines[3]);
  EXPECT_EQ(LastAnnouncement(), u"に");
  EXPECT_EQ(out.Last().CursorAt(), 1) << "the cursor on the occurrence";
  EXPECT_EQ(out.Last().EndMarkAt(), 3) << "and the end mark after the text";
  ASSERT_TRUE(mode->Keyword().has_value());
  EXPECT_EQ(*mode->Keyword(), Cells({0x23, 0x24}));

  mode->HandleCommandKey(true, 'r');  // forward from the current line
  EXPECT_EQ(mode->CurrentLine(), lines[4]);
  mode->HandleCommandKey(true, 'r');
  EXPECT_EQ(out.ErrorCount(), 1) << "no later line holds it";
  EXPECT_EQ(mode->CurrentLine(), lines[4]);

  mode->SetModifiers(0x10);  // backward
  mode->HandleCommandKey(true, 'r');
  EXPECT_EQ(mode->CurrentLine(), lines[3]);
  mode->HandleCommandKey(true, 'r');
  EXPECT_EQ(out.ErrorCount(), 2);
  mode->SetModifiers(0x04);  // from the top wins over backward
  Go(lines[6]);
  mode->HandleCommandKey(true, 'r');
  EXPECT_EQ(mode->CurrentLine(), lines[3]);
  mode->HandleCommandKey(false, 'r');
  EXPECT_EQ(mode->CurrentLine(), lines[3]) << "a release does nothing";
}

TEST_F(DisplayModeTest, BackwardSearchUsesTheLastOccurrenceInALine) {
  auto cells = WordCells(100, 5);
  cells[3] = 0x7F;
  cells[90] = 0x7F;
  const auto* target = AddLine(list, 1, true, u"1: ながい", cells);
  AddLine(list, 1, false, u"つぎ", Cells({0x31}));
  Make();
  Press(kKeywordKey);
  Press(Typed(0x7F));
  mode->SetModifiers(0x10);
  mode->HandleCommandKey(true, 'r');  // finish and search backward
  EXPECT_EQ(mode->CurrentLine(), target);
  EXPECT_EQ(mode->View().Cursor(), 90);
  // Scrolled so that the occurrence's word ends the display.
  EXPECT_EQ(*mode->View().WindowStart(), 60);
  EXPECT_EQ(out.Last().CursorAt(), 30);

  mode->ClearModifiers(0x10);
  Press(kDown);
  mode->SetModifiers(0x04);
  mode->HandleCommandKey(true, 'r');  // from the top: the first occurrence
  EXPECT_EQ(mode->View().Cursor(), 3);
  EXPECT_EQ(out.Last().CursorAt(), 3);
}

TEST_F(DisplayModeTest, SearchWithoutAKeywordDoesNothing) {
  AddTalk();
  Make();
  mode->HandleCommandKey(true, 'r');
  EXPECT_TRUE(out.Events().empty());
  EXPECT_TRUE(host.announced.empty());

  // An empty keyword clears the stored one and shows the current line.
  Press(kKeywordKey);
  Press(Typed(0x23));
  Press(kDot7);
  ASSERT_TRUE(mode->Keyword().has_value());
  Press(kKeywordKey);
  EXPECT_EQ(mode->KeywordField().Content().size(), 1u) << "the field keeps its text";
  Press(Edit(4));
  const auto* before = mode->CurrentLine();
  out.Reset();
  Press(kDot7);
  EXPECT_FALSE(mode->Keyword().has_value());
  EXPECT_EQ(mode->CurrentLine(), before);
  EXPECT_EQ(out.ErrorCount(), 0);
  EXPECT_EQ(out.Last().MarkCount(), 0);

  // A failed search from the keyword field signals and shows the line again.
  Press(kKeywordKey);
  Press(Typed(0x7F));
  out.Reset();
  Press(kDot7);
  EXPECT_EQ(out.ErrorCount(), 1);
  EXPECT_EQ(out.Last().cells.at(0), before->braille[0]);
  EXPECT_EQ(mode->State(), DisplayState::kViewing);

  // Cancelling keeps the stored keyword but empties the field.
  Press(kKeywordKey);
  Press(Typed(0x11));
  Press(kCancel);
  EXPECT_EQ(LastAnnouncement(), u"キャンセル");
  EXPECT_EQ(*mode->Keyword(), Cells({0x7F}));
  EXPECT_EQ(mode->KeywordField().End(), 8);
}

TEST_F(DisplayModeTest, ViewingOnlyIgnoresThePostingKeys) {
  AddTalk();
  Make(false);
  Press(kDot8);
  Press(kKeywordKey);
  EXPECT_EQ(mode->State(), DisplayState::kViewing);
  EXPECT_TRUE(out.Events().empty());
  EXPECT_TRUE(host.announced.empty());
  EXPECT_EQ(host.notified, 0);

  Press(kBookmarkKey);
  EXPECT_EQ(LastAnnouncement(), u"ブックマークを設定しました。");
  Press(kNumberKey);
  EXPECT_EQ(mode->State(), DisplayState::kNumberEntry);
}

TEST_F(DisplayModeTest, PostingSendsTheTypedBrailleAndKeepsTheLine) {
  AddTalk();
  Make();
  Go(lines[2]);
  Press(kDot8);
  EXPECT_EQ(mode->State(), DisplayState::kEditing);
  EXPECT_EQ(LastAnnouncement(), u"編集開始");
  // An empty field shows the cursor and the end mark both on cell 0.
  EXPECT_EQ(out.Last().CursorAt(), 0);
  EXPECT_EQ(out.Last().EndMarkAt(), 0);

  Press(Typed(0x10));       // dot 1
  Press(Chord(0x00));       // a blank
  Press(Typed(0x30));       // dots 1-2
  Press(Chord(0x01));       // dot 8 alone: a blank as well
  EXPECT_EQ(mode->MessageField().End(), 4);
  const int notifiedBefore = host.notified;
  Press(Cursor(4));         // a field key tells the dialog
  EXPECT_EQ(host.notified, notifiedBefore + 1);

  host.announced.clear();
  Press(kDot7);
  ASSERT_EQ(host.posted.size(), 1u);
  EXPECT_EQ(host.posted[0], u"⠁⠀⠃⠀");
  EXPECT_TRUE(host.announced.empty());
  EXPECT_EQ(mode->State(), DisplayState::kViewing);
  EXPECT_EQ(mode->CurrentLine(), lines[2]) << "the display stays put";
  EXPECT_EQ(ShownFirstCell(), 0x14);
  EXPECT_EQ(mode->MessageField().End(), 0);

  // Cancel empties; a move keeps the text.
  Press(kDot8);
  Press(Typed(0x10));
  Press(kCancel);
  EXPECT_EQ(LastAnnouncement(), u"キャンセル");
  EXPECT_EQ(mode->MessageField().End(), 0);
  Press(kDot8);
  Press(Typed(0x10));
  Press(Cursor(2, kWord));
  EXPECT_EQ(mode->State(), DisplayState::kViewing);
  EXPECT_EQ(mode->CurrentLine(), lines[5]);
  EXPECT_EQ(mode->MessageField().End(), 1);
  EXPECT_EQ(host.posted.size(), 1u);
}

TEST_F(DisplayModeTest, LeavingAnEditStateByAFailedMoveShowsTheLineAgain) {
  AddTalk();
  Make();
  Press(kDot8);
  Press(Typed(0x10));
  out.Reset();
  Press(kDown);  // state 0, then no newer line
  EXPECT_EQ(mode->State(), DisplayState::kViewing);
  EXPECT_EQ(out.ErrorCount(), 1);
  EXPECT_EQ(ShownFirstCell(), 0x31) << "not the edit field";
  EXPECT_EQ(out.Last().MarkCount(), 0);
  EXPECT_FALSE(mode->GetEditLine().has_value());

  Press(kNumberKey);
  mode->HandleCommandKey(false, 'v');  // a release only leaves the state
  EXPECT_EQ(mode->State(), DisplayState::kViewing);
  EXPECT_EQ(ShownFirstCell(), 0x31);
  Press(kNumberKey);
  mode->HandleCommandKey(true, 'v');  // next message: none
  EXPECT_EQ(out.ErrorCount(), 2);
  EXPECT_EQ(ShownFirstCell(), 0x31);
  mode->SetModifiers(0x04);
  Press(kDot8);
  mode->HandleCommandKey(true, 'v');  // previous message
  EXPECT_EQ(mode->CurrentLine(), lines[5]);
  EXPECT_EQ(mode->MessageField().Content().size(), 1u);

  // In the keyword field "v" and "w" mean nothing.
  Press(kKeywordKey);
  EXPECT_FALSE(mode->HandleCommandKey(true, 'v'));
  EXPECT_FALSE(mode->HandleCommandKey(true, 'w'));
  EXPECT_FALSE(mode->HandleCommandKey(true, 'x'));
  EXPECT_EQ(mode->State(), DisplayState::kKeywordEditing);
}

TEST_F(DisplayModeTest, EditLineAndReconnection) {
  AddTalk();
  Make();
  EXPECT_FALSE(mode->GetEditLine().has_value());
  Press(kKeywordKey);
  Press(Typed(0x11));
  auto line = mode->GetEditLine();
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(line->cells.size(), 9u) << "the prefix and the typed cell";
  EXPECT_EQ(line->start, 0);
  EXPECT_EQ(line->end, 9);

  // A long message scrolls; the range follows the display.
  Press(kCancel);
  Press(kDot8);
  for (uint8_t c : WordCells(60, 5)) Press(Typed(c));
  line = mode->GetEditLine();
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(line->cells.size(), 60u);
  EXPECT_GT(line->start, 0);
  EXPECT_EQ(line->end, 60);

  // A new connection draws the current line whatever the state, and forgets
  // the modifiers.
  mode->SetModifiers(0x14);
  display.Resize(20);
  mode->OnConnected();
  EXPECT_EQ(mode->ModifierState(), 0);
  EXPECT_EQ(mode->State(), DisplayState::kEditing);
  EXPECT_EQ(out.Last().cells.size(), 20u);
  EXPECT_EQ(ShownFirstCell(), 0x31);
  Press(Typed(0x11));  // the next field key brings the field back
  EXPECT_EQ(mode->MessageField().End(), 61);
  EXPECT_EQ(out.Last().CursorAt(), out.Last().EndMarkAt());
}

TEST_F(DisplayModeTest, EditLineIsAConsistentSnapshotForOtherThreads) {
  AddTalk();
  Make();
  Press(kDot8);
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::thread reader([&] {
    while (!done) {
      if (auto line = mode->GetEditLine()) {
        if (line->start < 0 || line->start > line->end ||
            line->end > static_cast<int>(line->cells.size()))
          ++bad;
      }
    }
  });
  for (int round = 0; round < 20; ++round) {
    for (uint8_t c : WordCells(80, 4, round)) Press(Typed(c));
    Press(Edit(4, kWord));
  }
  done = true;
  reader.join();
  EXPECT_EQ(bad.load(), 0);
}
