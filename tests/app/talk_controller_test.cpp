// The talk's life through TalkController with a fake front end: messages
// shown in the pane and cut into braille lines as they are read, and a
// meeting with two chat terminals closed in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "app/talk_controller.h"
#include "base/event.h"
#include "base/utf.h"
#include "braille/braille_line_list.h"
#include "support/fake_front_end.h"
#include "support/fast_timing.h"
#include "support/memory_serial.h"
#include "support/recording_braille_keyboard.h"
#include "support/recording_speech_engine.h"
#include "support/scripted_stream_store.h"
#include "support/temp_dir.h"
#include "support/terminal_simulator.h"
#include "talk/talk_file.h"

namespace mirelon {
namespace {

// Polls until `condition` holds; false after a bound that only matters
// when something is wrong.
template <typename F>
bool Eventually(F condition) {
  for (int i = 0; i < 6000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return condition();
}

class TalkControllerTest : public ::testing::Test {
 protected:
  explicit TalkControllerTest(std::u16string_view name = u"t.talk") : path(dir.File(name)) {
    store.CreateNew(path, kOwnerStream, "user1");
    store.EnsureFile(path);
  }

  TalkControllerOptions Options() {
    TalkControllerOptions o;
    o.timing = FastTiming();
    o.userName = u"user1";
    o.openTranslator = false;
    o.recent = RecentTalks(std::nullopt);
    o.clock = [] { return LocalTime{3, 5, 9, 7}; };
    return o;
  }
  void Write(uint32_t n, std::string_view bytes) { store.CreateNew(path, MessageStreamName(n), bytes); }
  std::u16string Stored(uint32_t n) {
    return ReadStreamText(store, path, MessageStreamName(n)).value_or(u"(none)");
  }
  std::u16string Shown() { return front.pane.Text(0, front.pane.TextLength()); }

  TempDir dir;
  std::shared_ptr<ScriptedStreamStore> shared = std::make_shared<ScriptedStreamStore>();
  ScriptedStreamStore& store = *shared;
  std::u16string path;
  FakeFrontEnd front;
};

TEST_F(TalkControllerTest, MessagesAreShownAndCutIntoBrailleLinesAsTheyAreRead) {
  for (uint32_t n = 1; n <= 11; ++n) Write(n, "talk\th\tb");
  Write(12, "talk\tuser1さん 3/05 9:07\tHello\r\nthere");
  Write(13, "talk\t\tempty header");
  TalkController controller(shared, front, Options());
  ASSERT_EQ(controller.Open(path), TalkController::OpenResult::kOpened);
  ASSERT_TRUE(front.PumpUntil([&] { return controller.NewestMessage() && controller.NewestMessage()->number == 13; }));
  // The whole first scan is one batch: one sound.
  EXPECT_EQ(front.sounds, std::vector<FeedbackSound>{FeedbackSound::kNewMessages});

  front.pane.SetSelection({4, 9});  // the user is reading somewhere above
  ASSERT_EQ(controller.Send(u"live"), TalkSession::SendResult::kStored);
  EXPECT_EQ(Stored(14), u"talk\tuser1さん 3/05 9:07\tlive");
  ASSERT_TRUE(front.PumpUntil([&] { return controller.NewestMessage()->number == 14; }));
  EXPECT_EQ(front.sounds.size(), 2u);

  const std::u16string text = Shown();
  const std::u16string twelve = u"12: user1さん 3/05 9:07\rHello\rthere\r\r";
  const size_t at = text.find(twelve);
  ASSERT_NE(at, std::u16string::npos);
  EXPECT_NE(text.find(u"13: \rempty header\r\r"), std::u16string::npos);
  EXPECT_TRUE(text.ends_with(u"14: user1さん 3/05 9:07\rlive\r\r"));
  EXPECT_EQ(front.pane.TextLength(), controller.View().InsertionPosition());
  EXPECT_TRUE(front.pane.FormatAt(static_cast<int>(at)).bold);
  EXPECT_FALSE(front.pane.FormatAt(static_cast<int>(at + twelve.find(u"Hello"))).bold);
  EXPECT_EQ(front.pane.Selection(), (PaneSelection{4, 9}));

  MessageNode* node = controller.Context().messages.First();
  while (node->number != 12) node = MessageList::Next(node);
  EXPECT_EQ(node->startPosition, static_cast<int>(at));
  EXPECT_EQ(front.pane.Text(node->bodyPosition, node->bodyPosition + 5), u"Hello");

  // Each header line and body, in braille, in display order.
  std::vector<std::u16string> lines;
  const BrailleLineList& list = controller.Context().brailleLines;
  for (const BrailleLine* l = list.First(); l; l = list.Next(l)) {
    if (l->messageNumber < 12) continue;
    lines.push_back(Utf8ToUtf16Lenient(std::to_string(l->messageNumber)) + (l->messageStart ? u"* " : u"  ") + l->text);
    EXPECT_TRUE(l->Braille());
  }
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"12* 12: user1さん 3/05 9:07", u"12  Hello", u"12  there",
                                                u"13* 13: ", u"13  empty header",
                                                u"14* 14: user1さん 3/05 9:07", u"14  live"}));
}

