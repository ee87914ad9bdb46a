#pragma once
// Images from the pane's own bundle, through one shared instance of this
// class (see PrefsBundleHelper). No page calls it today; it is there for
// every page that needs a picture of the pane's own.
#include "ui/PrefsBundleHelper.h"

class ChimewellHelper : public PrefsBundleHelper<ChimewellHelper> {};

extern template class PrefsBundleHelper<ChimewellHelper>;
