#include "host/EventHub.h"

#include <algorithm>
#include <iterator>

std::string ServerEvent::wireText() const {
  // JSON text holds no raw newline, so one data line carries it whole.
  return "event: " + name + "\ndata: " + data + "\n\n";
}

void EventHub::Subscription::setWake(std::function<void()> wake) {
  bool pending = false;
  {
    std::lock_guard guard(mutex_);
    wake_ = std::move(wake);
    pending = closed_ || !queue_.empty();
  }
  if (pending) wakeFunction()();
}

std::vector<ServerEvent> EventHub::Subscription::take() {
  std::lock_guard guard(mutex_);
  std::vector<ServerEvent> events(std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.end()));
  queue_.clear();
  return events;
}

bool EventHub::Subscription::closed() const {
  std::lock_guard guard(mutex_);
  return closed_;
}

bool EventHub::Subscription::push(const ServerEvent& event) {
  std::lock_guard guard(mutex_);
  // Only the newest screen and busy state count: a page draws the latest.
  if (event.name != "link") std::erase_if(queue_, [&](const ServerEvent& queued) { return queued.name == event.name; });
  if (queue_.size() >= kMaxQueued) queue_.pop_front();
  queue_.push_back(event);
  return wake_ != nullptr;
}

std::function<void()> EventHub::Subscription::wakeFunction() const {
  std::lock_guard guard(mutex_);
  return wake_ ? wake_ : [] {};
}

std::shared_ptr<EventHub::Subscription> EventHub::subscribe(std::vector<ServerEvent> initial, std::size_t limit) {
  auto subscription = std::make_shared<Subscription>();
  subscription->queue_.assign(std::make_move_iterator(initial.begin()), std::make_move_iterator(initial.end()));
  std::lock_guard guard(mutex_);
  if (subscriptions_.size() >= limit) return nullptr;
  subscription->closed_ = closed_;
  subscriptions_.push_back(subscription);
  return subscription;
}

void EventHub::unsubscribe(const std::shared_ptr<Subscription>& subscription) {
  std::lock_guard guard(mutex_);
  std::erase(subscriptions_, subscription);
}

std::vector<std::shared_ptr<EventHub::Subscription>> EventHub::snapshot() const {
  std::lock_guard guard(mutex_);
  return subscriptions_;
}

// Wakes run outside every lock: a wake posts to the server's I/O thread,
// which may be taking from this very subscription.
void EventHub::publish(const ServerEvent& event) {
  for (const auto& subscription : snapshot()) {
    if (subscription->push(event)) subscription->wakeFunction()();
  }
}

void EventHub::closeAll() {
  {
    std::lock_guard guard(mutex_);
    closed_ = true;
  }
  for (const auto& subscription : snapshot()) {
    {
      std::lock_guard guard(subscription->mutex_);
      subscription->closed_ = true;
    }
    subscription->wakeFunction()();
  }
}

std::size_t EventHub::subscriberCount() const {
  std::lock_guard guard(mutex_);
  return subscriptions_.size();
}
