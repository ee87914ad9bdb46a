// The two kinds of store a person causes, a per-app settings file and an
// imported sound, on a disk that fails: the file a store would replace stays
// as it was, nothing is left beside it, the page shows what the file holds,
// and the person or the log is told why. (How each page shows a refused
// change is its own suite's; the atomic write under them all, the platform's.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "detail/SoundPageRows.h"
#include "detail/SoundPageTest.h"
#include "detail/SoundPageVariables.h"
#include "foundation/FileDescriptor.h"
#include "support/LoopbackHttpServer.h"

namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const std::string kSoundFolder = kSoundLibraryDirectory;
const std::string kChimeFile = kSoundFolder + "Chime.m4r";

class StoreFaultsTest : public SoundPageTest {
 protected:
  // The entry names in the folder holding `devicePath`, dot files included.
  std::set<std::string> entriesBeside(const std::string& devicePath) const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(hostPathFor(devicePath).parent_path()))
      names.insert(entry.path().filename().string());
    return names;
  }
  void openChooser() {
    server.serve("/chime.m4r", demoChime(), "audio/x-m4r");
    open("ChimewellDetailView");
    driver().tapRowByText(kCustomSoundText);
  }
  void importChime() {
    driver().tapRightBarButton();
    driver().tapAlertAction("Import", {server.url("/chime.m4r")});
    driver().tapAlertAction("Import", {"Chime.m4r"});
  }

  LoopbackHttpServer server;
};

struct Fault {
  FileStep step;
  int error;
  const char* reason;  // as the store's message words it
  const char* name;
};
// A run prints the fault's name, not the struct's bytes.
void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.name; }

class StoreOnAFailingDisk : public StoreFaultsTest, public ::testing::WithParamInterface<Fault> {
 protected:
  // Makes the change on the failing disk: the file and what lies beside it stay as they were.
  void changeOnFailingDisk(const std::string& file, const std::function<void()>& change) {
    const auto before = readFileAt(file);
    ASSERT_TRUE(before);
    const auto entries = entriesBeside(file);
    clearLogMessages();
    failFileStep(GetParam().step, GetParam().error);
    change();
    failFileStep(GetParam().step, 0);
    EXPECT_EQ(readFileAt(file), before);
    EXPECT_EQ(entriesBeside(file), entries);
  }
};

TEST_P(StoreOnAFailingDisk, ASwitchShowsWhatTheFileHoldsAndOneLineSaysWhy) {
  store({{kEnableToggleKey, false}, {"theirKey", "kept"}});
  open("ChimewellDetailView");
  changeOnFailingDisk(kAppFile, [this] { driver().flipSwitchByText(kEnableCustomSoundText); });
  EXPECT_FALSE(switchOn(0));
  ASSERT_TRUE(plist);  // the working copy is the file's: no later store writes the refused change
  EXPECT_EQ(plist->contents(), stored());
  EXPECT_THAT(logMessages(), ElementsAre(AllOf(StartsWith("Not saving "), HasSubstr(kAppFile),
                                               HasSubstr(GetParam().reason))));
}

TEST_P(StoreOnAFailingDisk, AnImportKeepsTheSoundItWouldReplaceAndItsAlertSaysWhy) {
  writeFileAt(kChimeFile, "the chime they had");
  openChooser();
  changeOnFailingDisk(kChimeFile, [this] { importChime(); });
  ASSERT_TRUE(screen().alert);
  EXPECT_THAT(screen().alert->message.value_or(""),
              AllOf(StartsWith("Could not save the ringtone"), HasSubstr(GetParam().reason)));
}

INSTANTIATE_TEST_SUITE_P(EveryFault, StoreOnAFailingDisk,
                         ::testing::Values(Fault{FileStep::write, ENOSPC, "there isn’t enough space", "DiskFull"},
                                           Fault{FileStep::create, EACCES, "You don’t have permission", "CreateDenied"},
                                           Fault{FileStep::rename, EIO, "couldn’t be saved", "RenameIOError"},
                                           // not taken for a missing file
                                           Fault{FileStep::stat, EIO, "couldn’t be saved", "LookupIOError"}),
                         [](const ::testing::TestParamInfo<Fault>& test) { return std::string(test.param.name); });

// The chooser lists every entry of the library: an import killed half-way
// must leave nothing there, and what it leaves beside it goes after a minute.
TEST_F(StoreFaultsTest, AnImportPutsNothingButTheSoundInTheLibraryAndClearsOldLeftoversBesideIt) {
  const std::string killed = kSoundFolder + "../.Chimewell.0123456789abcdef.tmp";
  const std::string writing = kSoundFolder + "../.Chimewell.fedcba9876543210.tmp";  // another host's
  writeFileAt(killed, "left");
  writeFileAt(writing, "being written");
  const timespec old[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, hostPathFor(killed).c_str(), old, 0), 0);
  openChooser();
  FileDescriptor watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  ASSERT_GE(::inotify_add_watch(watch.get(), hostPathFor(kSoundFolder).c_str(), IN_CREATE | IN_MOVED_TO), 0);
  importChime();

  std::set<std::string> arrived;
  alignas(inotify_event) char events[4096];
  for (ssize_t size; (size = ::read(watch.get(), events, sizeof events)) > 0;) {
    for (char* at = events; at < events + size; at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
      arrived.insert(reinterpret_cast<inotify_event*>(at)->name);
  }
  EXPECT_EQ(arrived, std::set<std::string>{"Chime.m4r"});
  EXPECT_EQ(readFileAt(kChimeFile), demoChime());
  EXPECT_FALSE(readFileAt(killed));
  EXPECT_TRUE(readFileAt(writing));
}

}  // namespace
