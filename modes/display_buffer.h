// The braille display image of one terminal, and the seam through which
// windows draw it and refuse keys.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace mirelon {

// Two halves of N bytes each, both in terminal layout: the cells, then the
// overlay with the cursor and end-of-text marks for the same positions.
// N is the terminal's cell count from the identity reply; it is 0 until the
// first successful handshake.
class DisplayBuffer {
 public:
  DisplayBuffer() = default;
  explicit DisplayBuffer(int cells) { Resize(cells); }

  // Replaces the image by a blank one of 2 × cells bytes (cells is clamped
  // to 0..255, the range of the identity byte).
  void Resize(int cells);
  int CellCount() const { return cells_; }

  // Blanks both halves.
  void Clear();

  std::span<uint8_t> Cells() { return std::span<uint8_t>(bytes_).first(cells_); }
  std::span<uint8_t> Overlay() { return std::span<uint8_t>(bytes_).subspan(cells_); }
  std::span<const uint8_t> Cells() const { return std::span<const uint8_t>(bytes_).first(cells_); }
  std::span<const uint8_t> Overlay() const { return std::span<const uint8_t>(bytes_).subspan(cells_); }
  // The whole 2 × N bytes, as the display frame carries them.
  std::span<const uint8_t> Bytes() const { return bytes_; }

 private:
  int cells_ = 0;
  std::vector<uint8_t> bytes_;
};

// What a display window needs from its terminal client: send the image,
// and tell the terminal that a key could not be carried out. Both do
// nothing while the terminal is not connected.
class DisplayOutput {
 public:
  virtual ~DisplayOutput() = default;
  virtual void SendDisplay(const DisplayBuffer& display) = 0;
  virtual void SignalError() = 0;
};

}  // namespace mirelon