// Keyboard braille input comes up after the speech engine and its stored
// voice, goes before the engine, and sounds through the front end.
TEST_F(TalkControllerTest, BrailleInputLivesInsideTheSpeechEnginesLife) {
  RecordingSpeechEngine engine;
  front.speech = &engine;
  front.keyboard = [&] {
    return std::make_unique<RecordingBrailleKeyboard>(engine.calls, reinterpret_cast<void*>(16));
  };
  TalkControllerOptions options = Options();
  options.brlInputSettingsPath = dir.File(u"BrlInput.set");
  {
    TalkController controller(shared, front, options);
    controller.StartEngines();
    EXPECT_EQ(engine.calls, (std::vector<std::u16string>{u"SetVolume(100)", u"StartDlgSupport",
                                                         u"RegisterNotifyMessage", u"SetInputMode(16,0,0)"}));
    controller.BrailleInput().Notified(2, u"");
    EXPECT_EQ(front.sounds, std::vector<FeedbackSound>{FeedbackSound::kRefusal});
    engine.calls.clear();
  }
  EXPECT_EQ(engine.calls, (std::vector<std::u16string>{u"EndDlgSupport", u"DestroyEngine"}));
}

// A read that hangs (a network share gone away) keeps the watcher from
// stopping: closing goes on after the stop polls, and the watcher, left to
// end on its own, ends without the controller (or its store's maker) once
// the read returns.
TEST_F(TalkControllerTest, AWatcherStuckInAReadHoldsNothingUp) {
  Event release{Event::Kind::kManualReset};
  std::atomic<bool> stuck{false}, gone{false}, endedAfterGone{false};
  store.onRead = [&](std::u16string_view stream) -> std::optional<StreamStore::ReadResult> {
    if (stream == u"Msg000002") {
      stuck = true;
      release.Wait(60000);
      endedAfterGone = gone.load();
    }
    return std::nullopt;
  };
  TalkControllerOptions options = Options();
  options.timing.watcherStopPolls = 2;
  options.timing.watcherStopPollMs = 1;
  auto controller = std::make_unique<TalkController>(shared, front, options);
  ASSERT_EQ(controller->Open(path), TalkController::OpenResult::kOpened);
  ASSERT_TRUE(front.PumpUntil([&] { return !front.log.empty(); }));
  std::weak_ptr<TalkWindowSink> sink = controller->Clients().setup().talkWindow;
  Write(2, "talk\th\tnever read");
  ASSERT_TRUE(Eventually([&] { return stuck.load(); }));
  controller->Shutdown();
  controller.reset();
  std::weak_ptr<StreamStore> kept = shared;
  shared.reset();
  EXPECT_FALSE(kept.expired());
  gone = true;
  release.Set();
  EXPECT_TRUE(Eventually([&] { return sink.expired() && kept.expired(); }));
  EXPECT_TRUE(endedAfterGone);
}

class ShareControllerTest : public TalkControllerTest {
 protected:
  ShareControllerTest() : TalkControllerTest(u"s.share") {}
};

TEST_F(ShareControllerTest, DescriptionStandsAtTheTopAndConversionMayHideAText) {
  store.CreateNew(path, kDescriptionStream, "Topic\r\nline 2");
  Write(1, "talk\th\tsecret");
  Write(2, "talk\th\tb");
  TalkController controller(shared, front, Options());
  controller.View().SetDisplayConversion([](std::u16string_view s) -> std::optional<std::u16string> {
    if (s == u"secret") return std::nullopt;
    return std::u16string(s);
  });
  ASSERT_EQ(controller.Open(path), TalkController::OpenResult::kOpened);
  ASSERT_TRUE(front.PumpUntil([&] { return controller.NewestMessage() && controller.NewestMessage()->number == 2; }));
  EXPECT_EQ(Shown(), u"Topic\rline 2\r\r1: h\r\r\r2: h\rb\r\r");
  EXPECT_FALSE(front.pane.FormatAt(0).bold);
  EXPECT_TRUE(front.pane.FormatAt(14).bold);
  // The braille lines keep what the pane leaves out.
  EXPECT_EQ(controller.Context().brailleLines.First()->text, u"Topic");
}

