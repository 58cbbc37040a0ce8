// The incoming pane on a RichEdit 2.0 control ("RichEdit20W").
#pragma once

#include <windows.h>

#include <vector>

#include "ui/talk_pane.h"

namespace mirelon {

class RichEditTalkPane final : public TalkPane {
 public:
  explicit RichEditTalkPane(HWND edit);

  int TextLength() const override;
  void InsertText(int position, std::u16string_view text) override;
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
  HWND edit_;
  // Where each CR-separated line starts. The control's own line messages
  // count wrapped display lines; the pane's lines are the text's.
  std::vector<int> lineStarts_{0};
};

}  // namespace mirelon
