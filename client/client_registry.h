// The talk's list of terminal clients: creates the client of a
// connection's protocol, starts and stops clients, and gives out the
// current connections as records (saved connections, start-up files).
//
// The list is changed by the thread of the connected-terminals dialog while
// it is open, by the thread connecting terminals and by the talk window's
// thread; it is guarded by a lock of its own, which is never held while a
// client is started or stopped.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "client/port_client.h"
#include "client/qz_client.h"
#include "connections/connection_record.h"
#include "connections/port_selection.h"
#include "connections/terminal_rows.h"

namespace mirelon {

class ClientRegistry {
 public:
  // Makes the (unstarted, unreferenced) client of one protocol, or null.
  using ModeFactory = std::function<CQZClient*(const ClientSetup& setup, const ConnectionRecord& connection)>;
  // How ApplyConnectionList waits between looks at a new client; the talk
  // window passes a wait that keeps dispatching its messages.
  using Wait = std::function<void(int64_t ms)>;

  // Knows the display mode (protocols 0 and 1) and braille chat (2).
  ClientRegistry();
  // RemoveAll.
  ~ClientRegistry();
  ClientRegistry(const ClientRegistry&) = delete;
  ClientRegistry& operator=(const ClientRegistry&) = delete;

  // What every new client gets: the talk window, the talk path, the braille
  // lines, timing and device access. Set by the talk window once the talk
  // is open.
  void SetTalk(const ClientSetup& setup, bool meeting);
  const ClientSetup& setup() const { return setup_; }
  bool meeting() const { return meeting_; }

  // The client class of a protocol; a null factory removes it.
  void SetModeFactory(int protocol, ModeFactory factory);
  bool HasMode(int protocol) const;

  // Takes a reference to `client`, appends it and starts it (a client that
  // does not start stays in the list with its status). Once the registry
  // is closing: null, and the client is dropped unstarted.
  ClientNode* AddClient(I_PortClient* client);
  // A client for the connection's protocol, added and started; null for a
  // protocol without a client class.
  ClientNode* CreateClient(const ConnectionRecord& connection);
  // Creates a client for each record whose ports are not in use yet, giving
  // each up to registryConnectPolls × registryConnectPollMs to come up
  // (identified, its user announced) before the next one starts; the wait
  // ends when the registry closes. The number of clients created.
  int ApplyConnectionList(const ConnectionRecordList& list, const Wait& wait = nullptr);
  // Asks every client to close everything and end; does not wait. The
  // number of clients.
  int QuitAll();
  // The talk is closing: from now on no client is added and none is
  // removed on its own (RemoveAll stops them all), whatever thread asks.
  void Close();
  // Close, then stops and drops every client. A client whose threads do not
  // end in time lives on until they have ended (they hold references of
  // their own); it is never freed under them.
  void RemoveAll();
  // Stops one client and drops it (the dialog's delete); false, with the
  // client kept, when it did not stop in time or the registry is closing.
  bool RemoveClient(I_PortClient& client);

  // Some client uses `name` as its outgoing or incoming port (device names
  // compare without regard to letter case); never for a name that stands
  // for no port.
  bool IsPortInUse(std::u16string_view name) const;
  ConnectionRecordList BuildConnectionList() const;
  int Count() const;
  // The nodes in list order. Valid until the list is next changed.
  std::vector<ClientNode*> Nodes() const;
  // The clients in list order, each held by a reference of the caller's:
  // usable after the list has changed.
  std::vector<RefPtr<I_PortClient>> Clients() const;
  // Some client's worker thread still runs.
  bool AnyWorkerRunning() const;

  // The connected-terminals dialog (or whatever shows the clients), or
  // null: told of every client added and of every client's changes. It
  // must outlive every client it was given to, or be replaced first.
  void SetDialog(ClientChangeSink* dialog);

  // What the port selection dialog chose last and the ports it found.
  PortSelection& Selection() { return selection_; }

 private:
  // The (unstarted) client of a connection's protocol with its
  // connection set; null for a protocol without a client class.
  RefPtr<CQZClient> MakeClient(const ConnectionRecord& connection);
  void WaitForConnection(I_PortClient& client, const Wait& wait);

  ClientSetup setup_;
  bool meeting_ = false;
  std::map<int, ModeFactory> modes_;
  ClientChangeSink* dialog_ = nullptr;
  PortSelection selection_;
  mutable std::mutex lock_;
  std::vector<std::unique_ptr<ClientNode>> nodes_;
  std::atomic<bool> closing_{false};
};

// What the connected-terminals list shows of a client.
TerminalRowState TerminalRow(I_PortClient& client);

}  // namespace mirelon
