// Every way the pages store a file, on a disk that fails: the file a store
// would replace stays as it was, no temporary file is left beside it, the
// page shows what the file holds, and the person or the log is told why.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "BuildPaths.h"
#include "applist/ApplistTableViewController.h"
#include "detail/SoundPageRows.h"
#include "detail/SoundPageTest.h"
#include "detail/SoundPageVariables.h"
#include "dispatch/MainRunLoop.h"
#include "foundation/FileDescriptor.h"
#include "foundation/NSUserDefaults.h"
#include "support/AppListFixtures.h"
#include "support/LoopbackHttpServer.h"

namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

const std::string kSoundFolder = kSoundLibraryDirectory;

std::string demoChime() {
  return readHostFile(fs::path(CHIMEWELL_SOURCE_DIR) /
                      "share/demo-device/private/preboot/5C3A1E/jb-Q2W7/procursus/Library/Application "
                      "Support/Chimewell/Chime.m4r");
}

class StoreFaultsTest;

// One way a page stores a file, as a person causes it.
struct StorePath {
  const char* name;
  std::string file;                               // the device file the store replaces
  std::function<void(StoreFaultsTest&)> seed;     // the file as another party left it
  std::function<void(StoreFaultsTest&)> open;     // the pages, up to the one that stores
  std::function<void(StoreFaultsTest&)> change;   // the person's change
  std::function<void(StoreFaultsTest&)> expectShown;  // the page shows what the file holds
  // What the person or the log is told of a failed store, given the reason.
  std::function<void(StoreFaultsTest&, const std::string&)> expectTold;
};
const std::vector<StorePath>& storePaths();

struct Fault {
  FileStep step;
  int error;
  const char* reason;  // as the store's message words it
  const char* name;
};

const std::vector<Fault> kFaults{
    {FileStep::write, ENOSPC, "there isn’t enough space", "DiskFull"},
    {FileStep::write, EIO, "couldn’t be saved", "WriteIOError"},
    {FileStep::create, EACCES, "You don’t have permission", "CreateDenied"},
    {FileStep::rename, EIO, "couldn’t be saved", "RenameIOError"},
    {FileStep::rename, EACCES, "You don’t have permission", "RenameDenied"},
    {FileStep::stat, EIO, "couldn’t be saved", "LookupIOError"},  // not taken for a missing file
};

class StoreFaultsTest : public SoundPageTest {
 public:
  // The table of store paths below drives the pages as a test would.
  friend const std::vector<StorePath>& storePaths();

  void TearDown() override {
    SparkAppList::setSource(nullptr);
    SoundPageTest::TearDown();
  }

  // The entry names in the folder holding `devicePath`, dot files included.
  std::set<std::string> entriesBeside(const std::string& devicePath) const {
    std::set<std::string> names;
    const fs::path folder = hostPathFor(devicePath).parent_path();
    if (!fs::exists(folder)) return names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
  }

  void openDetailPage() { open("ChimewellDetailView"); }
  void openChooser() {
    openDetailPage();
    driver().tapRowByText(kCustomSoundText);
  }
  void openPicker() {
    SparkAppList::setSource(apps);
    open("ApplistTableViewController");
  }
  void deliverApps() {
    apps->deliverLatest({preparedApp("Mail", "com.apple.mobilemail"), preparedApp("Maps", "com.apple.Maps")});
    MainRunLoop::main().runDue();
  }

  // The page's working copy is the file's, so that no later store writes a
  // refused change by accident.
  void expectWorkingCopyAsStored() const {
    ASSERT_TRUE(plist);
    EXPECT_EQ(plist->contents(), stored().value_or(PlistValue::Dictionary{}));
  }

  std::optional<PlistValue> storedValue(const char* key) const {
    auto contents = stored();
    if (!contents || !contents->contains(key)) return std::nullopt;
    return contents->at(key);
  }
  // The one log line of a per-app store: it names the file and the reason.
  void expectOneLineSaying(const std::string& reason) const {
    std::vector<std::string> storeLines;
    for (const auto& line : logMessages())
      if (line.starts_with("Not saving ")) storeLines.push_back(line);
    EXPECT_THAT(storeLines, ElementsAre(AllOf(HasSubstr(kAppFile), HasSubstr(reason))));
  }

  std::shared_ptr<PreparedAppList> apps = std::make_shared<PreparedAppList>();
  LoopbackHttpServer server;
};

