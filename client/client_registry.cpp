#include "client/client_registry.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "braille/braille_line_list.h"
#include "modes/chat_mode.h"
#include "modes/display_mode_client.h"

namespace mirelon {

ClientRegistry::ClientRegistry() {
  SetModeFactory(CQZClient_ChatMode::kProtocol, [](const ClientSetup& setup, const ConnectionRecord& c) {
    return new CQZClient_ChatMode(setup, c.user);
  });
  SetModeFactory(CQZClient_DisplayMode::kProtocolView, [](const ClientSetup& setup, const ConnectionRecord& c) {
    return new CQZClient_DisplayMode(setup, c.user, false);
  });
  SetModeFactory(CQZClient_DisplayMode::kProtocolViewAndPost,
                 [](const ClientSetup& setup, const ConnectionRecord& c) {
                   return new CQZClient_DisplayMode(setup, c.user, true);
                 });
}

ClientRegistry::~ClientRegistry() { RemoveAll(); }

void ClientRegistry::SetTalk(const ClientSetup& setup, bool meeting) {
  setup_ = setup;
  meeting_ = meeting;
}

void ClientRegistry::SetModeFactory(int protocol, ModeFactory factory) {
  if (factory)
    modes_[protocol] = std::move(factory);
  else
    modes_.erase(protocol);
}

bool ClientRegistry::HasMode(int protocol) const { return modes_.count(protocol) != 0; }

ClientNode* ClientRegistry::AddClient(I_PortClient* client) {
  auto node = std::make_unique<ClientNode>();
  ClientNode* added = node.get();
  node->client = RefPtr<I_PortClient>(client);
  ClientChangeSink* dialog;
  {
    std::lock_guard<std::mutex> guard(lock_);
    // Dropped here, never started, once the talk is closing.
    if (closing_) return nullptr;
    client->SetListNode(added);
    dialog = dialog_;
    node->dialog = dialog_;
    nodes_.push_back(std::move(node));
  }
  // Its row comes before anything the client tells of itself.
  if (dialog) dialog->PostClientAdded(client);
  client->Start();
  return added;
}

RefPtr<CQZClient> ClientRegistry::MakeClient(const ConnectionRecord& connection) {
  auto mode = modes_.find(connection.protocol);
  if (mode == modes_.end()) return RefPtr<CQZClient>();
  RefPtr<CQZClient> client(mode->second(setup_, connection));
  if (client)
    client->SetConnection(connection.port, connection.port2, static_cast<uint32_t>(connection.speed),
                          connection.protocol);
  return client;
}

ClientNode* ClientRegistry::CreateClient(const ConnectionRecord& connection) {
  RefPtr<CQZClient> client = MakeClient(connection);
  return client ? AddClient(client.get()) : nullptr;
}

void ClientRegistry::WaitForConnection(I_PortClient& client, const Wait& wait) {
  for (int i = 0; i < setup_.timing.registryConnectPolls && !closing_; ++i) {
    if (wait)
      wait(setup_.timing.registryConnectPollMs);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(setup_.timing.registryConnectPollMs));
    // Up once identified and announced: the next terminal's user never
    // joins before this one's.
    if (client.HasOpenedPort()) return;
  }
}

int ClientRegistry::ApplyConnectionList(const ConnectionRecordList& list, const Wait& wait) {
  int created = 0;
  for (const ConnectionRecord& record : list.records) {
    if (IsPortInUse(record.port) || IsPortInUse(record.port2)) continue;
    // Held here as well: the dialog's thread may remove the client while
    // this one waits for it.
    RefPtr<CQZClient> client = MakeClient(record);
    if (!client || !AddClient(client.get())) continue;
    ++created;
    WaitForConnection(*client, wait);
  }
  return created;
}

int ClientRegistry::QuitAll() {
  const std::vector<RefPtr<I_PortClient>> clients = Clients();
  for (const RefPtr<I_PortClient>& client : clients) client->PostCommand({CMD_CLIENT_QUIT});
  return static_cast<int>(clients.size());
}

