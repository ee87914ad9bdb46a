// Constraints and label heights: what a self-sizing row is measured from,
// and the clear log line for constraints that conflict or leave a height
// open; cells loaded through UINib.
#include <gtest/gtest.h>

#include <cstdio>

#include "foundation/NSCoder.h"
#include "support/ChimewellTest.h"
#include "uikit/LayoutSolver.h"
#include "uikit/UIFont.h"
#include "uikit/UILabel.h"
#include "uikit/UINib.h"
#include "uikit/UITableViewCell.h"

namespace {

using LayoutTest = ChimewellTest;

std::string address(const void* pointer) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", pointer);
  return text;
}

std::shared_ptr<UILabel> label(std::string text, double pointSize, long lines) {
  auto made = std::make_shared<UILabel>();
  made->setText(std::move(text));
  made->setFont(UIFont::systemFontOfSize(pointSize));
  made->setNumberOfLines(lines);
  return made;
}

TEST_F(LayoutTest, ALabelIsAsTallAsTheLinesItShows) {
  // 15 points: 18-point lines; 20 characters of 7.5 points make 150 points.
  const std::string twenty(20, 'x');
  EXPECT_DOUBLE_EQ(label("", 15, 0)->intrinsicContentHeight(300), 0);
  EXPECT_DOUBLE_EQ(label(twenty + "\n" + twenty, 15, 1)->intrinsicContentHeight(100), 18) << "one line";
  EXPECT_DOUBLE_EQ(label(twenty + "\n\n" + twenty, 15, 0)->intrinsicContentHeight(300), 3 * 18)
      << "every line break counts, an empty line too";
  EXPECT_DOUBLE_EQ(label(twenty, 15, 0)->intrinsicContentHeight(100), 2 * 18) << "wraps at the width";
  EXPECT_DOUBLE_EQ(label(twenty, 15, 0)->intrinsicContentHeight(150), 18) << "fits exactly";
  EXPECT_DOUBLE_EQ(label(twenty + twenty, 15, 2)->intrinsicContentHeight(100), 2 * 18) << "at most 2";
  EXPECT_DOUBLE_EQ(label(twenty, 15, 0)->intrinsicContentHeight(0), 18) << "no width: no wrapping";

  // An accented letter written with a combining mark is one character.
  std::string accented;
  for (int i = 0; i < 20; ++i) accented += "e\xCC\x81";
  EXPECT_DOUBLE_EQ(label(accented, 15, 0)->intrinsicContentHeight(150), 18);
  EXPECT_DOUBLE_EQ(label("\xFF\xFE", 15, 0)->intrinsicContentHeight(150), 18) << "broken UTF-8 still measures";
}

// A content view 300 points wide holding one label placed by constraints.
class Container {
 public:
  Container() {
    content->addSubview(item);
    item->setTranslatesAutoresizingMaskIntoConstraints(false);
  }
  void activate(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints) {
    NSLayoutConstraint::activateConstraints(constraints);
  }
  std::shared_ptr<UIView> content = std::make_shared<UIView>(CGRectMake(0, 0, 300, 44));
  std::shared_ptr<UILabel> item = label("Some words that wrap", 15, 0);
};

TEST_F(LayoutTest, ASoundChainGivesTheHeightFromTheLabelsWrappedText) {
  Container box;
  box.activate({box.item->topAnchor().constraintEqualToAnchorConstant(box.content->topAnchor(), 10),
                box.item->leadingAnchor().constraintEqualToAnchorConstant(box.content->leadingAnchor(), 200),
                box.item->trailingAnchor().constraintEqualToAnchor(box.content->trailingAnchor()),
                box.item->bottomAnchor().constraintEqualToAnchorConstant(box.content->bottomAnchor(), -10),
                box.item->heightAnchor().constraintGreaterThanOrEqualToConstant(20)});
  auto fitting = LayoutSolver::fittingHeight(*box.content);
  EXPECT_EQ(fitting.problem, std::nullopt);
  // 20 characters of 7.5 points in 100 points: two lines of 18.
  EXPECT_EQ(fitting.height, 10 + 36 + 10);
}

