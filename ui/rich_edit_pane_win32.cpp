#include "ui/rich_edit_pane_win32.h"

#include <richedit.h>

#include "base/utf.h"

namespace mirelon {

namespace {

static_assert(sizeof(CHARFORMAT2W) == 116, "the header format is a 116-byte CHARFORMAT2W");

// Header lines: bold, underlined when marked, 16 pt, black. The mask names
// every effect so that a header never inherits italics or a link.
CHARFORMAT2W HeaderFormat(DWORD effects) {
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(cf);
  cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_PROTECTED | CFM_LINK |
              CFM_SIZE | CFM_COLOR;
  cf.dwEffects = effects;
  cf.yHeight = 320;  // twips: 16 pt
  cf.crTextColor = RGB(0, 0, 0);
  return cf;
}

}  // namespace

void RichEditPane::Insert(int position, std::u16string_view text) {
  SetSelection(position, position);
  std::wstring wide = ToWide(text);
  SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
}

void RichEditPane::FormatHeader(int start, int end, DWORD effects) {
  SetSelection(start, end);
  CHARFORMAT2W cf = HeaderFormat(effects);
  SendMessageW(edit_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

bool RichEditPane::IsBoldAt(int position) {
  int start = 0, end = 0;
  GetSelection(start, end);
  SetSelection(position, position + 1);
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(cf);
  cf.dwMask = CFM_BOLD;
  SendMessageW(edit_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  SetSelection(start, end);
  return (cf.dwMask & CFM_BOLD) && (cf.dwEffects & CFE_BOLD);
}

void RichEditPane::GetSelection(int& start, int& end) {
  CHARRANGE range{};
  SendMessageW(edit_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  start = range.cpMin;
  end = range.cpMax;
}

void RichEditPane::SetSelection(int start, int end) {
  CHARRANGE range{start, end};
  SendMessageW(edit_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

int RichEditPane::TextLength() {
  GETTEXTLENGTHEX how{GTL_NUMCHARS | GTL_PRECISE, 1200};
  return static_cast<int>(SendMessageW(edit_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0));
}

std::u16string RichEditPane::Text() {
  int length = TextLength();
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  TEXTRANGEW range{{0, length}, buffer.data()};
  LRESULT got = SendMessageW(edit_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
  buffer.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return FromWide(buffer);
}

int RichEditPane::LineFromPosition(int position) {
  return static_cast<int>(SendMessageW(edit_, EM_EXLINEFROMCHAR, 0, position));
}

int RichEditPane::LineStart(int line) {
  return static_cast<int>(SendMessageW(edit_, EM_LINEINDEX, line, 0));
}

int RichEditPane::LineCount() {
  return static_cast<int>(SendMessageW(edit_, EM_GETLINECOUNT, 0, 0));
}

}  // namespace mirelon
