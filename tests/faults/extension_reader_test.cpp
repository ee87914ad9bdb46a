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
  std::vector<PlistValue::Dictionary> expected(apps.size());
  for (int changes = 0; changes < kChanges;) {
    const std::size_t app = changes / 200 % apps.size();
    act({{"action", "tapRowByText"}, {"text", apps[app]}});
    for (int step = 0; step < 200 && changes < kChanges; ++step, ++changes) {
      if (step % 10 == 9) {  // a count typed, stored as editing ends
        expected[app][kVibrationTimesKey] = std::to_string(changes);
        act({{"action", "editText"}, {"id", "s3r0/field0"}, {"text", std::to_string(changes)}});
        act({{"action", "endEditing"}});
      } else {
        const char* key = step % 2 == 0 ? kEnableToggleKey : kVibrationToggleKey;
        expected[app][key] = !(expected[app].contains(key) && *expected[app][key].as<bool>());
        act({{"action", "flipSwitch"}, {"id", step % 2 == 0 ? "s0r0/switch" : "s2r0/switch"}});
      }
    }
    act({{"action", "goBack"}});  // the picker gathers its list afresh
    screenWhen([&](const json& screen) { return rowTexts(screen).size() == apps.size(); });
  }

  bool clean = false;
  const std::string printed = reader.stop(&clean);
  EXPECT_TRUE(clean) << "the reader saw a file that was not whole";
  EXPECT_THAT(printed, ::testing::MatchesRegex("reads [1-9][0-9]* files 3\n"));
  std::printf("extension reader: %d changes stored, %s", kChanges, printed.c_str());
  // Every change reached its file.
  for (std::size_t app = 0; app < apps.size(); ++app)
    EXPECT_EQ(readDictionaryAt(std::string(kSettingsDirectory) + "com.example." + apps[app] + ".plist"), expected[app])
        << apps[app];
}

}  // namespace
