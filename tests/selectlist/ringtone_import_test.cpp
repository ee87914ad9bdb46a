#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BuildPaths.h"
#include "foundation/NSClassRegistry.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/URLLoader.h"
#include "selectlist/QCSelectListTableViewController.h"
#include "store/SettingsPaths.h"
#include "support/LoopbackHttpServer.h"
#include "support/PageTest.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Optional;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAre;
using namespace std::chrono_literals;

namespace {

namespace fs = std::filesystem;

const std::string kSoundFolder = kSoundLibraryDirectory;
const char* const kDownloadFailed = "Could not download a ringtone from this link";
const char* const kDownloaded = "Ringtone Downloaded! Kindly refresh this page in order for it to show";

std::string demoSound(const std::string& name) {
  const fs::path path = fs::path(CHIMEWELL_SOURCE_DIR) /
                        "share/demo-device/private/preboot/5C3A1E/jb-Q2W7/procursus/Library/Application Support/Chimewell" /
                        name;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("missing demo sound " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The chooser as the per-app page opens it, over a sound library of one
// sound, and a web server of the test's own serving two real ringtones.
class RingtoneImportTest : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    URLLoadLimits limits;
    limits.totalTimeout = 2s;
    limits.maxBytes = 1024 * 1024;
    setURLLoadLimits(limits);
    writeFileAt(kSoundFolder + "Ping.wav", "ping");
    chime = demoSound("Chime.m4r");
    sunrise = demoSound("Sunrise.m4r");
    server.serve("/chime.m4r", chime, "audio/x-m4r");
    server.serve("/sunrise.m4r", sunrise, "audio/x-m4r");
    handOff();
    showPage(std::make_shared<UITableViewController>(UITableViewStyleGrouped));
    openChooser();
  }
  void TearDown() override {
    setURLLoadLimits(URLLoadLimits{});
    PageTest::TearDown();
  }

  // As the picker hands an app off to the per-app page.
  static void handOff() {
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObjectForKey(PlistValue(std::string("Météo+")), kCurrentAppKey);
    defaults->setObjectForKey(PlistValue(std::string("com.example.meteo.plus")), kCurrentAppIdentifierKey);
    defaults->synchronize();
  }

  // The per-app page, and from its sound row the chooser, which lists the
  // sound library as it is now.
  void openChooser() {
    auto appPage = std::dynamic_pointer_cast<UIViewController>(NSCreateInstance("ChimewellDetailView"));
    navigationController()->pushViewControllerAnimated(appPage, true);
    driver().tapRowByText("Custom Sound");
    ASSERT_TRUE(std::dynamic_pointer_cast<QCSelectListTableViewController>(navigationController()->topViewController()));
  }

  void tapAdd() { driver().tapRightBarButton(); }

  // Add, the link alert's "Import" with the link, the name alert's "Import" with the name.
  void importFrom(const std::string& link, const std::string& name) {
    tapAdd();
    driver().tapAlertAction("Import", {link});
    driver().tapAlertAction("Import", {name});
  }

  std::optional<std::string> alertMessage() {
    auto alert = screen().alert;
    return alert ? alert->message : std::nullopt;
  }

  // The alert's actions as "title/style", and its fields' placeholders.
  static std::vector<std::string> actions(const ScreenAlert& alert) {
    std::vector<std::string> shown;
    for (const auto& action : alert.actions)
      shown.push_back(action.title + (action.style == ScreenAlertActionStyle::cancel     ? "/cancel"
                                      : action.style == ScreenAlertActionStyle::standard ? "/default"
                                                                                         : "/destructive"));
    return shown;
  }
  static std::vector<std::string> placeholders(const ScreenAlert& alert) {
    std::vector<std::string> shown;
    for (const auto& field : alert.textFields) shown.push_back(field.placeholder.value_or("(none)"));
    return shown;
  }

  // The shown alert is titled "Chimewell", says `message` and offers one "OK".
  void expectMessageAlert(const std::string& message) {
    auto alert = screen().alert;
    ASSERT_TRUE(alert) << message;
    EXPECT_EQ(alert->title, "Chimewell");
    EXPECT_EQ(alert->message, message);
    EXPECT_THAT(placeholders(*alert), IsEmpty());
    EXPECT_THAT(actions(*alert), ElementsAre("OK/default"));
  }

  // Every path under the device root with its content, to see that nothing changed.
  std::map<std::string, std::string> deviceFiles() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(deviceRootPath())) {
      std::string content;
      if (entry.is_regular_file()) {
        std::ifstream in(entry.path(), std::ios::binary);
        content.assign(std::istreambuf_iterator<char>(in), {});
      }
      files[entry.path().string()] = content;
    }
    return files;
  }

  LoopbackHttpServer server;
  std::string chime;
  std::string sunrise;
};