void ClientRegistry::Close() {
  std::lock_guard<std::mutex> guard(lock_);
  closing_ = true;
}

void ClientRegistry::RemoveAll() {
  Close();
  for (;;) {
    ClientNode* first;
    RefPtr<I_PortClient> client;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (nodes_.empty()) return;
      first = nodes_.front().get();
      client = first->client;
    }
    client->Stop();
    std::unique_ptr<ClientNode> node;
    {
      std::lock_guard<std::mutex> guard(lock_);
      auto it = std::find_if(nodes_.begin(), nodes_.end(),
                             [&](const std::unique_ptr<ClientNode>& n) { return n.get() == first; });
      if (it == nodes_.end()) continue;  // removed meanwhile
      node = std::move(*it);
      nodes_.erase(it);
    }
    // After this the client never looks at the node again.
    client->SetListNode(nullptr);
  }
}

bool ClientRegistry::RemoveClient(I_PortClient& client) {
  // The closing talk stops every client itself, all at once.
  if (closing_ || !client.Stop()) return false;
  std::unique_ptr<ClientNode> removed;
  {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = std::find_if(nodes_.begin(), nodes_.end(), [&](const std::unique_ptr<ClientNode>& n) {
      return n->client.get() == &client;
    });
    // Not there any more: removed meanwhile.
    if (it == nodes_.end()) return true;
    removed = std::move(*it);
    nodes_.erase(it);
  }
  client.SetListNode(nullptr);
  return true;
}

bool ClientRegistry::IsPortInUse(std::u16string_view name) const {
  if (IsNoPort(name)) return false;
  for (const RefPtr<I_PortClient>& client : Clients())
    if (SamePortName(client->GetPortName(), name) || SamePortName(client->GetPort2Name(), name))
      return true;
  return false;
}

ConnectionRecordList ClientRegistry::BuildConnectionList() const {
  ConnectionRecordList list;
  for (const RefPtr<I_PortClient>& client : Clients())
    list.records.push_back(client->CreateConnectionRecord());
  return list;
}

int ClientRegistry::Count() const {
  std::lock_guard<std::mutex> guard(lock_);
  return static_cast<int>(nodes_.size());
}

std::vector<ClientNode*> ClientRegistry::Nodes() const {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<ClientNode*> nodes;
  nodes.reserve(nodes_.size());
  for (const auto& node : nodes_) nodes.push_back(node.get());
  return nodes;
}

std::vector<RefPtr<I_PortClient>> ClientRegistry::Clients() const {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<RefPtr<I_PortClient>> clients;
  clients.reserve(nodes_.size());
  for (const auto& node : nodes_) clients.push_back(node->client);
  return clients;
}

bool ClientRegistry::AnyWorkerRunning() const {
  for (const RefPtr<I_PortClient>& client : Clients())
    if (client->IsWorkerRunning()) return true;
  return false;
}

void ClientRegistry::SetDialog(ClientChangeSink* dialog) {
  std::lock_guard<std::mutex> guard(lock_);
  dialog_ = dialog;
  for (const auto& node : nodes_) node->dialog = dialog;
}

TerminalRowState TerminalRow(I_PortClient& client) {
  TerminalRowState row;
  row.port = client.GetActivePortName();
  row.status = client.GetStatusText();
  row.user = client.GetUserName();
  row.connected = client.GetPortState() == PortState::kConnected;
  if (const BrailleLine* line = client.GetCurrentMessage()) {
    row.messageNumber = line->messageNumber;
    row.lineText = line->text;
  }
  int start = 0, end = 0;
  if (std::optional<std::vector<uint8_t>> cells = client.GetEditLine(&start, &end))
    row.editLine = TerminalRowState::EditLine{std::move(*cells), start, end};
  return row;
}

}  // namespace mirelon
