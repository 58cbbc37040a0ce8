// Several programs appending to one talk at once, and large talks.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "base/timing.h"
#include "base/utf.h"
#include "support/child_process.h"
#include "talk/talk_file.h"
#include "talk_fixture.h"

namespace mirelon {
namespace {

constexpr int kWriters = 8;
constexpr int kAppendsEach = 200;

// Runs only as a child of AppendingProcesses: appends its share of records
// as a participant does, with its own watcher raising NextNumber.
TEST(AppendChild, AppendsItsRecords) {
  const std::string talk = GetEnvironment("MIRELON_APPEND_TALK");
  if (talk.empty()) GTEST_SKIP() << "runs as a child process only";
  const std::string id = GetEnvironment("MIRELON_APPEND_ID");
  TalkContext context(CreatePlatformStreamStore());
  context.talkPath = Utf8ToUtf16Lenient(talk);
  QueuedTalkSink sink;
  StreamWatcher watcher(Unowned(context), Unowned<TalkWindowSink>(sink), FastTiming());
  ASSERT_TRUE(watcher.Start());
  for (bool scanned = false; !scanned;) {
    auto e = sink.Wait(20000);
    ASSERT_TRUE(e);
    scanned = e->kind == TalkEvent::Kind::kScanDone;
  }
  for (int i = 0; i < kAppendsEach; ++i) {
    // However far its watcher is behind the others, their numbers are
    // only taken ones, never a failure.
    ASSERT_TRUE(AppendRecord(context, U16("talk\twriter" + id + "\t" + std::to_string(i))));
  }
  watcher.Stop();
}

TEST(AppendingProcesses, EveryRecordIsStoredOnceWithDenseNumbersSeenInOrder) {
  TalkFixture t;
  t.StartWatcher();
  std::vector<ChildProcess> children;
  for (int k = 0; k < kWriters; ++k)
    children.emplace_back(std::vector<std::string>{"--gtest_filter=AppendChild.*"},
                          std::vector<std::string>{"MIRELON_APPEND_TALK=" + Utf16ToUtf8(t.context.talkPath),
                                                   "MIRELON_APPEND_ID=" + std::to_string(k)});
  for (auto& c : children) ASSERT_TRUE(c.started());
  for (auto& c : children) EXPECT_EQ(c.Wait(), 0);

  constexpr uint32_t kTotal = kWriters * kAppendsEach;
  ASSERT_TRUE(t.PumpUntil([&] { return Numbers(t.context.messages).size() >= kTotal; }));
  std::vector<uint32_t> numbers = Numbers(t.context.messages);
  ASSERT_EQ(numbers.size(), kTotal);
  for (uint32_t i = 0; i < kTotal; ++i) ASSERT_EQ(numbers[i], i + 1);

  std::set<std::u16string> records;
  for (MessageNode* n = t.context.messages.First(); n; n = MessageList::Next(n))
    records.insert(n->header + u"/" + n->body.value_or(u""));
  EXPECT_EQ(records.size(), kTotal);
  EXPECT_FALSE(t.store.Exists(t.context.talkPath, MessageStreamName(kTotal + 1)));
  // No temporary file is left in the folder.
  for (const auto& name : t.dir.List()) EXPECT_NE(name[0], u'.') << Utf16ToUtf8(name);
}

TEST(LargeTalk, FirstScanReadsThousandsOfRecordsInNumberOrder) {
  TalkFixture t;
  constexpr uint32_t kRecords = 2000;
  // Written in an order unlike the numbers, as a listing may give them.
  for (uint32_t k = 0; k < kRecords; ++k) {
    const uint32_t n = 1 + (k * 7919) % kRecords;
    t.WriteMessage(n, "talk\tuser" + std::to_string(n % 5) + "さん 1/01 0:00\tmessage " + std::to_string(n));
  }
  t.StartWatcher();
  bool scanDone = false;
  ASSERT_TRUE(t.PumpUntil([&] { return scanDone; },
                          [&](const TalkEvent& e) { scanDone |= e.kind == TalkEvent::Kind::kScanDone; }));
  std::vector<uint32_t> numbers = Numbers(t.context.messages);
  ASSERT_EQ(numbers.size(), kRecords);
  for (uint32_t i = 0; i < kRecords; ++i) ASSERT_EQ(numbers[i], i + 1);
  EXPECT_EQ(t.context.nextNumber.load(), kRecords + 1);
}

}  // namespace
}  // namespace mirelon
