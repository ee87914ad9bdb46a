#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "foundation/HiddenLinks.h"
#include "foundation/NSFileManager.h"
#include "foundation/NSUserDefaults.h"
#include "store/SettingsStore.h"
#include "support/ChimewellTest.h"

namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using Dictionary = PlistValue::Dictionary;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::SizeIs;
using ::testing::StartsWith;

constexpr const char* kAppFile = "/var/jb/Library/Application Support/Chimewell-plist/com.example.mail.app.plist";

class SettingsStoreTest : public ChimewellTest {
 protected:
  void SetUp() override {
    ChimewellTest::SetUp();
    handOff("com.example.mail.app");
  }

  // As the application picker hands an application off (the store reads the
  // key through the same shared user defaults).
  static void handOff(const std::optional<std::string>& identifier) {
    NSUserDefaults::standardUserDefaults()->setObjectForKey(
        identifier ? std::optional<PlistValue>(*identifier) : std::nullopt, kCurrentAppIdentifierKey);
  }
};

TEST_F(SettingsStoreTest, TheFirstStoreWritesThatKeyAloneAndEveryLaterOneKeepsTheKeysOfOthers) {
  ensureSettingsDirectory();
  auto plist = loadSettings();
  ASSERT_TRUE(plist);
  EXPECT_EQ(plist->count(), 0u);
  EXPECT_EQ(storeSettingsKey(plist, kEnableToggleKey, true), StoreResult::stored);
  // Named by the whole dotted identifier.
  EXPECT_EQ(readFileAt(kAppFile), xmlPropertyListData(Dictionary{{"enableToggle", true}}));
  auto chooser = loadSettings();

  // Another party adds keys while the pages hold their copies.
  writeDictionaryAt(kAppFile, {{"theirKey", "kept"}, {"enableToggle", true}, {"NotificationAlert", "Bell.m4r"}});
  ASSERT_EQ(storeSettingsKey(plist, kVibrationToggleKey, false), StoreResult::stored);
  auto onDisk = *readDictionaryAt(kAppFile);
  onDisk["addedLater"] = 3;
  writeDictionaryAt(kAppFile, onDisk);
  // The count as typed, letters and all, then the chooser's store into the
  // copy it loaded before all of this.
  ASSERT_EQ(storeSettingsKey(plist, kVibrationTimesKey, "three"), StoreResult::stored);
  ASSERT_EQ(storeSettingsKey(chooser, kNotificationAlertKey, "Chime.caf"), StoreResult::stored);
  ASSERT_EQ(storeSettingsKey(plist, kCustomToggleKey, true), StoreResult::stored);

  EXPECT_EQ(readDictionaryAt(kAppFile), (Dictionary{{"theirKey", "kept"},
                                                    {"addedLater", 3},
                                                    {"NotificationAlert", "Chime.caf"},
                                                    {"enableToggle", true},
                                                    {"vibrationToggle", false},
                                                    {"vibrationTimes", "three"},
                                                    {"customToggle", true}}));
  EXPECT_EQ(readSoundName(), "Chime.caf");
  EXPECT_EQ(plist->stringForKey(kVibrationTimesKey), "three");
  EXPECT_THAT(logMessages(), SizeIs(0));
}

TEST_F(SettingsStoreTest, AnUnreadableFileIsNeverTouched) {
  writeFileAt(kAppFile, "<?xml version=\"1.0\"?><plist><dict><key>cut");
  auto copy = loadSettings();
  EXPECT_FALSE(copy);
  EXPECT_EQ(storeSettingsKey(copy, kEnableToggleKey, true), StoreResult::noDictionary);
  EXPECT_EQ(readFileAt(kAppFile), "<?xml version=\"1.0\"?><plist><dict><key>cut");
  EXPECT_THAT(logMessages(),
              ElementsAre(AllOf(HasSubstr(kAppFile), HasSubstr("not a readable property-list dictionary"))));

  // A root that is not a dictionary is just as unreadable.
  writeFileAt(kAppFile, xmlPropertyListData(PlistValue(PlistValue::Array{true})));
  EXPECT_EQ(storeSettingsKey(copy, kEnableToggleKey, true), StoreResult::noDictionary);

  // Once the file is valid again, the next store reads it and goes through.
  writeDictionaryAt(kAppFile, {{"other", 1}});
  EXPECT_EQ(storeSettingsKey(copy, kEnableToggleKey, true), StoreResult::stored);
  EXPECT_EQ(readDictionaryAt(kAppFile), (Dictionary{{"other", 1}, {"enableToggle", true}}));
}

