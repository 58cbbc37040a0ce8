#include <gtest/gtest.h>

#include <vector>

#include "braille/cells.h"
#include "modes/display_window.h"
#include "support/recording_display.h"

using namespace mirelon;
using mirelon::testing::RecordingDisplay;

namespace {

constexpr uint8_t kBlank = 0x80;

// Words of `word` non-blank cells separated by single blanks, `total` cells
// long, 0-terminated. Word cells run through the dots so that a wrong
// offset shows in the comparison.
std::vector<uint8_t> Words(int total, int word) {
  std::vector<uint8_t> s;
  for (int i = 0; i < total; ++i)
    s.push_back(i % (word + 1) == word ? kBlank : static_cast<uint8_t>((0x01 + i % 0x70) | 0x01));
  s.push_back(0);
  return s;
}

// What the display should show of `text` from `from`, `count` cells, on N.
std::vector<uint8_t> Expected(const std::vector<uint8_t>& text, int from, int count, int n) {
  std::vector<uint8_t> cells(n, 0);
  for (int i = 0; i < count; ++i) cells[i] = IsBlankCell(text[from + i]) ? 0 : text[from + i];
  return cells;
}

struct ViewFixture : ::testing::Test {
  DisplayBuffer display{40};
  RecordingDisplay out;
  DisplayWindow view{display, out};
};

}  // namespace

TEST(CellLayout, MarksAndDotsConvertBothWays) {
  EXPECT_EQ(SwapCellLayout(0x88), 0x11);  // cursor mark
  EXPECT_EQ(SwapCellLayout(0x0D), 0x0B);  // end-of-text mark
  EXPECT_EQ(SwapCellLayout(0x10), 0x80);  // dot 1
  EXPECT_EQ(SwapCellLayout(0x01), 0x08);  // dot 4
  EXPECT_EQ(SwapCellLayout(0x40), 0x20);  // dot 3
  for (int c = 0; c < 256; ++c) EXPECT_EQ(SwapCellLayout(SwapCellLayout(static_cast<uint8_t>(c))), c);
}

TEST_F(ViewFixture, WordsAreNotBrokenAtTheDisplayEdge) {
  auto line = Words(100, 5);
  view.ResetWindow(line);
  view.RefreshWindow();
  EXPECT_EQ(view.Shown(), 36);
  ASSERT_EQ(out.DisplayCount(), 1);
  EXPECT_EQ(out.Last().cells, Expected(line, 0, 36, 40));
  EXPECT_EQ(out.Last().MarkCount(), 0) << "a view has no cursor and no end mark";
  // The raw frame bytes are in terminal layout.
  EXPECT_EQ(out.Last().raw[0], SwapCellLayout(line[0]));

  // Forward page by page to the end of the line, then nothing further.
  std::vector<int> starts;
  while (view.PanForward()) starts.push_back(*view.WindowStart());
  EXPECT_EQ(starts, (std::vector<int>{36, 72}));
  EXPECT_EQ(out.Last().cells, Expected(line, 72, 28, 40));
  const int sent = out.DisplayCount();
  EXPECT_FALSE(view.PanForward());
  EXPECT_EQ(out.DisplayCount(), sent) << "nothing further is not drawn";

  // And back: each step goes to a word start within N cells.
  ASSERT_TRUE(view.PanBack());
  EXPECT_EQ(*view.WindowStart(), 36);
  ASSERT_TRUE(view.PanBack());
  EXPECT_EQ(*view.WindowStart(), 0);
  EXPECT_EQ(out.Last().cells, Expected(line, 0, 36, 40));
  EXPECT_EQ(out.ErrorCount(), 0);
}

TEST_F(ViewFixture, LongWordIsCutHardAndPannedToItsRest) {
  std::vector<uint8_t> line(50, 0x3F);
  line.push_back(0);
  view.ResetWindow(line);
  view.RefreshWindow();
  EXPECT_EQ(view.Shown(), 40);
  EXPECT_EQ(out.Last().cells, Expected(line, 0, 40, 40));
  ASSERT_TRUE(view.PanForward());
  EXPECT_EQ(*view.WindowStart(), 40);
  EXPECT_EQ(out.Last().cells, Expected(line, 40, 10, 40));
  EXPECT_FALSE(view.PanForward());
}