const std::vector<StorePath>& storePaths() {
  static const std::vector<StorePath> paths{
      {"PerAppSwitch", StoreFaultsTest::kAppFile,
       [](StoreFaultsTest& t) { t.writeDictionaryAt(t.kAppFile, {{kEnableToggleKey, false}, {"theirKey", "kept"}}); },
       [](StoreFaultsTest& t) { t.openDetailPage(); },
       [](StoreFaultsTest& t) { t.driver().flipSwitchByText(kEnableCustomSoundText); },
       [](StoreFaultsTest& t) {
         EXPECT_EQ(t.switchOn(0), t.storedValue(kEnableToggleKey) == PlistValue(true));
         t.expectWorkingCopyAsStored();
       },
       [](StoreFaultsTest& t, const std::string& reason) { t.expectOneLineSaying(reason); }},

      {"VibrationCount", StoreFaultsTest::kAppFile,
       [](StoreFaultsTest& t) { t.writeDictionaryAt(t.kAppFile, {{kVibrationTimesKey, "3"}, {"theirKey", "kept"}}); },
       [](StoreFaultsTest& t) { t.openDetailPage(); },
       [](StoreFaultsTest& t) {
         t.driver().tapTextField("s3r0/field0");
         t.driver().typeText("9\n");
       },
       [](StoreFaultsTest& t) {
         const auto count = t.storedValue(kVibrationTimesKey);
         EXPECT_EQ(t.rowIn(t.screen(), 3).textFields.at(0).text, count ? *count->as<std::string>() : "");
         t.expectWorkingCopyAsStored();
       },
       [](StoreFaultsTest& t, const std::string& reason) { t.expectOneLineSaying(reason); }},

      {"SoundChoice", StoreFaultsTest::kAppFile,
       [](StoreFaultsTest& t) { t.writeDictionaryAt(t.kAppFile, {{kNotificationAlertKey, "Ping.wav"}}); },
       [](StoreFaultsTest& t) {
         t.addSounds({"Bell.wav", "Ping.wav"});
         t.openChooser();
       },
       [](StoreFaultsTest& t) { t.driver().tapRowByText("Bell.wav"); },
       [](StoreFaultsTest& t) {
         const auto sound = t.storedValue(kNotificationAlertKey);
         const std::string storedName = sound ? *sound->as<std::string>() : "";
         for (const char* name : {"Bell.wav", "Ping.wav"}) {
           EXPECT_EQ(t.rowWithText(t.screen(), name)->accessory == ScreenAccessory::checkmark, storedName == name)
               << name;
         }
         t.driver().goBack();  // the opener's row too
         EXPECT_EQ(t.rowIn(t.screen(), 1).detailText, sound ? storedName : kDefaultSoundText);
       },
       [](StoreFaultsTest& t, const std::string& reason) { t.expectOneLineSaying(reason); }},

      {"UserDefaults", NSUserDefaults::kPreferencesPath,
       [](StoreFaultsTest&) {},  // the hand-off of the fixture's app is there
       [](StoreFaultsTest& t) {
         t.openPicker();
         t.deliverApps();
       },
       [](StoreFaultsTest& t) { t.driver().tapRowByText("Maps"); },
       [](StoreFaultsTest&) {},  // no page shows the file itself
       [](StoreFaultsTest& t, const std::string& reason) {
         EXPECT_THAT(t.logMessages(), AllOf(Not(IsEmpty()), Each(AllOf(StartsWith("Not saving user defaults to "),
                                                                         HasSubstr(NSUserDefaults::kPreferencesPath)))));
       }},

      {"AppListCache", kApplicationListCachePath,
       [](StoreFaultsTest& t) { t.writeDictionaryAt(kApplicationListCachePath, {{"Old", "com.example.old"}}); },
       [](StoreFaultsTest& t) { t.openPicker(); },
       [](StoreFaultsTest& t) { t.deliverApps(); },
       [](StoreFaultsTest& t) { EXPECT_EQ(t.rowTexts(t.screen()).size(), 2u); },  // the list shows all the same
       [](StoreFaultsTest&, const std::string&) {}},  // the cache is kept without a word, as on the phone

      {"RingtoneImport", kSoundFolder + "Chime.m4r",
       [](StoreFaultsTest& t) { t.writeFileAt(kSoundFolder + "Chime.m4r", "the chime they had"); },
       [](StoreFaultsTest& t) {
         t.server.serve("/chime.m4r", demoChime(), "audio/x-m4r");
         t.openChooser();
       },
       [](StoreFaultsTest& t) {
         t.driver().tapRightBarButton();
         t.driver().tapAlertAction("Import", {t.server.url("/chime.m4r")});
         t.driver().tapAlertAction("Import", {"Chime.m4r"});
       },
       [](StoreFaultsTest&) {},  // the chooser lists names only, and the name was there
       [](StoreFaultsTest& t, const std::string& reason) {
         auto alert = t.screen().alert;
         ASSERT_TRUE(alert);
         EXPECT_THAT(alert->message.value_or(""), AllOf(StartsWith("Could not save the ringtone"), HasSubstr(reason)));
       }},
  };
  return paths;
}

