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
  t.watcher_idle_poll_ms = 2;
  t.watcher_catch_up_ms = 0;
  t.watcher_gap_grace_ms = 0;
  t.watcher_recheck_interval_ms = 2;
  t.watcher_stop_poll_ms = 100;
  t.serial_reader_idle_ms = 1;
  t.serial_reader_ring_full_ms = 1;
  t.serial_reader_drained_ms = 1;
  t.serial_reader_more_ms = 0;
  t.serial_open_poll_ms = 1;
  t.serial_read_timeout_ms = 2000;
  t.serial_drain_limit_ms = 50;
  t.serial_drain_poll_ms = 1;
  t.serial_write_constant_ms = 2000;
  t.serial_write_per_byte_ms = 0;
  t.serial_reader_stop_ms = 5000;
  t.conn_reply_timeout_ms = 2000;
  t.conn_command_lock_ms = 2000;
  t.conn_dispatch_idle_ms = 1;
  t.conn_port_closed_ms = 1;
  t.conn_worker_start_ms = 5000;
  t.conn_dispatch_start_ms = 5000;
  t.conn_worker_stop_ms = 5000;
  t.conn_dispatch_stop_ms = 5000;
  t.client_timer_ms = 5;
  t.client_modem_check_ms = 1;
  t.client_handshake_retry_ms = 1;
  return t;
}

// Polls `done` until it holds or `bound_ms` passes (a bound for a broken
// test, not a product wait); its last result.
template <class F>
bool Eventually(F done, int64_t bound_ms = 10000) {
  const int64_t end = NowMs() + bound_ms;
  while (!done()) {
    if (NowMs() > end) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace mirelon
