#include "ui/rich_edit_talk_pane_win32.h"

#include <richedit.h>

#include <algorithm>

#include "base/utf.h"

namespace mirelon {

namespace {

static_assert(sizeof(CHARFORMAT2W) == 116, "the header format is a 116-byte CHARFORMAT2W");

// Header lines: bold, underlined when marked, 16 pt, black. The mask names
// every effect so that a header never keeps italics, a strike-out or a link.
CHARFORMAT2W HeaderFormat(CharFormat format) {
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(cf);
  cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_PROTECTED | CFM_LINK |
              CFM_SIZE | CFM_COLOR;
  cf.dwEffects = (format.bold ? CFE_BOLD : 0) | (format.underline ? CFE_UNDERLINE : 0);
  cf.yHeight = 320;  // twips: 16 pt
  cf.crTextColor = RGB(0, 0, 0);
  return cf;
}

void Select(HWND edit, int start, int end) {
  CHARRANGE range{start, end};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

}  // namespace

RichEditTalkPane::RichEditTalkPane(HWND edit) : edit_(edit) {
  // A pane that already holds text (never the case at start-up) gets its
  // line table from that text.
  std::u16string text = Text(0, TextLength());
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == u'\r') lineStarts_.push_back(static_cast<int>(i + 1));
}

int RichEditTalkPane::TextLength() const {
  GETTEXTLENGTHEX how{GTL_NUMCHARS | GTL_PRECISE, 1200};
  return static_cast<int>(SendMessageW(edit_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0));
}

void RichEditTalkPane::InsertText(int position, std::u16string_view text) {
  if (text.empty()) return;
  position = std::clamp(position, 0, TextLength());
  // The control turns LF and CR LF into one paragraph mark, which would
  // shift every later position; an LF is therefore inserted as a CR, so
  // that the text keeps exactly the length the caller counts.
  std::wstring wide = ToWide(text);
  std::replace(wide.begin(), wide.end(), L'\n', L'\r');

  // Inserted text takes the pane's default format, not that of the header
  // before it.
  Select(edit_, position, position);
  CHARFORMAT2W plain{};
  plain.cbSize = sizeof(plain);
  SendMessageW(edit_, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&plain));
  SendMessageW(edit_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&plain));
  SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));

  // Shift the lines after the insertion and add the new ones.
  const int length = static_cast<int>(wide.size());
  auto after = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), position);
  std::vector<int> added;
  for (int i = 0; i < length; ++i)
    if (wide[static_cast<size_t>(i)] == L'\r') added.push_back(position + i + 1);
  for (auto it = after; it != lineStarts_.end(); ++it) *it += length;
  lineStarts_.insert(after, added.begin(), added.end());
}

void RichEditTalkPane::FormatRange(int start, int end, CharFormat format) {
  if (start >= end) return;
  Select(edit_, start, end);
  CHARFORMAT2W cf = HeaderFormat(format);
  SendMessageW(edit_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

CharFormat RichEditTalkPane::FormatAt(int position) const {
  if (position < 0 || position >= TextLength()) return {};
  // The control reports formats of the selection only: select the one
  // character, read, and put the selection back.
  PaneSelection kept = Selection();
  Select(edit_, position, position + 1);
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(cf);
  cf.dwMask = CFM_BOLD | CFM_UNDERLINE;
  SendMessageW(edit_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  Select(edit_, kept.start, kept.end);
  return CharFormat{(cf.dwEffects & CFE_BOLD) != 0, (cf.dwEffects & CFE_UNDERLINE) != 0};
}

PaneSelection RichEditTalkPane::Selection() const {
  CHARRANGE range{};
  SendMessageW(edit_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  return PaneSelection{static_cast<int>(range.cpMin), static_cast<int>(range.cpMax)};
}

void RichEditTalkPane::SetSelection(PaneSelection selection) {
  Select(edit_, selection.start, selection.end);
}

std::u16string RichEditTalkPane::Text(int start, int end) const {
  start = std::clamp(start, 0, TextLength());
  end = std::clamp(end, start, TextLength());
  std::wstring buffer(static_cast<size_t>(end - start) + 1, L'\0');
  TEXTRANGEW range{{start, end}, buffer.data()};
  LRESULT got = SendMessageW(edit_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
  buffer.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, end - start)));
  return FromWide(buffer);
}

int RichEditTalkPane::LineFromPosition(int position) const {
  auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), position);
  return std::max(0, static_cast<int>(it - lineStarts_.begin()) - 1);
}

int RichEditTalkPane::LineStart(int line) const {
  if (line < 0 || static_cast<size_t>(line) >= lineStarts_.size()) return -1;
  return lineStarts_[static_cast<size_t>(line)];
}

void RichEditTalkPane::MoveCaret(int position) {
  Select(edit_, position, position);
  SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
}

}  // namespace mirelon
