// Keyboard braille input without a window: chords from key presses, and
// what the chords typed into a control become in each input mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "braille/braille_input.h"
#include "braille/kantenji_map.h"

using namespace mirelon;

namespace {

// A control that takes what the reader gives: keys are written as Unicode
// braille cells (U+2800 + dots), ⌫ for Backspace and ⏎ for a key that is
// not a chord (what waits is flushed into the control first).
struct Typed {
  std::u16string text;
  std::vector<std::u16string> states;
  int refusals = 0;
};

Typed Type(BrailleInputReader& reader, std::u16string_view keys) {
  Typed typed;
  for (char16_t key : keys) {
    if (key == u'⌫') {
      if (!reader.Backspace() && !typed.text.empty()) typed.text.pop_back();
    } else if (key == u'⏎') {
      typed.text += reader.Flush();
    } else {
      BrailleInputStep step = reader.Cell(static_cast<uint8_t>(key - 0x2800));
      typed.text += step.text;
      if (!step.state.empty()) typed.states.push_back(step.state);
      if (step.refused) ++typed.refusals;
    }
  }
  return typed;
}

struct Case {
  std::u16string_view keys;
  std::u16string_view text;
  int refusals = 0;
};

void ExpectTyped(int mode, const KantenjiMap* map, bool numeric,
                 std::initializer_list<Case> cases) {
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE("case " + std::to_string(index++));
    BrailleInputReader reader(mode, map, numeric);
    Typed typed = Type(reader, c.keys);
    EXPECT_EQ(typed.text, c.text);
    EXPECT_EQ(typed.refusals, c.refusals);
  }
}

}  // namespace

TEST(ChordAssembler, AChordIsEveryKeyPressedUntilAllAreUp) {
  using K = ChordKey;
  struct Event {
    K key;
    bool down;
  };
  struct ChordCase {
    std::vector<Event> events;
    std::vector<uint8_t> cells;
  };
  const ChordCase cases[] = {
      // F and D together, released in either order, or rolled.
      {{{K::kDot1, true}, {K::kDot2, true}, {K::kDot1, false}, {K::kDot2, false}}, {0x03}},
      {{{K::kDot1, true}, {K::kDot2, true}, {K::kDot2, false}, {K::kDot1, false}}, {0x03}},
      {{{K::kDot1, true},
        {K::kDot2, true},
        {K::kDot1, false},
        {K::kDot4, true},
        {K::kDot2, false},
        {K::kDot4, false}},
       {0x0B}},
      // A key held down repeats without adding a cell.
      {{{K::kDot1, true}, {K::kDot1, true}, {K::kDot1, true}, {K::kDot1, false}}, {0x01}},
      // Two chords one after the other; Space alone is the blank cell.
      {{{K::kDot1, true}, {K::kDot1, false}, {K::kSpace, true}, {K::kSpace, false}}, {0x01, 0x00}},
      // The kantenji dots.
      {{{K::kDot7, true},
        {K::kDot8, true},
        {K::kDot3, true},
        {K::kDot7, false},
        {K::kDot8, false},
        {K::kDot3, false}},
       {0xC4}},
  };
  for (const ChordCase& c : cases) {
    ChordAssembler chords;
    std::vector<uint8_t> cells;
    for (const Event& e : c.events) {
      if (e.down) {
        EXPECT_TRUE(chords.Down(e.key));
      } else {
        ChordAssembler::Release release = chords.Up(e.key);
        EXPECT_TRUE(release.taken);
        if (release.cell) cells.push_back(*release.cell);
      }
    }
    EXPECT_EQ(cells, c.cells);
    EXPECT_FALSE(chords.Active());
  }
}

TEST(ChordAssembler, KeysItDidNotSeeGoDownPassThrough) {
  ChordAssembler chords;
  EXPECT_FALSE(chords.Down(ChordKey::kNone));
  EXPECT_FALSE(chords.Up(ChordKey::kDot1).taken);
  chords.Down(ChordKey::kDot1);
  chords.Reset();
  EXPECT_FALSE(chords.Up(ChordKey::kDot1).taken);
}

