// A TalkPane held in memory.
#pragma once

#include <vector>

#include "ui/talk_pane.h"

namespace mirelon {

class MemoryTalkPane : public TalkPane {
 public:
  int TextLength() const override { return static_cast<int>(text_.size()); }
  void InsertText(int position, std::u16string_view text) override;
  void FormatRange(int start, int end, CharFormat format) override;
  CharFormat FormatAt(int position) const override;
  PaneSelection Selection() const override { return selection_; }
  void SetSelection(PaneSelection selection) override;
  std::u16string Text(int start, int end) const override;
  int LineFromPosition(int position) const override;
  int LineStart(int line) const override;

 private:
  int Clamp(int position) const;

  std::u16string text_;
  std::vector<CharFormat> formats_;  // one per UTF-16 unit
  PaneSelection selection_;
};

}  // namespace mirelon
