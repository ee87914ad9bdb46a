// What the browser is sent for a page of header cells: two centred lines
// placed where the cell's constraints put them, the title large and bold, the
// detail in the secondary colour, rows as tall as the constraints ask, and
// neither a separator nor a highlight.
#include <gtest/gtest.h>

#include <tuple>

#include "HostServerFixture.h"
#include "foundation/NSClassRegistry.h"
#include "ui/QCHeaderTableViewCell.h"
#include "uikit/UITableViewController.h"

using nlohmann::json;

namespace {

// The way a page would show the header cell: a heading, then one whose
// detail wraps over two lines.
class HeaderCellTestPage : public UITableViewController {
 public:
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long) override { return 2; }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>&,
                                                                  const NSIndexPath& indexPath) override {
    auto cell = std::make_shared<QCHeaderTableViewCell>(UITableViewCellStyleDefault,
                                                        QCHeaderTableViewCell::classReuseIdentifier());
    cell->titleLabel()->setText("Chimewell");
    cell->detailLabel()->setText(indexPath.row == 0 ? "" : "A sound for every app\nand a buzz of its own");
    cell->detailLabel()->setNumberOfLines(0);
    return cell;
  }
};

const bool registered = NSRegisterClass<HeaderCellTestPage>("HeaderCellTestPage");

using HeaderCellScreenTest = HostServerFixture;

// The row heights and label frames are the ui suite's; here, what the browser is told of them.
TEST_F(HeaderCellScreenTest, SendsTwoCentredLabelsAndNoBuiltInLabelSeparatorOrHighlight) {
  int status = 0;
  const json screen = act({{"action", "push"}, {"class", "HeaderCellTestPage"}}, &status)["screen"];
  ASSERT_EQ(status, 200);
  const json& rows = screen["table"]["sections"][0]["rows"];
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_GT(rows[1]["height"], rows[0]["height"]) << "the wrapped detail makes its row taller";
  for (const json& row : rows) {
    EXPECT_EQ(row["selectionStyle"], "none");
    EXPECT_EQ(row["separator"], false);
    EXPECT_EQ(row["clearBackground"], true);
    EXPECT_FALSE(row.contains("text")) << "the built-in labels stay unused";
  }

  const json& title = rows[1]["labels"][0];
  const json& detail = rows[1]["labels"][1];
  EXPECT_EQ(title["text"], "Chimewell");
  for (const auto& [label, size, bold, secondary] :
       {std::tuple{title, 28, true, false}, std::tuple{detail, 15, false, true}}) {
    EXPECT_EQ(label["fontSize"], size);
    EXPECT_EQ(label["bold"], bold);
    EXPECT_EQ(label["alignment"], "center");
    EXPECT_EQ(label["secondaryColor"], secondary);
  }
  EXPECT_EQ(title["maxLines"], 1);
  EXPECT_FALSE(detail.contains("maxLines")) << "it wraps to as many lines as it needs";
  EXPECT_EQ(detail["frame"]["y"], 50) << "below the title";
}

}  // namespace
