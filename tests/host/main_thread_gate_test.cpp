#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>

#include "dispatch/MainRunLoop.h"
#include "host/MainThreadGate.h"
#include "support/ChimewellTest.h"

namespace {

// The test's thread is the main thread; it runs the loop's tasks by hand
// (runDue), so a call from another thread stays posted until the test lets it run.
class MainThreadGateTest : public ChimewellTest {
 protected:
  // With no grace period every call turns busy as soon as it is posted,
  // which tells the test that the call is waiting for the main thread.
  MainThreadGate gate_{MainRunLoop::main(), std::chrono::milliseconds(0), [this](bool busy) {
                         if (busy) posted_.set_value();
                       }};
  std::promise<void> posted_;

  std::future<void> callFromAnotherThread(std::atomic<bool>& ran) {
    return std::async(std::launch::async, [this, &ran] { gate_.call([&ran] { ran = true; }); });
  }
  static bool answersSoon(std::future<void>& answer) {
    // Only a guard against waiting for ever; the answer needs no main-thread work.
    return answer.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  }
};

TEST_F(MainThreadGateTest, AfterCloseCallsInFlightStillRunAndNewOnesAreRefusedAtOnce) {
  std::atomic<bool> firstRan = false;
  auto first = callFromAnotherThread(firstRan);
  posted_.get_future().wait();
  gate_.close();

  std::atomic<bool> lateRan = false;
  auto late = callFromAnotherThread(lateRan);
  const bool refusedAtOnce = answersSoon(late);

  // The main thread itself still gets its work done (nothing waits on it).
  bool onMain = false;
  gate_.call([&] { onMain = true; });
  EXPECT_TRUE(onMain);

  // Runs whatever was posted, so that a failing check leaves no thread waiting.
  MainRunLoop::main().runDue();
  EXPECT_TRUE(refusedAtOnce);
  EXPECT_THROW(late.get(), MainThreadGate::Stopping);
  EXPECT_NO_THROW(first.get());
  EXPECT_TRUE(firstRan);
  EXPECT_FALSE(lateRan);
}

TEST_F(MainThreadGateTest, OnceTheLoopHasEndedWaitingCallsFailAndTheirWorkNeverRuns) {
  std::atomic<bool> ran = false;
  auto waiting = callFromAnotherThread(ran);
  posted_.get_future().wait();

  gate_.abandonWaiting();
  const bool failedAtOnce = answersSoon(waiting);
  MainRunLoop::main().runDue();
  EXPECT_TRUE(failedAtOnce);
  EXPECT_THROW(waiting.get(), MainThreadGate::Stopping);
  EXPECT_FALSE(ran);
}

TEST_F(MainThreadGateTest, TheBusyListenerMayAskTheGateItself) {
  std::promise<bool> toldBusy;
  MainThreadGate gate{MainRunLoop::main(), std::chrono::milliseconds(0), [&](bool busy) {
                        if (busy) toldBusy.set_value(gate.busy());
                      }};
  auto call = std::async(std::launch::async, [&gate] { gate.call([] {}); });
  auto told = toldBusy.get_future();
  ASSERT_EQ(told.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "the listener ran locked";
  EXPECT_TRUE(told.get());
  MainRunLoop::main().runDue();
  EXPECT_TRUE(answersSoon(call));
  EXPECT_FALSE(gate.busy());
}

TEST_F(MainThreadGateTest, WorkAlreadyRunningIsNotAbandonedAndItsFailureReachesTheCaller) {
  auto running = std::async(std::launch::async, [this] {
    gate_.call([this] {
      gate_.abandonWaiting();  // as if the loop ended while this ran
      throw std::invalid_argument("the pane refused");
    });
  });
  posted_.get_future().wait();
  MainRunLoop::main().runDue();
  EXPECT_THROW(running.get(), std::invalid_argument);
}

}  // namespace