class StoreOnAFailingDisk : public StoreFaultsTest,
                            public ::testing::WithParamInterface<std::tuple<std::size_t, Fault>> {};

TEST_P(StoreOnAFailingDisk, KeepsTheOldFileLeavesNothingShowsWhatIsStoredAndSaysWhy) {
  const auto& [pathIndex, fault] = GetParam();
  const StorePath& path = storePaths()[pathIndex];
  path.seed(*this);
  path.open(*this);
  const auto before = readFileAt(path.file);
  ASSERT_TRUE(before);
  const auto entries = entriesBeside(path.file);
  clearLogMessages();

  failFileStep(fault.step, fault.error);
  path.change(*this);
  failFileStep(fault.step, 0);

  EXPECT_EQ(readFileAt(path.file), before);
  EXPECT_EQ(entriesBeside(path.file), entries);
  path.expectShown(*this);
  path.expectTold(*this, fault.reason);
}

INSTANTIATE_TEST_SUITE_P(
    EveryStoreAndFault, StoreOnAFailingDisk,
    ::testing::Combine(::testing::Range<std::size_t>(0, storePaths().size()), ::testing::ValuesIn(kFaults)),
    [](const ::testing::TestParamInfo<std::tuple<std::size_t, Fault>>& test) {
      return std::string(storePaths()[std::get<0>(test.param)].name) + "_" + std::get<1>(test.param).name;
    });

// The chooser lists every entry of the library: an import killed half-way
// must leave nothing there, and what it leaves beside it goes after a minute.
TEST_F(StoreFaultsTest, AnImportPutsNothingButTheSoundInTheLibraryAndClearsOldLeftoversBesideIt) {
  const std::string killed = kSoundFolder + "../.Chimewell.0123456789abcdef.tmp";
  const std::string writing = kSoundFolder + "../.Chimewell.fedcba9876543210.tmp";  // another host's
  writeFileAt(killed, "left");
  writeFileAt(writing, "being written");
  const timespec old[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, hostPathFor(killed).c_str(), old, 0), 0);
  const StorePath& import = storePaths().back();
  import.open(*this);
  FileDescriptor watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  ASSERT_GE(::inotify_add_watch(watch.get(), hostPathFor(kSoundFolder).c_str(), IN_CREATE | IN_MOVED_TO), 0);
  import.change(*this);

  std::set<std::string> arrived;
  alignas(inotify_event) char events[4096];
  for (ssize_t size; (size = ::read(watch.get(), events, sizeof events)) > 0;) {
    for (char* at = events; at < events + size; at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
      arrived.insert(reinterpret_cast<inotify_event*>(at)->name);
  }
  EXPECT_EQ(arrived, std::set<std::string>{"Chime.m4r"});
  EXPECT_EQ(readFileAt(kSoundFolder + "Chime.m4r"), demoChime());
  EXPECT_FALSE(readFileAt(killed));
  EXPECT_TRUE(readFileAt(writing));
}

// The stores that make their folder, when it cannot be made: nothing is
// written anywhere, the page shows nothing stored, and the log says why.
class StoreWithoutItsFolder : public StoreFaultsTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(StoreWithoutItsFolder, WritesNothingAndShowsNothingStored) {
  const StorePath& path = storePaths()[GetParam()];
  const fs::path folder = hostPathFor(path.file).parent_path();
  fs::remove_all(folder);
  failFileStep(FileStep::makeDirectory, ENOSPC);
  path.open(*this);
  path.change(*this);
  failFileStep(FileStep::makeDirectory, 0);

  EXPECT_FALSE(fs::exists(folder));
  path.expectShown(*this);
  EXPECT_THAT(logMessages(), Not(IsEmpty()));
}

INSTANTIATE_TEST_SUITE_P(PerAppStoresAndUserDefaults, StoreWithoutItsFolder, ::testing::Values(0, 1, 2, 3),
                         [](const ::testing::TestParamInfo<std::size_t>& test) {
                           return std::string(storePaths()[test.param].name);
                         });

}  // namespace
