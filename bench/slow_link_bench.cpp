// What a person waits for on a phone far away, measured by
// bench/slow-link/run.sh through an sshfs mount behind a delaying proxy, and
// on the local folder the mount serves:
//   slow_link_bench make-root DIR
//     lays out a phone-shaped device root in DIR: /var and /var/jb absolute
//     links as on a rootless phone, 300 apps (binary Info.plist, @2x and @3x
//     icons) across /Applications, the containers and /var/jb/Applications.
//   slow_link_bench measure ROOT SOURCE REPEAT_WAIT_SECONDS
//     runs the host over ROOT (the mount, or SOURCE itself) and prints, in
//     seconds: the picker's first showing (from the push until the screen
//     shows the first sorted rows of all 300, then until each shows its own
//     icon), its repeat showing
//     REPEAT_WAIT_SECONDS after the first was gone, and each of five flips
//     of an app's switch until the action is answered, checking in SOURCE
//     (the folder the mount serves) that each was stored.
//   slow_link_bench profile ROOT REPEAT_WAIT_SECONDS
//     the app scan alone, the first screen's icons read one by one, and the
//     scan again after the wait.
// Plain timing rather than Google Benchmark: each figure is one showing of
// seconds, and a repeat needs the mount's cache to expire first.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "BuildPaths.h"
#include "applist/InstalledAppScanner.h"
#include "applist/SparkAppList.h"
#include "uikit/UIImage.h"
#include "foundation/DeviceRoot.h"
#include "foundation/NSBundle.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/PropertyList.h"
#include "store/SettingsPaths.h"
#include "support/AppListFixtures.h"
#include "support/BackgroundHost.h"
#include "support/HostFiles.h"

namespace fs = std::filesystem;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kApps = 300;
constexpr int kSystemApps = 40;
constexpr int kJailbreakApps = 20;
constexpr int kFlips = 5;
constexpr std::size_t kRowsOnAScreen = 17;  // of the host's default window
constexpr double kMinimumRowHeight = 44;
constexpr const char* kPrivateJailbreak = "private/preboot/0A1B2C3D/jb-4E5F/procursus";

std::string appName(int index) {
  char name[16];
  std::snprintf(name, sizeof name, "App %03d", index);
  return name;
}

// Icons of a real app's size, each its own: the PNG header UIImage reads,
// then filler.
std::string iconBytes(std::uint32_t side, int app) {
  auto png = pngOfSize(side, side);
  std::string bytes(png.begin(), png.end());
  bytes.append(std::to_string(app)).append(side * 60, 'x');
  return bytes;
}

// The host folder (under the real, link-free tree) of app `index`.
std::string appFolder(int index) {
  const std::string name = "/App" + std::to_string(index) + ".app";
  if (index % kApps < kSystemApps) return "Applications" + name;
  if (index % kApps >= kApps - kJailbreakApps) return std::string(kPrivateJailbreak) + "/Applications" + name;
  char container[48];
  std::snprintf(container, sizeof container, "/8F3A%04d-1C2D-4E5F-9A0B-C1D2E3F4A5B6", index);
  return "private/var/containers/Bundle/Application" + std::string(container) + name;
}

