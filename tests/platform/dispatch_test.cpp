#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dispatch/MainRunLoop.h"
#include "dispatch/dispatch.h"
#include "support/ChimewellTest.h"

using namespace std::chrono_literals;
using ::testing::ElementsAre;

namespace {

class DispatchTest : public ChimewellTest {
 protected:
  void runAfter(std::chrono::nanoseconds delay, std::string label) {
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, delay.count()), dispatch_get_main_queue(),
                   [this, label] { ran.push_back(label); });
  }

  std::vector<std::string> ran;
};

TEST_F(DispatchTest, AfterRunsOnlyOnceTheClockReachesItsTime) {
  runAfter(3s, "three");
  runAfter(1s, "one");
  runAfter(3s, "three again");
  clock().advance(999ms);
  EXPECT_EQ(MainRunLoop::main().runDue(), 0u);
  clock().advance(1ms);
  MainRunLoop::main().runDue();
  EXPECT_THAT(ran, ElementsAre("one"));
  clock().advance(5s);
  MainRunLoop::main().runDue();
  // Earlier deadlines first; equal deadlines in the order they were asked for.
  EXPECT_THAT(ran, ElementsAre("one", "three", "three again"));
  EXPECT_EQ(MainRunLoop::main().runDue(), 0u);
}

TEST_F(DispatchTest, AsyncWorkRunsInOrderWithWhatItPostsButNotFutureTimers) {
  dispatch_async(dispatch_get_main_queue(), [this] {
    ran.push_back("first");
    dispatch_async(dispatch_get_main_queue(), [this] { ran.push_back("posted by first"); });
    runAfter(1s, "timer");
  });
  dispatch_async(dispatch_get_main_queue(), [this] { ran.push_back("second"); });
  EXPECT_TRUE(ran.empty());  // nothing runs until the loop is asked to
  EXPECT_EQ(MainRunLoop::main().runDue(), 3u);
  EXPECT_THAT(ran, ElementsAre("first", "second", "posted by first"));
}

TEST_F(DispatchTest, TimesCountFromTheRunLoopClockSaturateAndMayLieInThePast) {
  clock().advance(10s);
  EXPECT_EQ(dispatch_time(DISPATCH_TIME_NOW, 3 * NSEC_PER_SEC), 13u * NSEC_PER_SEC);
  const dispatch_time_t later = dispatch_time(DISPATCH_TIME_NOW, NSEC_PER_SEC);
  EXPECT_EQ(dispatch_time(later, NSEC_PER_SEC), 12u * NSEC_PER_SEC);
  EXPECT_EQ(dispatch_time(later, -20 * NSEC_PER_SEC), DISPATCH_TIME_NOW);
  EXPECT_EQ(dispatch_time(dispatch_time(later, INT64_MAX), INT64_MAX), DISPATCH_TIME_FOREVER);
  EXPECT_EQ(dispatch_time(DISPATCH_TIME_FOREVER, -1), DISPATCH_TIME_FOREVER);

  // A time already past runs at once; forever never comes.
  dispatch_after(dispatch_time(DISPATCH_TIME_NOW, -1 * NSEC_PER_SEC), dispatch_get_main_queue(),
                 [this] { ran.push_back("past"); });
  dispatch_after(DISPATCH_TIME_FOREVER, dispatch_get_main_queue(),
                 [this] { ran.push_back("forever"); });
  MainRunLoop::main().runDue();
  clock().advance(std::chrono::hours(24 * 365));
  MainRunLoop::main().runDue();
  EXPECT_THAT(ran, ElementsAre("past"));
}

TEST_F(DispatchTest, OnceRunsTheBlockOnceAndOthersWaitForIt) {
  dispatch_once_t token;
  std::atomic<int> runs{0};
  std::atomic<bool> finished{false};
  std::vector<char> sawFinished(8);  // not vector<bool>: its bits share words between threads
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < sawFinished.size(); ++i) {
    threads.emplace_back([&, i] {
      dispatch_once(&token, [&] {
        ++runs;
        std::this_thread::yield();
        finished = true;
      });
      sawFinished[i] = finished;
    });
  }
  for (auto& thread : threads) thread.join();
  dispatch_once(&token, [&] { ++runs; });
  EXPECT_EQ(runs, 1);
  EXPECT_THAT(sawFinished, ::testing::Each(true));
}

TEST_F(DispatchTest, ARunningLoopServesOtherThreadsAndWakesForTheManualClockUntilStopped) {
  std::thread loop([] { MainRunLoop::main().run(); });
  std::atomic<bool> onMainThread{false};
  dispatch_async(dispatch_get_main_queue(), [&] {
    onMainThread = MainRunLoop::main().isMainThread();
    MainRunLoop::main().stop();
  });
  loop.join();
  EXPECT_TRUE(onMainThread);
  EXPECT_FALSE(MainRunLoop::main().isMainThread());
  // A stopped loop can be run again; advancing the clock wakes it for a timer.
  std::thread again([] { MainRunLoop::main().run(); });
  std::atomic<bool> fired{false};
  dispatch_after(dispatch_time(DISPATCH_TIME_NOW, NSEC_PER_SEC), dispatch_get_main_queue(), [&] {
    fired = true;
    MainRunLoop::main().stop();
  });
  clock().advance(1s);
  again.join();  // would hang if advancing the clock left the loop asleep
  EXPECT_TRUE(fired);
}

TEST_F(DispatchTest, GlobalWorkRunsOffTheMainThreadAndPostsItsResultBack) {
  const auto mainThread = std::this_thread::get_id();
  std::thread::id worker;
  dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [&] {
    worker = std::this_thread::get_id();
    dispatch_async(dispatch_get_main_queue(), [&] { ran.push_back("result on the main thread"); });
  });
  ASSERT_TRUE(MainRunLoop::main().runUntil([&] { return !ran.empty(); }));
  EXPECT_NE(worker, mainThread);
  EXPECT_THAT(ran, ElementsAre("result on the main thread"));
  // The manual clock did not move while the loop waited.
  EXPECT_EQ(MainRunLoop::main().now(), std::chrono::nanoseconds(0));
  EXPECT_FALSE(MainRunLoop::main().runUntil([] { return false; }, std::chrono::milliseconds(20)));
}

TEST_F(DispatchTest, UnknownQueuesAreNoneAndOnlyTheMainQueueTakesTimers) {
  EXPECT_EQ(dispatch_get_global_queue(7, 0), nullptr);
  EXPECT_EQ(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 1), nullptr);
  EXPECT_THROW(dispatch_after(DISPATCH_TIME_NOW, dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_LOW, 0), [] {}),
               std::invalid_argument);
  EXPECT_THROW(dispatch_async(nullptr, [] {}), std::invalid_argument);
}

}  // namespace
