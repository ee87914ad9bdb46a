// Device roots laid out to attack the host: identifiers that would name a
// file elsewhere, links out of the root, an Info.plist of 100 MB, ten
// thousand apps and sounds, names from every Unicode plane. Driven through
// the browser's API, the host answers every request, and nothing outside
// the root is read (what lies there never shows) or written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>

#include "HostOnDeviceTest.h"
#include "foundation/NSUserDefaults.h"
#include "store/SettingsPaths.h"
#include "support/AppListFixtures.h"
#include "support/BinaryPropertyList.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::string_view_literals;

// One character from each Unicode plane that has any (0, 1, 2, 3, 14, 15, 16).
const std::string kEveryPlane = "é🔔𠮷𰀀\U000E0041\U000F0000\U0010FFFD";

// A folder outside the device root that the root's links point into.
class OutsideFolder {
 public:
  OutsideFolder() {
    std::string pattern = (fs::temp_directory_path() / "chimewell-outside-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder outside the root");
    path_ = pattern;
    installApp(path_, "/Evil.app", appInfo("com.outside.read", "Outside App"));
    writeHostFile(path_ / "Outside.m4r", "an outside sound");
    writeHostFile(path_ / "victim.plist", xmlPropertyListData(PlistValue::Dictionary{{"theirs", "kept"}}));
    before_ = snapshot();
  }
  ~OutsideFolder() { fs::remove_all(path_); }

  const fs::path& path() const { return path_; }
  // Every entry below it (the folder too) with its kind, modification time and content.
  std::map<std::string, std::tuple<int, long, long, std::string>> snapshot() const {
    std::map<std::string, std::tuple<int, long, long, std::string>> entries;
    auto add = [&](const fs::path& path) {
      struct stat status {};
      ::lstat(path.c_str(), &status);
      const std::string content = S_ISREG(status.st_mode) ? readHostFile(path) : "";
      entries[path.string()] = {int(status.st_mode), long(status.st_mtim.tv_sec), long(status.st_mtim.tv_nsec), content};
    };
    add(path_);
    for (const auto& entry : fs::recursive_directory_iterator(path_)) add(entry.path());
    return entries;
  }
  bool untouched() const { return snapshot() == before_; }

 private:
  fs::path path_;
  std::map<std::string, std::tuple<int, long, long, std::string>> before_;
};

class HostileRootTest : public HostOnDeviceTest {
 protected:
  void link(const fs::path& target, std::string_view devicePath) {
    fs::create_directories(hostPathFor(devicePath).parent_path());
    fs::create_symlink(target, hostPathFor(devicePath));
  }

  // The picker, once the scan's list is there.
  void openPicker() {
    act({{"action", "push"}, {"class", "ApplistTableViewController"}});
    screenWhen([](const json& screen) { return !rowTexts(screen).empty(); });
  }
  std::vector<std::string> search(const std::string& text) {
    return rowTexts(act({{"action", "setSearchText"}, {"text", text}}));
  }
  // Opens the app's page from the picker (whose list may be arriving anew)
  // and flips its sound switch.
  json openAndFlip(const std::string& name) {
    search(name);
    screenWhen([&](const json& screen) { return rowWithText(screen, name).has_value(); });
    act({{"action", "tapRowByText"}, {"text", name}});
    return act({{"action", "flipSwitch"}, {"id", "s0r0/switch"}});
  }

  OutsideFolder outside;
};

