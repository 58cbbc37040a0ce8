#include "client/client_registry.h"

#include <chrono>
#include <thread>

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
  client->AddRef();
  node->client = client;
  client->SetListNode(added);
  {
    std::lock_guard<std::mutex> guard(lock_);
    node->dialog = dialog_;
    nodes_.push_back(std::move(node));
  }
  client->Start();
  return added;
}

ClientNode* ClientRegistry::CreateClient(const ConnectionRecord& connection) {
  auto mode = modes_.find(connection.protocol);
  if (mode == modes_.end()) return nullptr;
  CQZClient* client = mode->second(setup_, connection);
  if (!client) return nullptr;
  client->AddRef();  // the creator's reference, until the node holds one
  client->SetConnection(connection.port, connection.port2, static_cast<uint32_t>(connection.speed),
                        connection.protocol);
  ClientNode* node = AddClient(client);
  client->Release();
  return node;
}

void ClientRegistry::WaitForConnection(I_PortClient* client, const Wait& wait) {
  for (int i = 0; i < setup_.timing.registryConnectPolls; ++i) {
    if (wait)
      wait(setup_.timing.registryConnectPollMs);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(setup_.timing.registryConnectPollMs));
    if (client->GetPortState() > PortState::kOpen) return;
  }
}

int ClientRegistry::ApplyConnectionList(const ConnectionRecordList& list, const Wait& wait) {
  int created = 0;
  for (const ConnectionRecord& record : list.records) {
    if (record.port != CQZClient::kNoPort && IsPortInUse(record.port)) continue;
    if (record.port2 != CQZClient::kNoPort && IsPortInUse(record.port2)) continue;
    ClientNode* node = CreateClient(record);
    if (!node) continue;
    ++created;
    WaitForConnection(node->client, wait);
  }
  return created;
}

int ClientRegistry::ApplyDescriptions(const std::vector<std::u16string>& descriptions, const Wait& wait) {
  ConnectionRecordList list;
  for (const std::u16string& text : descriptions) list.records.push_back(ParseDescription(text));
  return ApplyConnectionList(list, wait);
}

int ClientRegistry::QuitAll() {
  int count = 0;
  for (ClientNode* node : Nodes()) {
    node->client->PostCommand({CMD_CLIENT_QUIT});
    ++count;
  }
  return count;
}

void ClientRegistry::RemoveAll() {
  for (;;) {
    ClientNode* first;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (nodes_.empty()) return;
      first = nodes_.front().get();
    }
    I_PortClient* client = first->client;
    client->Stop();
    std::unique_ptr<ClientNode> node;
    {
      std::lock_guard<std::mutex> guard(lock_);
      node = std::move(nodes_.front());
      nodes_.erase(nodes_.begin());
    }
    // After this the client never looks at the node again.
    client->SetListNode(nullptr);
    client->Release();
  }
}

bool ClientRegistry::RemoveClient(ClientNode* node) {
  if (!node->client->Stop()) return false;
  std::unique_ptr<ClientNode> removed;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = nodes_.begin(); it != nodes_.end(); ++it) {
      if (it->get() == node) {
        removed = std::move(*it);
        nodes_.erase(it);
        break;
      }
    }
  }
  if (!removed) return false;
  removed->client->SetListNode(nullptr);
  removed->client->Release();
  return true;
}

bool ClientRegistry::IsPortInUse(std::u16string_view name) const {
  for (ClientNode* node : Nodes())
    if (node->client->GetPortName() == name || node->client->GetPort2Name() == name) return true;
  return false;
}

ConnectionRecordList ClientRegistry::BuildConnectionList() const {
  ConnectionRecordList list;
  for (ClientNode* node : Nodes()) list.records.push_back(node->client->CreateConnectionRecord());
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

bool ClientRegistry::AnyWorkerRunning() const {
  for (ClientNode* node : Nodes())
    if (node->client->IsWorkerRunning()) return true;
  return false;
}

void ClientRegistry::SetDialog(ClientChangeSink* dialog) {
  std::lock_guard<std::mutex> guard(lock_);
  dialog_ = dialog;
  for (const auto& node : nodes_) node->dialog = dialog;
}

}  // namespace mirelon
