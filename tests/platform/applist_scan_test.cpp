#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "applist/AppIcon.h"
#include "applist/InstalledAppScanner.h"
#include "dispatch/MainRunLoop.h"
#include "dispatch/WorkerPool.h"
#include "support/AppListFixtures.h"
#include "support/ChimewellTest.h"
#include "uikit/UIImage.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class AppListScanTest : public ChimewellTest {
 protected:
  void TearDown() override {
    // No worker may still read this root once it is gone.
    MainRunLoop::main().runUntil([] { return WorkerPool::global().isIdle(); });
    ChimewellTest::TearDown();
  }

  void install(std::string_view folder, const PlistValue::Dictionary& info, InfoFormat format = InfoFormat::xml) {
    installApp(deviceRootPath(), folder, info, format);
  }
  void writeIcon(std::string_view file, std::uint32_t width, std::uint32_t height) {
    writeHostFile(hostPathFor(file), pngOfSize(width, height));
  }
  static std::vector<std::string> names(const std::vector<SparkAppRecord>& apps) {
    std::vector<std::string> shown;
    for (const auto& app : apps) shown.push_back(app.displayName() + " " + app.bundleIdentifier());
    return shown;
  }

  InstalledAppScanner scanner;
};

TEST_F(AppListScanTest, ListsTheAppsOfAllThreeFoldersInNameThenIdentifierOrder) {
  EXPECT_THAT(scanner.scan(), IsEmpty()) << "no folders yet";
  install("/Applications/Zed.app", appInfo("com.example.zed", "zed"), InfoFormat::binary);
  install("/var/containers/Bundle/Application/A1/Beta.app", appInfo("com.example.beta2", "BETA"));
  install("/var/containers/Bundle/Application/B2/Beta.app", appInfo("com.example.beta1", "beta"),
          InfoFormat::binary);
  install("/var/jb/Applications/Alpha.app", appInfo("org.example.alpha", "Alpha"));
  // No display name: the bundle name, else the folder's name.
  install("/Applications/Named.app", {{"CFBundleIdentifier", "com.example.named"}, {"CFBundleName", "Mid"}});
  install("/Applications/Folder Only.app", {{"CFBundleIdentifier", "com.example.folder"}});
  // Not apps: a folder without ".app", a file named like one.
  install("/Applications/Tools", appInfo("com.example.tools", "Tools"));
  writeFileAt("/Applications/File.app", "not a folder");

  EXPECT_THAT(names(scanner.scan()),
              ElementsAre("Alpha org.example.alpha", "beta com.example.beta1", "BETA com.example.beta2",
                          "Folder Only com.example.folder", "Mid com.example.named", "zed com.example.zed"));
}

TEST_F(AppListScanTest, LeavesOutHiddenNamelessUnreadableAndDanglingAppsButNotTheScan) {
  install("/Applications/Hidden.app",
          appInfo("com.example.hidden", "Hidden", {{"SBAppTags", PlistValue::Array{"other", "hidden"}}}));
  install("/Applications/Tagged.app",
          appInfo("com.example.tagged", "Tagged", {{"SBAppTags", PlistValue::Array{"visible"}}}));
  install("/Applications/NoIdentifier.app", {{"CFBundleDisplayName", "No Identifier"}});
  install("/Applications/EmptyIdentifier.app", appInfo("", "Empty Identifier"));
  writeFileAt("/Applications/Broken.app/Info.plist", "<?xml this is no property list");
  writeFileAt("/Applications/ArrayRoot.app/Info.plist", xmlPropertyListData(PlistValue(PlistValue::Array{})));
  makeFolderAt("/Applications/NoInfo.app");
  install("/Applications/Huge.app", appInfo("com.example.huge", "Huge"));
  fs::resize_file(hostPathFor("/Applications/Huge.app/Info.plist"), 100 * 1024 * 1024);  // sparse
  fs::create_symlink("/Applications/Gone.app", hostPathFor("/Applications/Dangling.app"));
  // A link inside the device resolves inside it, even when absolute.
  install("/var/jb/Applications/Real.app", appInfo("com.example.linked", "Linked"));
  fs::create_symlink("/var/jb/Applications/Real.app", hostPathFor("/Applications/Link.app"));

  EXPECT_THAT(names(scanner.scan()),
              ElementsAre("Linked com.example.linked", "Linked com.example.linked", "Tagged com.example.tagged"));
}

