#pragma once
// A scrolling list of sections and rows with a viewport, as UIKit's table:
// it asks its data source only for the rows whose frames meet the viewport
// or its overscan (about a screen above and below, so that a scroll shows
// rows already made), keeps those cells as its visible cells, and when
// scrolling (or a reload) moves a cell out of that range, puts it in the
// reuse pool under its reuse identifier, where
// dequeueReusableCellWithIdentifier finds it. A text field in a cell that
// leaves is asked to end editing first, as any other end of editing.
//
// Rows are configured lazily: a reload or a scroll only marks the table,
// and the visible rows are asked for when the table is next read (its
// visible cells, a cell for an index path, its layout, the screen model).
//
// Row images loaded on first use (app icons) stay in memory for a few
// screens' worth of rows lately shown; those of rows scrolled further away
// let go of their bytes and load again when their rows come back.
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "uikit/NSIndexPath.h"
#include "uikit/UITableViewProtocols.h"
#include "uikit/UIView.h"

class UIImage;
class UITableViewCell;

enum UITableViewStyle : int { UITableViewStylePlain = 0, UITableViewStyleGrouped = 1, UITableViewStyleInsetGrouped = 2 };

enum UITableViewCellSeparatorStyle : int {
  UITableViewCellSeparatorStyleNone = 0,
  UITableViewCellSeparatorStyleSingleLine = 1,
};

class UITableView : public UIView {
 public:
  // Grouped tables put this space above each section, and below each
  // section without a footer.
  static constexpr CGFloat kGroupedSectionSpacing = 18;
  static constexpr CGFloat kGroupedTopSpacing = 35;
  // Footer text: a margin and lines of a fixed height, the number of lines
  // estimated from the text's length at an average glyph width.
  static constexpr CGFloat kFooterMargin = 14;
  static constexpr CGFloat kFooterLineHeight = 18;
  static constexpr CGFloat kFooterGlyphWidth = 7;
  static constexpr CGFloat kFooterHorizontalInset = 40;
  // Cells are held for this many viewport heights above and below the
  // viewport: a scroll of up to a screen shows rows that are already made.
  static constexpr CGFloat kOverscanScreens = 1;
  // Row images are kept for this many times the rows held (viewport and
  // overscan: about three screens).
  static constexpr std::size_t kTimesHeldRowsOfImagesKept = 2;

  UITableView(const CGRect& frame, UITableViewStyle style);  // initWithFrame:style:
  ~UITableView() override;

  UITableViewStyle style() const { return style_; }

