#pragma once
// Server-sent events to every open browser page: the new screen, the busy
// state, links to open. Publishing never blocks on a slow reader; each
// subscriber has its own queue, drained by the HTTP thread serving it.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct ServerEvent {
  std::string name;  // "screen", "busy", "link"
  std::string data;  // JSON text
  // The text of the event on the wire ("event: ...\ndata: ...\n\n").
  std::string wireText() const;
};

class EventHub {
 public:
  class Subscription {
   public:
    // Waits up to `timeout` for the next event; none on time-out or close.
    std::optional<ServerEvent> next(std::chrono::milliseconds timeout);
    bool closed() const;

   private:
    friend class EventHub;
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<ServerEvent> queue_;
    bool closed_ = false;
  };

  // A new subscription that starts with `initial` (what the page must know at once),
  // or none when `limit` subscriptions are open already. After closeAll() it starts closed.
  std::shared_ptr<Subscription> subscribe(std::vector<ServerEvent> initial = {},
                                          std::size_t limit = SIZE_MAX);
  void unsubscribe(const std::shared_ptr<Subscription>& subscription);
  void publish(const ServerEvent& event);
  // Wakes and ends every subscription (the server is stopping).
  void closeAll();
  std::size_t subscriberCount() const;

 private:
  // A reader that falls this far behind only needs the latest screen anyway.
  static constexpr std::size_t kMaxQueued = 256;

  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<Subscription>> subscriptions_;
  bool closed_ = false;
};
