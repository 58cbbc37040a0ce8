// Where a serial port stands, from a failed open to a connected terminal.
// The numbers are fixed: the client interface hands them out.
#pragma once

#include <cstdint>

namespace mirelon {

// -1 open failed (or never opened), 0 closed, 1 opening, 2 closing, 3 open
// but no terminal detected, 4 connected (modem lines up). Ordered: a state
// of kOpen or more is an open port.
enum class PortState : int32_t {
  kFailed = -1,
  kClosed = 0,
  kOpening = 1,
  kClosing = 2,
  kOpen = 3,
  kConnected = 4,
};

}  // namespace mirelon
