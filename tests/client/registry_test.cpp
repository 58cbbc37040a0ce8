// The client registry: creating clients by protocol, connection lists,
// ports in use, quitting and removing clients.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "client/client_registry.h"
#include "modes/chat_mode.h"
#include "support/client_rig.h"

namespace mirelon {
namespace {

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() { registry.SetTalk(rig.Setup(), true); }

  ClientRig rig;
  ClientRegistry registry;
};

class RecordingDialog : public ClientChangeSink {
 public:
  void PostClientChanged(I_PortClient* client) override {
    std::lock_guard<std::mutex> guard(lock);
    seen.push_back(client->GetStatusText());
  }
  void PostClientAdded(I_PortClient* client) override {
    std::lock_guard<std::mutex> guard(lock);
    added.push_back(client->GetPortName());
  }
  std::vector<std::u16string> Seen() {
    std::lock_guard<std::mutex> guard(lock);
    return seen;
  }
  std::mutex lock;
  std::vector<std::u16string> seen;
  std::vector<std::u16string> added;
};

TEST_F(RegistryTest, CreatesClientsByProtocol) {
  for (int protocol : {0, 1, 2}) EXPECT_TRUE(registry.HasMode(protocol));
  EXPECT_EQ(registry.CreateClient({u"COM3", u"NULL", 9600, 3, u"a"}), nullptr);
  EXPECT_EQ(registry.Count(), 0);
  EXPECT_EQ(registry.QuitAll(), 0);

  ClientNode* node = registry.CreateClient({u"COM3", u"COM4", 9600, 2, u"a"});
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->client->GetListNode(), node);
  EXPECT_EQ(node->row, -1);
  EXPECT_EQ(node->client->GetProtocol(), 2);
  EXPECT_TRUE(registry.IsPortInUse(u"COM4"));
  EXPECT_TRUE(registry.IsPortInUse(u"COM3"));
  EXPECT_TRUE(registry.IsPortInUse(u"com3"));
  EXPECT_EQ(registry.BuildConnectionList().records,
            (std::vector<ConnectionRecord>{{u"COM3", u"COM4", 9600, 2, u"a"}}));
}

TEST_F(RegistryTest, ConnectionListSkipsPortsInUseAndWaitsForEachConnection) {
  rig.timing.registryConnectPollMs = 1;
  registry.SetTalk(rig.Setup(), true);
  rig.Terminal(u"COM3").RaiseLines();
  rig.Terminal(u"COM5").RaiseLines();
  ConnectionRecordList list = ListFromText(
      u"Port:COM3;Port2:NULL;Speed:9600;Protocol:2;User:a;|"
      u"Port:NULL;Port2:COM3;Speed:9600;Protocol:2;User:b;|"  // COM3 is taken by then
      u"Port:COM5;Port2:NULL;Speed:9600;Protocol:9;User:c;|"  // no such mode
      u"Port:COM5;Port2:NULL;Speed:9600;Protocol:2;User:d;|");
  int waits = 0;
  EXPECT_EQ(
      registry.ApplyConnectionList(list,
                                   [&](int64_t ms) {
                                     ++waits;
                                     std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                                   }),
      2);
  EXPECT_GT(waits, 0);
  const std::vector<ClientNode*> nodes = registry.Nodes();
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(nodes[0]->client->GetUserName(), u"a");
  EXPECT_EQ(nodes[1]->client->GetUserName(), u"d");
  // Each connection came up before the next was started.
  EXPECT_TRUE(Eventually(
      [&] { return nodes[0]->client->IsConnected() && nodes[1]->client->IsConnected(); }));
}

TEST_F(RegistryTest, AnOmittedOrAnyCaseNullPortIsNoPortInUse) {
  rig.timing.registryConnectPolls = 1;
  registry.SetTalk(rig.Setup(), true);
  const ConnectionRecordList list = ListFromText(
      u"Port:COM3;Speed:9600;Protocol:2;User:a;|"
      u"Port:COM5;Port2:null;Speed:9600;Protocol:2;User:b;|"
      u"Port:COM6;Speed:9600;Protocol:2;User:c;|"
      u"Port:Null;Port2:COM7;Speed:9600;Protocol:2;User:d;|");
  EXPECT_EQ(registry.ApplyConnectionList(list), 4);
  for (std::u16string_view none : {u"", u"NULL", u"null"}) EXPECT_FALSE(registry.IsPortInUse(none));
}

