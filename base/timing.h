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
  int64_t watcherScanNoticeMs = 50;          // the first scan tells of what it read at most this often
  int64_t watcherGapGraceMs = 10000;         // a missing or unreadable number with later ones present is looked past after this
  int64_t watcherRecheckWindowMs = 600000;   // how long skipped or unreadable numbers are looked at again
  int64_t watcherRecheckIntervalMs = 5000;   // how often they are looked at
  int64_t watcherStopPollMs = 100;           // shutdown looks this often whether the watcher ended
  int watcherStopPolls = 50;                 // ... and gives up after this many looks

  // Headless runner.
  int64_t runnerSignalPollMs = 200;  // how soon an interrupt is noticed while idle
  int64_t runnerRetryMs = 1000;      // a line that could not be stored is tried again after this

  // Serial port: the reader thread's sleeps, the consumer's waits, the
  // line's write time-outs and Close's wait for the reader.
  int64_t serialReaderIdleMs = 50;        // nothing pending, or no terminal yet
  int64_t serialReaderRingFullMs = 100;  // receive ring full
  int64_t serialReaderDrainedMs = 5;      // after a read that took all pending bytes
  int64_t serialReaderMoreMs = 1;         // after a read that left bytes pending
  int64_t serialOpenPollMs = 10;          // Open polling for the reader to start
  int64_t serialReadTimeoutMs = 3000;     // ReadByte, and Read's overall deadline
  int64_t serialDrainLimitMs = 500;       // DrainOutput gives up after this
  int64_t serialDrainPollMs = 10;
  int64_t serialWriteConstantMs = 5000;   // write time-out: constant part
  int64_t serialWritePerByteMs = 100;    // write time-out: per byte written
  int64_t serialReaderStopMs = 3000;      // Close waits this long for the reader

  // Terminal connection: replies, the command lock, the dispatch thread and
  // the worker thread.
  int64_t connReplyTimeoutMs = 1000;      // ReadReply's overall deadline
  int64_t connCommandLockMs = 1000;       // AcquireCommandLock
  int64_t connDispatchIdleMs = 200;       // no port connected
  int64_t connPortClosedMs = 50;          // assembly step on a port that is not open
  int64_t connWorkerStartMs = 1000;       // StartWorker waits for the worker window
  int64_t connDispatchStartMs = 1000;     // StartDispatch waits for the thread
  int64_t connWorkerStopMs = 5000;        // StopWorker waits for the worker thread
  int64_t connDispatchStopMs = 5000;      // StopDispatch waits for the dispatch thread

  // Terminal client: the worker window's supervision timer, opening a port
  // and the identity exchange.
  int64_t clientTimerMs = 500;             // worker timer (id 1)
  int64_t clientModemCheckMs = 100;       // pause between modem checks on open
  int clientModemChecks = 30;              // modem checks before giving up
  int clientHandshakeAttempts = 5;
  int64_t clientHandshakeRetryMs = 1000;  // pause after a failed identity attempt
  int64_t clientIdentifyRetryMs = 5000;   // an incoming terminal that did not identify itself is asked again
  int64_t clientReconnectFirstMs = 2000;  // an outgoing terminal that was lost or not reached is tried again after this,
  int64_t clientReconnectMaxMs = 30000;   // ... then after twice the last pause, up to this

  // Client registry and closing the talk: how long a new connection may
  // take to come up before the next one starts, and how long the talk
  // window keeps dispatching while its clients announce their users' leave.
  int64_t registryConnectPollMs = 200;
  int registryConnectPolls = 10;
  int64_t closePumpMs = 1000;
  int64_t terminalsDialogCloseMs = 5000;  // closing waits this long for the terminals dialog's thread
};

// Milliseconds from an arbitrary fixed point, monotonic (GetTickCount's
// role, without its 49-day wrap).
inline int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace mirelon
