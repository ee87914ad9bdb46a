// The extension reads the per-app files whenever a notification arrives,
// while the pane may be storing them: it must never find a file cut short or
// unreadable. Here a reader process does nothing else while the host stores
// ten thousand changes, each posted as the browser's page posts it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "HostOnDeviceTest.h"
#include "store/SettingsPaths.h"
#include "support/AppListFixtures.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kChanges = 10000;

// The extension's stand-in, running until the test lays down its stop file.
class ReaderProcess {
 public:
  ReaderProcess(const fs::path& deviceRoot, fs::path stopFile) : stopFile_(std::move(stopFile)) {
    const std::string command = std::string("'") + CHIMEWELL_EXTENSION_READER + "' '" + deviceRoot.string() +
                                "' '" + stopFile_.string() + "'";
    pipe_ = ::popen(command.c_str(), "r");
    if (!pipe_) throw std::runtime_error("cannot start the reader");
  }
  ~ReaderProcess() {
    if (pipe_) stop();
  }
  // Stops the reader; what it printed, and whether it saw only whole files.
  std::string stop(bool* clean = nullptr) {
    std::FILE* done = std::fopen(stopFile_.c_str(), "w");
    if (done) std::fclose(done);
    std::string printed;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe_)) printed += buffer;
    const int status = ::pclose(pipe_);
    pipe_ = nullptr;
    if (clean) *clean = status == 0;
    return printed;
  }

 private:
  fs::path stopFile_;
  std::FILE* pipe_ = nullptr;
};

class ExtensionReaderTest : public HostOnDeviceTest {};

TEST_F(ExtensionReaderTest, NeverSeesAPartOfAFileWhileTheHostStoresTenThousandChanges) {
  const std::vector<std::string> apps{"Mail", "Maps", "Notes"};
  for (const auto& name : apps) installApp(deviceRootPath(), "/Applications/" + name + ".app", appInfo("com.example." + name, name));
  startHost();
  act({{"action", "push"}, {"class", "ApplistTableViewController"}});
  screenWhen([&](const json& screen) { return rowTexts(screen).size() == apps.size(); });

  ReaderProcess reader(deviceRootPath(), deviceRootPath() / "reader-stop");
  int changes = 0;
  std::vector<bool> soundOn(apps.size()), vibrationOn(apps.size());
  std::vector<std::string> counts(apps.size());
  for (std::size_t round = 0; changes < kChanges; ++round) {
    const std::size_t app = round % apps.size();
    act({{"action", "tapRowByText"}, {"text", apps[app]}});
    for (int step = 0; step < 200 && changes < kChanges; ++step, ++changes) {
      if (step % 10 == 9) {  // a count typed, stored as editing ends
        counts[app] = std::to_string(changes);
        act({{"action", "editText"}, {"id", "s3r0/field0"}, {"text", counts[app]}});
        act({{"action", "endEditing"}});
      } else if (step % 2 == 0) {
        act({{"action", "flipSwitch"}, {"id", "s0r0/switch"}});
        soundOn[app] = !soundOn[app];
      } else {
        act({{"action", "flipSwitch"}, {"id", "s2r0/switch"}});
        vibrationOn[app] = !vibrationOn[app];
      }
    }
    act({{"action", "goBack"}});  // the picker gathers its list afresh
    screenWhen([&](const json& screen) { return rowTexts(screen).size() == apps.size(); });
  }

  bool clean = false;
  const std::string printed = reader.stop(&clean);
  EXPECT_TRUE(clean) << "the reader saw a file that was not whole";
  EXPECT_THAT(printed, ::testing::MatchesRegex("reads [1-9][0-9]* files 3\n"));
  std::printf("extension reader: %d changes stored, %s", changes, printed.c_str());
  // Every change reached its file.
  for (std::size_t app = 0; app < apps.size(); ++app) {
    const auto stored = readDictionaryAt(std::string(kSettingsDirectory) + "com.example." + apps[app] + ".plist");
    ASSERT_TRUE(stored) << apps[app];
    EXPECT_EQ(*stored, (PlistValue::Dictionary{{kEnableToggleKey, bool(soundOn[app])},
                                               {kVibrationToggleKey, bool(vibrationOn[app])},
                                               {kVibrationTimesKey, counts[app]}}))
        << apps[app];
  }
}

}  // namespace
