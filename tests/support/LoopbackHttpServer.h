#pragma once
// A small web server on 127.0.0.1, on a free port, serving from a thread of
// its own for as long as the object lives: what a test's links point at.
// Routes are added with routes() before the first request. Every request is
// counted by path. A stalled route holds its answer until the server stops,
// so a load can run into its time-out.
#include <httplib.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

class LoopbackHttpServer {
 public:
  LoopbackHttpServer();
  // Releases stalled answers, stops the server and joins its thread.
  ~LoopbackHttpServer();

  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  httplib::Server& routes() { return server_; }
  // "http://127.0.0.1:<port><path>"
  std::string url(std::string_view path) const;

  // Serves `body` with status 200 and that content type.
  void serve(const std::string& path, std::string body, const std::string& contentType);
  // Answers nothing at this path until the server stops.
  void stallAt(const std::string& path);
  // Requests that reached this path so far.
  int requestsTo(const std::string& path) const;
  int totalRequests() const;

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable released_;
  bool stopping_ = false;
  std::map<std::string, int> requests_;
};
