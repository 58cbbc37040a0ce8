// Choosing the ports of a new terminal: the port table from the system's
// device list and "PortDescription.set", the port lists, the port whose
// fields are shown, the file written back, and confirming a choice.
#include <gtest/gtest.h>

#include "base/utf.h"
#include "connections/port_selection.h"

using namespace mirelon;

namespace {

// The settings as they travel through the file.
SettingsList ThroughFile(const SettingsList& list) { return ParseSettingsText(SettingsText(list)); }

std::vector<std::u16string> Ports(const PortList& list) {
  std::vector<std::u16string> ports;
  for (const PortListItem& item : list.items) ports.push_back(item.port);
  return ports;
}

}  // namespace

TEST(PortSelection, TableTakesComDevicesWithWhatIsRememberedOfThem) {
  const SettingsList settings = ParseSettingsText(
      u"COM3,2\rcom3_description,花子\rCOM3_protocol,2\r"
      u"COM4,9\rCOM4_protocol,-1\rCOM4_description,\r");  // out-of-range indexes read as 0
  PortSelection selection;
  FillPortTable(selection,
                {u"COM4", u"CNCA0", u"com5", u"COM300", u"COM3", u"\\Device\\COM7", u"COM1" + std::u16string(300, u'x')},
                settings);
  ASSERT_EQ(selection.table.size(), 4u);
  EXPECT_EQ(selection.table[0].name, u"COM4");
  EXPECT_EQ(selection.table[0].speedIndex, 0);
  EXPECT_EQ(selection.table[0].protocolIndex, 0);
  EXPECT_EQ(selection.table[0].user, u"");  // present but empty
  EXPECT_EQ(selection.table[1].name, u"COM300");
  EXPECT_EQ(selection.table[1].user, std::nullopt);
  EXPECT_EQ(selection.table[2].name, u"COM3");
  EXPECT_EQ(selection.table[2].speedIndex, 2);
  EXPECT_EQ(selection.table[2].protocolIndex, 2);
  EXPECT_EQ(selection.table[2].user, U16("花子"));
  EXPECT_EQ(selection.table[3].name.size(), 255u);

  // At most 256 ports; a new fill replaces the table.
  std::vector<std::u16string> many;
  for (int i = 1; i <= 300; ++i) many.push_back(u"COM" + U16(std::to_string(i)));
  FillPortTable(selection, many, {});
  EXPECT_EQ(selection.table.size(), 256u);
  EXPECT_EQ(selection.table.back().name, u"COM256");
}

TEST(PortSelection, PortListsShowComPortsInNumericOrder) {
  PortSelection selection;
  FillPortTable(selection, {u"COM12", u"COM3", u"COM300", u"COM2x", u"COM256", u"COM0"},
                ParseSettingsText(u"COM3_description,太郎\r"));
  PortList list = MakePortList(selection, u"COM12");
  EXPECT_EQ(Ports(list), (std::vector<std::u16string>{u"NULL", u"COM3", u"COM12", u"COM256"}));
  EXPECT_EQ(list.items[0].text, U16("なし"));
  EXPECT_EQ(list.items[1].text, U16("COM3: 太郎"));
  EXPECT_EQ(list.items[2].text, u"COM12: ");
  EXPECT_EQ(list.selected, 2);
  // A preselected port that is not listed leaves "なし" selected.
  EXPECT_EQ(MakePortList(selection, u"COM300").selected, 0);
  EXPECT_EQ(MakePortList(PortSelection{}, u"COM3").items.size(), 1u);
}

TEST(PortSelection, TheFieldsShownAreTheOutgoingPortsElseTheIncomingOnes) {
  PortSelection selection;
  FillPortTable(selection, {u"COM3", u"COM4"}, {});
  struct Case {
    std::u16string_view port, port2;
    const char16_t* shown;
  };
  for (const Case& c : {Case{u"COM3", u"COM4", u"COM3"}, Case{u"NULL", u"COM4", u"COM4"},
                        Case{u"COM3", u"NULL", u"COM3"}, Case{u"NULL", u"NULL", nullptr},
                        Case{u"COM9", u"COM4", nullptr}}) {
    PortEntry* entry = CurrentPortEntry(selection, c.port, c.port2);
    if (!c.shown) {
      EXPECT_EQ(entry, nullptr) << Utf16ToUtf8(c.port);
    } else {
      ASSERT_NE(entry, nullptr);
      EXPECT_EQ(entry->name, c.shown);
    }
  }
}

TEST(PortSelection, SettingsGoBackToTheFileKeepingOtherPorts) {
  PortSelection selection;
  FillPortTable(selection, {u"COM3", u"COM4"}, {});
  selection.table[0].speedIndex = 5;
  selection.table[0].protocolIndex = 1;
  selection.table[0].user = u"";  // an empty name is stored empty
  selection.table[1].user = U16("山田,花子");  // a comma would end the key: stored as "，"
  SettingsList file = ParseSettingsText(u"COM9,3\rCOM3,1\r");
  StorePortSettings(selection, file);
  EXPECT_EQ(SettingsText(file),
            U16("COM9,3\rCOM3,5\rCOM3_description,\rCOM3_protocol,1\rCOM4,0\rCOM4_description,山田，花子\r"
                "COM4_protocol,0\r"));

  PortSelection again;
  FillPortTable(again, {u"COM4", u"COM3", u"COM9"}, ThroughFile(file));
  EXPECT_EQ(again.table[0].user, U16("山田，花子"));
  EXPECT_EQ(again.table[1].speedIndex, 5);
  EXPECT_EQ(again.table[1].protocolIndex, 1);
  EXPECT_EQ(again.table[1].user, u"");
  EXPECT_EQ(again.table[2].speedIndex, 3);
}

TEST(PortSelection, ConfirmingAChoice) {
  struct Case {
    std::optional<std::u16string> port, port2;
    std::u16string_view user;
    bool taken;
    std::u16string_view wantPort, wantPort2, wantUser;
  };
  const Case cases[] = {
      {u"COM3", u"COM4", u"花子", true, u"COM3", u"COM4", u"花子"},
      {u"COM3", u"COM3", u"", true, u"COM3", u"NULL", u"Guest"},  // one port cannot be both
      {u"NULL", u"COM4", u"x", true, u"NULL", u"COM4", u"x"},
      {u"NULL", u"NULL", u"x", false, u"", u"", u""},
      {std::nullopt, u"COM4", u"x", false, u"", u"", u""},
      {u"COM3", std::nullopt, u"x", false, u"", u"", u""},
  };
  for (const Case& c : cases) {
    PortSelection selection;
    EXPECT_EQ(ConfirmPortChoice(selection, c.port, c.port2, 38400, 2, c.user), c.taken);
    EXPECT_EQ(selection.port, c.wantPort);
    EXPECT_EQ(selection.port2, c.wantPort2);
    EXPECT_EQ(selection.user, c.wantUser);
    EXPECT_EQ(selection.lastPort, c.wantPort);
    EXPECT_EQ(selection.lastPort2, c.wantPort2);
    if (c.taken) {
      EXPECT_EQ(selection.speed, 38400);
      EXPECT_EQ(selection.protocol, 2);
    }
  }
}
