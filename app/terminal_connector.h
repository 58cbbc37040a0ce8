// Connects the terminals named on the command line once the first scan of
// the talk is done.
//
// The registry gives each connection its time to come up before it starts
// the next one. That waiting runs on a thread of its own: while a client
// connects it sends the talk window its user's joining and waits for the
// answer, so the talk window's thread has to go on dispatching meanwhile.
#pragma once

#include <string>
#include <thread>
#include <vector>

#include "base/event.h"

namespace mirelon {

class ClientRegistry;

class TerminalConnector {
 public:
  explicit TerminalConnector(ClientRegistry& registry) : registry_(registry) {}
  // Cancels and waits for the thread.
  ~TerminalConnector();
  TerminalConnector(const TerminalConnector&) = delete;
  TerminalConnector& operator=(const TerminalConnector&) = delete;

  // Starts connecting the connection descriptions, in order. False when
  // there is nothing to connect, connecting has been started before, or
  // the thread cannot be started.
  bool Start(std::vector<std::u16string> descriptions);
  // No further connection is started, and the wait for the one coming up
  // ends at once. Clients already made stay in the registry.
  void Cancel();
  // Nothing runs (never started, or the thread has finished its work).
  bool Done() const { return !thread_.joinable() || finished_.IsSet(); }
  // Waits for the thread to end; it ends promptly once cancelled.
  void Join();

 private:
  void Connect(const std::vector<std::u16string>& descriptions);

  ClientRegistry& registry_;
  Event cancel_{Event::Kind::kManualReset};
  Event finished_{Event::Kind::kManualReset};
  std::thread thread_;
};

}  // namespace mirelon
