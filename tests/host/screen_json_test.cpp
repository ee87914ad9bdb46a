#include <gtest/gtest.h>

#include <memory>

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
  screen.navigationBar.rightButton = ScreenBarButton{"nav/right", 4, std::nullopt};
  ScreenTable table;
  ScreenSection section;
  section.footer = "Footer";
  ScreenRow row = rowWithTexts("Sound", std::nullopt);
  row.accessorySwitch = ScreenSwitch{"s0r0/switch", true};
  row.textFields.push_back({"s0r0/field0", "3", "Count", 2, true, false, 10, 5, 80, 30});
  section.rows.push_back(row);
  table.sections.push_back(section);
  screen.table = table;
  screen.alert = ScreenAlert{"Import", std::nullopt, {{"alert/field0", "", "Name", 0, false, false}},
                             {{"alert/action0", "Cancel", 1}, {"alert/action1", "OK", 0}}};
  screen.mail = ScreenMail{{"support@chimewell.app"}, "Subject", "Body: ", false};

  const json out = screenToJson(screen, images);
  EXPECT_EQ(out["navigationBar"]["searchBar"]["placeholder"], "Search");
  EXPECT_EQ(out["navigationBar"]["searchBar"]["showsCancelButton"], true);
  EXPECT_EQ(out["navigationBar"]["rightButton"]["systemItem"], 4);
  const json& jsonRow = out["table"]["sections"][0]["rows"][0];
  EXPECT_EQ(jsonRow["switch"], (json{{"id", "s0r0/switch"}, {"on", true}}));
  EXPECT_EQ(jsonRow["textFields"][0]["placeholder"], "Count");
  EXPECT_EQ(jsonRow["textFields"][0]["editing"], true);
  EXPECT_EQ(jsonRow["textFields"][0]["frame"]["width"], 80);
  EXPECT_EQ(out["table"]["sections"][0]["footer"], "Footer");
  EXPECT_FALSE(out["alert"].contains("message"));
  EXPECT_EQ(out["alert"]["actions"][1]["title"], "OK");
  EXPECT_EQ(out["alert"]["textFields"][0]["placeholder"], "Name");
  EXPECT_EQ(out["mail"]["toRecipients"], json::array({"support@chimewell.app"}));
  EXPECT_EQ(out["mail"]["body"], "Body: ");
}

TEST_F(ScreenJsonTest, AnImageIsServedByAnIdNamingItsBytes) {
  const auto path = std::filesystem::path(CHIMEWELL_SETTINGS_APP_DIR) / "global.png";
  auto first = UIImage::imageWithContentsOfFile(path);
  auto sameBytes = UIImage::imageWithContentsOfFile(path);
  ASSERT_TRUE(first && sameBytes);
  json image;
  {
    Screen screen;
    ScreenTable table;
    ScreenSection section;
    ScreenRow row = rowWithTexts("Row", std::nullopt);
    row.image = first;
    section.rows.push_back(row);
    table.sections.push_back(section);
    screen.table = table;
    image = screenToJson(screen, images)["table"]["sections"][0]["rows"][0]["image"];
  }
  const std::string id = images.idFor(first);
  EXPECT_EQ(image["src"], "/images/" + id + ".png");
  EXPECT_EQ(image["width"], first->width());
  EXPECT_EQ(images.idFor(sameBytes), id);
  EXPECT_EQ(images.imageWithId(id)->pngData(), first->pngData());

  // Once no page holds an image of those bytes, they are no longer served.
  first.reset();
  EXPECT_NE(images.imageWithId(id), nullptr) << "another image with those bytes is alive";
  sameBytes.reset();
  EXPECT_EQ(images.imageWithId(id), nullptr);
}

}  // namespace
