#include "support/BackgroundHost.h"

#include <filesystem>
#include <future>
#include <stdexcept>

#include "BuildPaths.h"
#include "dispatch/MainRunLoop.h"
#include "host/AccessToken.h"
#include "host/HostApp.h"
#include "host/HostServer.h"
#include "host/PaneCatalog.h"

BackgroundHost::BackgroundHost() : token_(makeAccessToken()) {
  loopThread_ = std::thread([] { MainRunLoop::main().run(); });
  try {
    onMain([this] {
      app_ = std::make_unique<HostApp>(PaneCatalog::inDirectory(CHIMEWELL_BUILD_DIR));
      server_ = std::make_unique<HostServer>(*app_, MainRunLoop::main(),
                                             std::filesystem::path(CHIMEWELL_SOURCE_DIR) / "web", token_);
      port_ = server_->bind(0);
      server_->attach();
    });
  } catch (...) {
    onMain([this] {
      server_.reset();
      app_.reset();
    });
    stopLoop();
    throw;
  }
  serveThread_ = std::thread([this] { server_->serve(); });
  client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
  client_->set_default_headers(tokenHeader());
}

httplib::Headers BackgroundHost::tokenHeader() const { return {{"Authorization", "token " + token_}}; }

BackgroundHost::~BackgroundHost() {
  client_.reset();
  server_->stop();
  serveThread_.join();
  onMain([this] {
    server_.reset();
    app_.reset();
  });
  stopLoop();
}

void BackgroundHost::stopLoop() {
  MainRunLoop::main().stop();
  loopThread_.join();
}

void BackgroundHost::onMain(const std::function<void()>& work) {
  std::promise<void> done;
  MainRunLoop::main().post([&] {
    try {
      work();
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  done.get_future().get();
}

nlohmann::json BackgroundHost::act(const nlohmann::json& action) {
  auto answer = client_->Post("/api/action", action.dump(), "application/json");
  if (!answer || answer->status != 200) throw std::runtime_error("the action failed: " + action.dump());
  return nlohmann::json::parse(answer->body)["screen"];
}

nlohmann::json BackgroundHost::screen() {
  auto answer = client_->Get("/api/screen");
  if (!answer || answer->status != 200) throw std::runtime_error("no screen");
  return nlohmann::json::parse(answer->body)["screen"];
}
