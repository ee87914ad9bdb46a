// The header cell: laid out once whichever way it was made, and the
// separator's hairline (one device pixel high) kept out of it.
#include <gtest/gtest.h>

#include "foundation/NSCoder.h"
#include "support/ChimewellTest.h"
#include "ui/QCHeaderTableViewCell.h"
#include "uikit/UINib.h"
#include "uikit/UIScreen.h"

namespace {

using HeaderCellTest = ChimewellTest;

TEST_F(HeaderCellTest, IsLaidOutOnceWhicheverWayItWasMadeAndTakesNoHairline) {
  const NSCoder archive({{UITableViewCell::kReuseIdentifierKey, QCHeaderTableViewCell::classReuseIdentifier()}});
  EXPECT_TRUE(std::make_shared<QCHeaderTableViewCell>(archive)->contentView()->subviews().empty())
      << "initWithCoder: alone lays nothing out; awakeFromNib does";
  const auto cell = UINib::instantiate<QCHeaderTableViewCell>(archive);
  for (const auto& made : {std::make_shared<QCHeaderTableViewCell>(UITableViewCellStyleDefault, "Header"), cell})
    EXPECT_EQ(made->contentView()->subviews().size(), 2u);

  ASSERT_EQ(UIScreen::mainScreen()->scale(), 3);
  auto hairline = std::make_shared<UIView>(CGRectMake(0, 0, 100, 1.0 / 3));
  auto line = std::make_shared<UIView>(CGRectMake(0, 0, 100, 1));
  cell->addSubview(hairline);
  cell->addSubview(line);
  EXPECT_EQ(hairline->superview(), nullptr);
  EXPECT_EQ(line->superview(), cell);
}

}  // namespace
