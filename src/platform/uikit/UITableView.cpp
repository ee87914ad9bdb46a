#include "uikit/UITableView.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <ranges>
#include <stdexcept>
#include <string>

#include "foundation/NSString.h"
#include "uikit/ReentryGuard.h"
#include "uikit/TextEditing.h"
#include "uikit/UIImage.h"
#include "uikit/UIImageView.h"
#include "uikit/UITableViewCell.h"
#include "uikit/UIWindow.h"

namespace {

// Self-sized rows settle within a few passes: each pass measures the rows
// that came into view at their estimated places.
constexpr int kMaximumLayoutPasses = 8;

// A pool keeps about a screenful of cells per identifier; a page that never
// dequeues would otherwise grow it at every reload.
constexpr std::size_t kMinimumPoolSize = 20;

std::size_t countCharacters(const std::string& text) {
  return static_cast<std::size_t>(std::ranges::count_if(text, std::not_fn(TextEditing::isContinuationByte)));
}

}  // namespace

UITableView::UITableView(const CGRect& frame, UITableViewStyle style) : UIView(frame), style_(style) {}

UITableView::~UITableView() = default;

std::shared_ptr<UITableView> UITableView::self() {
  return std::static_pointer_cast<UITableView>(shared_from_this());
}

void UITableView::setDataSource(const std::shared_ptr<UITableViewDataSource>& dataSource) {
  dataSource_ = dataSource;
  invalidateRows();
}

void UITableView::setRowHeight(CGFloat height) {
  rowHeight_ = height;
  geometryValid_ = false;
  rowsDirty_ = true;
}

void UITableView::setFrame(const CGRect& frame) {
  if (frame.size.width != this->frame().size.width) {
    geometryValid_ = false;  // footers wrap anew
    rowsDirty_ = true;
  }
  UIView::setFrame(frame);
}

void UITableView::reloadData() { invalidateRows(); }

void UITableView::invalidateRows() {
  for (const auto& [indexPath, cell] : visible_) enqueue(cell);
  visible_.clear();
  measuredHeights_.clear();
  geometryValid_ = false;
  rowsDirty_ = true;
}

void UITableView::enqueue(const std::shared_ptr<UITableViewCell>& cell) {
  cell->removeFromSuperview();
  cell->setSelected(false);
  if (!cell->reuseIdentifier()) return;
  auto& pool = reusePool_[*cell->reuseIdentifier()];
  pool.push_back(cell);
  std::size_t limit = std::max(kMinimumPoolSize, visible_.size());
  if (pool.size() > limit) pool.erase(pool.begin(), pool.end() - static_cast<std::ptrdiff_t>(limit));
}

std::shared_ptr<UITableViewCell> UITableView::dequeueReusableCellWithIdentifier(const std::string& identifier) {
  auto pool = reusePool_.find(identifier);
  if (pool == reusePool_.end() || pool->second.empty()) return nullptr;
  auto cell = pool->second.back();
  pool->second.pop_back();
  cell->prepareForReuse();
  return cell;
}

void UITableView::ensureGeometry() {
  if (geometryValid_) return;
  geometryValid_ = true;
  computeGeometry();
}

void UITableView::computeGeometry() {
  sections_.clear();
  auto dataSource = this->dataSource();
  if (dataSource) {
    auto table = self();
    auto delegate = this->delegate();
    long count = std::max(0L, dataSource->numberOfSectionsInTableView(table));
    for (long section = 0; section < count; ++section) {
      SectionLayout layout;
      long rows = std::max(0L, dataSource->tableViewNumberOfRowsInSection(table, section));
      for (long row = 0; row < rows; ++row) {
        NSIndexPath indexPath{section, row};
        CGFloat height = delegate ? delegate->tableViewHeightForRowAtIndexPath(table, indexPath)
                                  : UITableViewAutomaticDimension;
        if (height < 0) height = rowHeight_;
        bool selfSizing = height < 0;
        if (selfSizing) {
          auto measured = measuredHeights_.find(indexPath);
          height = measured != measuredHeights_.end() ? measured->second : UITableViewCell::kDefaultHeight;
        }
        layout.rowHeights.push_back(height);
        layout.rowSelfSizing.push_back(selfSizing);
      }
      layout.header = dataSource->tableViewTitleForHeaderInSection(table, section);
      layout.footer = dataSource->tableViewTitleForFooterInSection(table, section);
      sections_.push_back(std::move(layout));
    }
  }
  placeRows();
}

