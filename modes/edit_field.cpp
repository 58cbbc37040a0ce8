#include "modes/edit_field.h"

#include <algorithm>
#include <cstring>

#include "braille/cells.h"

namespace mirelon {

namespace {

// The blank a user types: 0x00 ends a cell string, so dot 7 stands in.
constexpr uint8_t kTypedBlank = 0x80;
// Dot 7 alone in terminal layout; the modes take it before the field does.
constexpr uint8_t kChordDot7 = 0x10;

int DigitOfCell(uint8_t cell) {
  for (int d = 0; d < 10; ++d)
    if (EditField::kDigitCells[d] == cell) return d;
  return -1;
}

}  // namespace

EditField::EditField(DisplayBuffer& display, DisplayOutput& output)
    : window_(display, output), output_(&output) {}

void EditField::InitTextField(int capacity, std::span<const uint8_t> prefix) {
  prefix_.assign(prefix.begin(), prefix.end());
  // A 0 inside the prefix would end the text early.
  std::replace(prefix_.begin(), prefix_.end(), uint8_t{0}, kTypedBlank);
  capacity_ = std::max(capacity, PrefixLength());
  buffer_.assign(static_cast<size_t>(capacity_) + 1, 0);
  std::copy(prefix_.begin(), prefix_.end(), buffer_.begin());
  number_ = false;
  end_ = position_ = PrefixLength();
  window_.ResetWindow(buffer_);
  window_.SetCursor(0);
  window_.ShowOffset(0);
}

void EditField::InitNumberField() {
  prefix_.assign(kNumberPrefix.begin(), kNumberPrefix.end());
  capacity_ = PrefixLength() + 1 + kMaxDigits;
  buffer_.assign(static_cast<size_t>(capacity_) + 1, 0);
  std::copy(prefix_.begin(), prefix_.end(), buffer_.begin());
  buffer_[prefix_.size()] = kNumberSign;
  number_ = true;
  end_ = position_ = FirstDigit();
  window_.ResetWindow(buffer_);
  window_.SetCursor(0);
  window_.ShowOffset(0);
}

void EditField::Clear() {
  if (buffer_.empty()) return;
  end_ = position_ = number_ ? FirstDigit() : PrefixLength();
  buffer_[end_] = 0;
  window_.ResetWindow(buffer_);
  window_.SetCursor(0);
}

void EditField::PlaceCursor() { window_.PlaceCursor(position_); }

void EditField::EnsureLaidOut() {
  if (window_.Shown() == -1) {
    window_.SetWindowStart(0);
    window_.LayoutWindow();
  }
}

void EditField::RemoveCells(int from, int count) {
  // Moves the rest of the text down, its terminating 0 included.
  std::memmove(&buffer_[from], &buffer_[from + count], static_cast<size_t>(end_ - from - count + 1));
  end_ -= count;
}

void EditField::InsertAt(int index, uint8_t cell) {
  std::memmove(&buffer_[index + 1], &buffer_[index], static_cast<size_t>(end_ - index + 1));
  buffer_[index] = cell;
  ++end_;
}

void EditField::InsertCell(uint8_t cell) {
  if (buffer_.empty()) return;
  if (end_ >= capacity_) {
    Refuse();
    return;
  }
  InsertAt(position_, cell == 0 ? kTypedBlank : cell);
  ++position_;
  PlaceCursor();
}

void EditField::DeleteAtCursor() {
  if (buffer_.empty()) return;
  if (position_ >= end_) {
    Refuse();
    return;
  }
  RemoveCells(position_, 1);
  PlaceCursor();
}

void EditField::DeleteBeforeCursor() {
  if (buffer_.empty()) return;
  if (position_ <= PrefixLength()) {
    Refuse();
    return;
  }
  RemoveCells(position_ - 1, 1);
  --position_;
  PlaceCursor();
}

void EditField::DeleteToStart() {
  if (buffer_.empty()) return;
  const int p = PrefixLength();
  if (position_ <= p) {
    Refuse();
    return;
  }
  RemoveCells(p, position_ - p);
  position_ = p;
  PlaceCursor();
}

void EditField::DeleteToEnd() {
  if (buffer_.empty()) return;
  if (position_ >= end_) {
    Refuse();
    return;
  }
  buffer_[position_] = 0;
  end_ = position_;
  PlaceCursor();
}

// The cursor moves redraw the cursor even when they are refused, so that
// the terminal shows where the position is.
void EditField::CursorHome() {
  if (buffer_.empty()) return;
  if (position_ > PrefixLength())
    position_ = PrefixLength();
  else
    Refuse();
  PlaceCursor();
}

void EditField::CursorLeft() {
  if (buffer_.empty()) return;
  if (position_ > PrefixLength())
    --position_;
  else
    Refuse();
  PlaceCursor();
}

void EditField::CursorRight() {
  if (buffer_.empty()) return;
  if (position_ < end_)
    ++position_;
  else
    Refuse();
  PlaceCursor();
}

void EditField::WordLeft() {
  if (buffer_.empty()) return;
  const int p = PrefixLength();
  if (position_ > p) {
    int i = position_ - 1;
    while (i >= p && IsBlankCell(buffer_[i])) --i;
    while (i >= p && !IsBlankCell(buffer_[i])) --i;
    position_ = i + 1;
  } else {
    Refuse();
  }
  PlaceCursor();
}

void EditField::WordRight() {
  if (buffer_.empty()) return;
  if (position_ < end_) {
    int i = position_;
    while (i < end_ && !IsBlankCell(buffer_[i])) ++i;
    while (i < end_ && IsBlankCell(buffer_[i])) ++i;
    position_ = i;
  } else {
    Refuse();
  }
  PlaceCursor();
}

void EditField::CursorToEnd() {
  if (buffer_.empty()) return;
  if (position_ < end_)
    position_ = end_;
  else
    Refuse();
  PlaceCursor();
}

void EditField::CursorToCell(int k) {
  if (buffer_.empty()) return;
  EnsureLaidOut();
  const long target = static_cast<long>(window_.WindowStart().value_or(0)) + std::min(window_.Shown(), k);
  if (target > end_) return;
  position_ = static_cast<int>(std::max<long>(target, PrefixLength()));
  PlaceCursor();
}

bool EditField::HandleFieldKey(const KeyEvent& key) {
  if (buffer_.empty()) return false;
  const bool word = (key.modifiers & KeyEvent::kModifierWord) != 0;
  switch (key.kind) {
    case KeyEvent::kPan:
      if (key.modifiers == KeyEvent::kBackward) {
        if (window_.Shown() == -1 || window_.WindowStart().value_or(0) != 0)
          window_.PanBack();
        else
          Refuse();
        return true;
      }
      if (key.modifiers == KeyEvent::kForward) {
        if (!window_.PanForward()) Refuse();
        return true;
      }
      return false;
    case KeyEvent::kChord: {
      if (key.code == kChordDot7) return true;
      uint8_t cell = SwapCellLayout(key.code);
      if (IsBlankCell(cell)) cell = kTypedBlank;
      InsertCell(cell);
      return true;
    }
    case KeyEvent::kEdit:
      if (key.code == 8) {
        word ? DeleteToEnd() : DeleteAtCursor();
        return true;
      }
      if (key.code == 4) {
        word ? DeleteToStart() : DeleteBeforeCursor();
        return true;
      }
      return false;
    case KeyEvent::kCursor:
      switch (key.code) {
        case 4: word ? WordLeft() : CursorLeft(); return true;
        case 6: CursorHome(); return true;
        case 8: word ? WordRight() : CursorRight(); return true;
        case 9: CursorToEnd(); return true;
        default: return false;
      }
    case KeyEvent::kRouting:
      CursorToCell(key.code - 1);
      return true;
    default:
      return false;
  }
}

bool EditField::IsDigitAt(int index) const {
  return index >= 0 && index < end_ && DigitOfCell(buffer_[index]) >= 0;
}

int EditField::NumberValue() const {
  if (!number_) return 0;
  int value = 0;
  for (int i = FirstDigit(), n = 0; n < kMaxDigits && IsDigitAt(i); ++i, ++n)
    value = value * 10 + DigitOfCell(buffer_[i]);
  return value;
}

int EditField::DigitCount(int64_t v) {
  int digits = 1;
  while (v >= 10 && digits < kMaxDigits) {
    v /= 10;
    ++digits;
  }
  return digits;
}

bool EditField::SetNumber(int64_t v, bool move) {
  if (!number_ || v < 0 || v > kMaxNumber) return false;
  const int digits = DigitCount(v);
  const int f = FirstDigit();
  for (int i = digits - 1; i >= 0; --i, v /= 10) buffer_[f + i] = kDigitCells[v % 10];
  end_ = f + digits;
  buffer_[end_] = 0;
  if (move) position_ = end_;
  // A shorter number (leading zeros typed before) must not leave the
  // position beyond the text.
  position_ = std::min(position_, end_);
  window_.ResetWindow(buffer_);
  PlaceCursor();
  return true;
}

void EditField::Increment() { StepNumber(1); }
void EditField::Decrement() { StepNumber(-1); }

void EditField::StepNumber(int direction) {
  if (!number_) {
    Refuse();
    return;
  }
  const int f = FirstDigit();
  // At the end of the number the last digit is the one changed. The
  // position only changes when the step is carried out, so a refused step
  // leaves the cursor where the terminal shows it.
  int p = position_;
  if (f < end_ && p == end_) p = end_ - 1;
  if (p < f || p >= end_) {
    Refuse();
    return;
  }
  int64_t step = 1;
  for (int i = end_ - 1 - p; i > 0; --i) step *= 10;
  const int64_t v = NumberValue() + direction * step;
  const int digitsBefore = end_ - f;
  if (direction > 0) {
    if (v > kMaxNumber) {
      Refuse();
      return;
    }
    if (digitsBefore < DigitCount(v)) ++p;
  } else {
    if (v < 0) {
      Refuse();
      return;
    }
    if (DigitCount(v) < digitsBefore) --p;
    if (p < f) p = f;
  }
  position_ = p;
  SetNumber(v, false);
}

bool EditField::HandleNumberKey(const KeyEvent& key) {
  if (buffer_.empty() || !number_) return false;
  const int f = FirstDigit();
  switch (key.kind) {
    case KeyEvent::kPan:
      if (key.modifiers == KeyEvent::kBackward) {
        Decrement();
        return true;
      }
      if (key.modifiers == KeyEvent::kForward) {
        Increment();
        return true;
      }
      return false;
    case KeyEvent::kChord: {
      if (key.code == kChordDot7) return true;
      const uint8_t cell = SwapCellLayout(key.code);
      if (DigitOfCell(cell) < 0 || end_ - f >= kMaxDigits || position_ < f) {
        Refuse();
        return true;
      }
      InsertAt(position_, cell);
      ++position_;
      PlaceCursor();
      return true;
    }
    case KeyEvent::kEdit:
      if (key.code == 8) {
        if (position_ >= f && position_ < end_) {
          RemoveCells(position_, 1);
          PlaceCursor();
        } else {
          Refuse();
        }
        return true;
      }
      if (key.code == 4) {
        if (position_ > f) {
          RemoveCells(position_ - 1, 1);
          --position_;
          PlaceCursor();
        } else {
          Refuse();
        }
        return true;
      }
      return false;
    case KeyEvent::kCursor:
      switch (key.code) {
        case 1: Increment(); return true;
        case 2: Decrement(); return true;
        case 4:
          if (position_ > f) {
            --position_;
            PlaceCursor();
          } else {
            Refuse();
          }
          return true;
        case 6:
          if (position_ > f) {
            position_ = f;
            PlaceCursor();
          } else {
            Refuse();
          }
          return true;
        case 8: CursorRight(); return true;
        case 9: CursorToEnd(); return true;
        default: return false;
      }
    case KeyEvent::kRouting: {
      if (key.modifiers != 0) return false;
      EnsureLaidOut();
      const long target =
          static_cast<long>(window_.WindowStart().value_or(0)) + std::min(window_.Shown(), key.code - 1);
      if (target >= f && target <= end_) {
        position_ = static_cast<int>(target);
        PlaceCursor();
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace mirelon
