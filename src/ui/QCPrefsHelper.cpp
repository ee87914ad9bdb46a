#include "ui/QCPrefsHelper.h"

#include "foundation/NSClassRegistry.h"

template class PrefsBundleHelper<QCPrefsHelper>;

namespace {

// Registered so that bundleForClass finds this library, whoever asks.
const bool registered = NSRegisterClass<QCPrefsHelper>("QCPrefsHelper");

}  // namespace
