#include "HostOnDeviceTest.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "dispatch/MainRunLoop.h"

using nlohmann::json;

void HostOnDeviceTest::TearDown() {
  host_.reset();
  MainRunLoop::main().adoptCurrentThread();
  ChimewellTest::TearDown();
}

std::filesystem::path HostOnDeviceTest::deviceRootParent() const { return TemporaryDeviceRoot::memoryBackedParent(); }

void HostOnDeviceTest::startHost() {
  host_ = std::make_unique<BackgroundHost>();
  // A scan of a hostile root may keep an action waiting; a minute is a hang.
  host_->client().set_read_timeout(std::chrono::seconds(60));
}

json HostOnDeviceTest::act(const json& action) {
  auto answer = host_->client().Post("/api/action", action.dump(), "application/json");
  if (!answer) throw std::runtime_error("no answer to " + action.dump());
  EXPECT_EQ(answer->status, 200) << action.dump() << " → " << answer->body.substr(0, 300);
  return json::parse(answer->body)["screen"];
}

json HostOnDeviceTest::shownScreen() { return host_->screen(); }

json HostOnDeviceTest::screenWhen(const std::function<bool(const json&)>& ready) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  for (;;) {
    json screen = shownScreen();
    if (ready(screen)) return screen;
    if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("the screen never got ready: " + screen.dump().substr(0, 500));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::vector<std::string> HostOnDeviceTest::rowTexts(const json& screen) {
  std::vector<std::string> texts;
  if (!screen.contains("table")) return texts;
  for (const auto& section : screen["table"]["sections"])
    for (const auto& row : section["rows"]) texts.push_back(row.value("text", ""));
  return texts;
}

std::optional<json> HostOnDeviceTest::rowWithText(const json& screen, const std::string& text) {
  if (!screen.contains("table")) return std::nullopt;
  for (const auto& section : screen["table"]["sections"])
    for (const auto& row : section["rows"])
      if (row.value("text", "") == text) return row;
  return std::nullopt;
}