int makeRoot(const fs::path& root) {
  for (const char* folder : {"private/var/mobile/Library/Preferences", "Applications"})
    fs::create_directories(root / folder);
  fs::create_directories(root / kPrivateJailbreak / "Library/Application Support/Chimewell-plist");
  fs::create_directories(root / kPrivateJailbreak / "Library/Application Support/Chimewell");
  fs::create_symlink("/private/var", root / "var");
  fs::create_symlink(std::string("/") + kPrivateJailbreak, root / "private/var/jb");
  // Shuffled against the name order, as a phone's folders are.
  for (int index = 0; index < kApps; ++index) {
    const int named = (index * 7) % kApps;
    installApp(root, "/" + appFolder(index),
               appInfo("com.example.app" + std::to_string(named), appName(named),
                       {{"CFBundleIcons",
                         PlistValue::Dictionary{
                             {"CFBundlePrimaryIcon",
                              PlistValue::Dictionary{{"CFBundleIconFiles", PlistValue::Array{"AppIcon60x60"}}}}}},
                        {"CFBundleShortVersionString", "1.0"},
                        {"NSPrivacyDescription", std::string(1500, 'p')}}),
               InfoFormat::binary);
    writeHostFile(root / appFolder(index) / "AppIcon60x60@2x.png", iconBytes(120, index));
    writeHostFile(root / appFolder(index) / "AppIcon60x60@3x.png", iconBytes(180, index));
  }
  return 0;
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class Host {
 public:
  explicit Host(const fs::path& root) {
    setCurrentDeviceRoot(std::make_shared<DeviceRoot>(root));
    NSUserDefaults::resetStandardUserDefaults();
    NSBundle::setMainBundle(NSBundle::bundleWithPath(fs::path(CHIMEWELL_BUILD_DIR) / "Settings.app"));
    host_ = std::make_unique<BackgroundHost>();
    host_->client().set_keep_alive(true);
    host_->client().set_tcp_nodelay(true);
    host_->client().set_read_timeout(std::chrono::seconds(120));
  }

  json act(const json& action) { return host_->act(action); }
  json screen() { return host_->screen(); }

 private:
  std::unique_ptr<BackgroundHost> host_;
};

// The whole list is in and sorted: the first row is the first name, and the
// table is tall enough for every app.
bool pickerShown(const json& screen) {
  if (!screen.contains("table")) return false;
  const auto& table = screen["table"];
  if (table.value("contentHeight", 0.0) < kMinimumRowHeight * kApps) return false;
  for (const auto& section : table["sections"])
    for (const auto& row : section["rows"]) return row.value("text", "") == appName(0);
  return false;
}

// Every visible row shows its own app's icon (no placeholder shared by two).
bool iconsShown(const json& screen) {
  std::set<std::string> icons;
  std::size_t rows = 0;
  for (const auto& section : screen["table"]["sections"])
    for (const auto& row : section["rows"]) {
      ++rows;
      if (row.contains("image")) icons.insert(row["image"].value("src", ""));
    }
  return rows > 0 && icons.size() == rows;
}

// Seconds until the rows show, and until their icons show.
std::pair<double, double> showPicker(Host& host) {
  const auto start = Clock::now();
  json shown = host.act({{"action", "push"}, {"class", "ApplistTableViewController"}});
  std::optional<double> rowsAt;
  for (;;) {
    if (!rowsAt && pickerShown(shown)) rowsAt = secondsSince(start);
    if (rowsAt && iconsShown(shown)) return {*rowsAt, secondsSince(start)};
    if (secondsSince(start) > 120) throw std::runtime_error("the picker never showed its apps");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    shown = host.screen();
  }
}

// The app's stored switch, read from the folder the mount serves; none while
// the file or the key is missing.
std::optional<bool> storedEnabled(const fs::path& source) {
  // Under the link's target: the absolute link would lead out of SOURCE.
  const auto file = source / kPrivateJailbreak /
                    (std::string(kSettingsDirectory).substr(std::string("/var/jb/").size()) + "com.example.app0.plist");
  if (!fs::exists(file)) return std::nullopt;
  auto stored = parsePropertyList(readHostFile(file));
  const auto* dictionary = stored ? stored->as<PlistValue::Dictionary>() : nullptr;
  if (!dictionary || !dictionary->contains(kEnableToggleKey)) return std::nullopt;
  const auto* value = dictionary->at(kEnableToggleKey).as<bool>();
  return value ? std::optional(*value) : std::nullopt;
}

int measure(const fs::path& root, const fs::path& source, int repeatWait) {
  Host host(root);
  const auto [first, firstIcons] = showPicker(host);
  std::printf("first showing: %.2f s, icons %.2f s\n", first, firstIcons);
  std::fflush(stdout);
  host.act({{"action", "goBack"}});
  std::this_thread::sleep_for(std::chrono::seconds(repeatWait));
  const auto [repeat, repeatIcons] = showPicker(host);
  std::printf("repeat showing after %d s: %.2f s, icons %.2f s\n", repeatWait, repeat, repeatIcons);

  host.act({{"action", "tapRowByText"}, {"text", appName(0)}});
  std::vector<double> flips;
  auto before = storedEnabled(source);
  for (int flip = 0; flip < kFlips; ++flip) {
    const auto start = Clock::now();
    const json shown = host.act({{"action", "flipSwitch"}, {"id", "s0r0/switch"}});
    flips.push_back(secondsSince(start));
    const auto stored = storedEnabled(source);
    if (!stored || stored == before) throw std::runtime_error("the flip was not stored");
    before = stored;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  std::printf("flip→stored:");
  for (double flip : flips) std::printf(" %.3f", flip);
  std::sort(flips.begin(), flips.end());
  std::printf(" s (median %.3f s)\n", flips[flips.size() / 2]);
  return 0;
}

// Where the picker's time goes, without the host: the scan on a fresh
// scanner, reading the icons of the first screen of rows one after another
// (as the main thread drew them), and the scan again after the wait.
int profile(const fs::path& root, int repeatWait) {
  setCurrentDeviceRoot(std::make_shared<DeviceRoot>(root));
  InstalledAppScanner scanner;
  auto start = Clock::now();
  const auto apps = scanner.scan();
  std::printf("profile: scan %.2f s", secondsSince(start));
  start = Clock::now();
  for (std::size_t row = 0; row < kRowsOnAScreen && row < apps.size(); ++row) apps[row].icon()->pngData();
  std::printf(", %zu icons %.2f s", kRowsOnAScreen, secondsSince(start));
  std::this_thread::sleep_for(std::chrono::seconds(repeatWait));
  start = Clock::now();
  scanner.scan();
  std::printf(", scan after %d s %.2f s\n", repeatWait, secondsSince(start));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 2 && args[0] == "make-root") return makeRoot(args[1]);
    if (args.size() == 3 && args[0] == "profile") return profile(args[1], std::stoi(args[2]));
    if (args.size() == 4 && args[0] == "measure") return measure(args[1], args[2], std::stoi(args[3]));
  } catch (const std::exception& failure) {
    std::cerr << "slow_link_bench: " << failure.what() << "\n";
    return 1;
  }
  std::cerr << "usage: slow_link_bench make-root DIR | measure ROOT SOURCE REPEAT_WAIT_SECONDS | profile ROOT REPEAT_WAIT_SECONDS\n";
  return 2;
}