CGFloat UITableView::titleHeightFor(const std::optional<std::string>& title) const {
  if (!title || title->empty()) return 0;
  CGFloat lineWidth = std::max<CGFloat>(frame().size.width - kFooterHorizontalInset, kFooterGlyphWidth);
  auto perLine = std::max<std::size_t>(1, static_cast<std::size_t>(lineWidth / kFooterGlyphWidth));
  std::size_t lines = (countCharacters(*title) + perLine - 1) / perLine;
  return kFooterMargin + static_cast<CGFloat>(lines) * kFooterLineHeight;
}

void UITableView::placeRows() {
  CGFloat y = 0;
  bool grouped = style_ != UITableViewStylePlain;
  for (std::size_t section = 0; section < sections_.size(); ++section) {
    auto& layout = sections_[section];
    if (grouped) y += section == 0 ? kGroupedTopSpacing : kGroupedSectionSpacing;
    y += titleHeightFor(layout.header);
    layout.rowTops.resize(layout.rowHeights.size());
    for (std::size_t row = 0; row < layout.rowHeights.size(); ++row) {
      layout.rowTops[row] = y;
      y += layout.rowHeights[row];
    }
    layout.footerTop = y;
    layout.footerHeight = titleHeightFor(layout.footer);
    y += layout.footerHeight;
  }
  contentHeight_ = y;
}

bool UITableView::validIndexPath(const NSIndexPath& indexPath) const {
  return indexPath.section >= 0 && indexPath.row >= 0 &&
         static_cast<std::size_t>(indexPath.section) < sections_.size() &&
         static_cast<std::size_t>(indexPath.row) < sections_[indexPath.section].rowHeights.size();
}

CGFloat UITableView::overscan() const { return kOverscanScreens * viewportHeight(); }

// Whether the row meets the viewport or its overscan.
bool UITableView::rowHeld(const NSIndexPath& indexPath) const {
  const auto& layout = sections_[indexPath.section];
  CGFloat top = layout.rowTops[indexPath.row];
  CGFloat bottom = top + layout.rowHeights[indexPath.row];
  return bottom > top && top < contentOffset_ + viewportHeight() + overscan() && bottom > contentOffset_ - overscan();
}

CGFloat UITableView::viewportHeight() const {
  if (viewportHeight_) return *viewportHeight_;
  if (!window()) return frame().size.height;
  CGRect inWindow = convertRectToWindow(bounds());
  CGFloat top = std::max<CGFloat>(CGRectGetMinY(inWindow), 0);
  CGFloat bottom = std::min<CGFloat>(CGRectGetMaxY(inWindow), window()->frame().size.height);
  return std::max<CGFloat>(0, bottom - top);
}

void UITableView::setViewportHeight(std::optional<CGFloat> height) { viewportHeight_ = height; }

std::shared_ptr<UITableViewCell> UITableView::configureRow(const NSIndexPath& indexPath) {
  auto table = self();
  auto cell = dataSource()->tableViewCellForRowAtIndexPath(table, indexPath);
  if (!cell)
    throw std::logic_error(stringWithFormat("UITableView dataSource returned no cell for section %ld row %ld",
                                            indexPath.section, indexPath.row));
  cell->setSelected(selected_ == indexPath);
  if (auto delegate = this->delegate()) delegate->tableViewWillDisplayCellForRowAtIndexPath(table, cell, indexPath);
  return cell;
}

