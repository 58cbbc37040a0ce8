// Timing for tests: the watcher, serial and connection waits shortened to
// a few milliseconds, with time-outs that only matter when something is
// wrong kept long enough for a loaded machine.
#pragma once

#include <chrono>
#include <thread>

#include "base/timing.h"

namespace mirelon {

inline Timing FastTiming() {
  Timing t;
  t.watcherIdlePollMs = 2;
  t.watcherCatchUpMs = 0;
  t.watcherScanNoticeMs = 600000;  // one notice for the first scan, as with a short talk
  t.watcherGapGraceMs = 0;
  t.watcherRecheckIntervalMs = 2;
  t.watcherStopPollMs = 100;
  t.serialReaderIdleMs = 1;
  t.serialReaderRingFullMs = 1;
  t.serialReaderDrainedMs = 1;
  t.serialReaderMoreMs = 0;
  t.serialOpenPollMs = 1;
  t.serialReadTimeoutMs = 2000;
  t.serialDrainLimitMs = 50;
  t.serialDrainPollMs = 1;
  t.serialWriteConstantMs = 2000;
  t.serialWritePerByteMs = 0;
  t.serialReaderStopMs = 5000;
  t.connReplyTimeoutMs = 2000;
  t.connCommandLockMs = 2000;
  t.connDispatchIdleMs = 1;
  t.connPortClosedMs = 1;
  t.connWorkerStartMs = 5000;
  t.connDispatchStartMs = 5000;
  t.connWorkerStopMs = 5000;
  t.connDispatchStopMs = 5000;
  t.clientTimerMs = 5;
  t.clientModemCheckMs = 1;
  t.clientHandshakeRetryMs = 1;
  t.clientIdentifyRetryMs = 5;
  return t;
}

// Polls `done` every `pollMs` until it holds or `boundMs` passes (a bound
// for a broken test, not a product wait); its last result. A costly `done`
// wants a longer poll.
template <class F>
bool Eventually(F done, int64_t boundMs = 10000, int64_t pollMs = 1) {
  const int64_t end = NowMs() + boundMs;
  while (!done()) {
    if (NowMs() > end) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
  }
  return true;
}

}  // namespace mirelon
