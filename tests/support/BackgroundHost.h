#pragma once
// The Settings stand-in running in the background, for tests and benchmarks:
// the main run loop on a thread of its own (which becomes the main thread:
// every UIKit object is made and used there), the host app over the built
// panes made on it, its HTTP server on a free loopback port serving from
// another thread, opened by a fresh access token, and a client of that
// server that sends the token with every request. The device root, main bundle
// and clock are the caller's to set up before, and to clean up after.
#include <httplib.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

class HostApp;
class HostServer;

class BackgroundHost {
 public:
  BackgroundHost();
  // Stops the server, destroys the app and server on the main thread, then
  // stops the main run loop and joins its thread.
  ~BackgroundHost();

  BackgroundHost(const BackgroundHost&) = delete;
  BackgroundHost& operator=(const BackgroundHost&) = delete;

  // Runs `work` on the main thread and waits for it; what it throws is
  // thrown here.
  void onMain(const std::function<void()>& work);

  HostApp& app() { return *app_; }
  // Made with httplib's defaults: set timeouts or keep-alive before its first request.
  httplib::Client& client() { return *client_; }
  int port() const { return port_; }
  const std::string& token() const { return token_; }
  // The "Authorization: token ..." header that opens the host.
  httplib::Headers tokenHeader() const;
  // Posts the action through client() as the page does; the answered
  // screen. Throws unless answered with 200.
  nlohmann::json act(const nlohmann::json& action);
  // The screen the page would be shown now; throws unless answered with 200.
  nlohmann::json screen();

 private:
  void stopLoop();

  std::thread loopThread_;
  std::thread serveThread_;
  std::unique_ptr<HostApp> app_;
  std::unique_ptr<HostServer> server_;
  std::unique_ptr<httplib::Client> client_;
  int port_ = 0;
  std::string token_;
};