// Shows the row: a row coming into the viewport is asked for and, when
// sized by its content, measured. True when that changed its height.
bool UITableView::showRow(const NSIndexPath& indexPath) {
  auto& layout = sections_[indexPath.section];
  CGFloat& height = layout.rowHeights[indexPath.row];
  CGFloat top = layout.rowTops[indexPath.row];
  bool changed = false;
  auto found = visible_.find(indexPath);
  if (found == visible_.end()) {
    auto cell = configureRow(indexPath);
    found = visible_.emplace(indexPath, cell).first;
    addSubview(cell);
    if (layout.rowSelfSizing[indexPath.row]) {
      cell->setFrame(CGRectMake(0, top, frame().size.width, height));
      CGFloat measured = cell->contentHeight();
      measuredHeights_[indexPath] = measured;
      changed = measured != height;
      height = measured;
    }
  }
  found->second->setFrame(CGRectMake(0, top, frame().size.width, height));
  return changed;
}

bool UITableView::layoutVisibleRows() {
  std::vector<std::shared_ptr<UITableViewCell>> leaving;
  for (auto it = visible_.begin(); it != visible_.end();) {
    if (validIndexPath(it->first) && rowHeld(it->first)) {
      ++it;
      continue;
    }
    leaving.push_back(it->second);
    it = visible_.erase(it);
  }
  // Out of the loop: a field in a leaving cell asks its delegate, which may
  // read the table.
  for (const auto& cell : leaving) enqueue(cell);
  bool changed = false;
  const CGFloat heldTop = contentOffset_ - overscan();
  const CGFloat heldBottom = contentOffset_ + viewportHeight() + overscan();
  for (std::size_t section = 0; section < sections_.size(); ++section) {
    const auto& layout = sections_[section];
    // Rows are in content order: skip those that end above the held range.
    auto rows = std::views::iota(std::size_t{0}, layout.rowTops.size());
    auto firstShown = std::ranges::partition_point(rows, [&](std::size_t index) {
      return layout.rowTops[index] + layout.rowHeights[index] <= heldTop;
    });
    std::size_t row = firstShown == rows.end() ? layout.rowTops.size() : *firstShown;
    for (; row < layout.rowTops.size() && layout.rowTops[row] < heldBottom; ++row) {
      NSIndexPath indexPath{static_cast<long>(section), static_cast<long>(row)};
      if (rowHeld(indexPath)) changed |= showRow(indexPath);
    }
  }
  return changed;
}

void UITableView::layoutIfNeeded() {
  layoutRowsIfNeeded();
  UIView::layoutIfNeeded();
}

void UITableView::layoutRowsIfNeeded() {
  if (layingOut_) return;
  Viewport viewport{contentOffset_, viewportHeight(), frame().size.width};
  if (rowsDirty_ || !geometryValid_ || laidOutFor_ != viewport) {
    ReentryGuard layingOut(layingOut_);
    ensureGeometry();
    for (int pass = 0; pass < kMaximumLayoutPasses; ++pass) {
      if (!layoutVisibleRows()) break;
      placeRows();
    }
    laidOutFor_ = viewport;
    rowsDirty_ = false;
    keepImagesOfVisibleRows();
  }
}

void UITableView::keepImagesOfVisibleRows() {
  std::vector<std::shared_ptr<UIImage>> shown;
  for (const auto& [indexPath, cell] : visible_) {
    const auto& view = cell->existingImageView();
    const auto image = view ? view->image() : nullptr;
    if (image && image->canLetGoOfBytes() && std::ranges::find(shown, image) == shown.end())
      shown.push_back(image);
  }
  std::erase_if(recentImages_, [&shown](const std::weak_ptr<UIImage>& held) {
    auto image = held.lock();
    return !image || std::ranges::find(shown, image) != shown.end();
  });
  recentImages_.insert(recentImages_.end(), shown.begin(), shown.end());
  const std::size_t kept = kTimesHeldRowsOfImagesKept * std::max<std::size_t>(visible_.size(), 1);
  while (recentImages_.size() > kept) {
    if (auto image = recentImages_.front().lock()) image->letGoOfBytes();
    recentImages_.pop_front();
  }
}

