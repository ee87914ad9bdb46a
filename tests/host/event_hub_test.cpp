// A connection woken for each event is run end to end by the host suites; here
// what one that falls behind holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/EventHub.h"

namespace {

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
