#pragma once
// Loading a view from an interface file, as UIKit's nib loading does it:
// the view is made by its coder initialiser (initWithCoder:), never by its
// code initialiser (initWithStyle:reuseIdentifier: for a cell), and then
// receives awakeFromNib. There are no interface files here; the coder holds
// what the file would. Main thread only, like every view.
#include <memory>

#include "foundation/NSCoder.h"

namespace UINib {

// View needs a constructor taking `const NSCoder&` and awakeFromNib().
template <class View>
std::shared_ptr<View> instantiate(const NSCoder& coder) {
  auto view = std::make_shared<View>(coder);
  view->awakeFromNib();
  return view;
}

}  // namespace UINib