// Every store path on every failing disk is the faults suite's; a read-only
// volume is worded only here.
TEST_F(SettingsStoreTest, AFailedWriteKeepsTheFileAndOneLineGivesPathAndReason) {
  // The settings directory was never made, so the write cannot land.
  auto copy = loadSettings();
  EXPECT_EQ(storeSettingsKey(copy, kVibrationToggleKey, true), StoreResult::writeFailed);
  EXPECT_TRUE(copy->boolValueForKey(kVibrationToggleKey));
  EXPECT_FALSE(fs::exists(hostPathFor(kAppFile)));
  EXPECT_THAT(logMessages(), ElementsAre(AllOf(HasSubstr(kAppFile), HasSubstr("couldn’t be saved"))));

  clearLogMessages();
  ensureSettingsDirectory();
  writeDictionaryAt(kAppFile, {{"enableToggle", false}, {"theirKey", "kept"}});
  const auto before = deviceFiles();
  failFileStep(FileStep::rename, EROFS);
  EXPECT_EQ(storeSettingsKey(copy, kEnableToggleKey, true), StoreResult::writeFailed);
  failFileStep(FileStep::rename, 0);
  EXPECT_EQ(deviceFiles(), before);
  EXPECT_THAT(logMessages(), ElementsAre(AllOf(HasSubstr(kAppFile), HasSubstr("the volume is read only"))));
}

// sshfs by default will not read a link that points outside the mount, as
// /var does on a phone: the log says so and names the way out.
TEST_F(SettingsStoreTest, AFileBehindALinkTheMountHidesIsNotTakenForMissingAndTheLogSaysWhy) {
  ensureSettingsDirectory();
  writeDictionaryAt(kAppFile, {{"theirKey", "kept"}});
  fs::rename(hostPathFor("/var"), hostPathFor("/private-var"));
  fs::create_directory_symlink("private-var", hostPathFor("/var"));
  auto copy = loadSettings();
  failFileStep(FileStep::readLink, EPERM);
  EXPECT_EQ(storeSettingsKey(copy, kEnableToggleKey, true), StoreResult::noDictionary);
  std::shared_ptr<NSError> error;
  EXPECT_FALSE(NSFileManager::defaultManager()->contentsOfDirectoryAtPathError(kSettingsDirectory, &error));
  failFileStep(FileStep::readLink, 0);

  EXPECT_EQ(readDictionaryAt(kAppFile), (Dictionary{{"theirKey", "kept"}}));
  EXPECT_THAT(logMessages(), ElementsAre(AllOf(HasSubstr(kAppFile), HasSubstr(hiddenLinkAdvice("/var")))));
  ASSERT_TRUE(error);
  EXPECT_THAT(error->localizedDescription(), HasSubstr(hiddenLinkAdvice("/var")));
}

TEST_F(SettingsStoreTest, NoUsableIdentifierTouchesNoFile) {
  ensureSettingsDirectory();
  writeDictionaryAt("/var/jb/Library/Application Support/Chimewell-plist/..plist", {{"a", 1}});
  writeDictionaryAt("/var/jb/Library/Application Support/Chimewell-plist/.plist", {{"b", 2}});
  writeDictionaryAt("/var/jb/Library/Application Support/victim.plist", {{"c", 3}});
  const std::vector<std::pair<std::optional<std::string>, std::string>> cases{
      {std::nullopt, "(null)"},
      {"", "\"\""},
      {".", "\".\""},
      {"..", "\"..\""},
      {"../victim", "\"../victim\""},
      {"com.example/app", "\"com.example/app\""},
      {std::string("com.example\0app", 15), "\"com.example\\0app\""},
  };
  for (const auto& [identifier, shownIdentifier] : cases) {
    handOff(identifier);
    clearLogMessages();
    const auto before = deviceFiles();
    SCOPED_TRACE(identifier.value_or("(none)"));

    EXPECT_EQ(perAppSettingsPath(), std::nullopt);
    auto copy = loadSettings();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->count(), 0u);
    EXPECT_EQ(storeSettingsKey(copy, kEnableToggleKey, true), StoreResult::noUsableIdentifier);
    EXPECT_EQ(deviceFiles(), before);
    EXPECT_THAT(logMessages(), ElementsAre(HasSubstr(shownIdentifier)));
  }
}

TEST_F(SettingsStoreTest, EnsureMakesTheDirectoryOrLogsWhyNot) {
  ensureSettingsDirectory();
  EXPECT_TRUE(fs::is_directory(hostPathFor(kSettingsDirectory)));
  ensureSettingsDirectory();  // already there
  EXPECT_THAT(logMessages(), SizeIs(0));

  fs::remove(hostPathFor(kSettingsDirectory));
  writeFileAt("/var/jb/Library/Application Support/Chimewell-plist", "plain file");
  ensureSettingsDirectory();
  EXPECT_THAT(logMessages(), ElementsAre(StartsWith("Error creating directory path: The file "
                                                    "“Chimewell-plist” couldn’t be saved")));
  EXPECT_EQ(readFileAt("/var/jb/Library/Application Support/Chimewell-plist"), "plain file");
}

}  // namespace
