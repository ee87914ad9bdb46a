#include "HostServerFixture.h"

#include <sstream>

#include "dispatch/MainRunLoop.h"

using nlohmann::json;

EventStreamReader::EventStreamReader(int port, const httplib::Headers& headers)
    : client_("127.0.0.1", port), headers_(headers) {
  thread_ = std::thread([this] {
    client_.Get("/api/events", headers_, [this](const char* data, std::size_t length) {
      take(data, length);
      std::lock_guard guard(mutex_);
      return !stopping_;
    });
  });
}

EventStreamReader::~EventStreamReader() {
  {
    std::lock_guard guard(mutex_);
    stopping_ = true;
  }
  client_.stop();
  thread_.join();
}

void EventStreamReader::take(const char* data, std::size_t length) {
  std::lock_guard guard(mutex_);
  partial_.append(data, length);
  for (auto end = partial_.find("\n\n"); end != std::string::npos; end = partial_.find("\n\n")) {
    std::istringstream lines(partial_.substr(0, end));
    partial_.erase(0, end + 2);
    ServerEvent event;
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("event: ")) event.name = line.substr(7);
      if (line.starts_with("data: ")) event.data = line.substr(6);
    }
    if (!event.name.empty()) events_.push_back(event);
  }
  arrived_.notify_all();
}

std::optional<ServerEvent> EventStreamReader::waitFor(const std::string& name,
                                                      const std::function<bool(const json&)>& accept,
                                                      std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    while (!events_.empty()) {
      ServerEvent event = events_.front();
      events_.pop_front();
      if (event.name == name && (!accept || accept(json::parse(event.data)))) return event;
    }
    if (arrived_.wait_until(lock, deadline) == std::cv_status::timeout && events_.empty()) return std::nullopt;
  }
}

void HostServerFixture::SetUp() {
  ChimewellTest::SetUp();
  host_ = std::make_unique<BackgroundHost>();
  client().set_read_timeout(std::chrono::seconds(10));
}

void HostServerFixture::TearDown() {
  host_.reset();
  MainRunLoop::main().adoptCurrentThread();
  ChimewellTest::TearDown();
}

void HostServerFixture::advance(std::chrono::milliseconds by) {
  clock().advance(by);
  onMain([] {});  // wakes the loop, which then runs what fell due
}

json HostServerFixture::act(const json& action) {
  auto result = client().Post("/api/action", action.dump(), "application/json");
  if (!result) throw std::runtime_error("no answer to " + action.dump());
  return json::parse(result->body);
}

json HostServerFixture::getJson(const std::string& path) {
  auto result = client().Get(path);
  if (!result) throw std::runtime_error("no answer to GET " + path);
  return json::parse(result->body);
}