TEST_F(RingtoneImportTest, TheLinkAndNameAlertsAskInTheirOrder) {
  tapAdd();
  auto link = screen().alert;
  ASSERT_TRUE(link);
  EXPECT_EQ(link->title, "Chimewell");
  EXPECT_EQ(link->message,
            "You can import your own ringtones manually by placing them in /var/jb/Library/Application "
            "Support/Chimewell or you paste a direct link to a ringtone to download and import it");
  EXPECT_THAT(placeholders(*link), ElementsAre("URL"));
  EXPECT_EQ(link->textFields[0].text, "");
  EXPECT_THAT(actions(*link), ElementsAre("Open site/default", "Import/default", "Cancel/cancel"));

  driver().tapAlertAction("Import", {server.url("/chime.m4r")});
  auto name = screen().alert;
  ASSERT_TRUE(name);
  EXPECT_EQ(name->title, "Chimewell");
  EXPECT_EQ(name->message, "Type a name for the ringtone");
  EXPECT_THAT(placeholders(*name), ElementsAre("Name"));
  EXPECT_EQ(name->textFields[0].text, "");
  EXPECT_THAT(actions(*name), ElementsAre("Import/default", "Cancel/cancel"));
  EXPECT_EQ(server.totalRequests(), 0) << "nothing loads before the name is given";
}

TEST_F(RingtoneImportTest, AGoodRingtoneIsSavedUnderItsNameAndReplacedByTheNext) {
  server.routes().Get("/share", [this](const httplib::Request&, httplib::Response& response) {
    response.set_redirect(server.url("/chime.m4r"), 302);
  });
  importFrom(server.url("/share"), "tone.m4r");

  EXPECT_EQ(readFileAt(kSoundFolder + "tone.m4r"), chime);
  expectMessageAlert(kDownloaded);
  driver().tapAlertAction("OK");
  EXPECT_FALSE(screen().alert);
  EXPECT_THAT(rowTexts(screen()), ElementsAre("Ping.wav")) << "the rows stay as they were given";

  // Back on the per-app page, its sound row opens a chooser that lists it.
  driver().goBack();
  driver().tapRowByText("Custom Sound");
  EXPECT_THAT(rowTexts(screen()), UnorderedElementsAre("Ping.wav", "tone.m4r"));

  // A second import under the same name replaces the file, and leaves nothing else.
  importFrom(server.url("/sunrise.m4r"), "tone.m4r");
  EXPECT_EQ(alertMessage(), kDownloaded);
  EXPECT_EQ(readFileAt(kSoundFolder + "tone.m4r"), sunrise);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(hostPathFor(kSoundFolder))) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_THAT(names, ElementsAre("Ping.wav", "tone.m4r"));
  EXPECT_THAT(logMessages(), IsEmpty());
}

TEST_F(RingtoneImportTest, CancelAndOpenSiteEndTheFlowQuietly) {
  tapAdd();
  driver().tapAlertAction("Cancel", {server.url("/chime.m4r")});
  EXPECT_FALSE(screen().alert);
  EXPECT_THAT(logMessages(), IsEmpty());

  tapAdd();
  driver().tapAlertAction("Import", {server.url("/chime.m4r")});
  driver().tapAlertAction("Cancel", {"tone.m4r"});
  EXPECT_FALSE(screen().alert);
  EXPECT_THAT(logMessages(), ElementsAre("Canelled"));

  clearLogMessages();
  tapAdd();
  driver().tapAlertAction("Open site");
  EXPECT_FALSE(screen().alert);
  EXPECT_THAT(openedLinks(), ElementsAre("https://www.zedge.net/ringtones"));
  EXPECT_THAT(logMessages(), IsEmpty());

  EXPECT_EQ(server.totalRequests(), 0);
  EXPECT_FALSE(readFileAt(kSoundFolder + "tone.m4r"));
}

