#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BuildPaths.h"
#include "detail/SoundPageTest.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestSounds.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Optional;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAre;

namespace {

namespace fs = std::filesystem;

const std::string kSoundFolder = kSoundLibraryDirectory;
const char* const kDownloadFailed = "Could not download a ringtone from this link";
const char* const kDownloaded = "Ringtone Downloaded! Kindly refresh this page in order for it to show";

std::string demoSound(const std::string& name) {
  return readHostFile(fs::path(CHIMEWELL_SOURCE_DIR) /
                      "share/demo-device/private/preboot/5C3A1E/jb-Q2W7/procursus/Library/Application Support/Chimewell" /
                      name);
}

// The chooser as the per-app page opens it, over a sound library of one
// sound, and a web server of the test's own serving two real ringtones.
class RingtoneImportTest : public SoundPageTest {
 protected:
  void SetUp() override {
    SoundPageTest::SetUp();
    addSounds({"Ping.wav"});
    chime = demoSound("Chime.m4r");
    sunrise = demoSound("Sunrise.m4r");
    server.serve("/chime.m4r", chime, "audio/x-m4r");
    server.serve("/sunrise.m4r", sunrise, "audio/x-m4r");
    open("ChimewellDetailView");
    driver().tapRowByText("Custom Sound");  // the chooser lists the sound library as it is now
    ASSERT_TRUE(chooserOnTop());
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

  // The alert's actions as "title/style", and its fields as "placeholder=text".
  static std::vector<std::string> actions(const ScreenAlert& alert) {
    std::vector<std::string> shown;
    for (const auto& action : alert.actions)
      shown.push_back(action.title + (action.style == ScreenAlertActionStyle::cancel ? "/cancel" : ""));
    return shown;
  }
  static std::vector<std::string> fields(const ScreenAlert& alert) {
    std::vector<std::string> shown;
    for (const auto& field : alert.textFields) shown.push_back(field.placeholder.value_or("") + "=" + field.text);
    return shown;
  }

  // The shown alert is titled "Chimewell", says `message` and offers one "OK".
  void expectMessageAlert(const std::string& message) {
    auto alert = screen().alert;
    ASSERT_TRUE(alert) << message;
    EXPECT_EQ(alert->title, "Chimewell");
    EXPECT_EQ(alert->message, message);
    EXPECT_THAT(fields(*alert), IsEmpty());
    EXPECT_THAT(actions(*alert), ElementsAre("OK"));
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
  EXPECT_THAT(fields(*link), ElementsAre("URL="));
  EXPECT_THAT(actions(*link), ElementsAre("Open site", "Import", "Cancel/cancel"));
  EXPECT_EQ(link->returnKeyAction, "alert/action1") << "the return key taps the last of default style";

  driver().tapAlertAction("Import", {server.url("/chime.m4r")});
  auto name = screen().alert;
  ASSERT_TRUE(name);
  EXPECT_EQ(name->title, "Chimewell");
  EXPECT_EQ(name->message, "Type a name for the ringtone");
  EXPECT_THAT(fields(*name), ElementsAre("Name="));
  EXPECT_THAT(actions(*name), ElementsAre("Import", "Cancel/cancel"));
  EXPECT_EQ(name->returnKeyAction, "alert/action0");
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
  EXPECT_EQ(std::distance(fs::directory_iterator(hostPathFor(kSoundFolder)), {}), 2) << "nothing left beside";
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
  // Manifests naming media elsewhere are no ringtone: nothing else is fetched or read.
  const OutsideSound outside(deviceRootPath());
  std::vector<std::string> links{"", "not a link", server.url("/missing.m4r"), server.url("/page.m4r")};
  for (const auto& media : {server.url("/chime.m4r"), outside.url()}) {
    for (const auto kind : {Manifest::dash, Manifest::hls}) {
      const std::string path = "/manifest" + std::to_string(links.size()) + ".m4r";
      server.serve(path, manifestPointingAt(kind, media), "audio/x-m4r");
      links.push_back(server.url(path));
    }
  }
  const auto before = deviceFiles();
  // Sizes, time-outs and redirects that give no content are the loader suite's.
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
  EXPECT_EQ(server.requestsTo("/chime.m4r"), 0);
  EXPECT_FALSE(outside.opened());
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
