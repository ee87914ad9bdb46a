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

// Earlier deadlines first; equal ones, and work posted now, in the order they were asked for.
TEST_F(DispatchTest, WorkRunsWhenTheLoopIsAskedByDueTimeThenPostingOrder) {
  runAfter(3s, "three");
  runAfter(1s, "one");
  runAfter(3s, "three again");
  dispatch_async(dispatch_get_main_queue(), [this] {
    ran.push_back("first");
    dispatch_async(dispatch_get_main_queue(), [this] { ran.push_back("posted by first"); });
  });
  dispatch_async(dispatch_get_main_queue(), [this] { ran.push_back("second"); });
  EXPECT_TRUE(ran.empty());
  clock().advance(999ms);
  EXPECT_EQ(MainRunLoop::main().runDue(), 3u);
  clock().advance(1ms);
  MainRunLoop::main().runDue();
  clock().advance(5s);
  MainRunLoop::main().runDue();
  EXPECT_THAT(ran, ElementsAre("first", "second", "posted by first", "one", "three", "three again"));
  EXPECT_EQ(MainRunLoop::main().runDue(), 0u);
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

}  // namespace
