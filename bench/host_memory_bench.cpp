// The host's memory: at rest on the Settings list, and after a person has
// opened the app picker on a device of 5,000 apps (each with its own 24 kB
// icon) and scrolled through the whole list a screen at a time, the browser
// fetching every icon it is shown. The host runs in this process, served on
// loopback as for the browser; figures are the process's resident set
// (VmRSS) and its peak (VmHWM) from /proc/self/status, in MB.
// Run once: build/bench/host_memory_bench (one iteration is the whole scroll).
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "BuildPaths.h"
#include "applist/InstalledAppScanner.h"
#include "foundation/NSBundle.h"
#include "support/AppListFixtures.h"
#include "support/BackgroundHost.h"
#include "support/TemporaryDeviceRoot.h"

using nlohmann::json;

namespace {

constexpr int kApps = 5000;
constexpr std::size_t kIconBytes = 24 * 1024;
constexpr double kViewport = 748;

// VmRSS or VmHWM in MB.
double statusMegabytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(field + ":")) return std::stod(line.substr(field.size() + 1)) / 1024;
  }
  throw std::runtime_error("no " + field + " in /proc/self/status");
}

// A 180 x 180 icon of about an app icon's size, its bytes its own.
std::vector<std::uint8_t> iconBytes(int index) {
  auto png = pngOfSize(180, 180);
  png.resize(kIconBytes);
  for (std::size_t at = 33; at < png.size(); ++at) png[at] = static_cast<std::uint8_t>((index * 131 + at * 7) % 251);
  return png;
}

void installApps(const std::filesystem::path& root) {
  for (int index = 0; index < kApps; ++index) {
    const std::string folder = std::string(InstalledAppScanner::kContainers) + "/C" + std::to_string(index) +
                               "/App" + std::to_string(index) + ".app";
    installApp(root, folder,
               appInfo("com.example.app" + std::to_string(index), "App " + std::to_string(index),
                       {{"CFBundleIconFiles", PlistValue::Array{"AppIcon60x60"}}}),
               InfoFormat::binary);
    writeHostFile(root / folder.substr(1) / "AppIcon60x60@3x.png", iconBytes(index));
  }
}

class MemoryHost {
 public:
  MemoryHost() {
    std::filesystem::create_directories(root_.path() / "var/mobile/Library/Preferences");
    installApps(root_.path());
    NSBundle::setMainBundle(NSBundle::bundleWithPath(std::filesystem::path(CHIMEWELL_BUILD_DIR) / "Settings.app"));
    host_ = std::make_unique<BackgroundHost>();
    host_->client().set_keep_alive(true);
  }

  json act(const json& action) { return host_->act(action); }
  json screen() { return host_->screen(); }

  // Fetches the images of the screen's rows, as the browser draws them.
  void drawImages(const json& screen) {
    if (!screen.contains("table")) return;
    for (const auto& section : screen["table"]["sections"]) {
      for (const auto& row : section["rows"]) {
        if (!row.contains("image")) continue;
        auto result = host_->client().Get(row["image"]["src"].get<std::string>());
        if (!result || result->status != 200) throw std::runtime_error("an icon on screen was not served");
        benchmark::DoNotOptimize(result->body.data());
      }
    }
  }

  static std::size_t rowCount(const json& screen) {
    return screen.contains("table") ? screen["table"]["sections"][0]["rows"].size() : 0;
  }

 private:
  TemporaryDeviceRoot root_;
  std::unique_ptr<BackgroundHost> host_;
};

void BM_HostMemoryScrollingFiveThousandApps(benchmark::State& state) {
  for (auto _ : state) {
    MemoryHost host;
    state.counters["rest_MB"] = statusMegabytes("VmRSS");

    host.act({{"action", "tapRowByText"}, {"text", "Chimewell"}});
    host.act({{"action", "setViewportHeight"}, {"height", kViewport}});
    auto shown = host.act({{"action", "tapRowByText"}, {"text", "Configure Applications"}});
    while (MemoryHost::rowCount(shown) == 0) shown = host.screen();  // the scan runs in the background
    host.drawImages(shown);
    const double contentHeight = shown["table"]["contentHeight"];
    for (double offset = kViewport; offset < contentHeight; offset += kViewport)
      host.drawImages(host.act({{"action", "scroll"}, {"offset", offset}}));

    state.counters["scrolled_MB"] = statusMegabytes("VmRSS");
    state.counters["peak_MB"] = statusMegabytes("VmHWM");
  }
}
BENCHMARK(BM_HostMemoryScrollingFiveThousandApps)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
