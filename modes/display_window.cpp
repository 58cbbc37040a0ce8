#include "modes/display_window.h"

#include <algorithm>
#include <cstring>

#include "braille/cells.h"

namespace mirelon {

uint8_t DisplayWindow::At(long index) const {
  if (index < 0 || static_cast<size_t>(index) >= text_.size()) return 0;
  return text_[static_cast<size_t>(index)];
}

int DisplayWindow::TextLength() const {
  const void* zero = text_.empty() ? nullptr : std::memchr(text_.data(), 0, text_.size());
  if (!zero) return static_cast<int>(text_.size());
  return static_cast<int>(static_cast<const uint8_t*>(zero) - text_.data());
}

void DisplayWindow::ResetWindow(std::span<const uint8_t> text) {
  text_ = text;
  hasText_ = true;
  windowStart_ = 0;
  cursor_ = -1;
  shown_ = -1;
}

void DisplayWindow::ResetWindow() {
  text_ = {};
  hasText_ = false;
  windowStart_.reset();
  cursor_ = -1;
  shown_ = -1;
}

void DisplayWindow::SetWindowStart(int offset) {
  if (!hasText_) return;
  windowStart_ = std::clamp(offset, 0, TextLength());
  shown_ = -1;
}

void DisplayWindow::SendBlank() {
  display_->Clear();
  output_->SendDisplay(*display_);
}

// A word boundary lies at i (i >= 1) when w[i-1] or w[i] is blank. A rest
// that fits is shown whole; otherwise the display ends at the last boundary
// within N + 1 cells, and a word longer than the display is cut at N.
void DisplayWindow::LayoutWindow() {
  if (!windowStart_) return;
  const long w = *windowStart_;
  const int n = CellCount();
  if (At(w) == 0) {
    shown_ = 0;
    return;
  }
  int lastBoundary = 0;
  for (int i = 0;; ++i) {
    if (i >= 1 && (IsBlankCell(At(w + i - 1)) || IsBlankCell(At(w + i)))) lastBoundary = i;
    if (i >= n) {
      shown_ = lastBoundary > 0 ? lastBoundary : n;
      return;
    }
    if (At(w + i + 1) == 0) {
      shown_ = i + 1;
      return;
    }
  }
}

void DisplayWindow::RenderWindow() {
  display_->Clear();
  const int n = CellCount();
  if (windowStart_) {
    const long w = *windowStart_;
    auto cells = display_->Cells();
    auto overlay = display_->Overlay();
    // A layout made before the display was resized may be longer than it.
    const int shown = std::min(shown_, n);
    for (int i = 0; i < shown; ++i) {
      const uint8_t c = At(w + i);
      // Dots 7 and 8 of blank cells are not shown.
      cells[i] = IsBlankCell(c) ? 0 : SwapCellLayout(c);
    }
    if (cursor_ >= 0) {
      const long p = cursor_ - w;
      if (p >= 0 && p <= shown && p < n) overlay[p] |= SwapCellLayout(kCursorMark);
      const long rest = static_cast<long>(TextLength()) - w;
      if (rest >= 0 && rest < n) overlay[rest] |= SwapCellLayout(kEndOfTextMark);
    }
  }
  output_->SendDisplay(*display_);
}

void DisplayWindow::RefreshWindow() {
  if (!windowStart_) {
    SendBlank();
    return;
  }
  LayoutWindow();
  RenderWindow();
}

void DisplayWindow::ShowOffset(int offset) {
  if (!windowStart_) {
    SendBlank();
    return;
  }
  const int a = std::clamp(offset, 0, TextLength());
  LayoutWindow();
  if (a < *windowStart_)
    ScrollBack(a);
  else if (a >= *windowStart_ + shown_)
    ScrollForward(a);
  RenderWindow();
}

// Puts the word that holds the cell at `a` (and the room for the cursor
// after the last cell) on the display, as far left as the display allows.
void DisplayWindow::ScrollForward(int a) {
  const int n = CellCount();
  const long p = a;
  if (n == 0) {
    // Nothing can be shown before the terminal has told its size.
    windowStart_ = a;
    LayoutWindow();
    return;
  }
  int k = 0;
  while (k < n && !IsBlankCell(At(p + k))) ++k;
  if (k == 0)
    k = 1;
  else if (k < n && At(p + k) == 0)
    ++k;
  const long e = p + k;
  if (e <= n) {
    windowStart_ = 0;
  } else {
    // The farthest word start within N cells before e.
    int found = 0;
    for (int j = 1; j <= n; ++j)
      if (!IsBlankCell(At(e - j)) && IsBlankCell(At(e - j - 1))) found = j;
    windowStart_ = static_cast<int>(e - (found > 0 ? found : n));
  }
  LayoutWindow();
}

// Starts the display at the nearest word start before `a`, at most N
// cells back.
void DisplayWindow::ScrollBack(int a) {
  const int n = CellCount();
  const long p = a;
  const int c = a > n ? n : a - 1;
  int i = c + 1;
  for (int j = 1; j <= c; ++j) {
    if (!IsBlankCell(At(p - j)) && IsBlankCell(At(p - j - 1))) {
      i = j;
      break;
    }
  }
  windowStart_ = static_cast<int>(p - i);
  LayoutWindow();
}

void DisplayWindow::PlaceCursor(int offset) {
  SetCursor(offset);
  if (shown_ == -1 && hasText_) windowStart_ = 0;
  ShowOffset(offset);
}

bool DisplayWindow::PanBack() {
  if (!windowStart_) {
    SendBlank();
    return false;
  }
  const int n = CellCount();
  const long w = *windowStart_;
  if (w > n) {
    // Back to the farthest word start within N cells, or N cells.
    int found = 0;
    for (int j = 1; j <= n; ++j)
      if (!IsBlankCell(At(w - j)) && IsBlankCell(At(w - j - 1))) found = j;
    windowStart_ = static_cast<int>(w - (found > 0 ? found : n));
  } else {
    windowStart_ = 0;
  }
  LayoutWindow();
  RenderWindow();
  return true;
}

bool DisplayWindow::PanForward() {
  if (!windowStart_) {
    // No text: there is nothing further, so a viewer moves on to the next
    // line instead of staying on a blank one.
    SendBlank();
    return false;
  }
  if (shown_ >= 0) {
    const long w = *windowStart_;
    long i = shown_;
    if (At(w + i) == 0) return false;
    while (At(w + i) != 0 && IsBlankCell(At(w + i))) ++i;
    // Only blanks left: nothing further, except that an editor keeps a
    // page for the cursor after a text that filled the display.
    if (At(w + i) == 0 && !(cursor_ >= 0 && i >= CellCount())) return false;
    windowStart_ = static_cast<int>(w + i);
    shown_ = static_cast<int>(i);
  }
  LayoutWindow();
  RenderWindow();
  return true;
}

}  // namespace mirelon
