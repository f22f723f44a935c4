// When brindle-sync feeds systemd's watchdog: first on pulses and times given as values, then on
// a real copy engine whose pass the test holds in one call (the engine's pass body hook), the
// way a pass hangs on a server that stopped answering.
#include "app/service_watchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "replication/copy_engine.h"

namespace brindle {
namespace {

using namespace std::chrono_literals;
using Clock = TWatchdogFeeder::Clock;
using Pulse = TCopyEngine::Pulse;

constexpr std::chrono::microseconds kInterval = 8s;

// Feeds the feeder `pulse_at(step)` every `step_length` for `steps` steps; the times it fed.
template <class PulseAt>
std::vector<Clock::time_point> Feeds(TWatchdogFeeder& feeder, Clock::time_point start,
                                     Clock::duration step_length, int steps, PulseAt pulse_at) {
  std::vector<Clock::time_point> feeds;
  for (int step = 0; step < steps; ++step) {
    const Clock::time_point now = start + step * step_length;
    if (feeder.Due(pulse_at(step), now)) feeds.push_back(now);
  }
  return feeds;
}

// Every gap, from the start through the feeds, is below half the interval, as systemd asks.
void ExpectFedOften(const std::vector<Clock::time_point>& feeds, Clock::time_point start,
                    Clock::time_point end) {
  ASSERT_FALSE(feeds.empty());
  Clock::time_point previous = start;
  for (const Clock::time_point feed : feeds) {
    EXPECT_LT(feed - previous, kInterval / 2);
    previous = feed;
  }
  EXPECT_LT(end - previous, kInterval / 2);
}

TEST(WatchdogFeeder, FeedsWhileTheThreadWaitsBetweenPasses) {
  TWatchdogFeeder feeder(kInterval);
  const Clock::time_point start{};
  // One long wait: nothing changes but the thread is waiting.
  const Pulse waiting{true, 7, 37, 0, 0};
  const auto feeds = Feeds(feeder, start, 200ms, 300, [&](int) { return waiting; });
  ExpectFedOften(feeds, start, start + 300 * 200ms);
  // Not more often than a quarter of the interval.
  for (std::size_t i = 1; i < feeds.size(); ++i) EXPECT_GE(feeds[i] - feeds[i - 1], kInterval / 4);
}

TEST(WatchdogFeeder, FeedsWhileAPassMakesProgress) {
  TWatchdogFeeder feeder(kInterval);
  const Clock::time_point start{};
  // A new record every 3 s: slower than the feeding, faster than half the interval.
  const auto feeds = Feeds(feeder, start, 200ms, 300, [](int step) {
    return Pulse{false, 8, 5, step / 15, 1000};
  });
  ExpectFedOften(feeds, start, start + 300 * 200ms);
}

// Also what a thread that ended (an escaped error) looks like: neither waiting nor moving.
TEST(WatchdogFeeder, AStuckPassStopsTheFeedingUntilItMovesAgain) {
  TWatchdogFeeder feeder(kInterval);
  const Clock::time_point start{};
  const Pulse stuck{false, 8, 3, 41, 1000};
  EXPECT_TRUE(feeder.Due(stuck, start));
  const auto feeds = Feeds(feeder, start + 200ms, 200ms, 500, [&](int) { return stuck; });
  ASSERT_FALSE(feeds.empty()) << "fed on while the pass may still be in a short call";
  EXPECT_LT(feeds.back() - start, kInterval / 2) << "fed while the pass was stuck";

  // The pass goes on: the next look feeds.
  Pulse moved = stuck;
  ++moved.RecordNo;
  EXPECT_TRUE(feeder.Due(moved, start + 200ms + 500 * 200ms));
}

// A real engine: idle, then a pass held in one call, then released.
TEST(WatchdogFeeder, AHeldPassOfARealEngineStopsTheFeeding) {
  constexpr std::chrono::microseconds interval = 400ms;
  std::atomic<bool> entered{false};
  std::atomic<bool> released{false};
  TCopySettings settings;
  settings.CheckPeriod = 3600;
  TCopyEngine engine(settings, [&](const TCopySettings&, TPassProgress& progress) {
    progress.TableCount = 37;
    ++progress.TableNo;
    entered = true;
    while (!released) std::this_thread::sleep_for(5ms);  // one call that does not return
    return TPassResult{};
  });
  // Released before the engine's end, which waits for the pass.
  struct Release {
    std::atomic<bool>& flag;
    ~Release() { flag = true; }
  } release_at_end{released};

  TWatchdogFeeder feeder(interval);
  auto look = [&] { return feeder.Due(engine.TakePulse(), Clock::now()); };
  auto count_feeds = [&](Clock::duration length) {
    int feeds = 0;
    for (const auto end = Clock::now() + length; Clock::now() < end;) {
      feeds += look() ? 1 : 0;
      std::this_thread::sleep_for(20ms);
    }
    return feeds;
  };

  EXPECT_GE(count_feeds(1s), 2) << "not fed while the thread waits";

  engine.SetCopyEnabled(true);
  engine.WakeUp();
  for (const auto deadline = Clock::now() + 10s; !entered;) {
    ASSERT_LT(Clock::now(), deadline) << "the pass did not start";
    std::this_thread::sleep_for(5ms);
  }
  engine.SetCopyEnabled(false);
  // The pulse stands still from here; the first look after it may still see it move.
  look();
  const Clock::time_point still_from = Clock::now();
  while (Clock::now() < still_from + interval / 2) {
    look();
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(count_feeds(3 * interval), 0) << "fed while the pass was held";

  released = true;
  int feeds = 0;
  for (const auto deadline = Clock::now() + 10s; feeds == 0 && Clock::now() < deadline;) {
    feeds += look() ? 1 : 0;
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_GT(feeds, 0) << "not fed again after the pass ended";
}

}  // namespace
}  // namespace brindle
