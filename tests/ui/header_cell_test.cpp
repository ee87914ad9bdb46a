// The header cell: its fixed reuse identifier, its look and constraints,
// one layout whichever way it was made, the hairline filter, and the height
// a self-sizing table gives it.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "foundation/NSCoder.h"
#include "support/PageTest.h"
#include "ui/QCHeaderTableViewCell.h"
#include "uikit/UIColor.h"
#include "uikit/UIFont.h"
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

TEST_F(HeaderCellTest, AnswersItsReuseIdentifierWithoutAnInstance) {
  EXPECT_EQ(QCHeaderTableViewCell::classReuseIdentifier(), "QCHeaderTableViewCellIdentifier");
}

TEST_F(HeaderCellTest, LooksLikeACentredHeadingThatNeverHighlightsOrShowsItsSeparator) {
  auto cell = makeCell();
  EXPECT_EQ(cell->style(), UITableViewCellStyleDefault);
  EXPECT_EQ(cell->selectionStyle(), UITableViewCellSelectionStyleNone);
  EXPECT_EQ(cell->separatorInset(), UIEdgeInsetsMake(0, CGFLOAT_MAX, 0, 0));
  ASSERT_TRUE(cell->backgroundColor());
  EXPECT_EQ(cell->backgroundColor()->name(), "clearColor");

  auto title = cell->titleLabel();
  auto detail = cell->detailLabel();
  ASSERT_TRUE(title && detail);
  EXPECT_EQ(cell->contentView()->subviews(), (std::vector<std::shared_ptr<UIView>>{title, detail}));
  EXPECT_EQ(title->textAlignment(), NSTextAlignmentCenter);
  EXPECT_EQ(title->font()->fontName(), "AvenirNext-Bold");
  EXPECT_EQ(title->font()->pointSize(), 28);
  EXPECT_EQ(title->textColor(), nullptr) << "the default text colour";
  EXPECT_EQ(detail->textAlignment(), NSTextAlignmentCenter);
  EXPECT_TRUE(detail->font()->isSystemFont());
  EXPECT_EQ(detail->font()->pointSize(), 15);
  ASSERT_TRUE(detail->textColor());
  EXPECT_EQ(detail->textColor()->name(), "secondaryLabelColor");
  for (const auto& label : {title, detail}) {
    EXPECT_EQ(label->text(), std::nullopt) << "the page sets the texts";
    EXPECT_EQ(label->numberOfLines(), 1);
    EXPECT_FALSE(label->translatesAutoresizingMaskIntoConstraints());
  }
  EXPECT_EQ(cell->existingTextLabel(), nullptr) << "the built-in labels stay unmade";
  EXPECT_EQ(cell->existingDetailTextLabel(), nullptr);
}

// first view and edge, relation, second view and edge (none: a constant), constant
using Expected = std::tuple<UIView*, NSLayoutAttribute, NSLayoutRelation, UIView*, NSLayoutAttribute, CGFloat>;

std::vector<Expected> constraintsOf(const std::vector<std::shared_ptr<UIView>>& views) {
  std::vector<Expected> found;
  for (const auto& view : views)
    for (const auto& constraint : view->constraints()) {
      const auto& second = constraint->secondAnchor();
      found.emplace_back(constraint->firstAnchor().view().get(), constraint->firstAnchor().attribute(),
                         constraint->relation(), second ? second->view().get() : nullptr,
                         second ? second->attribute() : NSLayoutAttribute::Height, constraint->constant());
    }
  return found;
}

TEST_F(HeaderCellTest, PlacesItsLabelsByNineConstraintsInOrder) {
  auto cell = makeCell();
  UIView* title = cell->titleLabel().get();
  UIView* detail = cell->detailLabel().get();
  UIView* content = cell->contentView().get();
  using A = NSLayoutAttribute;
  constexpr auto eq = NSLayoutRelation::Equal;
  const std::vector<Expected> expected{
      {title, A::Top, eq, content, A::Top, 15},
      {title, A::Leading, eq, content, A::Leading, 0},
      {title, A::Trailing, eq, content, A::Trailing, 0},
      {title, A::Height, eq, nullptr, A::Height, 30},
      {detail, A::Top, eq, title, A::Bottom, 5},
      {detail, A::Leading, eq, content, A::Leading, 0},
      {detail, A::Trailing, eq, content, A::Trailing, 0},
      {detail, A::Bottom, eq, content, A::Bottom, -15},
      {detail, A::Height, NSLayoutRelation::GreaterThanOrEqual, nullptr, A::Height, 20},
  };
  EXPECT_EQ(constraintsOf({cell->titleLabel(), cell->detailLabel(), cell->contentView(), cell}), expected);
}

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
