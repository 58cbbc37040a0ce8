#include "modes/display_buffer.h"

#include <algorithm>

namespace mirelon {

void DisplayBuffer::Resize(int cells) {
  cells_ = std::clamp(cells, 0, 255);
  bytes_.assign(static_cast<size_t>(cells_) * 2, 0);
}

void DisplayBuffer::Clear() { std::fill(bytes_.begin(), bytes_.end(), 0); }

}  // namespace mirelon
