// A terminal that records what display windows send it: every display
// image, decoded back into library-layout cells and overlay marks, and
// every error signal, in the order they came.
#pragma once

#include <cstdint>
#include <vector>

#include "modes/display_buffer.h"

namespace mirelon::testing {

struct DecodedDisplay {
  std::vector<uint8_t> raw;      // the 2 × N bytes as sent (terminal layout)
  std::vector<uint8_t> cells;    // library layout, 0 where nothing is shown
  std::vector<uint8_t> overlay;  // library layout
  // Index of the first cell carrying the cursor mark / end-of-text mark,
  // or -1.
  int CursorAt() const;
  int EndMarkAt() const;
  // How many cells carry any overlay mark.
  int MarkCount() const;
};

class RecordingDisplay : public DisplayOutput {
 public:
  void SendDisplay(const DisplayBuffer& display) override;
  void SignalError() override;

  struct Event {
    bool error = false;
    DecodedDisplay display;  // empty for an error signal
  };
  const std::vector<Event>& Events() const { return events_; }
  int DisplayCount() const;
  int ErrorCount() const;
  // The last display sent; a test must have seen one.
  const DecodedDisplay& Last() const;
  void Reset() { events_.clear(); }

 private:
  std::vector<Event> events_;
};

}  // namespace mirelon::testing
