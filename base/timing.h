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

  // Stream watcher: polling for the next message number, looking past a
  // number that never appears, and stopping.
  int64_t watcherIdlePollMs = 1000;          // wait after a number that is not there yet
  int64_t watcherCatchUpMs = 10;             // wait after a record was read
  int64_t watcherGapGraceMs = 10000;         // a missing number with later ones present is skipped after this
  int64_t watcherRecheckWindowMs = 600000;   // how long skipped or unreadable numbers are looked at again
  int64_t watcherRecheckIntervalMs = 5000;   // how often they are looked at
  int64_t watcherStopPollMs = 100;           // shutdown looks this often whether the watcher ended
  int watcherStopPolls = 50;                 // ... and gives up after this many looks

  // Headless runner.
  int64_t runnerSignalPollMs = 200;  // how soon an interrupt is noticed while idle
};

// Milliseconds from an arbitrary fixed point, monotonic (GetTickCount's
// role, without its 49-day wrap).
inline int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace mirelon
