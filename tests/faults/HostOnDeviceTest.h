#pragma once
// The fixture of the suites that drive the whole host as the browser does:
// a fresh device root (ChimewellTest) that the test lays out first, then the
// host running over it in the background (BackgroundHost), acted on only
// through its HTTP API: POST /api/action with the actions the page posts,
// GET /api/screen for what the page shows. The root is memory-backed where
// /dev/shm is writable.
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/BackgroundHost.h"
#include "support/ChimewellTest.h"

class HostOnDeviceTest : public ChimewellTest {
 protected:
  void TearDown() override;
  // In memory where the system has a folder for it: these suites make tens
  // of thousands of files (TemporaryDeviceRoot::memoryBackedParent).
  std::filesystem::path deviceRootParent() const override;

  // Starts the host over the device root as laid out so far.
  void startHost();

  // Posts one action; the answer's screen. Fails the test unless it is
  // answered with 200.
  nlohmann::json act(const nlohmann::json& action);
  nlohmann::json shownScreen();
  // Asks for the screen until `ready` holds (the app scan or a list may
  // still be arriving); throws when it does not within a minute.
  nlohmann::json screenWhen(const std::function<bool(const nlohmann::json&)>& ready);

  // The texts of the rows the page shows, in order.
  static std::vector<std::string> rowTexts(const nlohmann::json& screen);
  // The visible row showing this text, or none.
  static std::optional<nlohmann::json> rowWithText(const nlohmann::json& screen, const std::string& text);

 private:
  std::unique_ptr<BackgroundHost> host_;
};
