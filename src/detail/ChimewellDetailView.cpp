#include "detail/ChimewellDetailView.h"

#include "foundation/NSClassRegistry.h"
#include "foundation/NSUserDefaults.h"

namespace {

const bool registered = NSRegisterClass<ChimewellDetailView>("ChimewellDetailView");

}  // namespace

void ChimewellDetailView::viewDidLoad() {
  UITableViewController::viewDidLoad();
  setTitle(NSUserDefaults::standardUserDefaults()->stringForKey("currentApp"));
}
