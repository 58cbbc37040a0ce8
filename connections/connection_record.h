// How one braille terminal is reached and used, and the text forms of it:
// the connection description "Port:%s;Port2:%s;Speed:%d;Protocol:%d;User:%s;"
// (saved connections, start-up files, "/t{...}" on the command line) and the
// list text, each description followed by "|".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirelon {

struct ConnectionRecord {
  std::u16string port;   // outgoing port, such as COM3; "NULL" for none
  std::u16string port2;  // incoming port; "NULL" for none
  int speed = 0;         // baud rate
  int protocol = 0;      // 0 view the talk, 1 view and speak, 2 braille chat
  std::u16string user;   // the terminal user's name

  bool operator==(const ConnectionRecord&) const = default;
};

// The port name that stands for no port: "NULL" in any letter case. An
// empty name names no port either.
inline constexpr std::u16string_view kNoPort = u"NULL";
bool IsNoPort(std::u16string_view name);
// Two port names name the same device: Windows device names do not
// regard the letter case ("com3" is COM3).
bool SamePortName(std::u16string_view a, std::u16string_view b);

struct ConnectionRecordList {
  std::vector<ConnectionRecord> records;
};

// A user left out becomes "Guest"; an empty one stays empty.
ConnectionRecord NewRecord(std::u16string_view port, std::u16string_view port2, int speed,
                           int protocol, std::optional<std::u16string_view> user = std::nullopt);

// The connection description. Values are written as they are, with no
// quoting: a ";" or "|" inside a name does not survive a round trip.
std::u16string Describe(const ConnectionRecord& record);

// Reads the pieces between ";" separators; "Port:", "Port2:", "Speed:",
// "Protocol:" and "User:" (case-sensitive) set their field, a later piece
// winning, and other pieces are ignored. Fields not given stay empty or 0.
// Numbers are the leading decimal digits, held at INT_MAX when longer.
ConnectionRecord ParseDescription(std::u16string_view text);

// Short text for lists: "user COM3 着信 COM4 ", the user "Guest" when empty,
// the ports left out when they name no port.
std::u16string DisplayText(const ConnectionRecord& record);

// Each description followed by "|"; none for an empty list.
std::optional<std::u16string> ListToText(const ConnectionRecordList& list);
// Every non-empty piece between "|" separators, parsed, in order.
ConnectionRecordList ListFromText(std::u16string_view text);

// "接続端末数：%d\r", then the display text of each record followed by CR.
std::u16string SummaryText(const ConnectionRecordList& list);

int Count(const ConnectionRecordList& list);

}  // namespace mirelon
