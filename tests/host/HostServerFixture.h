#pragma once
// A running Settings stand-in (BackgroundHost) over a fresh device root and
// manual clock (ChimewellTest). Event streams are read on threads of their own.
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "host/HostServer.h"
#include "support/BackgroundHost.h"
#include "support/ChimewellTest.h"

class HostApp;

// Reads /api/events into a queue of events.
class EventStreamReader {
 public:
  EventStreamReader(int port, const httplib::Headers& headers);
  ~EventStreamReader();

  // The next event of that name whose data satisfies `accept` (earlier
  // events are dropped), or none after `timeout`.
  std::optional<ServerEvent> waitFor(const std::string& name,
                                     const std::function<bool(const nlohmann::json&)>& accept = {},
                                     std::chrono::milliseconds timeout = std::chrono::seconds(5));

 private:
  void take(const char* data, std::size_t length);

  httplib::Client client_;
  httplib::Headers headers_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<ServerEvent> events_;
  std::string partial_;
  bool stopping_ = false;
};

class HostServerFixture : public ChimewellTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs `work` on the main thread and waits for it.
  void onMain(const std::function<void()>& work) { host_->onMain(work); }
  // Moves the manual clock and lets the main thread run what fell due.
  void advance(std::chrono::milliseconds by);

  // POST /api/action, GET: the answer's body.
  nlohmann::json act(const nlohmann::json& action);
  nlohmann::json getJson(const std::string& path);
  std::unique_ptr<EventStreamReader> openEvents() { return std::make_unique<EventStreamReader>(port(), host_->tokenHeader()); }

  httplib::Client& client() { return host_->client(); }
  HostApp& app() { return host_->app(); }
  int port() const { return host_->port(); }
  const std::string& token() const { return host_->token(); }

 private:
  std::unique_ptr<BackgroundHost> host_;
};
