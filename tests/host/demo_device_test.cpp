#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/DemoDevice.h"
#include "support/ChimewellTest.h"
#include "support/HostFiles.h"

namespace fs = std::filesystem;

namespace {

class DemoDeviceTest : public ChimewellTest {
 protected:
  // Host folders for the source and the data home, inside this test's temporary folder.
  fs::path source() const { return deviceRootPath() / "source"; }
  fs::path copy() const { return deviceRootPath() / "data" / "chimewell" / "demo-device"; }
};

TEST_F(DemoDeviceTest, FirstRunCopiesFilesAndLinksLaterRunsKeepTheUsersChanges) {
  writeHostFile(source() / "private" / "var" / "mobile" / "note.txt", "shipped");
  fs::create_directory_symlink("/private/var", source() / "var");

  ASSERT_TRUE(ensureDemoDeviceCopy(source(), copy()));
  EXPECT_EQ(readHostFile(copy() / "private" / "var" / "mobile" / "note.txt"), "shipped");
  // The phone's absolute links stay links, resolved later inside the device root.
  ASSERT_TRUE(fs::is_symlink(copy() / "var"));
  EXPECT_EQ(fs::read_symlink(copy() / "var"), fs::path("/private/var"));
  for (const auto& entry : fs::directory_iterator(copy().parent_path())) {
    EXPECT_EQ(entry.path().filename(), "demo-device") << "a partial copy was left behind";
  }

  writeHostFile(copy() / "private" / "var" / "mobile" / "note.txt", "changed by the user");
  writeHostFile(source() / "private" / "var" / "mobile" / "note.txt", "shipped again");
  EXPECT_FALSE(ensureDemoDeviceCopy(source(), copy()));
  EXPECT_EQ(readHostFile(copy() / "private" / "var" / "mobile" / "note.txt"), "changed by the user");
}

}  // namespace
