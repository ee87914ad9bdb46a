// The screen as the browser reads it: kinds by name, only measures as
// numbers, none left out but an empty text kept; images by a stable id.
#include <gtest/gtest.h>

#include <set>

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

// A screen with every part present, each kind's value other than its default.
Screen everyPart() {
  Screen screen;
  screen.depth = 2;
  screen.navigationBar = {"Title", ScreenSearchBar{"a", "Search", true, true}, "Back",
                          ScreenBarButton{"nav/right", ScreenSystemItem::add, "Add"}};
  ScreenRow row;
  row.id = "s0r0";
  row.text = "";
  row.style = ScreenCellStyle::subtitle;
  row.accessory = ScreenAccessory::checkmark;
  row.accessorySwitch = ScreenSwitch{"s0r0/switch", true};
  row.textFields.push_back({"s0r0/field0", "3", "Count", ScreenTextAlignment::center, true, true, 33, 6, 259, 31});
  row.labels.push_back({"Heading", "AvenirNext-Bold", 28, ScreenTextAlignment::justified, true});
  row.selectionStyle = ScreenSelectionStyle::none;
  screen.table = ScreenTable{};
  screen.table->style = ScreenTableStyle::grouped;
  screen.table->sections.push_back({0, std::nullopt, "Footer", {row}});
  screen.alert = ScreenAlert{"Title", std::nullopt, {{"alert/field0", "", "Name", ScreenTextAlignment::right}},
                             {{"alert/action0", "OK", ScreenAlertActionStyle::standard}}, std::nullopt};
  screen.mail = ScreenMail{{"a@b.c"}, "Subject", "Body", true};
  screen.audio = ScreenAudio{"5eed-1", "tab-1", ScreenAudioState::stopped};
  return screen;
}

// The keys numbers sit under.
void collectNumberKeys(const json& value, const std::string& key, std::set<std::string>& keys) {
  if (value.is_number()) keys.insert(key);
  for (auto member = value.begin(); value.is_structured() && member != value.end(); ++member)
    collectNumberKeys(*member, value.is_object() ? member.key() : key, keys);
}

TEST_F(ScreenJsonTest, KindsCrossByNameOnlyMeasuresAsNumbersAndNoneIsLeftOut) {
  const json out = screenToJson(everyPart(), images);
  std::set<std::string> numberKeys;
  collectNumberKeys(out, "", numberKeys);
  // The numbers by right, as ScreenJson.h lists them; any other key here is
  // a UIKit constant sent as a bare number.
  const std::set<std::string> measures{"depth",         "section",        "row",      "rowCount", "index",
                                       "x",             "y",              "width",    "height",   "contentHeight",
                                       "contentOffset", "viewportHeight", "overscan", "footerY",  "fontSize",
                                       "maxLines"};
  for (const auto& key : numberKeys) EXPECT_TRUE(measures.contains(key)) << "\"" << key << "\" is a bare number";

  const json& row = out["table"]["sections"][0]["rows"][0];
  EXPECT_EQ(row["accessory"], "checkmark");
  EXPECT_EQ(row["labels"][0]["alignment"], "justified");
  EXPECT_EQ(out["navigationBar"]["rightButton"]["systemItem"], "add");
  EXPECT_EQ(out["alert"]["actions"][0]["style"], "default") << "the browser's word, not the value's own";
  EXPECT_EQ(row["text"], "");
  EXPECT_FALSE(row.contains("detailText"));
  EXPECT_FALSE(out["alert"].contains("message"));
}

// The browser caches an image for a year by its id, so the id names its
// bytes by a standard digest (SHA-256 of "abc"), the same in every run.
TEST_F(ScreenJsonTest, AnImageIsServedByAStableIdWhileRecentScreensShowIt) {
  auto icon = UIImage::imageLoadedOnFirstUse([] { return UIImage::LoadedPNG{{'a', 'b', 'c'}, 1}; });
  const std::string id = images.idFor(icon);
  EXPECT_EQ(id, "ba7816bf8f01cfea414140de5dae2223");
  icon->letGoOfBytes();
  for (std::uint64_t published = 1; published <= ImageRegistry::kKeptScreens; ++published) {
    images.screenPublished();
    ASSERT_NE(images.imageWithId(id), nullptr) << "its table let go of it; a browser a few screens behind fetches it";
    EXPECT_EQ(images.imageWithId(id)->pngData(), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
  }
  images.screenPublished();
  EXPECT_EQ(images.imageWithId(id), nullptr);
  EXPECT_EQ(images.heldCount(), 0u);
}

}  // namespace