TEST_F(AppListScanTest, IconIsTheLargestNamedPNGReadOnFirstUseElseTheGenericIcon) {
  install("/Applications/Modern.app",
          appInfo("com.example.modern", "Modern",
                  {{"CFBundleIcons",
                    PlistValue::Dictionary{
                        {"CFBundlePrimaryIcon",
                         PlistValue::Dictionary{{"CFBundleIconFiles", PlistValue::Array{"AppIcon60x60"}}}}}}}),
          InfoFormat::binary);
  writeIcon("/Applications/Modern.app/AppIcon60x60@2x.png", 120, 120);
  writeIcon("/Applications/Modern.app/AppIcon60x60@3x.png", 180, 180);
  install("/Applications/Legacy.app", appInfo("com.example.legacy", "Legacy", {{"CFBundleIconFile", "Icon.png"}}));
  writeIcon("/Applications/Legacy.app/Icon.png", 57, 57);
  writeIcon("/Applications/Legacy.app/Icon@2x.png", 114, 114);
  install("/Applications/Fake.app",
          appInfo("com.example.fake", "Fake", {{"CFBundleIconFiles", PlistValue::Array{"Icon.png"}}}));
  writeFileAt("/Applications/Fake.app/Icon.png", "GIF89a, not a PNG at all");
  install("/Applications/Plain.app", appInfo("com.example.plain", "Plain"));

  auto apps = scanner.scan();
  ASSERT_THAT(names(apps), ElementsAre("Fake com.example.fake", "Legacy com.example.legacy",
                                       "Modern com.example.modern", "Plain com.example.plain"));
  EXPECT_FALSE(apps[2].icon()->isLoaded()) << "the scan reads no icon file";
  EXPECT_EQ(apps[2].icon()->pngData(), pngOfSize(180, 180));
  EXPECT_EQ(apps[2].icon()->width(), 60);
  EXPECT_EQ(apps[1].icon()->pngData(), pngOfSize(114, 114));
  // Every app answers an icon: the generic one, our own 60-point artwork.
  EXPECT_EQ(apps[0].icon()->pngData(), genericAppIcon()->pngData());
  EXPECT_EQ(apps[3].icon(), genericAppIcon());
}

TEST_F(AppListScanTest, ARepeatScanParsesOnlyChangedInfoPlistsAndForgetsRemovedApps) {
  install("/Applications/One.app", appInfo("com.example.one", "One"));
  install("/Applications/Two.app", appInfo("com.example.two", "Two"), InfoFormat::binary);
  install("/var/jb/Applications/Three.app", appInfo("com.example.three", "Three"));
  install("/var/containers/Bundle/Application/K1/Four.app", appInfo("com.example.four", "Four"));
  ASSERT_EQ(scanner.scan().size(), 4u);
  EXPECT_EQ(scanner.infoPlistsParsedByLastScan(), 4u);
  // An app moved inside its container is found by its new name.
  fs::rename(hostPathFor("/var/containers/Bundle/Application/K1/Four.app"),
             hostPathFor("/var/containers/Bundle/Application/K1/Renamed.app"));
  ASSERT_EQ(scanner.scan().size(), 4u);
  EXPECT_EQ(scanner.infoPlistsParsedByLastScan(), 1u);
  fs::remove_all(hostPathFor("/var/containers/Bundle/Application/K1"));

  const auto three = scanner.scan();
  ASSERT_EQ(three.size(), 3u) << "the last list is not given again once an app went";
  const auto icon = three[1].icon();
  EXPECT_EQ(scanner.infoPlistsParsedByLastScan(), 0u);
  // A container's Info.plist rewritten in place is read again.
  install("/var/containers/Bundle/Application/K2/Five.app", appInfo("com.example.five", "Five"));
  scanner.scan();
  install("/var/containers/Bundle/Application/K2/Five.app", appInfo("com.example.five", "Evif"));
  EXPECT_EQ(names(scanner.scan())[0], "Evif com.example.five");
  fs::remove_all(hostPathFor("/var/containers/Bundle/Application/K2"));

  // Same size, new content: the modification time and inode tell.
  install("/Applications/Two.app", appInfo("com.example.two", "Owt"), InfoFormat::binary);
  fs::remove_all(hostPathFor("/var/jb/Applications/Three.app"));
  auto apps = scanner.scan();
  EXPECT_EQ(scanner.infoPlistsParsedByLastScan(), 1u);
  EXPECT_THAT(names(apps), ElementsAre("One com.example.one", "Owt com.example.two"));
  EXPECT_EQ(scanner.scan()[0].icon(), icon);  // unchanged apps keep their icon
}

}  // namespace
