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
  // The default limit (32,767 characters) would cut a long talk short.
  SendMessageW(edit_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  // Text is inserted as rich text, whose sizes are whole half points: the
  // default size is made one, so that bodies keep exactly the default
  // format.
  CHARFORMAT2W plain{};
  plain.cbSize = sizeof(plain);
  SendMessageW(edit_, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&plain));
  font_.face = FromWide(plain.szFaceName);
  font_.charset = plain.bCharSet;
  font_.halfPoints = std::max<int>(2, (plain.yHeight + 5) / 10);
  if (font_.halfPoints * 10 != plain.yHeight) {
    plain.dwMask = CFM_SIZE;
    plain.yHeight = font_.halfPoints * 10;
    SendMessageW(edit_, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&plain));
  }
  // A pane that already holds text (never the case at start-up) gets its
  // line table from that text.
  length_ = ControlLength();
  AddLines(0, Text(0, length_));
}

int RichEditTalkPane::ControlLength() const {
  GETTEXTLENGTHEX how{GTL_NUMCHARS | GTL_PRECISE, 1200};
  return static_cast<int>(SendMessageW(edit_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0));
}

void RichEditTalkPane::AddLines(int position, std::u16string_view text) {
  // Shift the lines after the insertion and add the new ones.
  const int length = static_cast<int>(text.size());
  auto after = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), position);
  std::vector<int> added;
  for (int i = 0; i < length; ++i)
    if (text[static_cast<size_t>(i)] == u'\r' || text[static_cast<size_t>(i)] == u'\n') added.push_back(position + i + 1);
  for (auto it = after; it != lineStarts_.end(); ++it) *it += length;
  lineStarts_.insert(after, added.begin(), added.end());
}

void RichEditTalkPane::InsertText(int position, std::u16string_view text) { InsertFormatted(position, text, {}); }

namespace {

// Hands the control an RTF document in pieces.
struct RtfSource {
  std::string_view rest;
  static DWORD CALLBACK Read(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* got) {
    auto* self = reinterpret_cast<RtfSource*>(cookie);
    const size_t n = std::min(self->rest.size(), static_cast<size_t>(std::max<LONG>(size, 0)));
    std::copy_n(self->rest.data(), n, buffer);
    self->rest.remove_prefix(n);
    *got = static_cast<LONG>(n);
    return 0;
  }
};

}  // namespace

// One rich-text insertion for the whole batch: the control lays the text
// out once, with the header formats in place, instead of once per message
// and format (which a long talk makes slow). Every CR and LF is one
// paragraph mark, so the text keeps exactly the length the caller counts.
int RichEditTalkPane::InsertFormatted(int position, std::u16string_view text, std::span<const FormattedRange> ranges) {
  if (text.empty()) return 0;
  position = std::clamp(position, 0, length_);
  const std::string rtf = BuildRtf(text, ranges, font_);
  Select(edit_, position, position);
  RtfSource source{rtf};
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &RtfSource::Read};
  SendMessageW(edit_, EM_STREAMIN, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&stream));
  const int taken = ControlLength() - length_;
  length_ += taken;
  // A control that took less (it is full) keeps its lines table honest
  // only for what it took.
  AddLines(position, taken == static_cast<int>(text.size()) ? text : text.substr(0, static_cast<size_t>(std::max(taken, 0))));
  return taken;
}

void RichEditTalkPane::FormatRange(int start, int end, CharFormat format) {
  if (start >= end) return;
  Select(edit_, start, end);
  CHARFORMAT2W cf = HeaderFormat(format);
  SendMessageW(edit_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

CharFormat RichEditTalkPane::FormatAt(int position) const {
  if (position < 0 || position >= length_) return {};
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
  start = std::clamp(start, 0, length_);
  end = std::clamp(end, start, length_);
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
