#pragma once
// The fixture of the suites that drive the whole host as the browser does:
// a fresh device root (ChimewellTest) that the test lays out first, then the
// host running over it in the background (BackgroundHost), acted on only
// through its HTTP API: POST /api/action with the actions the page posts,
// GET /api/screen for what the page shows.
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "dispatch/MainRunLoop.h"
#include "support/BackgroundHost.h"
#include "support/ChimewellTest.h"

class HostOnDeviceTest : public ChimewellTest {
 protected:
  void TearDown() override {
    host_.reset();
    MainRunLoop::main().adoptCurrentThread();
    ChimewellTest::TearDown();
  }

  // Starts the host over the device root as laid out so far.
  void startHost() {
    host_ = std::make_unique<BackgroundHost>();
    // A scan of a hostile root may keep an action waiting; a minute is a hang.
    host_->client().set_read_timeout(std::chrono::seconds(60));
  }

  // Posts one action; the answer's screen (throws unless answered with 200).
  nlohmann::json act(const nlohmann::json& action) { return host_->act(action); }
  // Asks for the screen until `ready` holds (the app scan or a list may
  // still be arriving); throws when it does not within a minute.
  nlohmann::json screenWhen(const std::function<bool(const nlohmann::json&)>& ready) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    for (;;) {
      nlohmann::json screen = host_->screen();
      if (ready(screen)) return screen;
      if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("never ready: " + screen.dump().substr(0, 500));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  // The texts of the rows the page shows, in order.
  static std::vector<std::string> rowTexts(const nlohmann::json& screen) {
    std::vector<std::string> texts;
    if (screen.contains("table"))
      for (const auto& section : screen["table"]["sections"])
        for (const auto& row : section["rows"]) texts.push_back(row.value("text", ""));
    return texts;
  }

 private:
  std::unique_ptr<BackgroundHost> host_;
};
