// The interface through which the registry, the connected-terminals dialog
// and the talk window drive a terminal client, whatever its mode.
//
// Clients are counted: AddRef / Release, starting at 0; the Release that
// drops the last reference destroys the client. A client's own threads
// hold references of their own while they run, so dropping the registry's
// reference never frees a client under a running thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ref_ptr.h"
#include "client/worker_command.h"
#include "connections/connection_record.h"
#include "serial/port_state.h"

namespace mirelon {

struct BrailleLine;
struct ClientNode;
class I_PortClient;

// Status texts of a client.
inline constexpr std::u16string_view kStatusNotConnected = u"未接続";
inline constexpr std::u16string_view kStatusWaiting = u"接続待機";
inline constexpr std::u16string_view kStatusConnected = u"接続";
inline constexpr std::u16string_view kStatusFailed = u"接続失敗";
inline constexpr std::u16string_view kStatusDisconnected = u"切断";
inline constexpr std::u16string_view kStatusReconnecting = u"再接続待機";

// Who is told that a client's state changed (CMD_CLIENT_CHANGED to the
// connected-terminals dialog). Called on the client's worker thread; must
// not wait for that thread.
class ClientChangeSink {
 public:
  virtual ~ClientChangeSink() = default;
  virtual void PostClientChanged(I_PortClient* client) = 0;
  // A client was added to the registry (on the thread that added it).
  virtual void PostClientAdded(I_PortClient* client) { (void)client; }
};

class I_PortClient {
 public:
  virtual void AddRef() = 0;
  virtual void Release() = 0;
  virtual ClientNode* GetListNode() = 0;
  // Stores the registry node (null: the client no longer belongs to a
  // node); returns it.
  virtual ClientNode* SetListNode(ClientNode* node) = 0;
  // "NULL" when there is no such port.
  virtual std::u16string GetPortName() = 0;
  virtual std::u16string GetPort2Name() = 0;
  // The port in use: an open port before a named one, the outgoing port
  // before the incoming one; empty when both are "NULL".
  virtual std::u16string GetActivePortName() = 0;
  virtual uint32_t GetSpeed() = 0;
  virtual int GetProtocol() = 0;
  virtual std::optional<std::u16string> GetUserName() = 0;
  // PortState of the current port.
  virtual PortState GetPortState() = 0;
  virtual std::u16string GetStatusText() = 0;
  virtual void SetStatusText(std::u16string_view text) = 0;
  // The connection as a record; a client without a user name gives "Guest".
  virtual ConnectionRecord CreateConnectionRecord() = 0;
  // Starts the worker and dispatch threads and opens both ports (on the
  // worker thread, outgoing first).
  virtual bool Start() = 0;
  // Ends the worker thread (closing everything); false when it is still
  // running after the stop wait.
  virtual bool Stop() = 0;
  // Posts a command to the worker loop; false when there is none.
  virtual bool PostCommand(WorkerCommand command) = 0;
  virtual bool CloseAll() = 0;
  // A port is connected (state 4).
  virtual bool IsConnected() = 0;
  // The outgoing terminal was lost or not reached and is being tried again
  // by itself, until it answers or its port is closed on request.
  virtual bool IsReconnecting() = 0;
  // A port is connected and its terminal's opening is done: identified,
  // its user's join announced, the mode's opening frames sent.
  virtual bool HasOpenedPort() = 0;
  virtual bool OpenPort(int index) = 0;
  virtual bool ClosePort(int index) = 0;
  // The line of the talk this terminal is at (the list's sentinel while the
  // talk has no lines).
  virtual const BrailleLine* GetCurrentMessage() = 0;
  // The cells of the line being edited on the terminal with the start and
  // end of the edited part; none for modes without a line editor.
  virtual std::optional<std::vector<uint8_t>> GetEditLine(int* start, int* end) = 0;
  // The worker thread runs (started and not yet ended).
  virtual bool IsWorkerRunning() = 0;

 protected:
  // Only Release destroys a client.
  ~I_PortClient() = default;
};

// One client in the registry's list.
struct ClientNode {
  // The dialog showing this client, or null. The client reads it on its
  // worker thread.
  std::atomic<ClientChangeSink*> dialog{nullptr};
  int row = -1;  // the dialog's list row, -1 when none
  RefPtr<I_PortClient> client;
};

}  // namespace mirelon
