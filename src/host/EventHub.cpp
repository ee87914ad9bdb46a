#include "host/EventHub.h"

#include <algorithm>
#include <iterator>

std::string ServerEvent::wireText() const {
  // JSON text holds no raw newline, so one data line carries it whole.
  return "event: " + name + "\ndata: " + data + "\n\n";
}

std::optional<ServerEvent> EventHub::Subscription::next(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  ready_.wait_for(lock, timeout, [this] { return closed_ || !queue_.empty(); });
  if (queue_.empty()) return std::nullopt;
  ServerEvent event = std::move(queue_.front());
  queue_.pop_front();
  return event;
}

bool EventHub::Subscription::closed() const {
  std::lock_guard guard(mutex_);
  return closed_;
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

void EventHub::publish(const ServerEvent& event) {
  std::lock_guard guard(mutex_);
  for (const auto& subscription : subscriptions_) {
    std::lock_guard queueGuard(subscription->mutex_);
    if (subscription->queue_.size() >= kMaxQueued) subscription->queue_.pop_front();
    subscription->queue_.push_back(event);
    subscription->ready_.notify_one();
  }
}

void EventHub::closeAll() {
  std::lock_guard guard(mutex_);
  closed_ = true;
  for (const auto& subscription : subscriptions_) {
    std::lock_guard queueGuard(subscription->mutex_);
    subscription->closed_ = true;
    subscription->ready_.notify_all();
  }
}

std::size_t EventHub::subscriberCount() const {
  std::lock_guard guard(mutex_);
  return subscriptions_.size();
}
