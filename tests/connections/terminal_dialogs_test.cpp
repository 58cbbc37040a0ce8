// What the connected-terminals list shows of a terminal, where the focus
// goes after deleting rows, and the saved sets of "ConnectionInfo.set".
#include <gtest/gtest.h>

#include "base/utf.h"
#include "connections/saved_connections.h"
#include "connections/terminal_rows.h"

using namespace mirelon;

TEST(TerminalRows, PlaceAndContentFollowTheTerminal) {
  TerminalRowState waiting{u"COM4", U16("接続待機"), std::nullopt, false, 7, u"⠁⠃", std::nullopt};
  EXPECT_EQ(RowTexts(waiting, true).columns,
            (std::array<std::u16string, 5>{u"COM4", U16("接続待機"), u"", u"", u""}));

  TerminalRowState reading{u"COM3", U16("接続"), U16("花子"), true, 12, u"⠁⠃ abc", std::nullopt};
  EXPECT_EQ(RowTexts(reading, false).columns,
            (std::array<std::u16string, 5>{u"COM3", U16("接続"), U16("花子"), u"12", u"⠁⠃ abc"}));
  // As kana only the braille is read; other text stays.
  EXPECT_EQ(RowTexts(reading, true).columns[4], U16("アイ abc"));

  // A line being edited: its shown part, as braille with dots 7 and 8 left
  // out of blank cells, or as kana.
  TerminalRowState editing = reading;
  editing.editLine = TerminalRowState::EditLine{{0x10, 0x30, 0x88, 0x10}, 1, 3};
  TerminalRowTexts row = RowTexts(editing, false);
  EXPECT_EQ(row.columns[3], U16("編集中"));
  EXPECT_EQ(row.columns[4], u"⠃⠀");
  EXPECT_EQ(RowTexts(editing, true).columns[4], U16("イ　"));
  editing.editLine->end = 99;  // out of range: cut to the line
  EXPECT_EQ(RowTexts(editing, false).columns[4], u"⠃⠀⠁");
}

TEST(TerminalRows, CountAndFocusAfterDeletion) {
  EXPECT_EQ(TerminalCountText(3), U16("3台の端末に接続中です。"));
  struct Case {
    int focused;
    std::vector<int> removed;
    int remaining;
    int focus;
  };
  for (const Case& c : {Case{2, {0, 1}, 2, 0}, Case{1, {1}, 2, 1}, Case{2, {2}, 2, 1},
                        Case{0, {0, 1, 2}, 0, -1}, Case{3, {4, 0}, 3, 2}, Case{-1, {}, 2, 0}})
    EXPECT_EQ(FocusAfterDeletion(c.focused, c.removed, c.remaining), c.focus) << c.focused;
}

TEST(SavedConnections, SetsAreStoredByNameAndRecalledInFileOrder) {
  EXPECT_EQ(SavedSetName(u"A,B"), U16("A，B"));
  EXPECT_EQ(SavedSetName(std::u16string(70, u'x')).size(), 63u);

  ConnectionRecordList two;
  two.records = {NewRecord(u"COM3", u"NULL", 38400, 2, u"a,b"), NewRecord(u"NULL", u"COM4", 9600, 0)};
  ConnectionRecordList one;
  one.records = {NewRecord(u"COM5", u"NULL", 9600, 1, u"b")};
  SettingsList sets = ParseSettingsText(u"Meeting,Port:COM9;Port2:NULL;Speed:9600;Protocol:2;User:z;|\r");
  StoreConnectionSet(sets, SavedSetName(u"A,B"), two);
  StoreConnectionSet(sets, u"meeting", one);  // names differ in case only: replaced in place
  const SettingsList read = ParseSettingsText(SettingsText(sets));
  ASSERT_EQ(read.Count(), 2);
  EXPECT_EQ(read.entries[0].key, u"Meeting");
  EXPECT_EQ(read.entries[1].key, U16("A，B"));
  EXPECT_EQ(ConnectionSet(read, 0)->records, one.records);
  two.records[0].user = U16("a，b");  // its comma would have cut the line short
  EXPECT_EQ(ConnectionSet(read, 1)->records, two.records);
  EXPECT_FALSE(ConnectionSet(read, 2));
  EXPECT_EQ(SavedSetCountText(read.Count()), U16("2件の接続情報が登録されています。"));

  // After a deletion the set that took its place is shown, the one before
  // when the last went, none when none is left.
  EXPECT_EQ(SelectionAfterDeletion(0, 2), 0);
  EXPECT_EQ(SelectionAfterDeletion(2, 2), 1);
  EXPECT_EQ(SelectionAfterDeletion(0, 0), -1);
}
