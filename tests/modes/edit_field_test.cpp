#include <gtest/gtest.h>

#include <vector>

#include "braille/cells.h"
#include "modes/edit_field.h"
#include "support/recording_display.h"

using namespace mirelon;
using mirelon::testing::RecordingDisplay;

namespace {

KeyEvent Key(uint8_t kind, uint8_t code, uint8_t modifiers = 0) { return KeyEvent{kind, code, modifiers}; }
// A chord typed on the terminal, given in library layout; the blank 0x80
// is typed as the chord without dots.
KeyEvent Chord(uint8_t libraryCell) {
  return Key(KeyEvent::kChord, libraryCell == 0x80 ? 0 : SwapCellLayout(libraryCell));
}
KeyEvent PanBack() { return Key(KeyEvent::kPan, 0, KeyEvent::kBackward); }
KeyEvent PanForward() { return Key(KeyEvent::kPan, 0, KeyEvent::kForward); }
KeyEvent Cursor(uint8_t code, uint8_t modifiers = 0) { return Key(KeyEvent::kCursor, code, modifiers); }
KeyEvent Edit(uint8_t code, uint8_t modifiers = 0) { return Key(KeyEvent::kEdit, code, modifiers); }

std::vector<uint8_t> Cells(std::span<const uint8_t> s) { return {s.begin(), s.end()}; }

struct FieldFixture : ::testing::Test {
  DisplayBuffer display{40};
  RecordingDisplay out;
  EditField field{display, out};

  void Type(std::initializer_list<uint8_t> cells) {
    for (uint8_t c : cells) ASSERT_TRUE(field.HandleFieldKey(Chord(c)));
  }
  void ExpectInvariants() {
    EXPECT_LE(field.PrefixLength(), field.Position());
    EXPECT_LE(field.Position(), field.End());
    EXPECT_LE(field.End(), field.Capacity());
    EXPECT_EQ(field.Window().Text()[field.End()], 0);
  }
};

struct NumberFixture : FieldFixture {
  void SetUp() override { field.InitNumberField(); }
  // The digit cells after the number sign.
  std::vector<uint8_t> Digits() { return Cells(field.Content().subspan(1)); }
  static std::vector<uint8_t> DigitsOf(const char* s) {
    std::vector<uint8_t> v;
    for (; *s; ++s) v.push_back(EditField::kDigitCells[*s - '0']);
    return v;
  }
  void PutCursorOnDigit(int index) {  // counted from 0
    ASSERT_TRUE(field.HandleNumberKey(Cursor(6)));
    for (int i = 0; i < index; ++i) field.HandleNumberKey(Cursor(8));
    ASSERT_EQ(field.Position(), 9 + index);
  }
};

}  // namespace

TEST_F(FieldFixture, EmptyFieldShowsCursorAndEndAtCellZero) {
  field.InitTextField(EditField::kMessageCapacity);
  ASSERT_EQ(out.DisplayCount(), 1);
  EXPECT_EQ(out.Last().CursorAt(), 0);
  EXPECT_EQ(out.Last().EndMarkAt(), 0);
  EXPECT_EQ(out.Last().MarkCount(), 1);
  // Cursor 0x11 and end mark 0x0B in terminal layout, in the overlay half.
  EXPECT_EQ(out.Last().raw[40], 0x1B);
  EXPECT_EQ(out.Last().cells, std::vector<uint8_t>(40, 0));
}

