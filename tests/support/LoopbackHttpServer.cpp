#include "support/LoopbackHttpServer.h"

#include <chrono>
#include <stdexcept>

LoopbackHttpServer::LoopbackHttpServer() {
  // Counted before the answer goes out, so a test that has its answer sees the count.
  server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
    std::lock_guard lock(mutex_);
    ++requests_[request.path];
    return httplib::Server::HandlerResponse::Unhandled;
  });
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("cannot listen on 127.0.0.1");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  // stop() only reaches a server that is already running.
  while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoopbackHttpServer::~LoopbackHttpServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  released_.notify_all();
  server_.stop();
  thread_.join();
}

std::string LoopbackHttpServer::url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void LoopbackHttpServer::serve(const std::string& path, std::string body, const std::string& contentType) {
  server_.Get(path, [body = std::move(body), contentType](const httplib::Request&, httplib::Response& response) {
    response.set_content(body, contentType);
  });
}

void LoopbackHttpServer::stallAt(const std::string& path) {
  server_.Get(path, [this](const httplib::Request&, httplib::Response& response) {
    std::unique_lock lock(mutex_);
    released_.wait(lock, [this] { return stopping_; });
    response.status = 503;
  });
}

int LoopbackHttpServer::requestsTo(const std::string& path) const {
  std::lock_guard lock(mutex_);
  auto found = requests_.find(path);
  return found == requests_.end() ? 0 : found->second;
}

int LoopbackHttpServer::totalRequests() const {
  std::lock_guard lock(mutex_);
  int total = 0;
  for (const auto& [path, count] : requests_) total += count;
  return total;
}