TEST_F(HostileRootTest, IdentifiersNamingOtherFilesAndLinksOutOfTheRootReachNothingOutside) {
  installApp(deviceRootPath(), "/Applications/Dots.app", appInfo("../../../../../../victim", "Dots"));
  installApp(deviceRootPath(), "/Applications/Slash.app", appInfo("com.example/../../x", "Slash"));
  installApp(deviceRootPath(), "/Applications/Parent.app", appInfo("..", "Parent"));
  BinaryPropertyList nul;  // in UTF-16, the form that keeps a NUL
  writeHostFile(hostPathFor("/Applications/Nul.app/Info.plist"),
                nul.bytes(nul.dictionary({nul.ascii("CFBundleIdentifier"), nul.ascii("CFBundleDisplayName")},
                                         {nul.utf16(u"com.probe\0/../x"sv), nul.ascii("Nul")})));
  installApp(deviceRootPath(), "/Applications/Linked.app", appInfo("com.example.linked", "Linked"));
  // Links out: an app folder, the sound library's one sound, a settings
  // file, the app list cache, each to what lies outside.
  link(outside.path() / "Evil.app", "/Applications/Outward.app");
  link("../../../../../../../.." + outside.path().string() + "/Evil.app", "/var/jb/Applications/Upward.app");
  link(outside.path() / "Outside.m4r", std::string(kSoundLibraryDirectory) + "Outside.m4r");
  const std::string linkedFile = std::string(kSettingsDirectory) + "com.example.linked.plist";
  link(outside.path() / "victim.plist", linkedFile);
  link(outside.path() / "victim.plist", kApplicationListCachePath);
  startHost();

  openPicker();
  EXPECT_THAT(search(""), ::testing::ElementsAre("Dots", "Linked", "Nul", "Parent", "Slash"));  // no Outside App
  for (const char* name : {"Dots", "Slash", "Parent", "Nul"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(openAndFlip(name)["table"]["sections"][0]["rows"][0]["switch"]["on"]);  // not stored
    act({{"action", "goBack"}});
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(hostPathFor(kSettingsDirectory)), {}), 1);  // the link alone

  // A link at a settings file's name is replaced by the file, not followed.
  EXPECT_TRUE(openAndFlip("Linked")["table"]["sections"][0]["rows"][0]["switch"]["on"]);
  EXPECT_FALSE(fs::is_symlink(hostPathFor(linkedFile)));
  EXPECT_EQ(readDictionaryAt(linkedFile), (PlistValue::Dictionary{{kEnableToggleKey, true}}));
  // The sound behind the outward link is neither listed as read nor played.
  act({{"action", "tapRowByText"}, {"text", "Custom Sound"}});
  act({{"action", "tapRowByText"}, {"text", "Outside.m4r"}});
  EXPECT_TRUE(outside.untouched());
}

TEST_F(HostileRootTest, TenThousandAppsAndSoundsAHundredMegabyteInfoPlistAndEveryPlane) {
  for (int i = 0; i < 10000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "App %05d", i);
    installApp(deviceRootPath(), std::string("/var/jb/Applications/") + name + ".app",
               appInfo("com.example.app" + std::to_string(i), name));
    writeFileAt(std::string(kSoundLibraryDirectory) + "Tone " + std::to_string(i) + ".m4r", "");
  }
  installApp(deviceRootPath(), "/Applications/Planes.app", appInfo("com.example.planes", "Planes " + kEveryPlane));
  writeFileAt(std::string(kSoundLibraryDirectory) + kEveryPlane + ".m4r", "");
  installApp(deviceRootPath(), "/Applications/Huge.app", appInfo("com.example.huge", "Huge"));
  fs::resize_file(hostPathFor("/Applications/Huge.app/Info.plist"), 100 * 1024 * 1024);  // sparse
  link(outside.path(), "/var/containers/Bundle/Application/Outward");
  startHost();

  openPicker();
  EXPECT_THAT(search("App 09999"), ::testing::ElementsAre("App 09999"));
  EXPECT_THAT(search("Huge"), ::testing::IsEmpty());
  EXPECT_THAT(search("Outside"), ::testing::IsEmpty());
  EXPECT_THAT(search(kEveryPlane.substr(0, 6)), ::testing::ElementsAre("Planes " + kEveryPlane));
  act({{"action", "tapSearchCancelButton"}});
  const json end = act({{"action", "scroll"}, {"offset", 1e9}});
  EXPECT_THAT(rowTexts(end), ::testing::Contains("Planes " + kEveryPlane));  // sorted last by its letter

  // The sound with a name from every plane, found among ten thousand, is stored as named.
  act({{"action", "tapRowByText"}, {"text", "Planes " + kEveryPlane}});
  act({{"action", "tapRowByText"}, {"text", "Custom Sound"}});
  // The chooser lists the folder unsorted: look through it 500 rows at a time.
  constexpr double kPage = 44.0 * 500;
  json shown = act({{"action", "setViewportHeight"}, {"height", kPage}});
  const double contentHeight = shown["table"]["contentHeight"];
  EXPECT_GT(contentHeight, 44.0 * 10000);
  for (double offset = kPage; !rowWithText(shown, kEveryPlane + ".m4r") && offset < contentHeight; offset += kPage)
    shown = act({{"action", "scroll"}, {"offset", offset}});
  act({{"action", "tapRowByText"}, {"text", kEveryPlane + ".m4r"}});
  const json back = act({{"action", "goBack"}});
  EXPECT_EQ(rowWithText(back, "Custom Sound").value()["detailText"], kEveryPlane + ".m4r");
  EXPECT_EQ(readDictionaryAt(std::string(kSettingsDirectory) + "com.example.planes.plist"),
            (PlistValue::Dictionary{{kNotificationAlertKey, kEveryPlane + ".m4r"}}));
  EXPECT_TRUE(outside.untouched());
}

}  // namespace
