// Connects terminals one after the other on a thread of its own: those
// named on the command line once the first scan of the talk is done, and
// the saved sets the PC user recalls.
//
// The registry gives each connection its time to come up before it starts
// the next one. That waiting runs here, not on the caller's thread: while a
// client connects it sends the talk window its user's joining and waits for
// the answer, so the talk window's thread has to go on dispatching
// meanwhile, and the terminals dialog stays usable.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/event.h"
#include "connections/connection_record.h"

namespace mirelon {

class ClientRegistry;

class TerminalConnector {
 public:
  explicit TerminalConnector(ClientRegistry& registry) : registry_(registry) {}
  // Cancels and waits for the thread.
  ~TerminalConnector();
  TerminalConnector(const TerminalConnector&) = delete;
  TerminalConnector& operator=(const TerminalConnector&) = delete;

  // Connects the connections in order, after those still waiting from an
  // earlier call. False when there is nothing to connect, after Cancel, or
  // when the thread cannot be started.
  bool Connect(const ConnectionRecordList& list);
  // The same for connection descriptions ("Port:…;", the command line).
  bool Start(const std::vector<std::u16string>& descriptions);
  // For good: no further connection is started, and the wait for the one
  // coming up ends at once. Clients already made stay in the registry.
  void Cancel();
  // Nothing runs (never started, or everything given is done).
  bool Done() const;
  // Waits for the thread to end; it ends once everything given is done, or
  // promptly once cancelled.
  void Join();

 private:
  void Run();

  ClientRegistry& registry_;
  Event cancel_{Event::Kind::kManualReset};
  mutable std::mutex lock_;
  // Guarded by lock_: what is left to connect, whether the thread works on
  // it, and the thread itself (joined by whoever takes it out).
  std::deque<ConnectionRecord> waiting_;
  bool running_ = false;
  std::thread thread_;
};

}  // namespace mirelon
