// The header cell: one layout whichever way it was made, the hairline
// filter, and the height a self-sizing table gives it (what the browser is
// sent of its look is the host's header cell suite).
#include <gtest/gtest.h>

#include <vector>

#include "foundation/NSCoder.h"
#include "support/PageTest.h"
#include "ui/QCHeaderTableViewCell.h"
#include "uikit/UINib.h"
#include "uikit/UIScreen.h"
#include "uikit/UITableViewController.h"

namespace {

class HeaderCellTest : public PageTest {
 protected:
  void TearDown() override {
    UIScreen::mainScreen()->setScale(3);  // the screen outlives the test
    PageTest::TearDown();
  }
  static std::shared_ptr<QCHeaderTableViewCell> makeCell() {
    return std::make_shared<QCHeaderTableViewCell>(UITableViewCellStyleDefault,
                                                   QCHeaderTableViewCell::classReuseIdentifier());
  }
};

TEST_F(HeaderCellTest, IsLaidOutOnceWhicheverWayItWasMade) {
  const auto laidOutOnce = [](const QCHeaderTableViewCell& cell) {
    return cell.contentView()->subviews().size() == 2 && cell.titleLabel()->constraints().size() == 4 &&
           cell.detailLabel()->constraints().size() == 5;
  };
  EXPECT_TRUE(laidOutOnce(*makeCell())) << "initWithStyle:reuseIdentifier:";

  const NSCoder archive({{UITableViewCell::kReuseIdentifierKey, QCHeaderTableViewCell::classReuseIdentifier()}});
  auto decoded = std::make_shared<QCHeaderTableViewCell>(archive);
  EXPECT_EQ(decoded->titleLabel(), nullptr) << "initWithCoder: alone lays nothing out";
  EXPECT_TRUE(decoded->contentView()->subviews().empty());

  auto loaded = UINib::instantiate<QCHeaderTableViewCell>(archive);
  EXPECT_TRUE(laidOutOnce(*loaded)) << "initWithCoder: then awakeFromNib";
  EXPECT_EQ(loaded->reuseIdentifier(), "QCHeaderTableViewCellIdentifier");
  EXPECT_EQ(loaded->selectionStyle(), UITableViewCellSelectionStyleNone);
}

TEST_F(HeaderCellTest, DropsSubviewsExactlyOneDevicePixelHigh) {
  const auto kept = [](CGFloat scale, CGFloat height) {
    UIScreen::mainScreen()->setScale(scale);
    auto cell = makeCell();
    auto line = std::make_shared<UIView>(CGRectMake(0, 0, 100, height));
    cell->addSubview(line);
    return line->superview() == cell;
  };
  EXPECT_FALSE(kept(2, 0.5));
  EXPECT_TRUE(kept(2, 1));
  EXPECT_FALSE(kept(1, 1));
  EXPECT_FALSE(kept(3, 1.0 / 3)) << "a third times 3 is exactly 1";
  EXPECT_TRUE(kept(2, 0.5000001)) << "near one pixel is not one pixel";
  EXPECT_TRUE(kept(3, 0.3334));
  EXPECT_FALSE(kept(1, -1)) << "a height is read as CGRectGetHeight reads it, without its sign";

  UIScreen::mainScreen()->setScale(1);
  auto cell = makeCell();
  auto hairline = std::make_shared<UIView>(CGRectMake(0, 0, 100, 1));
  cell->contentView()->addSubview(hairline);
  EXPECT_EQ(hairline->superview(), cell->contentView()) << "only the cell's own subviews are filtered";
}

// A plain table of header cells, one per (title, detail) pair; the details
// wrap when `wrapDetails` is set.
class HeaderPage : public UITableViewController {
 public:
  HeaderPage(std::vector<std::pair<std::string, std::string>> rows, bool wrapDetails)
      : UITableViewController(UITableViewStylePlain), rows_(std::move(rows)), wrap_(wrapDetails) {}

  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long) override {
    return static_cast<long>(rows_.size());
  }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override {
    auto cell = std::dynamic_pointer_cast<QCHeaderTableViewCell>(
        tableView->dequeueReusableCellWithIdentifier(QCHeaderTableViewCell::classReuseIdentifier()));
    if (!cell) cell = std::make_shared<QCHeaderTableViewCell>(UITableViewCellStyleDefault,
                                                              QCHeaderTableViewCell::classReuseIdentifier());
    const auto& [title, detail] = rows_.at(static_cast<std::size_t>(indexPath.row));
    cell->titleLabel()->setText(title);
    cell->detailLabel()->setText(detail);
    if (wrap_) cell->detailLabel()->setNumberOfLines(0);
    return cell;
  }

 private:
  std::vector<std::pair<std::string, std::string>> rows_;
  bool wrap_;
};

TEST_F(HeaderCellTest, ASelfSizingRowIsAsTallAsTheDetailTextNeeds) {
  const std::string longLine(104, 'w');  // 104 x 7.5 = 780 points: two lines at 390
  auto page = std::make_shared<HeaderPage>(
      std::vector<std::pair<std::string, std::string>>{
          {"Chimewell", ""}, {"Chimewell", "one line"}, {"Chimewell", "first\nsecond\nthird"}, {"Wide", longLine}},
      true);
  showPage(page);
  const auto rows = screen().table->sections[0].rows;
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_DOUBLE_EQ(rows[0].height, 85) << "an empty detail still takes its 20 points";
  EXPECT_DOUBLE_EQ(rows[1].height, 85) << "one line of 18 points is under the 20";
  EXPECT_DOUBLE_EQ(rows[2].height, 15 + 30 + 5 + 3 * 18 + 15);
  EXPECT_DOUBLE_EQ(rows[3].y, 85 + 85 + 119);
  EXPECT_DOUBLE_EQ(rows[3].height, 15 + 30 + 5 + 2 * 18 + 15);

  auto cell = std::static_pointer_cast<QCHeaderTableViewCell>(page->tableView()->cellForRowAtIndexPath({0, 2}));
  EXPECT_EQ(cell->titleLabel()->frame(), CGRectMake(0, 15, 390, 30));
  EXPECT_EQ(cell->detailLabel()->frame(), CGRectMake(0, 50, 390, 54));
}

TEST_F(HeaderCellTest, ADetailThatMayNotWrapKeepsTheRowAtItsLeast) {
  showPage(std::make_shared<HeaderPage>(
      std::vector<std::pair<std::string, std::string>>{{"Chimewell", "first\nsecond\nthird"}}, false));
  EXPECT_DOUBLE_EQ(screen().table->sections[0].rows[0].height, 85);
}

}  // namespace
