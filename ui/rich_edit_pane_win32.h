// The incoming pane as a RichEdit 2.0 control ("RichEdit20W"). Positions
// count UTF-16 units with every line break a single CR, as the control
// itself counts them.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace mirelon {

// Character effects of header lines.
inline constexpr DWORD kHeaderBold = 0x0001;       // CFE_BOLD
inline constexpr DWORD kHeaderUnderline = 0x0004;  // CFE_UNDERLINE

class RichEditPane {
 public:
  explicit RichEditPane(HWND edit) : edit_(edit) {}
  HWND handle() const { return edit_; }

  // Inserts text at a position without an undo record; the selection ends
  // up after the inserted text.
  void Insert(int position, std::u16string_view text);
  // Applies the header format (bold 16 pt, black, plus `effects`) to a range.
  void FormatHeader(int start, int end, DWORD effects);
  // Whether the character at a position is bold.
  bool IsBoldAt(int position);

  void GetSelection(int& start, int& end);
  void SetSelection(int start, int end);

  int TextLength();
  std::u16string Text();
  int LineFromPosition(int position);
  int LineStart(int line);
  int LineCount();

 private:
  HWND edit_;
};

}  // namespace mirelon
