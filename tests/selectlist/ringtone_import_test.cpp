#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "detail/SoundPageTest.h"
#include "support/LoopbackHttpServer.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Optional;
using ::testing::StartsWith;

namespace {

namespace fs = std::filesystem;

const std::string kSoundFolder = kSoundLibraryDirectory;
const char* const kDownloadFailed = "Could not download a ringtone from this link";
const char* const kDownloaded = "Ringtone Downloaded! Kindly refresh this page in order for it to show";

// The chooser as the per-app page opens it, over a sound library of one
// sound, and a web server of the test's own serving a real ringtone.
class RingtoneImportTest : public SoundPageTest {
 protected:
  void SetUp() override {
    SoundPageTest::SetUp();
    addSounds({"Ping.wav"});
    chime = demoChime();
    server.serve("/chime.m4r", chime, "audio/x-m4r");
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

  // The shown alert, one line each: "title: message", its fields as
  // "placeholder=text", its actions ("/cancel" for that style), and the one
  // the return key taps.
  std::vector<std::string> alertShown() {
    const auto alert = screen().alert;
    if (!alert) return {};
    std::vector<std::string> shown{alert->title.value_or("") + ": " + alert->message.value_or("")};
    for (const auto& field : alert->textFields) shown.push_back(field.placeholder.value_or("") + "=" + field.text);
    for (const auto& action : alert->actions)
      shown.push_back(action.title + (action.style == ScreenAlertActionStyle::cancel ? "/cancel" : ""));
    shown.push_back("return " + alert->returnKeyAction.value_or("none"));
    return shown;
  }
  // A message alert: titled "Chimewell", saying `message`, with one "OK".
  void expectMessageAlert(const std::string& message) {
    EXPECT_THAT(alertShown(), ElementsAre("Chimewell: " + message, "OK", "return alert/action0"));
  }

  LoopbackHttpServer server;
  std::string chime;
};

TEST_F(RingtoneImportTest, TheLinkAndNameAlertsAskInTheirOrderAndCancelOrOpenSiteEndTheFlow) {
  tapAdd();
  EXPECT_THAT(alertShown(), ElementsAre("Chimewell: You can import your own ringtones manually by placing them in "
                                        "/var/jb/Library/Application Support/Chimewell or you paste a direct link "
                                        "to a ringtone to download and import it",
                                        "URL=", "Open site", "Import", "Cancel/cancel", "return alert/action1"));
  driver().tapAlertAction("Import", {server.url("/chime.m4r")});
  EXPECT_THAT(alertShown(), ElementsAre("Chimewell: Type a name for the ringtone", "Name=", "Import", "Cancel/cancel",
                                        "return alert/action0"));

  // Cancel on either alert, or Open site, ends the flow with nothing loaded.
  driver().tapAlertAction("Cancel", {"tone.m4r"});
  EXPECT_THAT(logMessages(), ElementsAre("Canelled"));
  tapAdd();
  driver().tapAlertAction("Cancel", {server.url("/chime.m4r")});
  tapAdd();
  driver().tapAlertAction("Open site");
  EXPECT_FALSE(screen().alert);
  EXPECT_THAT(openedLinks(), ElementsAre("https://www.zedge.net/ringtones"));
  EXPECT_THAT(logMessages(), ElementsAre("Canelled"));
  EXPECT_EQ(server.totalRequests(), 0);
}

// Replacing a sound of that name, and leaving nothing beside it, is the faults suite's.
TEST_F(RingtoneImportTest, AGoodRingtoneBehindARedirectIsSavedUnderItsName) {
  server.routes().Get("/share", [this](const httplib::Request&, httplib::Response& response) {
    response.set_redirect(server.url("/chime.m4r"), 302);
  });
  importFrom(server.url("/share"), "tone.m4r");
  EXPECT_EQ(readFileAt(kSoundFolder + "tone.m4r"), chime);
  expectMessageAlert(kDownloaded);
  driver().tapAlertAction("OK");
  EXPECT_FALSE(screen().alert);
  EXPECT_THAT(rowTexts(screen()), ElementsAre("Ping.wav")) << "the rows stay as they were given";
  EXPECT_THAT(logMessages(), IsEmpty());
}

TEST_F(RingtoneImportTest, AFailedDownloadIsSaidAndNothingIsWritten) {
  server.routes().Get("/missing.m4r", [](const httplib::Request&, httplib::Response& response) {
    response.status = 404;
  });
  server.serve("/page.m4r", "<!DOCTYPE html><html><body>Download tone.m4r</body></html>", "text/html");
  // Which content is no sound (manifests naming media elsewhere among it) is the media suite's.
  const std::vector<std::string> links{"", "not a link", server.url("/missing.m4r"), server.url("/page.m4r")};
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
}

TEST_F(RingtoneImportTest, ANameThatIsNoPlainFileNameIsRefusedBeforeAnyDownload) {
  const auto before = deviceFiles();
  // Which names are plain is the store suite's (the same check guards identifiers).
  const std::vector<std::string> names{"", "..", "../../Preferences/x.plist", std::string("tone\0.m4r", 9)};
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