TEST_F(RingtoneImportTest, AFailedDownloadIsSaidAndNothingIsWritten) {
  server.routes().Get("/missing.m4r", [](const httplib::Request&, httplib::Response& response) {
    response.status = 404;
  });
  server.serve("/page.m4r", "<!DOCTYPE html><html><body>Download tone.m4r</body></html>", "text/html");
  server.serve("/huge.m4r", chime + std::string(1024 * 1024, '\0'), "audio/x-m4r");
  server.stallAt("/stalled.m4r");
  for (int hop = 1; hop <= 11; ++hop) {
    server.routes().Get("/hop" + std::to_string(hop), [this, hop](const httplib::Request&, httplib::Response& response) {
      response.set_redirect(server.url(hop == 1 ? "/chime.m4r" : "/hop" + std::to_string(hop - 1)), 302);
    });
  }
  const auto before = deviceFiles();
  const std::vector<std::string> links{"",
                                       "not a link",
                                       server.url("/missing.m4r"),
                                       server.url("/page.m4r"),
                                       server.url("/huge.m4r"),
                                       server.url("/stalled.m4r"),
                                       server.url("/hop11")};
  for (const auto& link : links) {
    SCOPED_TRACE(link);
    clearLogMessages();
    importFrom(link, "tone.m4r");
    expectMessageAlert(kDownloadFailed);
    EXPECT_THAT(logMessages(), ElementsAre(StartsWith("Could not download a ringtone: ")));
    driver().tapAlertAction("OK");
    EXPECT_FALSE(screen().alert);
  }
  EXPECT_EQ(deviceFiles(), before);
  EXPECT_EQ(server.requestsTo("/chime.m4r"), 0) << "the eleventh hop is not taken";
}

TEST_F(RingtoneImportTest, ANameThatIsNoPlainFileNameIsRefusedBeforeAnyDownload) {
  const auto before = deviceFiles();
  const std::vector<std::string> names{"", ".", "..", "sub/tone.m4r", "../../Preferences/x.plist", "/",
                                       std::string("tone\0.m4r", 9)};
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    importFrom(server.url("/chime.m4r"), name);
    expectMessageAlert("Type a file name for the ringtone, such as tone.m4r, without \"/\"");

    // "OK" asks for the name again; "Cancel" there ends the flow.
    driver().tapAlertAction("OK");
    EXPECT_EQ(alertMessage(), "Type a name for the ringtone");
    driver().tapAlertAction("Cancel");
  }
  EXPECT_EQ(server.totalRequests(), 0);
  EXPECT_EQ(deviceFiles(), before);

  // The link typed first is kept through a refusal.
  importFrom(server.url("/chime.m4r"), "..");
  driver().tapAlertAction("OK");
  driver().tapAlertAction("Import", {"Chime Copy.m4r"});
  EXPECT_EQ(alertMessage(), kDownloaded);
  EXPECT_EQ(readFileAt(kSoundFolder + "Chime Copy.m4r"), chime);
}

TEST_F(RingtoneImportTest, AFailedWriteIsSaidInsteadOfTheConfirmation) {
  fs::create_directory(hostPathFor(kSoundFolder + "Folder.m4r"));
  importFrom(server.url("/chime.m4r"), "Folder.m4r");
  expectMessageAlert("Could not save the ringtone: The file “Folder.m4r” couldn’t be saved in the folder “Chimewell”.");
  EXPECT_TRUE(fs::is_directory(hostPathFor(kSoundFolder + "Folder.m4r")));
  driver().tapAlertAction("OK");

  // Without a sound library directory the import does not make one.
  fs::remove_all(hostPathFor(kSoundFolder));
  importFrom(server.url("/chime.m4r"), "tone.m4r");
  EXPECT_THAT(alertMessage(), Optional(StartsWith("Could not save the ringtone: ")));
  EXPECT_FALSE(fs::exists(hostPathFor(kSoundFolder)));
}

}  // namespace
