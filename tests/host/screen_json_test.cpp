#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "BuildPaths.h"
#include "host/ImageRegistry.h"
#include "host/ScreenJson.h"
#include "support/ChimewellTest.h"
#include "uikit/UIImage.h"

using nlohmann::json;
using ::testing::ElementsAre;

namespace {

class ScreenJsonTest : public ChimewellTest {
 protected:
  ImageRegistry images;
};

ScreenRow rowWithTexts(std::optional<std::string> text, std::optional<std::string> detail) {
  ScreenRow row;
  row.id = "s0r0";
  row.text = std::move(text);
  row.detailText = std::move(detail);
  return row;
}

// A screen with every part present, each kind's value other than its default.
Screen everyPart() {
  Screen screen;
  screen.depth = 2;
  screen.pageClass = "Page";
  screen.navigationBar = {"Title", ScreenSearchBar{"a", "Search", true, true}, "Back",
                          ScreenBarButton{"nav/right", ScreenSystemItem::add, "Add"}};
  ScreenRow row = rowWithTexts("Text", "Detail");
  row.style = ScreenCellStyle::subtitle;
  row.accessory = ScreenAccessory::checkmark;
  row.accessorySwitch = ScreenSwitch{"s0r0/switch", true};
  row.textFields.push_back({"s0r0/field0", "3", "Count", ScreenTextAlignment::center, true, true, 33, 6, 259, 31});
  row.labels.push_back({"Heading", "AvenirNext-Bold", 28, ScreenTextAlignment::justified, true});
  row.selectionStyle = ScreenSelectionStyle::none;
  ScreenTable table;
  table.style = ScreenTableStyle::grouped;
  table.sections.push_back({0, std::nullopt, "Footer", {row}});
  screen.table = table;
  screen.alert = ScreenAlert{"Title", "Message", {{"alert/field0", "", "Name", ScreenTextAlignment::right}},
                             {{"alert/action0", "OK", ScreenAlertActionStyle::destructive}}};
  screen.mail = ScreenMail{{"a@b.c"}, "Subject", "Body", true};
  screen.audio = ScreenAudio{"5eed-1", "tab-1", ScreenAudioState::stopped};
  return screen;
}

// Where a number sits in the JSON: the key it is under.
void collectNumberKeys(const json& value, const std::string& key, std::set<std::string>& keys) {
  if (value.is_number()) keys.insert(key);
  if (value.is_object()) {
    for (const auto& [name, member] : value.items()) collectNumberKeys(member, name, keys);
  } else if (value.is_array()) {
    for (const auto& item : value) collectNumberKeys(item, key, keys);
  }
}

TEST_F(ScreenJsonTest, OnlyPositionsAndSizesCrossAsNumbers) {
  const json out = screenToJson(everyPart(), images);
  std::set<std::string> numberKeys;
  collectNumberKeys(out, "", numberKeys);
  // The numbers by right, as ScreenJson.h lists them; any other key here is
  // a UIKit constant sent as a bare number.
  const std::set<std::string> measures{"depth", "section", "row", "index", "x", "y", "width", "height",
                                       "contentHeight", "contentOffset", "viewportHeight", "footerY", "fontSize",
                                       "maxLines"};
  for (const auto& key : numberKeys) EXPECT_TRUE(measures.contains(key)) << "\"" << key << "\" is a bare number";

  EXPECT_EQ(out["table"]["sections"][0]["rows"][0]["accessory"], "checkmark");
}

TEST_F(ScreenJsonTest, EveryValueOfAKindHasANameOfItsOwn) {
  auto names = [this](auto values, auto set, auto get) {
    std::vector<std::string> found;
    for (auto value : values) {
      Screen screen = everyPart();
      set(screen, value);
      found.push_back(get(screenToJson(screen, images)).template get<std::string>());
    }
    return found;
  };
  auto row = [](Screen& screen) -> ScreenRow& { return screen.table->sections[0].rows[0]; };
  auto rowJson = [](const json& out) -> const json& { return out["table"]["sections"][0]["rows"][0]; };
  EXPECT_THAT(names(std::vector{ScreenAccessory::none, ScreenAccessory::disclosure,
                                ScreenAccessory::detailDisclosure, ScreenAccessory::checkmark},
                    [&](Screen& s, ScreenAccessory v) { row(s).accessory = v; },
                    [&](const json& out) { return rowJson(out)["accessory"]; }),
              ElementsAre("none", "disclosure", "detailDisclosure", "checkmark"));
  EXPECT_THAT(names(std::vector{ScreenCellStyle::basic, ScreenCellStyle::value1, ScreenCellStyle::value2,
                                ScreenCellStyle::subtitle},
                    [&](Screen& s, ScreenCellStyle v) { row(s).style = v; },
                    [&](const json& out) { return rowJson(out)["style"]; }),
              ElementsAre("basic", "value1", "value2", "subtitle"));
  EXPECT_THAT(names(std::vector{ScreenSelectionStyle::none, ScreenSelectionStyle::highlight},
                    [&](Screen& s, ScreenSelectionStyle v) { row(s).selectionStyle = v; },
                    [&](const json& out) { return rowJson(out)["selectionStyle"]; }),
              ElementsAre("none", "highlight"));
  EXPECT_THAT(names(std::vector{ScreenTextAlignment::left, ScreenTextAlignment::center, ScreenTextAlignment::right,
                                ScreenTextAlignment::justified},
                    [&](Screen& s, ScreenTextAlignment v) { row(s).labels[0].alignment = v; },
                    [&](const json& out) { return rowJson(out)["labels"][0]["alignment"]; }),
              ElementsAre("left", "center", "right", "justified"));
  EXPECT_THAT(names(std::vector{ScreenTableStyle::plain, ScreenTableStyle::grouped},
                    [](Screen& s, ScreenTableStyle v) { s.table->style = v; },
                    [](const json& out) { return out["table"]["style"]; }),
              ElementsAre("plain", "grouped"));
  EXPECT_THAT(names(std::vector{ScreenSystemItem::done, ScreenSystemItem::cancel, ScreenSystemItem::edit,
                                ScreenSystemItem::save, ScreenSystemItem::add},
                    [](Screen& s, ScreenSystemItem v) { s.navigationBar.rightButton->systemItem = v; },
                    [](const json& out) { return out["navigationBar"]["rightButton"]["systemItem"]; }),
              ElementsAre("done", "cancel", "edit", "save", "add"));
  EXPECT_THAT(names(std::vector{ScreenAlertActionStyle::standard, ScreenAlertActionStyle::cancel,
                                ScreenAlertActionStyle::destructive},
                    [](Screen& s, ScreenAlertActionStyle v) { s.alert->actions[0].style = v; },
                    [](const json& out) { return out["alert"]["actions"][0]["style"]; }),
              ElementsAre("default", "cancel", "destructive"));
  EXPECT_THAT(names(std::vector{ScreenAudioState::playing, ScreenAudioState::stopped, ScreenAudioState::ended},
                    [](Screen& s, ScreenAudioState v) { s.audio->state = v; },
                    [](const json& out) { return out["audio"]["state"]; }),
              ElementsAre("playing", "stopped", "ended"));
}

TEST_F(ScreenJsonTest, ThePreviewClipNamesWhereItsPartsAreAndItsTabWhenThereIsOne) {
  Screen screen = everyPart();
  EXPECT_EQ(screenToJson(screen, images)["audio"],
            json({{"clip", "5eed-1"}, {"parts", "/clips/5eed-1/"}, {"tab", "tab-1"}, {"state", "stopped"}}));
  screen.audio->tab.reset();
  EXPECT_FALSE(screenToJson(screen, images)["audio"].contains("tab"));
}

TEST_F(ScreenJsonTest, NoneIsLeftOutWhileAnEmptyTextIsKept) {
  Screen screen;
  screen.navigationBar.title = "";
  ScreenTable table;
  ScreenSection section;
  section.rows.push_back(rowWithTexts("", std::nullopt));
  table.sections.push_back(section);
  screen.table = table;

  const json out = screenToJson(screen, images);
  EXPECT_EQ(out["navigationBar"]["title"], "");
  EXPECT_FALSE(out["navigationBar"].contains("backTitle"));
  const json& row = out["table"]["sections"][0]["rows"][0];
  EXPECT_EQ(row["text"], "");
  EXPECT_FALSE(row.contains("detailText"));
  EXPECT_FALSE(row.contains("image"));
  EXPECT_FALSE(row.contains("switch"));
  EXPECT_FALSE(out["table"]["sections"][0].contains("footer"));
  EXPECT_FALSE(out.contains("alert"));
  EXPECT_FALSE(out.contains("mail"));
}

TEST_F(ScreenJsonTest, CarriesControlsAlertsAndTheMailSheet) {
  Screen screen;
  screen.navigationBar.searchBar = ScreenSearchBar{"ab", "Search", true, true};
  screen.navigationBar.rightButton = ScreenBarButton{"nav/right", ScreenSystemItem::add, std::nullopt};
  ScreenTable table;
  ScreenSection section;
  section.header = "Header";
  section.footer = "Footer";
  section.footerY = 120;
  ScreenRow row = rowWithTexts("Sound", std::nullopt);
  row.accessorySwitch = ScreenSwitch{"s0r0/switch", true};
  row.textFields.push_back({"s0r0/field0", "3", "Count", ScreenTextAlignment::right, true, false, 10, 5, 80, 30});
  section.rows.push_back(row);
  table.sections.push_back(section);
  screen.table = table;
  screen.alert = ScreenAlert{"Import",
                             std::nullopt,
                             {{"alert/field0", "", "Name", ScreenTextAlignment::left, false, false}},
                             {{"alert/action0", "Cancel", ScreenAlertActionStyle::cancel},
                              {"alert/action1", "OK", ScreenAlertActionStyle::standard}}};
  screen.mail = ScreenMail{{"support@chimewell.app"}, "Subject", "Body: ", false};

  const json out = screenToJson(screen, images);
  EXPECT_EQ(out["navigationBar"]["searchBar"]["showsCancelButton"], true);
  const json& jsonRow = out["table"]["sections"][0]["rows"][0];
  EXPECT_EQ(jsonRow["switch"], (json{{"id", "s0r0/switch"}, {"on", true}}));
  EXPECT_EQ(jsonRow["textFields"][0]["placeholder"], "Count");
  EXPECT_EQ(jsonRow["textFields"][0]["frame"]["width"], 80);
  EXPECT_EQ(out["table"]["sections"][0]["header"], "Header");
  EXPECT_EQ(out["table"]["sections"][0]["footerY"], 120);
  EXPECT_FALSE(out["alert"].contains("message"));
  EXPECT_EQ(out["alert"]["actions"][1]["title"], "OK");
  EXPECT_EQ(out["mail"]["toRecipients"], json::array({"support@chimewell.app"}));
  EXPECT_EQ(out["mail"]["body"], "Body: ");
}

TEST_F(ScreenJsonTest, AnImageIsServedByAnIdNamingItsBytesWhileRecentScreensShowIt) {
  const auto path = std::filesystem::path(CHIMEWELL_SETTINGS_APP_DIR) / "global.png";
  auto first = UIImage::imageWithContentsOfFile(path);
  auto sameBytes = UIImage::imageWithContentsOfFile(path);
  ASSERT_TRUE(first && sameBytes);
  Screen screen;
  ScreenTable table;
  ScreenSection section;
  ScreenRow row = rowWithTexts("Row", std::nullopt);
  row.image = first;
  section.rows.push_back(row);
  table.sections.push_back(section);
  screen.table = table;
  json image = screenToJson(screen, images)["table"]["sections"][0]["rows"][0]["image"];
  const std::string id = images.idFor(first);
  EXPECT_EQ(image["src"], "/images/" + id + ".png");
  EXPECT_EQ(image["width"], first->width());
  EXPECT_EQ(images.idFor(sameBytes), id);
  EXPECT_EQ(images.imageWithId(id)->pngData(), first->pngData());

  // Screens without it go out: after a few it is no longer served, even
  // though a page still holds it.
  for (std::uint64_t published = 1; published <= ImageRegistry::kKeptScreens; ++published) {
    images.screenPublished();
    EXPECT_NE(images.imageWithId(id), nullptr) << "a browser a few screens behind still fetches it";
  }
  images.screenPublished();
  EXPECT_EQ(images.imageWithId(id), nullptr);
  EXPECT_EQ(images.heldCount(), 0u);
  screenToJson(screen, images);
  EXPECT_EQ(images.imageWithId(id)->pngData(), first->pngData()) << "shown again, served again";
}

// An icon its table let go of stays servable while a recent screen shows it.
TEST_F(ScreenJsonTest, AServedImageKeepsItsBytesWhenThePageLetsGoOfThem) {
  auto icon = UIImage::imageLoadedOnFirstUse([] { return UIImage::LoadedPNG{{'a', 'b', 'c'}, 1}; });
  const std::string id = images.idFor(icon);
  icon->letGoOfBytes();
  EXPECT_FALSE(icon->isLoaded());
  EXPECT_EQ(images.imageWithId(id)->pngData(), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
}

// The browser caches an image for a year by its id, so the id must not
// change between runs or builds: it is a standard digest (SHA-256 of "abc").
TEST_F(ScreenJsonTest, AnImageIdIsTheSameInEveryRun) {
  auto image = std::make_shared<UIImage>(std::vector<std::uint8_t>{'a', 'b', 'c'}, 1, std::nullopt);
  EXPECT_EQ(images.idFor(image), "ba7816bf8f01cfea414140de5dae2223");
}

}  // namespace
