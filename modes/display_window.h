// A window that lays a braille cell string (library layout, ended by 0x00)
// out on the terminal's N cells without breaking words where it can, pans
// through it, marks a cursor and the end of the text, and sends the image.
//
// The window does not own its text: for the viewed talk line it looks into
// the line's cells, for an edit field into the field's buffer. Every read
// goes through a bounds check, so a text that is shorter than its span says
// (or has no terminating 0 at all) is read as if it ended there.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "modes/display_buffer.h"

namespace mirelon {

class DisplayWindow {
 public:
  // Overlay marks in library layout.
  static constexpr uint8_t kCursorMark = 0x88;     // dots 7 and 8
  static constexpr uint8_t kEndOfTextMark = 0x0D;  // dots 4, 6 and 8

  DisplayWindow(DisplayBuffer& display, DisplayOutput& output)
      : display_(&display), output_(&output) {}

  // Shows `text` from its start, without a cursor; draws nothing.
  void ResetWindow(std::span<const uint8_t> text);
  // The same with no text at all: the window then shows a blank display.
  void ResetWindow();

  // Computes how many cells from the window start fit on the display.
  // Sends nothing.
  void LayoutWindow();
  // Draws the laid-out cells and the marks, and sends the display.
  void RenderWindow();
  // Lays out and draws; a window without text sends a blank display.
  void RefreshWindow();
  // Scrolls so that the cell at `offset` is on the display, and draws (an
  // offset beyond the text is taken as its end).
  void ShowOffset(int offset);
  // Sets the cursor to `offset` and makes it visible (a window that was
  // never laid out starts from the beginning of its text).
  void PlaceCursor(int offset);
  // One display page back / forward. Both draw. PanBack returns false only
  // when there is no text; PanForward returns false when there is nothing
  // further to show.
  bool PanBack();
  bool PanForward();

  // Moves the window start, clamped to the text (offset = length puts it on
  // the terminating 0). The window is laid out again when next drawn.
  void SetWindowStart(int offset);
  // Cursor offset from the start of the text, or -1 for none.
  void SetCursor(int offset) { cursor_ = offset < 0 ? -1 : offset; }

  bool HasText() const { return hasText_; }
  std::span<const uint8_t> Text() const { return text_; }
  // Number of cells before the terminating 0.
  int TextLength() const;
  int Cursor() const { return cursor_; }
  // Offset of the first cell shown, or none when there is no text.
  std::optional<int> WindowStart() const { return windowStart_; }
  // Cells shown from the window start, or -1 before the first layout.
  int Shown() const { return shown_; }
  int CellCount() const { return display_->CellCount(); }

 private:
  uint8_t At(long index) const;
  void SendBlank();
  void ScrollForward(int offset);
  void ScrollBack(int offset);

  DisplayBuffer* display_;
  DisplayOutput* output_;
  std::span<const uint8_t> text_;
  bool hasText_ = false;
  int cursor_ = -1;
  std::optional<int> windowStart_;
  int shown_ = -1;
};

}  // namespace mirelon