TEST(BrailleInput, CellsModeInsertsEachCellAsItIs) {
  ExpectTyped(9, nullptr, false,
              {
                  {u"⠃⠀⠿", u"⠃⠀⠿"},
                  {u"⣿⡀", u"⣿⡀"},
                  {u"⠃⌫⠉", u"⠉"},
              });
}

TEST(BrailleInput, KanaAsTyped) {
  ExpectTyped(1, nullptr, false,
              {
                  {u"⠁⠃⠉⠋⠊⠡⠴⠒⠂", u"アイウエオカンーッ"},
                  // Voiced, semi-voiced, yōon and special sounds: the prefix
                  // waits for its cell.
                  {u"⠐⠡⠐⠱⠠⠥⠐⠉", u"ガザパヴ"},
                  {u"⠈⠡⠘⠹⠨⠮⠈⠗", u"キャジュピョティ"},
                  {u"⠢⠥⠢⠃", u"ファウィ"},
                  // A prefix that is a mark of its own before a cell it does
                  // not go with; one that is not refuses the cell and waits.
                  {u"⠐⠀⠢⠀", u"・　？　"},
                  {u"⠈⠁⠡", u"キャ", 1},
                  // Backspace takes back a waiting prefix and leaves the text;
                  // with nothing waiting the control deletes.
                  {u"⠁⠐⌫⠡", u"アカ"},
                  {u"⠁⠃⌫", u"ア"},
                  // Marks.
                  {u"⠤⠁⠤⠶⠃⠶", u"「ア」（イ）"},
                  {u"⠁⠲⠀⠀⠁⠖⠀", u"ア。　　ア！　"},
                  {u"⠁⠰⠀", u"ア、　"},
                  // Cells of no meaning, and the kantenji dots.
                  {u"⠸⠀⡁", u"", 2},
              });
}

TEST(BrailleInput, NumbersAfterTheNumberSign) {
  ExpectTyped(1, nullptr, false,
              {
                  {u"⠼⠁⠃⠉⠚", u"1230"},
                  {u"⠼⠁⠂⠑⠀⠼⠁⠄⠚⠚⠚", u"1.5　1,000"},
                  // The number ends at a blank, a join sign or a cell that is
                  // no digit; a point with no digit after it is っ.
                  {u"⠼⠁⠀⠁", u"1　ア"},
                  {u"⠼⠉⠤⠁", u"3ア"},
                  {u"⠼⠉⠡", u"3カ"},
                  {u"⠼⠃⠂⠡", u"2ッカ"},
                  // The sign waits for a digit; Backspace inside a number
                  // deletes a digit and the number goes on.
                  {u"⠼⠡⠁", u"1", 1},
                  {u"⠼⠁⠃⌫⠉", u"13"},
                  {u"⠼⌫⠁", u"ア"},
              });
}

TEST(BrailleInput, LatinLettersAfterTheirSigns) {
  ExpectTyped(1, nullptr, false,
              {
                  {u"⠰⠁⠃⠉⠀⠁", u"abc　ア"},
                  {u"⠰⠠⠁⠃⠰⠠⠠⠁⠃⠀",
                   u"Ab"
                   u"AB　"},
                  {u"⠰⠁⠤⠁", u"aア"},
                  {u"⠰⠑⠭⠲⠉⠕⠍", u"ex.com"},
                  {u"⠦⠁⠀⠃⠴⠁", u"a bア"},
                  {u"⠰⠠⌫⠁", u"a"},
              });
}

TEST(BrailleInput, WhatWaitsIsResolvedWhenTheUserDoesSomethingElse) {
  ExpectTyped(1, nullptr, false,
              {
                  {u"⠁⠐⏎", u"ア・"},
                  {u"⠁⠈⏎", u"ア"},
                  {u"⠁⠰⏎", u"ア、"},
                  {u"⠁⠖⏎", u"ア！"},
                  {u"⠼⠁⠂⏎", u"1ッ"},
              });
}

