// The connected-terminals dialog (560) of a talk window: the PC user's
// control panel for the talk's terminals. It runs as a modal dialog without
// owner on a thread of its own, so the talk window stays usable; clients
// tell it of their changes through the registry (CMD_CLIENT_CHANGED).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "base/ref_ptr.h"
#include "client/port_client.h"

namespace mirelon {

class ClientRegistry;
class TerminalConnector;

class TerminalsDialog {
 public:
  // `registry` and `connector` (which connects recalled sets) outlive this
  // object (the talk window closes the dialog before the talk goes).
  TerminalsDialog(HINSTANCE instance, ClientRegistry& registry, TerminalConnector& connector);
  // Close, then waits for the dialog's thread.
  ~TerminalsDialog();
  TerminalsDialog(const TerminalsDialog&) = delete;
  TerminalsDialog& operator=(const TerminalsDialog&) = delete;

  // Shows the dialog on its own thread, or brings it to the foreground
  // when it is already open. False when the thread cannot be started.
  bool Open();
  // Cancels the dialog and lets `pump` keep the caller's thread answering
  // (clients that the dialog is stopping talk to it) until the dialog's
  // thread has ended, for at most `waitMs`. False when it still runs.
  using Pump = std::function<void(int64_t ms, const std::function<bool()>& done)>;
  bool Close(const Pump& pump, int64_t waitMs);
  // The dialog's window while it is open.
  HWND window() const { return sink_.window(); }

 private:
  // What the clients tell the dialog, kept as references until the dialog
  // takes them; a wake-up message carries nothing.
  class Sink final : public ClientChangeSink {
   public:
    void PostClientChanged(I_PortClient* client) override;
    void PostClientAdded(I_PortClient* client) override { PostClientChanged(client); }
    void Attach(HWND window);
    HWND window() const;
    // The clients told of since the last call, in order.
    std::deque<RefPtr<I_PortClient>> Take();

   private:
    mutable std::mutex lock_;
    HWND window_ = nullptr;
    bool wakeUpPosted_ = false;
    std::deque<RefPtr<I_PortClient>> changed_;
  };

  class Window;
  void Run();

  const HINSTANCE instance_;
  ClientRegistry& registry_;
  TerminalConnector& connector_;
  Sink sink_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<DWORD> threadId_{0};
};

}  // namespace mirelon
