// Connecting the command-line terminals on a thread of its own: the
// connections come up one after the other while the caller goes on, and a
// cancel ends the wait at once and keeps later connections from starting.
#include <gtest/gtest.h>

#include <thread>

#include "client/client_registry.h"
#include "support/client_rig.h"
#include "app/terminal_connector.h"

namespace mirelon {
namespace {

class TerminalConnectorTest : public ::testing::Test {
 protected:
  void SetUpRegistry() { registry.SetTalk(rig.Setup(), true); }

  ClientRig rig;
  ClientRegistry registry;
};

TEST_F(TerminalConnectorTest, ConnectsEachTerminalInTurn) {
  rig.timing.registryConnectPollMs = 1;
  rig.timing.registryConnectPolls = 100000;
  SetUpRegistry();
  rig.Terminal(u"A").RaiseLines();
  rig.Terminal(u"B").RaiseLines();
  TerminalConnector terminals(registry);
  ASSERT_TRUE(terminals.Start({u"Port:A;Port2:NULL;Speed:9600;Protocol:2;User:一郎;",
                               u"Port:B;Port2:NULL;Speed:9600;Protocol:2;User:二郎;"}));
  // A set recalled meanwhile comes after them.
  rig.Terminal(u"C").RaiseLines();
  EXPECT_TRUE(terminals.Connect(ListFromText(u"Port:C;Protocol:2;User:三郎;|")));
  ASSERT_TRUE(rig.sink->WaitForPresence(3));
  EXPECT_EQ(rig.sink->presence(), (std::vector<RecordingTalkSink::Presence>{
                                      {u"一郎", false}, {u"二郎", false}, {u"三郎", false}}));
  terminals.Join();
  EXPECT_TRUE(terminals.Done());
  EXPECT_EQ(registry.Count(), 3);
}

TEST_F(TerminalConnectorTest, CancelEndsTheWaitAndConnectsNoMore) {
  // Without the cancel the first terminal, which never answers, would be
  // waited for a very long time.
  rig.timing.registryConnectPollMs = 600000;
  SetUpRegistry();
  rig.Terminal(u"A").SetIdentity(TerminalSimulator::Identity::kSilent);
  rig.Terminal(u"A").RaiseLines();
  rig.Terminal(u"B").RaiseLines();
  TerminalConnector terminals(registry);
  ASSERT_TRUE(terminals.Start({u"Port:A;Protocol:2;User:一郎;", u"Port:B;Protocol:2;User:二郎;"}));
  while (registry.Count() < 1) std::this_thread::yield();
  terminals.Cancel();
  terminals.Join();
  EXPECT_TRUE(terminals.Done());
  ASSERT_EQ(registry.Count(), 1);
  EXPECT_EQ(registry.Nodes()[0]->client->GetPortName(), u"A");
}

TEST_F(TerminalConnectorTest, NothingToConnect) {
  SetUpRegistry();
  TerminalConnector terminals(registry);
  EXPECT_FALSE(terminals.Start({}));
  EXPECT_TRUE(terminals.Done());
  terminals.Join();
  EXPECT_EQ(registry.Count(), 0);
}

}  // namespace
}  // namespace mirelon
