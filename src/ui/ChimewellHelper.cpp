#include "ui/ChimewellHelper.h"

#include "foundation/NSClassRegistry.h"

template class PrefsBundleHelper<ChimewellHelper>;

namespace {

// Registered so that bundleForClass finds this library, whoever asks.
const bool registered = NSRegisterClass<ChimewellHelper>("ChimewellHelper");

}  // namespace
