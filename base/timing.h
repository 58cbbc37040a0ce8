// Every wait, poll and time-out of the program, in milliseconds, in one
// place. Components take a Timing at construction; tests pass short values
// instead of sleeping for the real ones.
#pragma once

#include <chrono>
#include <cstdint>

namespace mirelon {

struct Timing {
  // Each subsystem keeps its group of fields here, with the product's
  // values as defaults.
};

// Milliseconds from an arbitrary fixed point, monotonic (GetTickCount's
// role, without its 49-day wrap).
inline int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace mirelon
