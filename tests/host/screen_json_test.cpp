#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "BuildPaths.h"
#include "host/ImageRegistry.h"
#include "host/ScreenJson.h"
#include "support/ChimewellTest.h"
#include "uikit/UIImage.h"

using nlohmann::json;

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

Screen withRow(ScreenRow row) {
  Screen screen;
  screen.table = ScreenTable{};
  screen.table->sections.push_back({});
  screen.table->sections[0].rows.push_back(std::move(row));
  return screen;
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
                             {{"alert/action0", "OK", ScreenAlertActionStyle::destructive}}, std::nullopt};
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

TEST_F(ScreenJsonTest, EveryPartCrossesByNameAndOnlyPositionsAndSizesAsNumbers) {
  const json out = screenToJson(everyPart(), images);
  std::set<std::string> numberKeys;
  collectNumberKeys(out, "", numberKeys);
  // The numbers by right, as ScreenJson.h lists them; any other key here is
  // a UIKit constant sent as a bare number.
  const std::set<std::string> measures{"depth", "section", "row", "rowCount", "index", "x", "y", "width", "height",
                                       "contentHeight", "contentOffset", "viewportHeight", "overscan", "footerY",
                                       "fontSize",
                                       "maxLines"};
  for (const auto& key : numberKeys) EXPECT_TRUE(measures.contains(key)) << "\"" << key << "\" is a bare number";

  const json& row = out["table"]["sections"][0]["rows"][0];
  EXPECT_EQ(row["accessory"], "checkmark");
  EXPECT_EQ(out["table"]["sections"][0]["footer"], "Footer");
  EXPECT_EQ(row["switch"], (json{{"id", "s0r0/switch"}, {"on", true}}));
  EXPECT_EQ(row["textFields"][0]["frame"]["width"], 259);
  EXPECT_EQ(row["labels"][0]["alignment"], "justified");
  EXPECT_EQ(out["navigationBar"]["searchBar"]["showsCancelButton"], true);
  EXPECT_EQ(out["navigationBar"]["rightButton"]["systemItem"], "add");
  // The one name that is not the value's own: the browser's word for it.
  EXPECT_EQ(out["alert"]["actions"][0]["style"], "destructive");
  Screen standard = everyPart();
  standard.alert->actions[0].style = ScreenAlertActionStyle::standard;
  EXPECT_EQ(screenToJson(standard, images)["alert"]["actions"][0]["style"], "default");
  EXPECT_EQ(out["mail"]["toRecipients"], json::array({"a@b.c"}));
}

TEST_F(ScreenJsonTest, NoneIsLeftOutWhileAnEmptyTextIsKept) {
  Screen screen = withRow(rowWithTexts("", std::nullopt));
  screen.navigationBar.title = "";
  screen.alert = ScreenAlert{"Import", std::nullopt, {}, {}, std::nullopt};

  const json out = screenToJson(screen, images);
  EXPECT_EQ(out["navigationBar"]["title"], "");
  EXPECT_FALSE(out["navigationBar"].contains("backTitle"));
  const json& row = out["table"]["sections"][0]["rows"][0];
  EXPECT_EQ(row["text"], "");
  EXPECT_FALSE(row.contains("detailText"));
  EXPECT_FALSE(row.contains("image"));
  EXPECT_FALSE(row.contains("switch"));
  EXPECT_FALSE(out["table"]["sections"][0].contains("footer"));
  EXPECT_FALSE(out["alert"].contains("message"));
  EXPECT_FALSE(out.contains("mail"));
}

TEST_F(ScreenJsonTest, AnImageIsServedByAnIdNamingItsBytesWhileRecentScreensShowIt) {
  const auto path = std::filesystem::path(CHIMEWELL_SETTINGS_APP_DIR) / "global.png";
  auto first = UIImage::imageWithContentsOfFile(path);
  auto sameBytes = UIImage::imageWithContentsOfFile(path);
  ASSERT_TRUE(first && sameBytes);
  ScreenRow row = rowWithTexts("Row", std::nullopt);
  row.image = first;
  const Screen screen = withRow(row);
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
