#include "support/recording_display.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "braille/cells.h"

namespace mirelon::testing {

namespace {

int FindMark(const std::vector<uint8_t>& overlay, uint8_t mark) {
  for (size_t i = 0; i < overlay.size(); ++i)
    if ((overlay[i] & mark) == mark) return static_cast<int>(i);
  return -1;
}

}  // namespace

int DecodedDisplay::CursorAt() const { return FindMark(overlay, 0x88); }
int DecodedDisplay::EndMarkAt() const { return FindMark(overlay, 0x0D); }

int DecodedDisplay::MarkCount() const {
  int n = 0;
  for (uint8_t m : overlay) n += m != 0;
  return n;
}

void RecordingDisplay::SendDisplay(const DisplayBuffer& display) {
  Event e;
  const auto bytes = display.Bytes();
  const size_t n = static_cast<size_t>(display.CellCount());
  EXPECT_EQ(bytes.size(), 2 * n) << "a display frame carries 2 x N bytes";
  e.display.raw.assign(bytes.begin(), bytes.end());
  for (size_t i = 0; i < n && i < bytes.size(); ++i) e.display.cells.push_back(SwapCellLayout(bytes[i]));
  for (size_t i = n; i < bytes.size(); ++i) e.display.overlay.push_back(SwapCellLayout(bytes[i]));
  events_.push_back(std::move(e));
}

void RecordingDisplay::SignalError() {
  Event e;
  e.error = true;
  events_.push_back(std::move(e));
}

int RecordingDisplay::DisplayCount() const {
  int n = 0;
  for (const auto& e : events_) n += !e.error;
  return n;
}

int RecordingDisplay::ErrorCount() const {
  int n = 0;
  for (const auto& e : events_) n += e.error;
  return n;
}

const DecodedDisplay& RecordingDisplay::Last() const {
  for (auto it = events_.rbegin(); it != events_.rend(); ++it)
    if (!it->error) return it->display;
  ADD_FAILURE() << "no display was sent";
  static const DecodedDisplay none;
  return none;
}

}  // namespace mirelon::testing
