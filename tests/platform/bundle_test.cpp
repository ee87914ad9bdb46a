#include <filesystem>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/NSBundle.h"
#include "foundation/NSClassRegistry.h"
#include "support/ChimewellTest.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

class RegisteredPage : public NSObject {};
class OtherPage : public NSObject {};
class UnregisteredPage : public NSObject {};

const bool registeredPage = NSRegisterClass<RegisteredPage>("BundleTestRegisteredPage");

class BundleTest : public ChimewellTest {
 protected:
  // A bundle folder on the host, next to (not inside) the device's "/".
  fs::path makeBundle(const std::string& name, const std::string& infoPlist) {
    fs::path folder = deviceRootPath() / "host" / name;
    fs::create_directories(folder);
    if (!infoPlist.empty()) writeHostFile(folder / "Info.plist", infoPlist);
    return folder;
  }
  static std::string infoPlist(const std::string& executable) {
    return xmlPropertyListData(PlistValue::Dictionary{{"CFBundleExecutable", executable},
                                                      {"CFBundleIdentifier", "app.example.pane"},
                                                      {"CFBundleVersion", 7}});
  }
};

// The root page's suite makes its pages by name from the built bundle; here
// what it does not reach.
TEST_F(BundleTest, ATakenClassNameIsRefusedAndClassesOfTheProgramBelongToTheMainBundle) {
  ASSERT_TRUE(registeredPage);
  EXPECT_FALSE(NSRegisterClass<OtherPage>("BundleTestRegisteredPage"));
  EXPECT_NE(std::dynamic_pointer_cast<RegisteredPage>(NSCreateInstance("BundleTestRegisteredPage")), nullptr);
  auto settings = NSBundle::bundleWithPath(makeBundle("Settings.app", infoPlist("Preferences")));
  NSBundle::setMainBundle(settings);
  EXPECT_EQ(NSBundle::bundleForClass<RegisteredPage>(), settings);
  EXPECT_EQ(NSBundle::bundleForClass<UnregisteredPage>(), settings);
}

TEST_F(BundleTest, LoadingFailsWithAReasonAndLeavesTheBundleUnloaded) {
  const fs::path folder = makeBundle("Broken.bundle", infoPlist("Broken"));
  auto bundle = NSBundle::bundleWithPath(folder);
  std::string error;
  EXPECT_FALSE(bundle->load(&error));
  EXPECT_THAT(error, HasSubstr("executable couldn't be located"));
  writeHostFile(folder / "Broken", "not a library");
  EXPECT_FALSE(bundle->load(&error));
  EXPECT_THAT(error, HasSubstr("couldn't be loaded"));
  EXPECT_FALSE(bundle->isLoaded());
}

}  // namespace