TEST_F(RegistryTest, TwoClientsOnOneTalk) {
  TerminalSimulator& a = rig.Terminal(u"COM3");
  TerminalSimulator& b = rig.Terminal(u"COM5");
  a.RaiseLines();
  b.RaiseLines();
  RecordingDialog dialog;
  registry.SetDialog(&dialog);
  ASSERT_NE(registry.CreateClient({u"COM3", u"NULL", 9600, 2, u"a"}), nullptr);
  ASSERT_NE(registry.CreateClient({u"COM5", u"NULL", 9600, 2, u"b"}), nullptr);
  ASSERT_TRUE(rig.sink->WaitForPresence(2));

  EXPECT_EQ(dialog.added, (std::vector<std::u16string>{u"COM3", u"COM5"}));

  rig.AddLine({0x15}, 4, u"⠁⠃");
  auto gotLine = [](TerminalSimulator& t) {
    for (const ReceivedFrame& f : t.frames())
      if (f.command == FRAME_TEXT_CELL && f.parameter == 0x15) return true;
    return false;
  };
  EXPECT_TRUE(Eventually([&] { return gotLine(a) && gotLine(b); }));
  // What the terminals dialog shows of a client: the line it was sent.
  const TerminalRowState row = TerminalRow(*registry.Clients()[0]);
  EXPECT_EQ(row.port, u"COM3");
  EXPECT_EQ(row.status, u"接続");
  EXPECT_EQ(row.user, u"a");
  EXPECT_TRUE(row.connected);
  EXPECT_EQ(row.messageNumber, 4u);
  EXPECT_EQ(row.lineText, u"⠁⠃");
  EXPECT_FALSE(row.editLine);
  a.SendFrame(FRAME_TEXT_BEGIN, 0);
  a.SendFrame(FRAME_TEXT_CELL, 0x10);
  a.SendFrame(FRAME_TEXT_CELL, 0);
  ASSERT_TRUE(rig.sink->WaitForRecords(1));
  b.SendFrame(FRAME_TEXT_BEGIN, 0);
  b.SendFrame(FRAME_TEXT_CELL, 0x30);
  b.SendFrame(FRAME_TEXT_CELL, 0);
  ASSERT_TRUE(rig.sink->WaitForRecords(2));
  EXPECT_EQ(rig.sink->records(), (std::vector<std::u16string>{u"talk\taさん 3/07 9:05\t⠁",
                                                              u"talk\tbさん 3/07 9:05\t⠃"}));

  // Closing: both are asked to quit and both users leave.
  EXPECT_EQ(registry.QuitAll(), 2);
  EXPECT_TRUE(Eventually([&] { return !registry.AnyWorkerRunning(); }));
  EXPECT_EQ(rig.sink->presence().size(), 4u);
  registry.RemoveAll();
  EXPECT_EQ(registry.Count(), 0);
  // The dialog was told of each change it could show.
  const std::vector<std::u16string> seen = dialog.Seen();
  EXPECT_NE(std::find(seen.begin(), seen.end(), u"接続"), seen.end());
  EXPECT_EQ(seen.back(), u"切断");
}

// A client whose worker thread can be held inside a command.
class HeldClient : public CQZClient_ChatMode {
 public:
  HeldClient(const ClientSetup& setup, Event* gate, std::atomic<bool>* destroyed)
      : CQZClient_ChatMode(setup, u"held"), gate_(gate), destroyed_(destroyed) {}
  ~HeldClient() override { *destroyed_ = true; }

 protected:
  bool OnCommand(const WorkerCommand& command) override {
    if (command.id == kHold) {
      entered = true;
      gate_->Wait(Event::kInfinite);
    }
    return CQZClient_ChatMode::OnCommand(command);
  }

 public:
  static constexpr uint32_t kHold = 2000;
  std::atomic<bool> entered{false};

 private:
  Event* gate_;
  std::atomic<bool>* destroyed_;
};

// A registry holding one client whose worker is held inside a command until
// `gate` is set.
class HeldRegistryTest : public RegistryTest {
 protected:
  HeldClient* AddHeld(const std::u16string& port2) {
    auto* client = new HeldClient(registry.setup(), &gate, &destroyed);
    client->SetConnection(u"NULL", port2, 9600, 2);
    registry.AddClient(client);
    EXPECT_TRUE(client->PostCommand({HeldClient::kHold}));
    EXPECT_TRUE(Eventually([&] { return client->entered.load(); }));
    return client;
  }

  Event gate;
  std::atomic<bool> destroyed{false};
};

TEST_F(HeldRegistryTest, RemoveAllNeverFreesAClientUnderItsRunningThread) {
  rig.timing.connWorkerStopMs = 50;
  registry.SetTalk(rig.Setup(), false);
  AddHeld(u"NULL");

  registry.RemoveAll();  // its stop times out
  EXPECT_EQ(registry.Count(), 0);
  EXPECT_FALSE(destroyed);
  gate.Set();  // the worker goes on, quits and lets go of the client
  EXPECT_TRUE(Eventually([&] { return destroyed.load(); }));
}

TEST_F(HeldRegistryTest, RemoveClientKeepsAClientThatDoesNotStop) {
  rig.timing.connWorkerStopMs = 50;
  registry.SetTalk(rig.Setup(), false);
  HeldClient* client = AddHeld(u"NULL");
  EXPECT_FALSE(registry.RemoveClient(*client));
  EXPECT_EQ(registry.Count(), 1);
  gate.Set();
  EXPECT_TRUE(registry.RemoveClient(*client));
  EXPECT_EQ(registry.Count(), 0);
  EXPECT_TRUE(Eventually([&] { return destroyed.load(); }));
}

TEST_F(HeldRegistryTest, NoPortOpensOnceTheClientIsQuitting) {
  rig.Terminal(u"COM4");
  HeldClient* client = AddHeld(u"COM4");
  EXPECT_EQ(registry.QuitAll(), 1);
  client->PostCommand({CMD_CLIENT_OPEN_PORT, 1});  // the dialog's connect, behind the quit
  gate.Set();
  ASSERT_TRUE(Eventually([&] { return !registry.AnyWorkerRunning(); }));
  EXPECT_FALSE(rig.Line(u"COM4")->hostOpen());
}

}  // namespace
}  // namespace mirelon
