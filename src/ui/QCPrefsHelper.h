#pragma once
// The same service as ChimewellHelper, with a shared instance of its own
// (see PrefsBundleHelper): the two never share a bundle, a token or a log line.
#include "ui/PrefsBundleHelper.h"

class QCPrefsHelper : public PrefsBundleHelper<QCPrefsHelper> {};

extern template class PrefsBundleHelper<QCPrefsHelper>;
