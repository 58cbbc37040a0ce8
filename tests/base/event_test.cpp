#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/event.h"

using namespace mirelon;

namespace {
constexpr int64_t kLong = 10000;  // a bound for a test that would hang, never reached
}

TEST(Event, ManualResetStaysSignalledUntilReset) {
  Event e(Event::Kind::kManualReset);
  EXPECT_FALSE(e.Wait(0));
  e.Set();
  EXPECT_TRUE(e.Wait(0));
  EXPECT_TRUE(e.Wait(0));
  EXPECT_TRUE(e.IsSet());
  e.Reset();
  EXPECT_FALSE(e.Wait(0));
  EXPECT_FALSE(e.Wait(1));
}

TEST(Event, AutoResetIsConsumedByOneWait) {
  Event e(Event::Kind::kAutoReset, true);
  EXPECT_TRUE(e.IsSet());
  EXPECT_TRUE(e.Wait(0));
  EXPECT_FALSE(e.IsSet());
  EXPECT_FALSE(e.Wait(0));
}

TEST(Event, WaitOrStopPrefersThisEventAndReportsEachOutcome) {
  Event data, stop;
  EXPECT_EQ(data.WaitOrStop(&stop, 0), Event::WaitResult::kTimedOut);
  EXPECT_EQ(data.WaitOrStop(&stop, 5), Event::WaitResult::kTimedOut);
  stop.Set();
  EXPECT_EQ(data.WaitOrStop(&stop, kLong), Event::WaitResult::kStopped);
  data.Set();
  EXPECT_EQ(data.WaitOrStop(&stop, kLong), Event::WaitResult::kSignalled);
  EXPECT_EQ(data.WaitOrStop(nullptr, 0), Event::WaitResult::kSignalled);
  // A manual-reset stop is not consumed by the wait it ended.
  data.Reset();
  EXPECT_EQ(data.WaitOrStop(&stop, kLong), Event::WaitResult::kStopped);
  EXPECT_TRUE(stop.IsSet());
}

TEST(Event, WaitIsEndedBySetOnAnotherThread) {
  Event data, stop;
  std::thread setter([&] { data.Set(); });
  EXPECT_EQ(data.WaitOrStop(&stop, kLong), Event::WaitResult::kSignalled);
  setter.join();

  std::thread stopper([&] { stop.Set(); });
  Event never;
  EXPECT_EQ(never.WaitOrStop(&stop, Event::kInfinite), Event::WaitResult::kStopped);
  stopper.join();
}

TEST(Event, AutoResetReleasesOneOfSeveralWaiters) {
  Event e(Event::Kind::kAutoReset);
  Event stop;
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 4; ++i)
    waiters.emplace_back([&] {
      if (e.WaitOrStop(&stop, kLong) == Event::WaitResult::kSignalled) ++woken;
    });
  e.Set();
  while (e.IsSet()) std::this_thread::yield();  // consumed by one waiter
  stop.Set();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(woken.load(), 1);
}

TEST(Event, ManySettersAndWaitersNeverLoseAWakeUp) {
  // Each round hands one token through an auto-reset event; a lost wake-up
  // would leave the consumer waiting for the whole bound.
  Event token(Event::Kind::kAutoReset), stop;
  std::atomic<int> taken{0};
  constexpr int kRounds = 2000;
  std::thread consumer([&] {
    for (int i = 0; i < kRounds; ++i)
      if (token.WaitOrStop(&stop, kLong) == Event::WaitResult::kSignalled) ++taken;
  });
  for (int i = 0; i < kRounds; ++i) {
    while (token.IsSet()) std::this_thread::yield();
    token.Set();
  }
  consumer.join();
  EXPECT_EQ(taken.load(), kRounds);
}

TEST(Event, SleepUnlessStoppedEndsEarlyOnlyWhenStopped) {
  Event stop;
  EXPECT_TRUE(SleepUnlessStopped(&stop, 1));
  EXPECT_TRUE(SleepUnlessStopped(nullptr, 0));
  stop.Set();
  EXPECT_FALSE(SleepUnlessStopped(&stop, kLong));
}