  std::shared_ptr<UITableViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<UITableViewDelegate>& delegate) { delegate_ = delegate; }
  std::shared_ptr<UITableViewDataSource> dataSource() const { return dataSource_.lock(); }
  void setDataSource(const std::shared_ptr<UITableViewDataSource>& dataSource);

  // Drops the visible cells into the reuse pool; the rows are asked again
  // when the table is next read.
  void reloadData();
  // The cell held for the row, or none when the row is neither in the
  // viewport nor in its overscan.
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(const NSIndexPath& indexPath);
  std::shared_ptr<UITableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);
  // Every cell the table holds (viewport and overscan), in row order.
  std::vector<std::shared_ptr<UITableViewCell>> visibleCells();
  std::vector<NSIndexPath> indexPathsForVisibleRows();
  std::optional<NSIndexPath> indexPathForCell(const std::shared_ptr<UITableViewCell>& cell);

  void selectRowAtIndexPathAnimated(const NSIndexPath& indexPath, bool animated);
  void deselectRowAtIndexPathAnimated(const NSIndexPath& indexPath, bool animated);
  std::optional<NSIndexPath> indexPathForSelectedRow() const;
  // The user's tap on a row: the row is selected, then the delegate told.
  void userSelectRow(const NSIndexPath& indexPath);

  UITableViewCellSeparatorStyle separatorStyle() const { return separatorStyle_; }
  void setSeparatorStyle(UITableViewCellSeparatorStyle style) { separatorStyle_ = style; }
  CGFloat rowHeight() const { return rowHeight_; }
  void setRowHeight(CGFloat height);

  long numberOfSections();
  long numberOfRowsInSection(long section);
  // Section titles as the data source answered them; the header's text sits
  // above the section's rows, the footer's below, each as high as it wraps.
  std::optional<std::string> headerTitleForSection(long section);
  std::optional<std::string> footerTitleForSection(long section);
  // The row's frame in the table's content.
  CGRect rectForRowAtIndexPath(const NSIndexPath& indexPath);
  // The section footer's frame in the table's content (zero height without
  // a footer); a section without rows still has its footer's place.
  CGRect rectForFooterInSection(long section);

  // Scrolling: the top of the viewport in the content, clamped to the content.
  CGPoint contentOffset() const { return {0, contentOffset_}; }
  // As UIKit, any offset may be set in code; the user's scrolling stays
  // within [0, maximumContentOffset()].
  void setContentOffset(const CGPoint& offset) { contentOffset_ = offset.y; }
  CGFloat maximumContentOffset();
  void setContentOffsetAnimated(const CGPoint& offset, bool animated) { setContentOffset(offset); }
  CGSize contentSize();
  // The visible height: the part of the table's frame the window shows,
  // unless set (tests and the host may size it).
  CGFloat viewportHeight() const;
  void setViewportHeight(std::optional<CGFloat> height);
  // How far above and below the viewport rows are held.
  CGFloat overscan() const;

  void setFrame(const CGRect& frame) override;
  // Asks for the rows that came into the viewport and lays out their cells.
  void layoutIfNeeded() override;

 private:
  // Asks for the rows that came into the viewport, without laying out the
  // cells' contents: what the queries above need. Laying out every held cell
  // on each query made a screen of n rows cost n squared.
  void layoutRowsIfNeeded();
  struct SectionLayout {
    std::vector<CGFloat> rowTops;
    std::vector<CGFloat> rowHeights;
    std::vector<bool> rowSelfSizing;  // sized by its cell's content
    std::optional<std::string> header;
    std::optional<std::string> footer;
    CGFloat footerTop = 0;
    CGFloat footerHeight = 0;
  };

  void invalidateRows();
  void ensureGeometry();
  void computeGeometry();
  void placeRows();
  CGFloat titleHeightFor(const std::optional<std::string>& title) const;
  bool rowHeld(const NSIndexPath& indexPath) const;
  bool layoutVisibleRows();
  bool showRow(const NSIndexPath& indexPath);
  void enqueue(const std::shared_ptr<UITableViewCell>& cell);
  void keepImagesOfVisibleRows();
  std::shared_ptr<UITableViewCell> configureRow(const NSIndexPath& indexPath);
  std::shared_ptr<UITableView> self();
  bool validIndexPath(const NSIndexPath& indexPath) const;

  UITableViewStyle style_;
  std::weak_ptr<UITableViewDelegate> delegate_;
  std::weak_ptr<UITableViewDataSource> dataSource_;
  UITableViewCellSeparatorStyle separatorStyle_ = UITableViewCellSeparatorStyleSingleLine;
  CGFloat rowHeight_ = UITableViewAutomaticDimension;
  CGFloat contentOffset_ = 0;
  std::optional<CGFloat> viewportHeight_;

  std::vector<SectionLayout> sections_;
  CGFloat contentHeight_ = 0;
  // Row heights measured from configured cells, for rows sized by content.
  std::map<NSIndexPath, CGFloat> measuredHeights_;
  std::map<NSIndexPath, std::shared_ptr<UITableViewCell>> visible_;
  std::map<std::string, std::vector<std::shared_ptr<UITableViewCell>>> reusePool_;
  std::optional<NSIndexPath> selected_;
  // Images that can let go of their bytes, as visible rows last showed
  // them: the latest last.
  std::deque<std::weak_ptr<UIImage>> recentImages_;
  bool geometryValid_ = false;
  bool rowsDirty_ = true;
  bool layingOut_ = false;
  // What the visible rows were last laid out for; a read of the table with
  // the same viewport and no reload in between asks nothing.
  struct Viewport {
    CGFloat offset = 0, height = 0, width = 0;
    bool operator==(const Viewport&) const = default;
  };
  std::optional<Viewport> laidOutFor_;
};
