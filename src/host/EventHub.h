#pragma once
// Server-sent events to every open browser page: the new screen, the busy
// state, links to open. Publishing never blocks on a slow reader and nobody
// waits for an event: each subscriber has its own queue and a wake function
// that tells its connection (on the server's I/O thread) to take what came.
// A screen or busy state replaces the one of its kind still queued, so a
// slow reader holds at most one of each, and the links. Any thread.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
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
    // Called (on the publishing thread, no lock held) whenever an event
    // arrives or the subscription closes; at once if either already happened.
    void setWake(std::function<void()> wake);
    // Every event queued so far, oldest first, leaving the queue empty.
    std::vector<ServerEvent> take();
    bool closed() const;

   private:
    friend class EventHub;
    // Queues the event; true when the subscriber is to be woken.
    bool push(const ServerEvent& event);
    std::function<void()> wakeFunction() const;

    mutable std::mutex mutex_;
    std::deque<ServerEvent> queue_;
    std::function<void()> wake_;
    bool closed_ = false;
  };

  // A new subscription that starts with `initial` (what the page must know at once),
  // or none when `limit` subscriptions are open already. After closeAll() it starts closed.
  std::shared_ptr<Subscription> subscribe(std::vector<ServerEvent> initial = {},
                                          std::size_t limit = SIZE_MAX);
  void unsubscribe(const std::shared_ptr<Subscription>& subscription);
  void publish(const ServerEvent& event);
  // Ends every subscription and wakes it (the server is stopping).
  void closeAll();
  std::size_t subscriberCount() const;

 private:
  // Links a reader that stopped reading holds at most (each screen or busy
  // state replaces the one before): older links go first.
  static constexpr std::size_t kMaxQueued = 256;

  std::vector<std::shared_ptr<Subscription>> snapshot() const;

  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<Subscription>> subscriptions_;
  bool closed_ = false;
};
