#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "dispatch/MainRunLoop.h"
#include "host/MainThreadGate.h"
#include "support/ChimewellTest.h"

namespace {

// The test's thread is the main thread; it runs the loop's tasks by hand
// (runDue), so a call from another thread stays posted until the test lets
// it run. Busy timers fire when the test says.
class MainThreadGateTest : public ChimewellTest {
 protected:
  struct Answered {
    std::exception_ptr failure;
    bool onMainThread = false;
  };

  MainThreadGate gate_{MainRunLoop::main(), std::chrono::milliseconds(150),
                       // Asks the gate itself: the listener runs outside its locks.
                       [this](bool busy) { told_.push_back(busy && gate_.busy()); },
                       [this](std::chrono::milliseconds, std::function<void()> task) { timers_.push_back(std::move(task)); }};
  std::vector<bool> told_;
  std::vector<std::function<void()>> timers_;

  void fireTimers() {
    for (auto& task : std::exchange(timers_, {})) task();
  }
  // Makes the call on a thread of its own, which returns without waiting.
  std::future<Answered> callFromAnotherThread(std::function<void()> work) {
    auto answer = std::make_shared<std::promise<Answered>>();
    auto answered = answer->get_future();
    std::thread([this, work = std::move(work), answer] {
      gate_.call(work, [answer](std::exception_ptr failure) {
        answer->set_value({failure, MainRunLoop::main().isMainThread()});
      });
    }).join();
    return answered;
  }
  static bool isReady(std::future<Answered>& answered) {
    return answered.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
  }
};

TEST_F(MainThreadGateTest, ACallIsAnsweredOnTheMainThreadWithWhatItsWorkThrewAndOnlyASlowOneMakesItBusy) {
  auto quick = callFromAnotherThread([] {});
  MainRunLoop::main().runDue();
  fireTimers();
  EXPECT_TRUE(isReady(quick));
  EXPECT_TRUE(told_.empty()) << "answered within the grace";

  bool ran = false;
  auto fine = callFromAnotherThread([&] { ran = true; });
  auto failing = callFromAnotherThread([] { throw std::invalid_argument("the pane refused"); });
  EXPECT_FALSE(ran || isReady(fine)) << "a call returns at once";
  fireTimers();
  EXPECT_TRUE(gate_.busy());
  EXPECT_EQ(told_, std::vector<bool>{true});  // told once for both
  MainRunLoop::main().runDue();
  EXPECT_FALSE(gate_.busy());
  EXPECT_EQ(told_, (std::vector<bool>{true, false}));
  ASSERT_TRUE(isReady(fine) && isReady(failing));
  const Answered answered = fine.get();
  EXPECT_TRUE(ran && !answered.failure && answered.onMainThread);
  EXPECT_THROW(std::rethrow_exception(failing.get().failure), std::invalid_argument);
}

TEST_F(MainThreadGateTest, AfterCloseCallsInFlightStillRunAndNewOnesAreRefusedAtOnce) {
  bool firstRan = false;
  auto first = callFromAnotherThread([&] { firstRan = true; });
  gate_.close();

  bool lateRan = false;
  auto late = callFromAnotherThread([&] { lateRan = true; });
  ASSERT_TRUE(isReady(late)) << "refused without the main thread";
  EXPECT_THROW(std::rethrow_exception(late.get().failure), MainThreadGate::Stopping);

  // The main thread itself still gets its work done and answered at once.
  bool onMain = false;
  bool answeredOnMain = false;
  gate_.call([&] { onMain = true; }, [&](std::exception_ptr failure) { answeredOnMain = !failure; });
  EXPECT_TRUE(onMain && answeredOnMain);

  MainRunLoop::main().runDue();
  ASSERT_TRUE(isReady(first));
  EXPECT_FALSE(first.get().failure);
  EXPECT_TRUE(firstRan);
  EXPECT_FALSE(lateRan);
}

TEST_F(MainThreadGateTest, OnceTheLoopHasEndedWaitingCallsAreAnsweredAndWorkAlreadyRunningFinishes) {
  auto running = callFromAnotherThread([this] {
    gate_.abandonWaiting();  // as if the loop ended while this ran
    throw std::invalid_argument("the pane refused");
  });
  bool ran = false;
  auto waiting = callFromAnotherThread([&] { ran = true; });
  fireTimers();  // they were slow, so the gate is busy...
  MainRunLoop::main().runDue();

  ASSERT_TRUE(isReady(running) && isReady(waiting));
  EXPECT_THROW(std::rethrow_exception(running.get().failure), std::invalid_argument) << "its own failure is its answer";
  EXPECT_THROW(std::rethrow_exception(waiting.get().failure), MainThreadGate::Stopping);
  EXPECT_EQ(told_, (std::vector<bool>{true, false}));  // ...and no longer once they are answered
  EXPECT_FALSE(ran);
}

}  // namespace
