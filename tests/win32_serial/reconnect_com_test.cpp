// A chat terminal on a COM port that is not there when the client starts
// and comes later (COM43, unplugged and plugged in by the test's relay; the
// terminal simulator sits on COM44): the client tries again by itself until
// it is there. (A port whose pty loses its other end while open shows
// nothing under Wine: its queues read empty and its reads stay pending, so
// a terminal lost while connected is tried natively, over a pty.)
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "base/ref_ptr.h"
#include "modes/chat_mode.h"
#include "support/fast_timing.h"
#include "support/recording_talk_sink.h"
#include "support/terminal_simulator.h"

using namespace mirelon;

namespace {

using Presence = RecordingTalkSink::Presence;

// Asks the relay to unplug or plug in COM43 and waits until it has.
bool Relay(const wchar_t* action) {
  const std::wstring request = std::wstring(L"C:\\mirelon-com-pair\\") + action + L"-com43";
  HANDLE file = CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return Eventually([&] { return GetFileAttributesW(request.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

size_t ChatOpenings(const TerminalSimulator& t) {
  size_t n = 0;
  for (const ReceivedFrame& f : t.frames()) n += f.command == FRAME_CHAT_OPEN;
  return n;
}

TEST(ComReconnect, ATerminalThatIsNotThereIsConnectedWhenItComes) {
  ASSERT_TRUE(Relay(L"unplug")) << "the relay of com_pair.sh is not running";
  auto terminalPort = OpenSystemSerialDevice(u"COM44", DeviceTimeouts{});
  ASSERT_NE(terminalPort, nullptr);
  terminalPort->Configure(38400);
  TerminalSimulator terminal(MakeDeviceTerminalLink(terminalPort));

  auto sink = std::make_shared<RecordingTalkSink>();
  ClientSetup setup;
  setup.talkWindow = sink;
  setup.talkPath = u"chat.meeting";
  setup.timing = FastTiming();
  setup.timing.clientReconnectFirstMs = 50;
  setup.timing.clientReconnectMaxMs = 200;
  RefPtr<CQZClient_ChatMode> c(new CQZClient_ChatMode(setup, u"taro"));
  c->SetConnection(u"COM43", u"NULL", 38400, CQZClient_ChatMode::kProtocol);
  ASSERT_TRUE(c->Start());
  ASSERT_TRUE(Eventually([&] { return c->GetStatusText() == u"再接続待機"; }));

  ASSERT_TRUE(Relay(L"plug"));
  ASSERT_TRUE(Eventually([&] { return ChatOpenings(terminal) == 1 && c->GetStatusText() == u"接続"; }, 30000));
  EXPECT_EQ(sink->presence(), (std::vector<Presence>{{u"taro", false}}));

  EXPECT_TRUE(c->Stop());
}

}  // namespace
#endif
