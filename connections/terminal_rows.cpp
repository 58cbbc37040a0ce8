#include "connections/terminal_rows.h"

#include <algorithm>
#include <string>

#include "braille/cells.h"
#include "braille/kana_braille.h"

namespace mirelon {
namespace {

constexpr uint32_t kKanaDisplayOption = kKanaForScreen | kBrlNumbers | kBrlLatin;  // 0x103

std::u16string Decimal(uint32_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string DisplayContent(const TerminalRowState& terminal, bool kana) {
  if (!terminal.editLine) {
    if (!kana) return terminal.lineText;
    PvnStringPtr text = PVN_UBrlToKana(terminal.lineText.c_str(), kKanaDisplayOption);
    return text ? text->text : std::u16string();
  }
  const TerminalRowState::EditLine& line = *terminal.editLine;
  const int size = static_cast<int>(line.cells.size());
  const int start = std::clamp(line.start, 0, size);
  const int end = std::clamp(line.end, start, size);
  if (kana) {
    std::vector<uint8_t> cells(line.cells);
    cells.push_back(0);
    PvnRecordPtr record = PVN_BrlToKana(cells.data(), kKanaDisplayOption);
    PvnStringPtr text = record ? PVN_CopyKanaForBrl(record.get(), start, end) : nullptr;
    return text ? text->text : std::u16string();
  }
  std::u16string text;
  for (int i = start; i < end; ++i) text += LibraryCellToUnicode(line.cells[static_cast<size_t>(i)]);
  return text;
}

}  // namespace

TerminalRowTexts RowTexts(const TerminalRowState& terminal, bool kana) {
  TerminalRowTexts row;
  row.columns[0] = terminal.port;
  row.columns[1] = terminal.status;
  row.columns[2] = terminal.user.value_or(u"");
  if (terminal.connected) {
    row.columns[3] = terminal.editLine ? std::u16string(u"編集中") : Decimal(terminal.messageNumber);
    row.columns[4] = DisplayContent(terminal, kana);
  }
  return row;
}

std::u16string TerminalCountText(int count) {
  const std::string digits = std::to_string(count);
  return std::u16string(digits.begin(), digits.end()) + u"台の端末に接続中です。";
}

int FocusAfterDeletion(int focused, const std::vector<int>& removed, int remaining) {
  if (remaining <= 0) return -1;
  int focus = focused;
  for (int row : removed)
    if (row < focused) --focus;
  return std::clamp(focus, 0, remaining - 1);
}

}  // namespace mirelon
