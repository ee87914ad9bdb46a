#pragma once
// Numbers and booleans are plain property-list values here; these are the
// NSNumber conversions the pages use on them.
#include <cstdint>

#include "foundation/PropertyList.h"

// [NSNumber numberWithBool:] gives a property-list boolean.
inline PlistValue numberWithBool(bool value) { return PlistValue(value); }

// -boolValue as Foundation answers it: a number or boolean by its value; a
// string YES when, after white space, signs and leading zeros, it starts with
// Y, y, T, t or a digit 1-9 ("YES", "true", "1"); anything else NO.
bool boolValue(const PlistValue& value);