TEST(BrailleInput, InputStatesTellWhatWaits) {
  BrailleInputReader reader(1, nullptr, false);
  Typed typed = Type(reader, u"⠼⠁⠀⠰⠠⠁⠀⠈⠡⠘⠹⠐⠡⠠⠥⠢⠥");
  EXPECT_EQ(typed.states, (std::vector<std::u16string>{u"数符", u"外字符", u"大文字符", u"拗音",
                                                       u"拗濁音", u"濁音", u"半濁音", u"特殊音"}));
  EXPECT_TRUE(Type(reader, u"⠐").states == std::vector<std::u16string>{u"濁音"});
  EXPECT_TRUE(reader.Waiting());
  reader.Reset();
  EXPECT_FALSE(reader.Waiting());
}

TEST(BrailleInput, NumericFieldsTakeDigitsInEveryMode) {
  for (int mode : {9, 1, 2}) {
    BrailleInputReader reader(mode, nullptr, true);
    Typed typed = Type(reader, u"⠼⠁⠃⠡⠚⌫");
    EXPECT_EQ(typed.text, u"12");
    EXPECT_EQ(typed.refusals, 1);
    EXPECT_EQ(typed.states, std::vector<std::u16string>{u"数符"});
  }
}

// A small table in liblouis's format: its dots are numbered one row lower
// than the cells typed (its 1 and 4 are the upper dots, 7 and 8 here).
TEST(KantenjiMap, ReadsTheSignsOfATableBackward) {
  const char16_t table[] =
      u"# comment\n"
      u"include more.utb\n"
      u"sign 一 168-24\n"
      u"sign 人 1274\r\n"
      u"sign 壱 168-24\n"          // same cells: the first keeps them
      u"sign \\x65e5 13748 day\n"  // escaped, with a comment after it
      u"noback sign 月 1256\n"
      u"nofor sign 火 1378-2\n"
      u"sign あ 2\n"  // kana: no upper dot
      u"sign 祲 2375-36-3746\n"
      u"sign 咽 12356-3768-23458\n"
      u"sign 誤 19-2\n"
      u"sign \\x4 1\n";
  int includes = 0;
  KantenjiMap map =
      KantenjiMap::FromTable(table, [&](std::u16string_view name) -> std::optional<std::u16string> {
        ++includes;
        if (name != u"more.utb") return std::nullopt;
        return std::u16string(u"sign 木 1368\ninclude more.utb\n");
      });
  EXPECT_EQ(includes, 1);  // a table includes another once
  struct Entry {
    std::u16string_view cells;
    std::u16string_view text;
    bool longer;
  };
  const Entry entries[] = {
      {u"⡰⢁", u"一", false}, {u"⡰", u"", true},     {u"⣅", u"人", false}, {u"⣦", u"日", false},
      {u"⡙", u"", false},    {u"⡦⠁", u"火", false}, {u"⠁", u"", false},   {u"⡛⠶⢫", u"咽", false},
      {u"⡛⠶", u"", true},    {u"⡲", u"木", false},
  };
  for (const Entry& e : entries) {
    std::vector<uint8_t> cells;
    for (char16_t c : e.cells) cells.push_back(static_cast<uint8_t>(c - 0x2800));
    KantenjiMap::Lookup found = map.Find(cells);
    EXPECT_EQ(found.text ? *found.text : u"", e.text);
    EXPECT_EQ(found.longer, e.longer);
  }
  EXPECT_EQ(map.size(), 6u);
}

TEST(BrailleInput, KantenjiGivesKanjiAndKanaAsHiragana) {
  std::optional<KantenjiMap> map = KantenjiMap::Load(u"" MIRELON_KANTENJI_TABLE_PATH);
  ASSERT_TRUE(map);
  EXPECT_GT(map->size(), 9000u);
  ExpectTyped(2, &*map, false,
              {
                  {u"⣦⡣⢠⣖", u"日本語"},
                  {u"⣅⠐⠡⠁⠙", u"人がある"},
                  {u"⡛⠶⢫", u"咽"},
                  // The kanji marker at the start of a line; a prefix before a
                  // kanji stands for itself.
                  {u"⠠⣦", u"日"},
                  {u"⠐⣦", u"・日"},
                  // Backspace inside a kanji takes back its last cell.
                  {u"⡰⌫⣦", u"日"},
                  // An upper cell that starts no kanji; a kanji cut short.
                  {u"⡰⠀⢁", u"一", 1},
                  {u"⡰⏎⠁", u"あ"},
                  {u"⠼⠁⠃⣑", u"12月"},
              });
}
