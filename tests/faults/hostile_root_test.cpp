// A device root laid out to attack the host: identifiers that would name a
// file elsewhere, links out of the root. Driven through the browser's API,
// the host answers every request, and nothing outside the root is read (what
// lies there never shows) or written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <algorithm>
#include <map>
#include <string>
#include <tuple>

#include "HostOnDeviceTest.h"
#include "store/SettingsPaths.h"
#include "support/AppListFixtures.h"
#include "support/BinaryPropertyList.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::string_view_literals;

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
    screenWhen([&](const json& screen) { return std::ranges::count(rowTexts(screen), name) > 0; });
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

}  // namespace
