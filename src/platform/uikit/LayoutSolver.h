#pragma once
// Places views from their constraints, enough for the layouts pages make:
// equalities between edges, centres and sizes of a view and its direct
// subviews, with constants; an unknown height takes the view's intrinsic
// height at its width (a label's text), raised to its "greater than or equal"
// constants and capped by its "less than or equal" ones. Inequalities between
// two anchors are only checked, never used to place.
// Main thread only, like the views it reads.
#include <optional>
#include <string>

#include "uikit/CGGeometry.h"

class UIView;

namespace LayoutSolver {

// Every problem line the platform logs about constraints starts with this.
inline constexpr const char* kLogPrefix = "[LayoutConstraints] ";

// Sets the frames of the container's subviews that are laid out by
// constraints (translatesAutoresizingMaskIntoConstraints off). Lenient, as
// a layout pass is: a conflicting constraint is passed over.
void placeSubviews(UIView& container);

struct Fitting {
  // The container's height, given its top edge and width, when a vertical
  // chain of constraints reaches its bottom edge; none otherwise.
  std::optional<CGFloat> height;
  // Why the height cannot be trusted, as one line: constraints that no
  // layout satisfies ("Unable to simultaneously satisfy constraints ..."),
  // or a height they leave open ("Ambiguous layout ..."). None when sound.
  std::optional<std::string> problem;
};

// The height the container's constraints ask for (a self-sizing row).
Fitting fittingHeight(UIView& container);

}  // namespace LayoutSolver