TEST_F(ViewFixture, FitsExactlyAndTrailingBlanks) {
  // 40 cells fit whole; blanks with dots 7 and 8 are shown empty.
  std::vector<uint8_t> line(40, 0x12);
  line[5] = 0x88;
  line[6] = 0x08;
  line.push_back(0);
  view.ResetWindow(line);
  view.RefreshWindow();
  EXPECT_EQ(view.Shown(), 40);
  EXPECT_EQ(out.Last().cells[5], 0);
  EXPECT_EQ(out.Last().cells[6], 0);
  EXPECT_FALSE(view.PanForward());

  // A line ending in blanks after a full page has nothing further to show.
  std::vector<uint8_t> tail(43, 0x12);
  tail[40] = tail[41] = kBlank;
  tail[42] = 0;
  view.ResetWindow(tail);
  view.RefreshWindow();
  EXPECT_FALSE(view.PanForward());
}

TEST_F(ViewFixture, TextThatEndsBeforeItsSpanOrHasNoTerminator) {
  // No terminating 0 anywhere: the end of the span ends the text.
  std::vector<uint8_t> raw(45, 0x21);
  view.ResetWindow(raw);
  view.RefreshWindow();
  EXPECT_EQ(view.Shown(), 40);
  EXPECT_TRUE(view.PanForward());
  EXPECT_EQ(out.Last().cells, Expected(raw, 40, 5, 40));
  EXPECT_FALSE(view.PanForward());
  // Placing a cursor far beyond the text keeps the window inside it.
  view.PlaceCursor(500);
  EXPECT_LE(*view.WindowStart(), view.TextLength());
  // Moving the window start is clamped as well.
  view.SetWindowStart(1000);
  EXPECT_EQ(*view.WindowStart(), 45);
}

TEST_F(ViewFixture, NoTextShowsBlankAndHasNothingFurther) {
  // Draw something first so that blanking is visible.
  auto line = Words(20, 3);
  view.ResetWindow(line);
  view.RefreshWindow();
  view.ResetWindow();
  view.RefreshWindow();
  EXPECT_EQ(out.Last().raw, std::vector<uint8_t>(80, 0));
  EXPECT_FALSE(view.PanForward());
  EXPECT_FALSE(view.PanBack());

  // An empty line is a text: shown blank, nothing further after it.
  const std::vector<uint8_t> empty{0};
  view.ResetWindow(empty);
  view.RefreshWindow();
  EXPECT_EQ(view.Shown(), 0);
  EXPECT_FALSE(view.PanForward());
}

TEST_F(ViewFixture, LastPageOfALineFromItsEnd) {
  // How a viewer shows the previous line's last page: window start on the
  // terminating 0, then one page back.
  auto line = Words(100, 5);
  view.ResetWindow(line);
  view.SetWindowStart(100);
  ASSERT_TRUE(view.PanBack());
  // The farthest word start within 40 cells before 100 is 60, and the
  // rest of the line from there fits whole.
  EXPECT_EQ(*view.WindowStart(), 60);
  EXPECT_EQ(view.Shown(), 40);
  EXPECT_EQ(out.Last().cells, Expected(line, 60, 40, 40));
}

TEST_F(ViewFixture, CursorIsScrolledIntoViewAndMarked) {
  // A search hit at offset 80 of a 100-cell line: the display starts at
  // the farthest word start that still shows the hit's word whole.
  auto line = Words(100, 5);
  view.ResetWindow(line);
  view.PlaceCursor(80);
  EXPECT_EQ(*view.WindowStart(), 48);
  EXPECT_EQ(view.Shown(), 36);
  EXPECT_EQ(out.Last().CursorAt(), 32);
  EXPECT_EQ(out.Last().EndMarkAt(), -1) << "the end is not on this page";

  // The cursor on the terminating 0 keeps a cell free for it, and the end
  // mark shares that cell.
  view.PlaceCursor(100);
  EXPECT_EQ(*view.WindowStart(), 66);
  EXPECT_EQ(out.Last().CursorAt(), 34);
  EXPECT_EQ(out.Last().EndMarkAt(), 34);

  // Back to a cursor near the start scrolls back to a word start.
  view.PlaceCursor(3);
  EXPECT_EQ(*view.WindowStart(), 0);
  EXPECT_EQ(out.Last().CursorAt(), 3);
  EXPECT_EQ(out.Last().EndMarkAt(), -1) << "the end is not on this page";
}

TEST_F(ViewFixture, BeforeTheTerminalToldItsSize) {
  // Windows are set up before the handshake, with 0 cells; then the image
  // is resized.
  DisplayBuffer none;
  DisplayWindow early(none, out);
  auto line = Words(30, 4);
  early.ResetWindow(line);
  early.PlaceCursor(30);
  EXPECT_LE(*early.WindowStart(), 30);
  EXPECT_EQ(early.Shown(), 0);
  EXPECT_TRUE(out.Last().raw.empty());
  none.Resize(20);
  early.PlaceCursor(30);
  EXPECT_EQ(out.Last().raw.size(), 40u);
  EXPECT_EQ(out.Last().CursorAt(), 30 - *early.WindowStart());
}
