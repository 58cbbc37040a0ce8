// What the connected-terminals list shows of each terminal: its columns,
// the texts of one row, the count text, and where the focus goes after
// rows were deleted.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirelon {

struct TerminalColumn {
  std::u16string_view title;
  double widthShare;  // of the list's width
};
inline constexpr std::array<TerminalColumn, 5> kTerminalColumns = {
    {{u"ポート", 0.1}, {u"状態", 0.1}, {u"ユーザ", 0.15}, {u"場所", 0.1}, {u"表示内容", 0.55}}};

// A terminal as its row needs it.
struct TerminalRowState {
  std::u16string port;  // the port in use
  std::u16string status;
  std::optional<std::u16string> user;
  bool connected = false;  // its current port is in state 4
  // The talk line it shows: message number and text.
  uint32_t messageNumber = 0;
  std::u16string lineText;
  // The line being edited on the terminal (library-layout cells) with the
  // part of it on the display; none while nothing is edited.
  struct EditLine {
    std::vector<uint8_t> cells;
    int start = 0;
    int end = 0;
  };
  std::optional<EditLine> editLine;
};

struct TerminalRowTexts {
  std::array<std::u16string, kTerminalColumns.size()> columns;
};

// Port, status, user, place ("編集中" while editing, else the message
// number; nothing until connected) and display content (the line as kana,
// or its Unicode braille with `kana` off; nothing until connected).
TerminalRowTexts RowTexts(const TerminalRowState& terminal, bool kana);

// "%d台の端末に接続中です。"
std::u16string TerminalCountText(int count);

// The row to focus after deleting `removed` rows (in any order) with
// `focused` focused before, `remaining` rows being left; -1 when none.
int FocusAfterDeletion(int focused, const std::vector<int>& removed, int remaining);

}  // namespace mirelon
