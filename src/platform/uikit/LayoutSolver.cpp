#include "uikit/LayoutSolver.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "uikit/UIView.h"

namespace {

using Attribute = NSLayoutAttribute;
using Key = std::pair<const UIView*, Attribute>;

// Sums of constants in points: anything closer than this is equal.
constexpr CGFloat kTolerance = 1e-6;

std::string points(CGFloat value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// The four attributes of one axis: low edge, high edge, size, centre.
struct Axis {
  Attribute low, high, size, center;
};
constexpr std::array<Axis, 2> kAxes{Axis{Attribute::Top, Attribute::Bottom, Attribute::Height, Attribute::CenterY},
                                    Axis{Attribute::Leading, Attribute::Trailing, Attribute::Width,
                                         Attribute::CenterX}};

class System {
 public:
  System(UIView& container, bool knowContainerSize) : container_(container) {
    collect(container);
    for (const auto& view : container.subviews()) {
      views_.push_back(view.get());
      collect(*view);
      if (view->translatesAutoresizingMaskIntoConstraints()) seedFromFrame(*view);
    }
    known_[{&container, Attribute::Top}] = 0;
    known_[{&container, Attribute::Leading}] = 0;
    known_[{&container, Attribute::Width}] = container.frame().size.width;
    if (knowContainerSize) known_[{&container, Attribute::Height}] = container.frame().size.height;
    views_.push_back(&container);
  }

  void solve() {
    for (;;) {
      while (propagate()) {
      }
      if (!applySizeFallbacks()) return;
    }
  }

  std::optional<CGFloat> value(const UIView* view, Attribute attribute) const {
    auto found = known_.find({view, attribute});
    return found == known_.end() ? std::nullopt : std::optional<CGFloat>(found->second);
  }

  const std::vector<const UIView*>& views() const { return views_; }

  // The constraints the solved values break, and the views whose edges and
  // size disagree (each set from a different constraint).
  std::vector<std::string> conflicts() const {
    std::vector<std::string> found;
    for (const auto* constraint : constraints_)
      if (auto broken = brokenBy(*constraint)) found.push_back(*broken);
    for (const auto* view : views_)
      for (const auto& axis : kAxes)
        if (auto broken = disagreement(view, axis)) found.push_back(*broken);
    return found;
  }

  // Subviews placed by constraints whose vertical place stays open.
  std::vector<std::string> openVerticalPlaces() const {
    std::vector<std::string> found;
    for (const auto* view : views_) {
      if (view == &container_ || view->translatesAutoresizingMaskIntoConstraints()) continue;
      if (!value(view, Attribute::Top) || !value(view, Attribute::Height))
        found.push_back("the top or height of " + layoutItemName(*view) + " is not fixed");
    }
    return found;
  }

 private:
  std::optional<std::string> brokenBy(const NSLayoutConstraint& constraint) const {
    auto first = value(constraint.firstAnchor().view().get(), constraint.firstAnchor().attribute());
    std::optional<CGFloat> second = constraint.constant();
    if (constraint.secondAnchor()) {
      second = value(constraint.secondAnchor()->view().get(), constraint.secondAnchor()->attribute());
      if (second) *second += constraint.constant();
    }
    if (!first || !second) return std::nullopt;
    const CGFloat difference = *first - *second;
    bool holds = std::fabs(difference) <= kTolerance;
    if (constraint.relation() == NSLayoutRelation::GreaterThanOrEqual) holds = difference >= -kTolerance;
    if (constraint.relation() == NSLayoutRelation::LessThanOrEqual) holds = difference <= kTolerance;
    if (holds) return std::nullopt;
    return constraint.description() + " is broken (" + points(*first) + " against " + points(*second) + ")";
  }

  std::optional<std::string> disagreement(const UIView* view, const Axis& axis) const {
    auto low = value(view, axis.low), high = value(view, axis.high), size = value(view, axis.size),
         center = value(view, axis.center);
    if (!low || !high || !size || !center) return std::nullopt;
    if (std::fabs(*low + *size - *high) <= kTolerance && std::fabs(*low + *size / 2 - *center) <= kTolerance)
      return std::nullopt;
    return "the edges and size of " + layoutItemName(*view) + " disagree (" + points(*low) + " + " +
           points(*size) + " against " + points(*high) + ")";
  }

  void collect(const UIView& view) {
    for (const auto& constraint : view.constraints())
      if (constraint->isActive() && involvesOnlyOurs(*constraint)) constraints_.push_back(constraint.get());
  }

  bool ours(const UIView* view) const {
    return view && (view == &container_ || view->superview().get() == &container_);
  }

  bool involvesOnlyOurs(const NSLayoutConstraint& constraint) const {
    if (!ours(constraint.firstAnchor().view().get())) return false;
    return !constraint.secondAnchor() || ours(constraint.secondAnchor()->view().get());
  }

  // A view placed by its frame is a fixed point for the others.
  void seedFromFrame(const UIView& view) {
    const CGRect& frame = view.frame();
    known_[{&view, Attribute::Top}] = frame.origin.y;
    known_[{&view, Attribute::Height}] = frame.size.height;
    known_[{&view, Attribute::Leading}] = frame.origin.x;
    known_[{&view, Attribute::Width}] = frame.size.width;
  }

  bool set(const Key& key, CGFloat value) {
    return known_.emplace(key, value).second;
  }

  bool propagate() {
    bool changed = false;
    for (const auto* constraint : constraints_) {
      if (constraint->relation() != NSLayoutRelation::Equal) continue;
      Key first{constraint->firstAnchor().view().get(), constraint->firstAnchor().attribute()};
      if (!constraint->secondAnchor()) {
        changed |= set(first, constraint->constant());
        continue;
      }
      Key second{constraint->secondAnchor()->view().get(), constraint->secondAnchor()->attribute()};
      auto a = known_.find(first), b = known_.find(second);
      if (a == known_.end() && b != known_.end()) changed |= set(first, b->second + constraint->constant());
      if (a != known_.end() && b == known_.end()) changed |= set(second, a->second - constraint->constant());
    }
    for (const auto* view : views_)
      for (const auto& axis : kAxes) changed |= completeAxis(view, axis);
    return changed;
  }

  // low + size = high, low + size / 2 = center: two known give the others.
  bool completeAxis(const UIView* view, const Axis& axis) {
    auto low = value(view, axis.low), high = value(view, axis.high), size = value(view, axis.size),
         center = value(view, axis.center);
    if (!low && high && size) low = *high - *size;
    if (!low && center && size) low = *center - *size / 2;
    if (!low && center && high) low = 2 * *center - *high;
    if (!low) return false;
    if (!size && high) size = *high - *low;
    if (!size && center) size = 2 * (*center - *low);
    if (!size) return false;
    bool changed = set({view, axis.low}, *low);
    changed |= set({view, axis.size}, *size);
    changed |= set({view, axis.high}, *low + *size);
    changed |= set({view, axis.center}, *low + *size / 2);
    return changed;
  }

  // A height still unknown becomes its intrinsic height, raised to its
  // "at least" constants and capped by its "at most" ones.
  bool applySizeFallbacks() {
    bool changed = false;
    for (const auto* view : views_) {
      if (view == &container_ || value(view, Attribute::Height)) continue;
      CGFloat height = view->intrinsicContentHeight(value(view, Attribute::Width).value_or(view->frame().size.width));
      for (const auto* constraint : constraints_) {
        if (constraint->secondAnchor() || constraint->firstAnchor().view().get() != view ||
            constraint->firstAnchor().attribute() != Attribute::Height)
          continue;
        if (constraint->relation() == NSLayoutRelation::GreaterThanOrEqual)
          height = std::max(height, constraint->constant());
        if (constraint->relation() == NSLayoutRelation::LessThanOrEqual)
          height = std::min(height, constraint->constant());
      }
      changed |= set({view, Attribute::Height}, height);
    }
    return changed;
  }

  UIView& container_;
  std::vector<const UIView*> views_;
  std::vector<const NSLayoutConstraint*> constraints_;
  std::map<Key, CGFloat> known_;
};

std::string joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : "; ") + part;
  return text;
}

}  // namespace

