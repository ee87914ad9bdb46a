#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <tuple>

#include "foundation/DeviceFiles.h"
#include "foundation/DeviceRoot.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSError.h"
#include "foundation/NSFileManager.h"
#include "support/ChimewellTest.h"

namespace {

namespace fs = std::filesystem;
using Dictionary = PlistValue::Dictionary;
using ::testing::HasSubstr;

std::set<std::string> namesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

class DeviceRootTest : public ChimewellTest {};

TEST_F(DeviceRootTest, PathsResolveInsideTheRootAsInAChroot) {
  // A phone-like layout: /var is a link to private/var, and an absolute link
  // points at /etc from inside the device.
  makeFolderAt("/private/var/mobile");
  fs::create_directory_symlink("private/var", hostPathFor("/var"));
  fs::create_symlink("/etc/hosts", hostPathFor("/private/var/mobile/hosts"));
  writeFileAt("/etc/hosts", "device hosts");

  auto manager = NSFileManager::defaultManager();
  EXPECT_TRUE(manager->fileExistsAtPath("/var/mobile"));
  auto dictionary = NSMutableDictionary::dictionary();
  dictionary->setObjectForKey("v", "k");
  ASSERT_TRUE(dictionary->writeToFileAtomically("/var/mobile/a.plist", true));
  EXPECT_TRUE(fs::is_regular_file(hostPathFor("/private/var/mobile/a.plist")));

  // The absolute link, and ".." past the top, stay inside the root.
  int fd = currentDeviceRoot()->open("/var/mobile/hosts", O_RDONLY);
  ASSERT_GE(fd, 0);
  char buffer[64] = {};
  ASSERT_GT(::read(fd, buffer, sizeof buffer - 1), 0);
  ::close(fd);
  EXPECT_STREQ(buffer, "device hosts");
  EXPECT_TRUE(NSMutableDictionary::initWithContentsOfFile("/../../../var/mobile/a.plist"));
  EXPECT_FALSE(manager->fileExistsAtPath("/../../../../../../bin/sh"));
  // "" is no path (not the root), and a NUL does not cut a path short.
  EXPECT_LT(currentDeviceRoot()->open("", O_RDONLY | O_DIRECTORY), 0);
  EXPECT_LT(currentDeviceRoot()->open(std::string_view("/etc/hosts\0/x", 13), O_RDONLY), 0);
}

// What the page's notice that the phone cannot be reached follows.
TEST_F(DeviceRootTest, AStepFailingAsALostLinkMarksTheRootUntilAStepSucceeds) {
  const auto root = currentDeviceRoot();
  failFileStep(FileStep::rename, EIO);
  EXPECT_EQ(writeDeviceFile("/a.plist", "x", true), EIO);
  EXPECT_TRUE(root->unreachable());
  EXPECT_FALSE(statDevicePath("/missing"));  // absence says nothing of the link
  EXPECT_TRUE(root->unreachable());
  EXPECT_TRUE(statDevicePath("/"));
  EXPECT_FALSE(root->unreachable());
}

class FileManagerTest : public ChimewellTest {};

TEST_F(FileManagerTest, ExistenceFollowsLinksAndTellsFoldersFromFiles) {
  writeFileAt("/a/file", "x");
  fs::create_directory_symlink("/a", hostPathFor("/link"));
  fs::create_symlink("/nowhere", hostPathFor("/dangling"));
  auto manager = NSFileManager::defaultManager();
  bool isDirectory = true;
  EXPECT_TRUE(manager->fileExistsAtPathIsDirectory("/a/file", &isDirectory));
  EXPECT_FALSE(isDirectory);
  EXPECT_TRUE(manager->fileExistsAtPathIsDirectory("/link/", &isDirectory));
  EXPECT_TRUE(isDirectory);
  EXPECT_FALSE(manager->fileExistsAtPathIsDirectory("/dangling", &isDirectory));
  EXPECT_FALSE(isDirectory);
  EXPECT_FALSE(manager->fileExistsAtPath("/a/file/below"));
  // A lookup that fails (EIO as a mount reconnects) finds no answer, not no file.
  failFileStep(FileStep::stat, EIO);
  EXPECT_TRUE(manager->fileExistsAtPath("/a/missing"));
}

class DictionaryFileTest : public ChimewellTest {};

TEST_F(DictionaryFileTest, ReadsOnlyPropertyListsWhoseRootIsADictionary) {
  writeFileAt("/array.plist", xmlPropertyListData(PlistValue(PlistValue::Array{1, 2})));
  makeFolderAt("/folder.plist");
  // Opening a FIFO for reading would wait for a writer: it must read as none at once.
  ASSERT_EQ(::mkfifo(hostPathFor("/fifo.plist").c_str(), 0600), 0);
  for (const char* path : {"/missing.plist", "/array.plist", "/folder.plist", "/fifo.plist"}) {
    EXPECT_FALSE(NSMutableDictionary::initWithContentsOfFile(path)) << path;
  }
}

TEST_F(DictionaryFileTest, AtomicWriteReplacesTheFileOrLeavesTheOldOneAndNothingElse) {
  writeFileAt("/prefs/settings.plist", "old content");
  auto dictionary = std::make_shared<NSMutableDictionary>(Dictionary{{"k", "v"}, {"n", 3}});
  ASSERT_TRUE(dictionary->writeToFileAtomically("/prefs/settings.plist", true));
  EXPECT_EQ(readFileAt("/prefs/settings.plist"), xmlPropertyListData(dictionary->contents()));

  // A folder stands at the target: the rename fails after the temporary
  // file was written.
  writeFileAt("/prefs/taken.plist/inside", "kept");
  std::shared_ptr<NSError> error;
  EXPECT_FALSE(dictionary->writeToFileAtomically("/prefs/taken.plist", true, &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(readFileAt("/prefs/taken.plist/inside"), "kept");
  EXPECT_EQ(namesIn(hostPathFor("/prefs")), (std::set<std::string>{"settings.plist", "taken.plist"}));
  EXPECT_FALSE(dictionary->writeToFileAtomically("/missing/x.plist", true));
}

TEST_F(DictionaryFileTest, AtomicWriteKeepsWorkingForVeryLongFileNames) {
  const std::string name = std::string(249, 'n') + ".plist";  // 255 bytes, the longest name
  auto dictionary = std::make_shared<NSMutableDictionary>(Dictionary{{"k", true}});
  ASSERT_TRUE(dictionary->writeToFileAtomically("/" + name, true));
  EXPECT_EQ(namesIn(deviceRootPath()), std::set<std::string>{name});
}

// The store's suite has a NUL in another party's string; here in a key and deep down.
TEST_F(DictionaryFileTest, ATextHoldingNulIsNotWrittenAndTheFileStaysAsItWas) {
  writeDictionaryAt("/prefs/a.plist", {{"k", "old"}});
  const auto before = readFileAt("/prefs/a.plist");
  const std::string nul(1, '\0');
  for (const Dictionary& contents : {Dictionary{{"k" + nul, "v"}},
                                     Dictionary{{"list", PlistValue::Array{Dictionary{{"deep", nul}}}}}}) {
    NSMutableDictionary dictionary(contents);
    std::shared_ptr<NSError> error;
    EXPECT_FALSE(dictionary.writeToFileAtomically("/prefs/a.plist", true, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSPropertyListWriteInvalidError);
    EXPECT_EQ(readFileAt("/prefs/a.plist"), before);
  }
  EXPECT_EQ(namesIn(hostPathFor("/prefs")), std::set<std::string>{"a.plist"});
}

// On a phone, the Settings app's preferences are mobile's (501) with mode
// 0600; a store made as root must not take them from it.
TEST_F(DictionaryFileTest, AReplacedFileKeepsItsOwnerAndModeAndANewOneTakesItsFoldersOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving files to uid 501 needs root";
  writeFileAt("/mobile/prefs.plist", "old");
  ASSERT_EQ(::chown(hostPathFor("/mobile").c_str(), 501, 501), 0);
  ASSERT_EQ(::chown(hostPathFor("/mobile/prefs.plist").c_str(), 501, 20), 0);
  ASSERT_EQ(::chmod(hostPathFor("/mobile/prefs.plist").c_str(), 0600), 0);
  const auto owner = [this](const char* path) {
    struct stat status {};
    EXPECT_EQ(::stat(hostPathFor(path).c_str(), &status), 0);
    return std::tuple(status.st_uid, status.st_gid, status.st_mode & 07777);
  };
  NSMutableDictionary dictionary(Dictionary{{"k", "v"}});
  ASSERT_TRUE(dictionary.writeToFileAtomically("/mobile/prefs.plist", true));
  ASSERT_TRUE(dictionary.writeToFileAtomically("/mobile/new.plist", true));
  EXPECT_EQ(owner("/mobile/prefs.plist"), std::tuple(501u, 20u, 0600u));
  EXPECT_EQ(std::get<0>(owner("/mobile/new.plist")), 501u);
  EXPECT_EQ(std::get<1>(owner("/mobile/new.plist")), 501u);

  // Where the owner cannot be given, the file is replaced all the same with
  // its mode, and one line says so.
  failFileStep(FileStep::changeOwner, EPERM);
  ASSERT_TRUE(dictionary.writeToFileAtomically("/mobile/prefs.plist", true));
  ASSERT_TRUE(dictionary.writeToFileAtomically("/mobile/new.plist", true));
  EXPECT_EQ(owner("/mobile/prefs.plist"), std::tuple(0u, 0u, 0600u));
  EXPECT_THAT(logMessages(), ::testing::ElementsAre(HasSubstr("Operation not permitted")));
}

// A store killed between making its temporary file and renaming it leaves
// the file behind; the next store of that file clears such leftovers.
TEST_F(DictionaryFileTest, AStoreRemovesOnlyItsOwnLeftoversOverAMinuteOld) {
  const std::set<std::string> plainFiles{
      ".a.plist.fedcba9876543210.tmp",  // ours, but a store may be writing it now
      ".b.plist.0123456789abcdef.tmp",  // another file's
      ".a.plist.0123456789abcde.tmp", ".a.plist.0123456789ABCDEF.tmp", "a.plist.0123456789abcdef.tmp",  // not ours
  };
  for (const auto& name : plainFiles) writeFileAt("/prefs/" + name, "left");
  writeFileAt("/prefs/target", "link target");
  fs::create_symlink("target", hostPathFor("/prefs/.a.plist.1111111111111111.tmp"));
  makeFolderAt("/prefs/.a.plist.2222222222222222.tmp");
  writeFileAt("/prefs/.a.plist.0123456789abcdef.tmp", "left by a killed store");
  // Everything but the fresh one is two minutes old.
  const timespec old[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
  for (const auto& entry : fs::directory_iterator(hostPathFor("/prefs"))) {
    if (entry.path().filename() == ".a.plist.fedcba9876543210.tmp") continue;
    ASSERT_EQ(::utimensat(AT_FDCWD, entry.path().c_str(), old, AT_SYMLINK_NOFOLLOW), 0);
  }

  NSMutableDictionary dictionary(Dictionary{{"k", "v"}});
  ASSERT_TRUE(dictionary.writeToFileAtomically("/prefs/a.plist", true));
  std::set<std::string> expected = plainFiles;
  expected.insert({"target", ".a.plist.1111111111111111.tmp", ".a.plist.2222222222222222.tmp", "a.plist"});
  EXPECT_EQ(namesIn(hostPathFor("/prefs")), expected);
  EXPECT_EQ(readFileAt("/prefs/target"), "link target");
}

}  // namespace
