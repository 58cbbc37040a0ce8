// The incoming pane as the portable code uses it: a read-only rich text
// whose lines end with CR, where header lines are bold. The Windows talk
// window implements it on its RichEdit control; MemoryTalkPane keeps it in
// memory for the headless runner and the tests.
//
// Positions count UTF-16 units from the start of the text; lines are
// counted from 0 and separated by CR.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace mirelon {

struct CharFormat {
  bool bold = false;
  bool underline = false;
  bool operator==(const CharFormat&) const = default;
};

struct PaneSelection {
  int start = 0;  // anchor side is not kept; start <= end
  int end = 0;
  bool operator==(const PaneSelection&) const = default;
};

// A range of inserted text with its format, counted from the start of the
// inserted text.
struct FormattedRange {
  int start = 0;
  int end = 0;
  CharFormat format;
};

class TalkPane {
 public:
  virtual ~TalkPane() = default;

  virtual int TextLength() const = 0;
  // Inserts text at `position` (0..TextLength) in the default format,
  // without an undo step. The selection is not kept; callers restore it.
  virtual void InsertText(int position, std::u16string_view text) = 0;
  // Inserts text at `position` with the given ranges formatted and the
  // rest in the default format, in one step (a batch of messages). Returns
  // how many units the pane took: all of them, unless it is full.
  virtual int InsertFormatted(int position, std::u16string_view text, std::span<const FormattedRange> ranges) {
    const int before = TextLength();
    InsertText(position, text);
    for (const FormattedRange& r : ranges) FormatRange(position + r.start, position + r.end, r.format);
    return TextLength() - before;
  }
  // Formats [start, end) as a header: bold, and underlined when marked.
  virtual void FormatRange(int start, int end, CharFormat format) = 0;
  virtual CharFormat FormatAt(int position) const = 0;

  virtual PaneSelection Selection() const = 0;
  virtual void SetSelection(PaneSelection selection) = 0;

  virtual std::u16string Text(int start, int end) const = 0;
  virtual int LineFromPosition(int position) const = 0;
  virtual int LineStart(int line) const = 0;  // -1 for a line that does not exist
};

}  // namespace mirelon