TEST_F(FieldFixture, TypingEditingAndTheDisplay) {
  field.InitTextField(EditField::kMessageCapacity);
  // Dots 1, 1-2, then chords without dots 1-6 (none, dot 8, dots 7-8)
  // which are typed as the blank 0x80, then dot 7 alone which the field
  // leaves to the modes.
  Type({0x10, 0x30});
  ASSERT_TRUE(field.HandleFieldKey(Key(KeyEvent::kChord, 0x00)));
  ASSERT_TRUE(field.HandleFieldKey(Key(KeyEvent::kChord, 0x01)));
  ASSERT_TRUE(field.HandleFieldKey(Key(KeyEvent::kChord, 0x11)));
  ASSERT_TRUE(field.HandleFieldKey(Key(KeyEvent::kChord, 0x10)));
  Type({0x21});
  EXPECT_EQ(Cells(field.Text()), (std::vector<uint8_t>{0x10, 0x30, 0x80, 0x80, 0x80, 0x21}));
  EXPECT_EQ(field.Position(), 6);
  EXPECT_EQ(out.Last().cells, (std::vector<uint8_t>{0x10, 0x30, 0, 0, 0, 0x21, 0, 0, 0, 0, 0, 0, 0, 0,
                                                    0,    0,    0, 0, 0, 0,    0, 0, 0, 0, 0, 0, 0, 0,
                                                    0,    0,    0, 0, 0, 0,    0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(out.Last().CursorAt(), 6);
  EXPECT_EQ(out.Last().EndMarkAt(), 6);

  // Left twice, then delete before and at the cursor.
  ASSERT_TRUE(field.HandleFieldKey(Cursor(4)));
  ASSERT_TRUE(field.HandleFieldKey(Cursor(4)));
  EXPECT_EQ(out.Last().CursorAt(), 4);
  ASSERT_TRUE(field.HandleFieldKey(Edit(4)));
  ASSERT_TRUE(field.HandleFieldKey(Edit(8)));
  EXPECT_EQ(Cells(field.Text()), (std::vector<uint8_t>{0x10, 0x30, 0x80, 0x21}));
  EXPECT_EQ(field.Position(), 3);
  // Delete to the end with the modifier, then to the start.
  ASSERT_TRUE(field.HandleFieldKey(Cursor(4)));
  ASSERT_TRUE(field.HandleFieldKey(Edit(8, 0x04)));
  EXPECT_EQ(Cells(field.Text()), (std::vector<uint8_t>{0x10, 0x30}));
  ASSERT_TRUE(field.HandleFieldKey(Edit(4, 0x04)));
  EXPECT_TRUE(field.Text().empty());
  EXPECT_EQ(out.ErrorCount(), 0);
  ExpectInvariants();
  // Keys that are not the field's.
  EXPECT_FALSE(field.HandleFieldKey(Edit(1)));
  EXPECT_FALSE(field.HandleFieldKey(Cursor(1)));
  EXPECT_FALSE(field.HandleFieldKey(Key(5, 1)));
  EXPECT_FALSE(field.HandleFieldKey(Key(KeyEvent::kPan, 0, 3)));
}

TEST_F(FieldFixture, RefusedOperationsSignalAndChangeNothing) {
  field.InitTextField(EditField::kMessageCapacity);
  Type({0x10, 0x30});
  const auto before = Cells(field.Text());
  // Deletions past either end of the text.
  for (auto key : {Edit(8), Edit(8, 0x04)}) {
    out.Reset();
    ASSERT_TRUE(field.HandleFieldKey(key));
    EXPECT_EQ(out.ErrorCount(), 1);
    EXPECT_EQ(out.DisplayCount(), 0) << "a refused deletion does not redraw";
  }
  // Cursor moves past the end signal and still redraw the cursor.
  for (auto key : {Cursor(8), Cursor(8, 0x04), Cursor(9)}) {
    out.Reset();
    ASSERT_TRUE(field.HandleFieldKey(key));
    EXPECT_EQ(out.ErrorCount(), 1);
    EXPECT_EQ(out.DisplayCount(), 1);
    EXPECT_EQ(field.Position(), 2);
  }
  ASSERT_TRUE(field.HandleFieldKey(Cursor(6)));
  for (auto key : {Edit(4), Edit(4, 0x04), Cursor(4), Cursor(4, 0x04), Cursor(6)}) {
    out.Reset();
    ASSERT_TRUE(field.HandleFieldKey(key));
    EXPECT_EQ(out.ErrorCount(), 1);
    EXPECT_EQ(field.Position(), 0);
  }
  EXPECT_EQ(Cells(field.Text()), before);
  // Panning: the whole text is on the display, so neither way moves.
  out.Reset();
  ASSERT_TRUE(field.HandleFieldKey(PanForward()));
  ASSERT_TRUE(field.HandleFieldKey(PanBack()));
  EXPECT_EQ(out.ErrorCount(), 2);
}

TEST_F(FieldFixture, KeywordFieldKeepsItsPrefixAndHoldsSixtyFourCells) {
  field.InitTextField(EditField::kKeywordCapacity, EditField::kKeywordPrefix);
  EXPECT_EQ(field.Position(), 8);
  EXPECT_EQ(Cells(field.Text()), Cells(EditField::kKeywordPrefix));
  std::vector<uint8_t> shownPrefix(EditField::kKeywordPrefix.begin(), EditField::kKeywordPrefix.end());
  shownPrefix[7] = 0;  // the prefix's blank
  EXPECT_EQ(std::vector<uint8_t>(out.Last().cells.begin(), out.Last().cells.begin() + 8), shownPrefix);

  // Home, delete-to-start and word-left stop at the prefix.
  Type({0x12, 0x13, 0x80, 0x14});
  ASSERT_TRUE(field.HandleFieldKey(Cursor(6)));
  EXPECT_EQ(field.Position(), 8);
  ASSERT_TRUE(field.HandleFieldKey(Cursor(9)));
  ASSERT_TRUE(field.HandleFieldKey(Edit(4, 0x04)));
  EXPECT_EQ(Cells(field.Text()), Cells(EditField::kKeywordPrefix));

  for (int i = 0; i < 64; ++i) ASSERT_TRUE(field.HandleFieldKey(Chord(0x11)));
  EXPECT_EQ(field.End(), 72);
  EXPECT_EQ(out.ErrorCount(), 0);
  const auto full = Cells(field.Text());
  out.Reset();
  ASSERT_TRUE(field.HandleFieldKey(Chord(0x12)));
  EXPECT_EQ(out.ErrorCount(), 1);
  EXPECT_EQ(out.DisplayCount(), 0);
  EXPECT_EQ(Cells(field.Text()), full);
  ExpectInvariants();
  EXPECT_EQ(field.Content().size(), 64u);
}

TEST_F(FieldFixture, WordMoves) {
  field.InitTextField(EditField::kKeywordCapacity, EditField::kKeywordPrefix);
  // "ab  cd e" after the prefix.
  Type({0x10, 0x30, 0x80, 0x80, 0x11, 0x13, 0x80, 0x12});
  // From the middle of the first word, word-left goes to the first cell
  // after the prefix.
  ASSERT_TRUE(field.HandleFieldKey(Cursor(6)));
  ASSERT_TRUE(field.HandleFieldKey(Cursor(8)));
  ASSERT_EQ(field.Position(), 9);
  ASSERT_TRUE(field.HandleFieldKey(Cursor(4, 0x04)));
  EXPECT_EQ(field.Position(), 8);
  EXPECT_EQ(out.ErrorCount(), 0);
  // Word-right stops at each word start, then at the end.
  std::vector<int> stops;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(field.HandleFieldKey(Cursor(8, 0x04)));
    stops.push_back(field.Position());
  }
  EXPECT_EQ(stops, (std::vector<int>{12, 15, 16}));
  // Word-left from the end (after "e") and from a word start.
  ASSERT_TRUE(field.HandleFieldKey(Cursor(4, 0x04)));
  EXPECT_EQ(field.Position(), 15);
  ASSERT_TRUE(field.HandleFieldKey(Cursor(4, 0x04)));
  EXPECT_EQ(field.Position(), 12);
}

TEST_F(FieldFixture, LongTextScrollsWithTheCursor) {
  field.InitTextField(EditField::kMessageCapacity);
  // 60 cells in words of 5: the cursor after the last one needs a later
  // page; the end mark is drawn there too.
  for (int i = 0; i < 60; ++i) ASSERT_TRUE(field.HandleFieldKey(Chord(i % 6 == 5 ? 0x80 : 0x15)));
  const int start = *field.Window().WindowStart();
  EXPECT_GT(start, 0);
  EXPECT_EQ(out.Last().CursorAt(), 60 - start);
  EXPECT_EQ(out.Last().EndMarkAt(), 60 - start);

  // Routing: a cell inside the text moves there; a cell beyond what is
  // shown goes to the end of the shown part.
  ASSERT_TRUE(field.HandleFieldKey(Key(KeyEvent::kRouting, 3)));
  EXPECT_EQ(field.Position(), start + 2);
  EXPECT_EQ(out.Last().CursorAt(), 2);
  ASSERT_TRUE(field.HandleFieldKey(Key(KeyEvent::kRouting, 40)));
  EXPECT_EQ(field.Position(), start + field.Window().Shown());
  EXPECT_EQ(out.ErrorCount(), 0);

  // Home scrolls back to the start; panning forward walks the pages and
  // refuses past the last one.
  ASSERT_TRUE(field.HandleFieldKey(Cursor(6)));
  EXPECT_EQ(*field.Window().WindowStart(), 0);
  out.Reset();
  while (out.ErrorCount() == 0) ASSERT_TRUE(field.HandleFieldKey(PanForward()));
  EXPECT_GT(*field.Window().WindowStart(), 0);
  EXPECT_EQ(out.DisplayCount(), 1);
  EXPECT_EQ(field.Position(), 0) << "panning does not move the edit position";
  ASSERT_TRUE(field.HandleFieldKey(PanBack()));
  EXPECT_EQ(*field.Window().WindowStart(), 0);
  ExpectInvariants();
}

TEST_F(FieldFixture, TrailingBlanksBeyondTheDisplayKeepAPageForTheCursor) {
  field.InitTextField(EditField::kMessageCapacity);
  // 39 cells and three blanks: the blanks after the display lead to a page
  // of their own where the cursor can stand at the end.
  for (int i = 0; i < 39; ++i) ASSERT_TRUE(field.HandleFieldKey(Chord(0x33)));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(field.HandleFieldKey(Chord(0x80)));
  ASSERT_TRUE(field.HandleFieldKey(Cursor(6)));
  ASSERT_EQ(*field.Window().WindowStart(), 0);
  ASSERT_EQ(field.Window().Shown(), 40);
  ASSERT_TRUE(field.HandleFieldKey(PanForward()));
  EXPECT_EQ(*field.Window().WindowStart(), 42);
  EXPECT_EQ(out.Last().cells, std::vector<uint8_t>(40, 0));
  EXPECT_EQ(out.Last().EndMarkAt(), 0);
  out.Reset();
  ASSERT_TRUE(field.HandleFieldKey(PanForward()));
  EXPECT_EQ(out.ErrorCount(), 1);
}

TEST_F(FieldFixture, ClearEmptiesToThePrefix) {
  field.InitTextField(EditField::kKeywordCapacity, EditField::kKeywordPrefix);
  Type({0x10, 0x30});
  field.Clear();
  EXPECT_EQ(field.End(), 8);
  EXPECT_EQ(field.Position(), 8);
  EXPECT_EQ(field.Window().Shown(), -1);
  ExpectInvariants();
  field.PlaceCursor();
  EXPECT_EQ(out.Last().CursorAt(), 8);
  EXPECT_EQ(out.Last().EndMarkAt(), 8);
}

TEST_F(NumberFixture, StartsWithPrefixAndSign) {
  EXPECT_EQ(field.End(), 9);
  EXPECT_EQ(field.Capacity(), 17);
  EXPECT_EQ(field.NumberValue(), 0);
  EXPECT_EQ(out.Last().cells[8], EditField::kNumberSign);
  EXPECT_EQ(out.Last().EndMarkAt(), 9);
}

TEST_F(NumberFixture, IncrementCarriesAndMovesTheCursor) {
  ASSERT_TRUE(field.SetNumber(123, true));
  ASSERT_EQ(field.Position(), 12);
  EXPECT_EQ(Digits(), DigitsOf("123"));
  // The cursor after the 3 changes the last digit and lands on it.
  ASSERT_TRUE(field.HandleNumberKey(PanForward()));
  EXPECT_EQ(Digits(), DigitsOf("124"));
  EXPECT_EQ(field.Position(), 11);
  EXPECT_EQ(out.Last().CursorAt(), 11);
  EXPECT_EQ(std::vector<uint8_t>(out.Last().cells.begin() + 9, out.Last().cells.begin() + 12), DigitsOf("124"));
  // The tens digit with the cursor key.
  ASSERT_TRUE(field.HandleNumberKey(Cursor(4)));
  ASSERT_TRUE(field.HandleNumberKey(Cursor(1)));
  EXPECT_EQ(field.NumberValue(), 134);

  ASSERT_TRUE(field.SetNumber(999, true));
  ASSERT_TRUE(field.HandleNumberKey(Cursor(4)));
  ASSERT_EQ(field.Position(), 11);
  ASSERT_TRUE(field.HandleNumberKey(Cursor(1)));
  EXPECT_EQ(Digits(), DigitsOf("1000"));
  EXPECT_EQ(field.Position(), 12) << "on the last 0";

  ASSERT_TRUE(field.SetNumber(100, true));
  PutCursorOnDigit(2);
  ASSERT_TRUE(field.HandleNumberKey(PanBack()));
  EXPECT_EQ(Digits(), DigitsOf("99"));
  EXPECT_EQ(field.Position(), 10);
  // A decrement of the hundreds of 100 leaves 0 with the cursor on it,
  // not on the number sign.
  ASSERT_TRUE(field.SetNumber(100, true));
  PutCursorOnDigit(0);
  ASSERT_TRUE(field.HandleNumberKey(Cursor(2)));
  EXPECT_EQ(Digits(), DigitsOf("0"));
  EXPECT_EQ(field.Position(), 9);
  EXPECT_EQ(out.ErrorCount(), 0);
}

TEST_F(NumberFixture, LimitsAreRefusedWithoutChange) {
  ASSERT_TRUE(field.SetNumber(99999999, true));
  out.Reset();
  ASSERT_TRUE(field.HandleNumberKey(Cursor(1)));
  EXPECT_EQ(out.ErrorCount(), 1);
  EXPECT_EQ(field.NumberValue(), 99999999);
  EXPECT_EQ(field.Position(), 17) << "a refused step leaves the cursor where it is shown";

  ASSERT_TRUE(field.SetNumber(0, true));
  out.Reset();
  ASSERT_TRUE(field.HandleNumberKey(Cursor(2)));
  EXPECT_EQ(out.ErrorCount(), 1);
  EXPECT_EQ(field.Position(), 10);

  // No digits at all.
  field.Clear();
  out.Reset();
  ASSERT_TRUE(field.HandleNumberKey(Cursor(1)));
  EXPECT_EQ(out.ErrorCount(), 1);

  EXPECT_FALSE(field.SetNumber(100000000, true));
  EXPECT_FALSE(field.SetNumber(-1, true));
  EXPECT_EQ(EditField::DigitCount(0), 1);
  EXPECT_EQ(EditField::DigitCount(10), 2);
  EXPECT_EQ(EditField::DigitCount(99999999), 8);
  EXPECT_EQ(EditField::DigitCount(123456789012), 8);
}

TEST_F(NumberFixture, TypingDigitsOnly) {
  // 4, 2, then dots 1-2-3 (not a digit) which is refused.
  ASSERT_TRUE(field.HandleNumberKey(Chord(EditField::kDigitCells[4])));
  ASSERT_TRUE(field.HandleNumberKey(Chord(EditField::kDigitCells[2])));
  out.Reset();
  ASSERT_TRUE(field.HandleNumberKey(Chord(0x70)));
  EXPECT_EQ(out.ErrorCount(), 1);
  EXPECT_EQ(field.NumberValue(), 42);
  // Up to 8 digits.
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(field.HandleNumberKey(Chord(EditField::kDigitCells[7])));
  EXPECT_EQ(field.NumberValue(), 42777777);
  out.Reset();
  ASSERT_TRUE(field.HandleNumberKey(Chord(EditField::kDigitCells[1])));
  EXPECT_EQ(out.ErrorCount(), 1);
  EXPECT_EQ(field.End(), 17);
  // Deleting: before the cursor, and at it; neither reaches the sign.
  ASSERT_TRUE(field.HandleNumberKey(Edit(4)));
  EXPECT_EQ(field.NumberValue(), 4277777);
  ASSERT_TRUE(field.HandleNumberKey(Cursor(6)));
  ASSERT_TRUE(field.HandleNumberKey(Edit(8)));
  EXPECT_EQ(field.NumberValue(), 277777);
  out.Reset();
  ASSERT_TRUE(field.HandleNumberKey(Edit(4)));
  ASSERT_TRUE(field.HandleNumberKey(Cursor(4)));
  ASSERT_TRUE(field.HandleNumberKey(Cursor(6)));
  EXPECT_EQ(out.ErrorCount(), 3);
  EXPECT_EQ(field.End(), 15);
  // Dot 7 alone and keys of the modes are left alone.
  EXPECT_TRUE(field.HandleNumberKey(Key(KeyEvent::kChord, 0x10)));
  EXPECT_FALSE(field.HandleNumberKey(Edit(1)));
  EXPECT_FALSE(field.HandleNumberKey(Key(KeyEvent::kRouting, 1, 0x04)));
}

TEST_F(NumberFixture, LeadingZerosKeepThePositionInsideTheText) {
  for (int d : {0, 0, 5}) ASSERT_TRUE(field.HandleNumberKey(Chord(EditField::kDigitCells[d])));
  ASSERT_EQ(field.Position(), 12);
  ASSERT_TRUE(field.HandleNumberKey(Cursor(1)));
  EXPECT_EQ(Digits(), DigitsOf("6"));
  EXPECT_LE(field.Position(), field.End());
  ExpectInvariants();
}

TEST_F(NumberFixture, RoutingOnlyWithinTheDigits) {
  ASSERT_TRUE(field.SetNumber(4567, true));
  out.Reset();
  // Cells of the prefix and the number sign: nothing happens.
  ASSERT_TRUE(field.HandleNumberKey(Key(KeyEvent::kRouting, 3)));
  ASSERT_TRUE(field.HandleNumberKey(Key(KeyEvent::kRouting, 9)));
  EXPECT_TRUE(out.Events().empty());
  EXPECT_EQ(field.Position(), 13);
  ASSERT_TRUE(field.HandleNumberKey(Key(KeyEvent::kRouting, 11)));
  EXPECT_EQ(field.Position(), 10);
  EXPECT_EQ(out.Last().CursorAt(), 10);
  // A cell beyond the number goes to its end.
  ASSERT_TRUE(field.HandleNumberKey(Key(KeyEvent::kRouting, 20)));
  EXPECT_EQ(field.Position(), 13);
  EXPECT_EQ(out.ErrorCount(), 0);
}
