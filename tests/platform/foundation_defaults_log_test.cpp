#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "foundation/NSLog.h"
#include "foundation/NSUserDefaults.h"
#include "support/ChimewellTest.h"

namespace {

using Dictionary = PlistValue::Dictionary;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

constexpr const char* kPath = NSUserDefaults::kPreferencesPath;

class UserDefaultsTest : public ChimewellTest {};

TEST_F(UserDefaultsTest, SynchronizeCreatesTheFileThenMergesIntoItAsItIsNow) {
  auto defaults = NSUserDefaults::standardUserDefaults();
  defaults->setObjectForKey("com.example.app", "currentAppIdentifier");
  ASSERT_TRUE(defaults->synchronize());
  EXPECT_EQ(readDictionaryAt(kPath), (Dictionary{{"currentAppIdentifier", "com.example.app"}}));
  // Another party writes the file after it was read.
  writeDictionaryAt(kPath, {{"keep", "mine"}, {"drop", "x"}, {"theirs", 1}});
  defaults->setObjectForKey("Mail", "currentApp");
  defaults->setObjectForKey(std::nullopt, "drop");
  EXPECT_EQ(defaults->stringForKey("currentApp"), "Mail");
  EXPECT_EQ(defaults->objectForKey("drop"), std::nullopt);
  ASSERT_TRUE(defaults->synchronize());
  EXPECT_EQ(readDictionaryAt(kPath), (Dictionary{{"keep", "mine"}, {"theirs", 1}, {"currentApp", "Mail"}}));
}

TEST_F(UserDefaultsTest, NeverOverwritesAFileItCannotRead) {
  writeFileAt(kPath, "not a property list");
  auto defaults = NSUserDefaults::standardUserDefaults();
  defaults->setObjectForKey("Mail", "currentApp");
  EXPECT_FALSE(defaults->synchronize());
  EXPECT_EQ(readFileAt(kPath), "not a property list");
  EXPECT_EQ(logMessages().size(), 1u);
  EXPECT_EQ(defaults->stringForKey("currentApp"), "Mail");
}

// The store-faults suite fails every step of a store, the defaults' too, and
// their folder; here only that a change not saved waits for the next try.
TEST_F(UserDefaultsTest, AChangeThatCouldNotBeWrittenLeavesTheFileAndIsSavedNextTime) {
  writeDictionaryAt(kPath, {{"theirs", 1}});
  const auto before = readFileAt(kPath);
  auto defaults = NSUserDefaults::standardUserDefaults();
  defaults->setObjectForKey("Mail", "currentApp");
  failFileStep(FileStep::rename, EIO);
  EXPECT_FALSE(defaults->synchronize());
  failFileStep(FileStep::rename, 0);
  EXPECT_EQ(readFileAt(kPath), before);
  EXPECT_THAT(logMessages(), ElementsAre(HasSubstr(kPath)));
  EXPECT_TRUE(defaults->synchronize());
  EXPECT_EQ(readDictionaryAt(kPath), (Dictionary{{"theirs", 1}, {"currentApp", "Mail"}}));
}

class LogTest : public ChimewellTest {};

TEST_F(LogTest, WritesOneLineInApplesFormToStandardError) {
  setNSLogSink({});
  ::testing::internal::CaptureStderr();
  NSLog("Sample: %@", std::string("“x” é."));
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(written, MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} "
                                    "Preferences\\[[0-9]+:[0-9]+\\] Sample: “x” é\\.\n"));
}

}  // namespace
