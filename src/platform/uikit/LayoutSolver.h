#pragma once
// Places views from their constraints, enough for the layouts pages make:
// equalities between edges, centres and sizes of a view and its direct
// subviews, with constants; an unknown size takes the largest of its
// "greater than or equal" constants and the view's intrinsic height.
#include <optional>

#include "uikit/CGGeometry.h"

class UIView;

namespace LayoutSolver {

// Sets the frames of the container's subviews that are laid out by
// constraints (translatesAutoresizingMaskIntoConstraints off).
void placeSubviews(UIView& container);

// The container's height that its constraints ask for, given its top edge,
// when a vertical chain of constraints reaches its bottom edge.
std::optional<CGFloat> fittingHeight(UIView& container);

}  // namespace LayoutSolver