TEST_F(LayoutTest, ConflictingConstraintsNameTheOneTheyBreak) {
  Container box;
  auto second = box.item->heightAnchor().constraintEqualToConstant(40);
  box.activate({box.item->topAnchor().constraintEqualToAnchor(box.content->topAnchor()),
                box.item->heightAnchor().constraintEqualToConstant(30), second,
                box.item->bottomAnchor().constraintEqualToAnchor(box.content->bottomAnchor())});
  auto fitting = LayoutSolver::fittingHeight(*box.content);
  const std::string name = layoutItemName(*box.item);
  EXPECT_EQ(fitting.problem, "Unable to simultaneously satisfy constraints in " + layoutItemName(*box.content) +
                                 ": " + second->description() + " is broken (30 against 40)");
  EXPECT_EQ(second->description(), "<NSLayoutConstraint:" + address(second.get()) + " " + name + ".height == 40>");

  Container squeezed;  // "at least 20" and "at most 10" at once
  squeezed.activate({squeezed.item->topAnchor().constraintEqualToAnchor(squeezed.content->topAnchor()),
                     squeezed.item->heightAnchor().constraintGreaterThanOrEqualToConstant(20),
                     squeezed.item->heightAnchor().constraintLessThanOrEqualToConstant(10),
                     squeezed.item->bottomAnchor().constraintEqualToAnchor(squeezed.content->bottomAnchor())});
  auto squeezedFitting = LayoutSolver::fittingHeight(*squeezed.content);
  ASSERT_TRUE(squeezedFitting.problem);
  EXPECT_NE(squeezedFitting.problem->find(".height >= 20> is broken (10 against 20)"), std::string::npos)
      << *squeezedFitting.problem;

  Container pinned;  // top, height and bottom each set by a constraint of its own
  pinned.content->setFrame(CGRectMake(0, 0, 300, 100));
  pinned.activate({pinned.item->topAnchor().constraintEqualToAnchorConstant(pinned.content->topAnchor(), 10),
                   pinned.item->heightAnchor().constraintEqualToConstant(30),
                   pinned.item->bottomAnchor().constraintEqualToConstant(0)});
  auto pinnedFitting = LayoutSolver::fittingHeight(*pinned.content);
  ASSERT_TRUE(pinnedFitting.problem);
  EXPECT_NE(pinnedFitting.problem->find("the edges and size of " + layoutItemName(*pinned.item) +
                                        " disagree (10 + 30 against 0)"),
            std::string::npos)
      << *pinnedFitting.problem;
}

TEST_F(LayoutTest, AHeightLeftOpenIsAmbiguousNotAGuess) {
  Container floating;  // nothing places it vertically
  floating.activate({floating.item->leadingAnchor().constraintEqualToAnchor(floating.content->leadingAnchor()),
                     floating.item->bottomAnchor().constraintEqualToAnchor(floating.content->bottomAnchor())});
  auto fitting = LayoutSolver::fittingHeight(*floating.content);
  EXPECT_EQ(fitting.height, std::nullopt);
  EXPECT_EQ(fitting.problem, "Ambiguous layout in " + layoutItemName(*floating.content) + ": the top or height of " +
                                 layoutItemName(*floating.item) +
                                 " is not fixed; no vertical chain of constraints reaches its bottom");

  Container hanging;  // placed, but nothing reaches the container's bottom
  hanging.activate({hanging.item->topAnchor().constraintEqualToAnchor(hanging.content->topAnchor())});
  auto open = LayoutSolver::fittingHeight(*hanging.content);
  EXPECT_EQ(open.height, std::nullopt);
  EXPECT_EQ(open.problem, "Ambiguous layout in " + layoutItemName(*hanging.content) +
                              ": no vertical chain of constraints reaches its bottom");
}

// A cell whose only label hangs from the top: no height comes out of it.
class HangingCell : public UITableViewCell {
 public:
  HangingCell() : UITableViewCell(UITableViewCellStyleDefault, "Hanging") {
    auto line = std::make_shared<UILabel>();
    contentView()->addSubview(line);
    line->setTranslatesAutoresizingMaskIntoConstraints(false);
    line->topAnchor().constraintEqualToAnchor(contentView()->topAnchor())->setActive(true);
  }
};

TEST_F(LayoutTest, ACellWithoutAHeightLogsItOnceAndTakesTheStandardHeight) {
  expectLayoutProblems();
  auto cell = std::make_shared<HangingCell>();
  EXPECT_DOUBLE_EQ(cell->contentHeight(), UITableViewCell::kDefaultHeight);
  ASSERT_EQ(logMessages().size(), 1u);
  EXPECT_TRUE(logMessages()[0].starts_with(LayoutSolver::kLogPrefix)) << logMessages()[0];
}

// The header cell's suite owns how often a nib cell awakes.
TEST_F(LayoutTest, ANibCellTakesItsStyleAndIdentifierFromItsArchiveWhenUsable) {
  auto loaded = UINib::instantiate<UITableViewCell>(NSCoder({{UITableViewCell::kStyleKey, 3},
                                                             {UITableViewCell::kReuseIdentifierKey, "Archived"}}));
  EXPECT_EQ(loaded->style(), UITableViewCellStyleSubtitle);
  EXPECT_EQ(loaded->reuseIdentifier(), "Archived");
  auto odd = UINib::instantiate<UITableViewCell>(NSCoder({{UITableViewCell::kStyleKey, 7},
                                                          {UITableViewCell::kReuseIdentifierKey, 12}}));
  EXPECT_EQ(odd->style(), UITableViewCellStyleDefault) << "an unknown style";
  EXPECT_EQ(odd->reuseIdentifier(), std::nullopt) << "not a string";
}

}  // namespace
