#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "HostServerFixture.h"
#include "foundation/NSClassRegistry.h"
#include "foundation/NSUserDefaults.h"
#include "media/AudioOutput.h"
#include "selectlist/QCSelectListTableViewController.h"
#include "store/SettingsStore.h"
#include "support/TestSounds.h"

using nlohmann::json;

namespace {

// The sound chooser over one sound, as the per-app page would open it.
class ChooserOverOneSound : public QCSelectListTableViewController {
 public:
  ChooserOverOneSound()
      : QCSelectListTableViewController(UITableViewStyleGrouped, "Custom Sound", std::vector<std::string>{"Chime.m4r"},
                                        std::vector<std::string>{"Chime.m4r"}, std::nullopt, false, {}) {}
};
const bool registered = NSRegisterClass<ChooserOverOneSound>("ChooserOverOneSound");

class BrowserAudioTest : public HostServerFixture {
 protected:
  void SetUp() override {
    HostServerFixture::SetUp();
    AudioOutput::setMode(AudioOutputMode::browser);
    makeTestSound(hostPathFor(soundFilePath("Chime.m4r")), 20);
    onMain([] { NSUserDefaults::standardUserDefaults()->setObjectForKey("com.example.app", kCurrentAppIdentifierKey); });
    act({{"action", "push"}, {"class", "ChooserOverOneSound"}});
  }
  void TearDown() override {
    HostServerFixture::TearDown();
    AudioOutput::setMode(AudioOutputMode::silent);
  }
};

TEST_F(BrowserAudioTest, ATapNamesTheClipForItsTabWhosePartsAreServedAsMadeUntilTheStop) {
  EXPECT_FALSE(getJson("/api/screen")["screen"].contains("audio"));  // nothing played yet
  const json audio = act({{"action", "tapRowByText"}, {"text", "Chime.m4r"}, {"tab", "tab-A"}})["screen"]["audio"];
  EXPECT_EQ(audio["tab"], "tab-A");
  EXPECT_EQ(audio["state"], "playing");
  const std::string parts = audio["parts"];
  auto first = client().Get(parts + "0.wav");
  ASSERT_TRUE(first && first->status == 200);
  EXPECT_EQ(first->get_header_value("Content-Type"), "audio/wav");
  EXPECT_EQ(first->body.substr(0, 4), "RIFF");
  // Decoding keeps about a second ahead of the listener: part 30 (15 s in) is not made yet.
  EXPECT_EQ(client().Get(parts + "30.wav")->status, 202);
  EXPECT_EQ(client().Get("/clips/0badc0de-1/0.wav")->status, 404);

  // Three seconds after the tap the preview stops; the page is told.
  auto events = openEvents();
  advance(std::chrono::seconds(3));
  EXPECT_TRUE(events->waitFor("screen", [](const json& message) {
    return message["screen"]["audio"]["state"] == "stopped";
  }));
  EXPECT_EQ(client().Get(parts + "5.wav")->status, 404);
  // An action without a tab names none.
  EXPECT_FALSE(act({{"action", "tapRowByText"}, {"text", "Chime.m4r"}})["screen"]["audio"].contains("tab"));
}

}  // namespace
