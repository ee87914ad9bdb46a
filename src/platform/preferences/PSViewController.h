#pragma once
// The Preferences framework's page base class: a view controller that a
// Settings pane's pages derive from. The Settings app creates a pane's
// principal class by name and pushes it on its navigation stack.
#include "uikit/UIViewController.h"

class PSViewController : public UIViewController {
 public:
  PSViewController() = default;
  ~PSViewController() override;
};
