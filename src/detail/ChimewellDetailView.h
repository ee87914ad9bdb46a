#pragma once
// The per-app sound page. For now a grouped page titled with the app the
// picker handed off, so that the picker has a page to push.
#include "uikit/UITableViewController.h"

class ChimewellDetailView : public UITableViewController {
 public:
  ChimewellDetailView() : UITableViewController(UITableViewStyleGrouped) {}  // init

  void viewDidLoad() override;
};