class MeetingControllerTest : public TalkControllerTest {
 protected:
  MeetingControllerTest() : TalkControllerTest(u"m.meeting") {
    for (const char16_t* port : {u"COM1", u"COM2"}) {
      terminals.push_back(std::make_unique<TerminalSimulator>(MakeMemoryTerminalLink(bus.Add(port))));
      terminals.back()->RaiseLines();
    }
    // Every read of a message stream and the creation of the PC user's out
    // record, in the order they happen.
    store.onRead = [this](std::u16string_view stream) -> std::optional<StreamStore::ReadResult> {
      std::lock_guard<std::mutex> lock(eventsLock);
      if (stream.starts_with(u"Msg")) events.push_back(u"read");
      return std::nullopt;
    };
  }
  std::vector<std::u16string> Records() {
    std::vector<std::u16string> records;
    for (uint32_t n = 1; ReadStreamText(store, path, MessageStreamName(n)); ++n) records.push_back(Stored(n));
    return records;
  }

  MemorySerialBus bus;
  std::vector<std::unique_ptr<TerminalSimulator>> terminals;
  std::mutex eventsLock;
  std::vector<std::u16string> events;
};

TEST_F(MeetingControllerTest, ClosingRecordsTheTerminalsLeavingBeforeTheOutRecordOnceTheWatcherHasStopped) {
  TalkControllerOptions options = Options();
  options.opener = bus.opener();
  auto controller = std::make_unique<TalkController>(shared, front, options);
  ASSERT_EQ(controller->Open(path, {u"Port:COM1;Port2:NULL;Speed:38400;Protocol:2;User:一郎;",
                                    u"Port:COM2;Port2:NULL;Speed:38400;Protocol:2;User:二郎;"}),
            TalkController::OpenResult::kOpened);
  ASSERT_TRUE(front.PumpUntil([&] { return Records().size() == 3; }));
  EXPECT_EQ(Records(), (std::vector<std::u16string>{u"in\tuser1", u"in\t一郎", u"in\t二郎"}));

  store.onCreate = [this](std::u16string_view) -> std::optional<StreamStore::CreateResult> {
    std::lock_guard<std::mutex> lock(eventsLock);
    events.push_back(u"create");
    return std::nullopt;
  };
  std::shared_ptr<TalkWindowSink> sink = controller->Clients().setup().talkWindow;
  front.log.clear();
  EXPECT_TRUE(controller->Shutdown());
  // No record was read after the last one was written: the watcher had
  // stopped.
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), u"create");
  // The dialog first, then the pump in which the terminals left.
  ASSERT_GE(front.log.size(), 2u);
  EXPECT_EQ(front.log[0], "close dialog");
  std::vector<std::u16string> records = Records();
  ASSERT_EQ(records.size(), 6u);
  EXPECT_EQ(std::count(records.begin(), records.end(), u"out\t一郎"), 1);
  EXPECT_EQ(std::count(records.begin(), records.end(), u"out\t二郎"), 1);
  EXPECT_EQ(records.back(), u"out\tuser1");

  // A client that outlives the talk tells nothing to anybody, and does
  // not wait for it.
  front.log.clear();
  sink->SendTerminalUser(u"三郎", false);
  sink->PostNewMessages(false);
  sink->PostRecordText(u"talk\tx\ty");
  controller.reset();
  EXPECT_FALSE(front.thread->RunNext(0));
  EXPECT_EQ(Records().size(), 6u);
  EXPECT_TRUE(front.log.empty());
}

TEST_F(TalkControllerTest, ClosingWhileASavedSetIsAppliedAndRowsAreDeleted) {
  // A saved set of terminals that never answer: each is waited for in turn.
  MemorySerialBus bus;
  std::deque<TerminalSimulator> terminals;
  std::u16string set;
  for (char16_t n = u'1'; n <= u'6'; ++n) {
    TerminalSimulator& t =
        terminals.emplace_back(MakeMemoryTerminalLink(bus.Add(std::u16string(u"COM") + n)));
    t.SetIdentity(TerminalSimulator::Identity::kSilent);
    t.RaiseLines();
    set += std::u16string(u"Port:COM") + n + u";Protocol:2;|";
  }
  TalkControllerOptions options = Options();
  options.opener = bus.opener();
  TalkController controller(shared, front, options);
  ASSERT_EQ(controller.Open(path), TalkController::OpenResult::kOpened);
  ClientRegistry& registry = controller.Clients();
  ASSERT_TRUE(controller.Connector().Connect(ListFromText(set)));
  ASSERT_TRUE(Eventually([&] { return registry.Count() == 2; }));
  // The terminals dialog's thread deletes the rows while the talk closes.
  std::thread dialog([&] {
    for (const RefPtr<I_PortClient>& client : registry.Clients()) registry.RemoveClient(*client);
  });
  EXPECT_TRUE(controller.Shutdown());
  dialog.join();
  EXPECT_EQ(registry.Count(), 0);
  EXPECT_TRUE(controller.Connector().Done());
}

}  // namespace
}  // namespace mirelon
