#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/EventHub.h"

namespace {

// A connection learns of events only through its wake function: a missed
// wake is a page that stops hearing of the screen.
TEST(EventHubTest, ASubscriberIsWokenForWhatCameBeforeItsWakeAndForEachEventAndTheEnd) {
  EventHub hub;
  auto subscription = hub.subscribe({{"busy", "false"}});
  int woken = 0;
  subscription->setWake([&] { ++woken; });
  EXPECT_EQ(woken, 1) << "the initial event waits unseen";
  ASSERT_EQ(subscription->take().size(), 1u);

  hub.publish({"screen", "{}"});
  hub.publish({"link", "{}"});
  EXPECT_EQ(woken, 3);
  const auto events = subscription->take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].name, "screen");
  EXPECT_TRUE(subscription->take().empty());

  hub.closeAll();
  EXPECT_EQ(woken, 4);
  EXPECT_TRUE(subscription->closed());
  // One that comes after the end starts closed and is told so at once.
  auto late = hub.subscribe();
  int lateWoken = 0;
  late->setWake([&] { ++lateWoken; });
  EXPECT_EQ(lateWoken, 1);
  EXPECT_TRUE(late->closed());
}

TEST(EventHubTest, AReaderThatFallsBehindHoldsOnlyTheNewestScreenAndBusyStateBesideItsLinksAndTheCapHolds) {
  EventHub hub;
  auto first = hub.subscribe({}, 1);
  ASSERT_TRUE(first);
  EXPECT_FALSE(hub.subscribe({}, 1));
  for (int i = 0; i < 1000; ++i) hub.publish({i % 2 ? "screen" : "busy", std::to_string(i)});
  hub.publish({"link", "a"});
  hub.publish({"screen", "last"});
  std::vector<std::string> held;
  for (const auto& event : first->take()) held.push_back(event.name + " " + event.data);
  EXPECT_EQ(held, (std::vector<std::string>{"busy 998", "link a", "screen last"}));
  hub.unsubscribe(first);
  EXPECT_TRUE(hub.subscribe({}, 1));
}

}  // namespace