namespace LayoutSolver {

void placeSubviews(UIView& container) {
  bool any = std::any_of(container.subviews().begin(), container.subviews().end(),
                         [](const auto& view) { return !view->translatesAutoresizingMaskIntoConstraints(); });
  if (!any) return;
  System system(container, true);
  system.solve();
  for (const auto& view : container.subviews()) {
    if (view->translatesAutoresizingMaskIntoConstraints()) continue;
    CGRect frame = view->frame();
    frame.origin.y = system.value(view.get(), Attribute::Top).value_or(frame.origin.y);
    frame.size.height = system.value(view.get(), Attribute::Height).value_or(frame.size.height);
    frame.origin.x = system.value(view.get(), Attribute::Leading).value_or(frame.origin.x);
    frame.size.width = system.value(view.get(), Attribute::Width).value_or(frame.size.width);
    view->setFrame(frame);
  }
}

Fitting fittingHeight(UIView& container) {
  System system(container, false);
  system.solve();
  Fitting fitting{system.value(&container, Attribute::Bottom), std::nullopt};
  const std::string where = layoutItemName(container);
  if (auto conflicts = system.conflicts(); !conflicts.empty()) {
    fitting.problem = "Unable to simultaneously satisfy constraints in " + where + ": " + joined(conflicts);
    return fitting;
  }
  auto open = system.openVerticalPlaces();
  if (!fitting.height) open.push_back("no vertical chain of constraints reaches its bottom");
  if (!open.empty()) fitting.problem = "Ambiguous layout in " + where + ": " + joined(open);
  return fitting;
}

}  // namespace LayoutSolver