std::shared_ptr<UITableViewCell> UITableView::cellForRowAtIndexPath(const NSIndexPath& indexPath) {
  layoutRowsIfNeeded();
  auto found = visible_.find(indexPath);
  return found == visible_.end() ? nullptr : found->second;
}

std::vector<std::shared_ptr<UITableViewCell>> UITableView::visibleCells() {
  layoutRowsIfNeeded();
  std::vector<std::shared_ptr<UITableViewCell>> cells;
  for (const auto& [indexPath, cell] : visible_) cells.push_back(cell);
  return cells;
}

std::vector<NSIndexPath> UITableView::indexPathsForVisibleRows() {
  layoutRowsIfNeeded();
  std::vector<NSIndexPath> paths;
  for (const auto& [indexPath, cell] : visible_) paths.push_back(indexPath);
  return paths;
}

std::optional<NSIndexPath> UITableView::indexPathForCell(const std::shared_ptr<UITableViewCell>& cell) {
  layoutRowsIfNeeded();
  for (const auto& [indexPath, shown] : visible_)
    if (shown == cell) return indexPath;
  return std::nullopt;
}

void UITableView::selectRowAtIndexPathAnimated(const NSIndexPath& indexPath, bool animated) {
  if (selected_ && selected_ != indexPath) deselectRowAtIndexPathAnimated(*selected_, animated);
  selected_ = indexPath;
  if (auto found = visible_.find(indexPath); found != visible_.end()) found->second->setSelected(true);
}

void UITableView::deselectRowAtIndexPathAnimated(const NSIndexPath& indexPath, bool animated) {
  if (selected_ == indexPath) selected_.reset();
  if (auto found = visible_.find(indexPath); found != visible_.end()) found->second->setSelected(false);
}

std::optional<NSIndexPath> UITableView::indexPathForSelectedRow() const { return selected_; }

void UITableView::userSelectRow(const NSIndexPath& indexPath) {
  selectRowAtIndexPathAnimated(indexPath, false);
  if (auto delegate = this->delegate()) delegate->tableViewDidSelectRowAtIndexPath(self(), indexPath);
}

long UITableView::numberOfSections() {
  ensureGeometry();
  return static_cast<long>(sections_.size());
}

long UITableView::numberOfRowsInSection(long section) {
  ensureGeometry();
  if (section < 0 || static_cast<std::size_t>(section) >= sections_.size()) return 0;
  return static_cast<long>(sections_[section].rowHeights.size());
}

std::optional<std::string> UITableView::headerTitleForSection(long section) {
  ensureGeometry();
  if (section < 0 || static_cast<std::size_t>(section) >= sections_.size()) return std::nullopt;
  return sections_[section].header;
}

std::optional<std::string> UITableView::footerTitleForSection(long section) {
  ensureGeometry();
  if (section < 0 || static_cast<std::size_t>(section) >= sections_.size()) return std::nullopt;
  return sections_[section].footer;
}

CGRect UITableView::rectForRowAtIndexPath(const NSIndexPath& indexPath) {
  layoutRowsIfNeeded();
  if (!validIndexPath(indexPath)) return CGRectZero;
  const auto& layout = sections_[indexPath.section];
  return CGRectMake(0, layout.rowTops[indexPath.row], frame().size.width, layout.rowHeights[indexPath.row]);
}

CGRect UITableView::rectForFooterInSection(long section) {
  layoutRowsIfNeeded();
  if (section < 0 || static_cast<std::size_t>(section) >= sections_.size()) return CGRectZero;
  const auto& layout = sections_[section];
  return CGRectMake(0, layout.footerTop, frame().size.width, layout.footerHeight);
}

CGSize UITableView::contentSize() {
  layoutRowsIfNeeded();
  return {frame().size.width, contentHeight_};
}

CGFloat UITableView::maximumContentOffset() {
  return std::max<CGFloat>(0, contentSize().height - viewportHeight());
}
