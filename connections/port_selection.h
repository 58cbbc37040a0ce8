// Choosing how a new terminal is connected: the COM ports the system
// reports with what "PortDescription.set" remembers of each (user name,
// speed, protocol), the entries of the port lists, the port whose fields
// the dialog shows, and the rules of confirming a choice.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_list.h"

namespace mirelon {

inline constexpr std::u16string_view kPortSettingsFile = u"PortDescription.set";
// The first entry of both port lists: no port.
inline constexpr std::u16string_view kNoPortText = u"なし";
// Ports kept; further ones are ignored.
inline constexpr size_t kMaxPorts = 256;
// Longest user name for a port.
inline constexpr size_t kMaxPortUserChars = 64;

struct NamedValue {
  std::u16string_view text;
  int value;
};
inline constexpr std::array<NamedValue, 6> kSpeedChoices = {{{u"9600bps", 9600},
                                                             {u"19200bps", 19200},
                                                             {u"38400bps", 38400},
                                                             {u"57600bps", 57600},
                                                             {u"115200bps", 115200},
                                                             {u"230400bps", 230400}}};
inline constexpr std::array<NamedValue, 3> kProtocolChoices = {
    {{u"トークの閲覧", 0}, {u"トークの閲覧と発言", 1}, {u"点字チャット", 2}}};

// One port found, with what is remembered of it.
struct PortEntry {
  std::u16string name;  // such as COM3
  std::optional<std::u16string> user;
  int speedIndex = 0;     // into kSpeedChoices
  int protocolIndex = 0;  // into kProtocolChoices
};

struct PortSelection {
  // The choice confirmed last ("NULL" for no port).
  std::u16string port;
  std::u16string port2;
  int speed = 0;
  int protocol = 0;
  std::u16string user;
  std::vector<PortEntry> table;
  // Preselected the next time the dialog opens.
  std::u16string lastPort;
  std::u16string lastPort2;
};

// Rebuilds the table from the system's list of serial devices (the data of
// each value, in the order given) and the port settings: a device counts
// when its name begins with "COM"; names are cut to 255 characters and at
// most kMaxPorts are kept. Indexes outside their lists read as 0.
void FillPortTable(PortSelection& selection, const std::vector<std::u16string>& devices,
                   const SettingsList& portSettings);

// One entry of a port list: its text and the port name it stands for.
struct PortListItem {
  std::u16string text;
  std::u16string port;
};
struct PortList {
  std::vector<PortListItem> items;
  int selected = 0;  // the preselected port, or 0 ("なし")
};
// "なし" for "NULL", then "COM1" to "COM256" in numeric order as
// "COM3: user" for those in the table; other names are not listed.
PortList MakePortList(const PortSelection& selection, std::u16string_view preselect);

// The port whose fields the dialog shows: the outgoing port when one is
// chosen, else the incoming one; none when both are "NULL" or unknown.
PortEntry* CurrentPortEntry(PortSelection& selection, std::u16string_view port,
                            std::u16string_view port2);

// Writes the three keys of every port in the table into `settings` (a
// comma in a user name as "，"); entries of other ports stay as they are.
void StorePortSettings(const PortSelection& selection, SettingsList& settings);
// Loads "PortDescription.set", stores the table into it and writes it back.
bool SavePortSettings(const PortSelection& selection);

// Confirms a choice (the port names chosen, none where a list has no
// selection; speed and protocol values). False when nothing is to happen:
// a list without a selection, or no port at all. The same port twice
// becomes outgoing only; an empty user becomes "Guest".
bool ConfirmPortChoice(PortSelection& selection, const std::optional<std::u16string>& port,
                       const std::optional<std::u16string>& port2, int speed, int protocol,
                       std::u16string_view user);

}  // namespace mirelon
