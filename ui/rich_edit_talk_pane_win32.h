// The incoming pane on a RichEdit 2.0 control ("RichEdit20W").
#pragma once

#include <windows.h>

#include <vector>

#include "ui/rtf_text.h"
#include "ui/talk_pane.h"

namespace mirelon {

class RichEditTalkPane final : public TalkPane {
 public:
  explicit RichEditTalkPane(HWND edit);

  int TextLength() const override { return length_; }
  void InsertText(int position, std::u16string_view text) override;
  int InsertFormatted(int position, std::u16string_view text, std::span<const FormattedRange> ranges) override;
  void FormatRange(int start, int end, CharFormat format) override;
  CharFormat FormatAt(int position) const override;
  PaneSelection Selection() const override;
  void SetSelection(PaneSelection selection) override;
  std::u16string Text(int start, int end) const override;
  int LineFromPosition(int position) const override;
  int LineStart(int line) const override;

  // Puts an empty selection at a position and scrolls it into view.
  void MoveCaret(int position);

 private:
  // The control's own count, asked once per insertion to check it.
  int ControlLength() const;
  void AddLines(int position, std::u16string_view text);

  HWND edit_;
  RtfDefaultFont font_;
  int length_ = 0;
  // Where each CR-separated line starts. The control's own line messages
  // count wrapped display lines; the pane's lines are the text's.
  std::vector<int> lineStarts_{0};
};

}  // namespace mirelon
