// A one-line editor on the terminal's display: a text with an unchangeable
// prefix, an edit position and a fixed capacity, driven by key events.
// Three are in use: the message being written (1024 cells, no prefix), the
// search keyword (72 cells with the 8-cell "keyword - " prefix) and the
// message number (the "number - " prefix, the number sign and up to 8
// digits).
//
// Invariants: prefix length <= position <= end <= capacity, text[end] = 0.
// Every refused key or operation sends the error signal, except routing
// beyond the text, which does nothing.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "modes/display_buffer.h"
#include "modes/display_window.h"
#include "modes/key_event.h"

namespace mirelon {

class EditField {
 public:
  static constexpr int kMessageCapacity = 1024;
  static constexpr int kKeywordCapacity = 72;
  // "keyword", a hyphen and a blank in kana braille.
  static constexpr std::array<uint8_t, 8> kKeywordPrefix = {0x34, 0x22, 0x40, 0x22,
                                                            0x02, 0x63, 0x44, 0x80};
  // "number", a hyphen and a blank in kana braille.
  static constexpr std::array<uint8_t, 8> kNumberPrefix = {0x02, 0x54, 0x46, 0x02,
                                                           0x25, 0x22, 0x44, 0x80};
  static constexpr uint8_t kNumberSign = 0x47;  // dots 3-4-5-6
  static constexpr int kMaxDigits = 8;
  static constexpr int kMaxNumber = 99999999;
  // Japanese braille digit cells for 0..9, library layout.
  static constexpr std::array<uint8_t, 10> kDigitCells = {0x23, 0x10, 0x30, 0x11, 0x13,
                                                          0x12, 0x31, 0x33, 0x32, 0x21};

  EditField(DisplayBuffer& display, DisplayOutput& output);
  // The window looks into the field's own buffer.
  EditField(const EditField&) = delete;
  EditField& operator=(const EditField&) = delete;

  // A text field of `capacity` cells whose first cells are `prefix`
  // (capacity is raised to the prefix length when smaller). Draws it.
  void InitTextField(int capacity, std::span<const uint8_t> prefix = {});
  // The number field: prefix, number sign, no digits yet. Draws it.
  void InitNumberField();
  // Empties the field back to its prefix (and number sign), with the
  // window at the start of the text. Draws nothing.
  void Clear();

  // Editing operations on text fields. Each ends by placing the cursor;
  // one that cannot be carried out sends the error signal (the cursor
  // moves also redraw the unchanged cursor).
  void InsertCell(uint8_t cell);
  void DeleteAtCursor();
  void DeleteBeforeCursor();
  void DeleteToStart();
  void DeleteToEnd();
  void CursorHome();
  void CursorLeft();
  void CursorRight();
  void WordLeft();
  void WordRight();
  void CursorToEnd();
  // Moves to the k-th cell of the display (counted from 0); beyond the end
  // of the text nothing happens.
  void CursorToCell(int k);

  // Shows the edit position as the cursor.
  void PlaceCursor();

  // Key events; true when the key belongs to the field.
  bool HandleFieldKey(const KeyEvent& key);
  bool HandleNumberKey(const KeyEvent& key);

  // Number field: the value of the digits after the number sign, up to the
  // first cell that is not a digit (0 when there is none).
  int NumberValue() const;
  // Decimal digits of v: 1 for 0, at most kMaxDigits.
  static int DigitCount(int64_t v);
  // Writes v (0..kMaxNumber) after the number sign and ends the text there;
  // with `move` the position goes to the end. Shows the field from its
  // start. Values outside the range are refused (false, nothing changes).
  bool SetNumber(int64_t v, bool move);
  // Change the digit under the cursor by one; refused (error signal) when
  // the result would leave 0..kMaxNumber or there are no digits.
  void Increment();
  void Decrement();

  bool IsNumberField() const { return number_; }
  // The whole text, prefix included, without its terminating 0.
  std::span<const uint8_t> Text() const {
    return std::span<const uint8_t>(buffer_).first(static_cast<size_t>(end_));
  }
  // The text after the prefix.
  std::span<const uint8_t> Content() const { return Text().subspan(prefix_.size()); }
  int End() const { return end_; }
  int Capacity() const { return capacity_; }
  int Position() const { return position_; }
  int PrefixLength() const { return static_cast<int>(prefix_.size()); }
  const DisplayWindow& Window() const { return window_; }

 private:
  bool IsDigitAt(int index) const;
  int FirstDigit() const { return PrefixLength() + 1; }
  void RemoveCells(int from, int count);
  void InsertAt(int index, uint8_t cell);
  void Refuse() { output_->SignalError(); }
  // Before a key is handled the window must have been laid out.
  void EnsureLaidOut();
  void StepNumber(int direction);

  DisplayWindow window_;
  DisplayOutput* output_;
  std::vector<uint8_t> buffer_;  // capacity + 1 bytes
  std::vector<uint8_t> prefix_;
  int capacity_ = 0;
  int end_ = 0;
  int position_ = 0;
  bool number_ = false;
};

}  // namespace mirelon
