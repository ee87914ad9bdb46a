#pragma once
// The picker's process-wide variables. They live for the whole process and
// are replaced, not cleared, by the next picker page that uses them; only
// the main thread touches them.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "foundation/NSDictionary.h"

// Display name to bundle identifier: the application list cache file as read
// at the start of the latest fetch, plus that fetch's apps. None while the
// cache file cannot be read as a dictionary.
extern std::shared_ptr<NSMutableDictionary> dict;

// True while the picker's rows are the search result.
extern bool isFiltering;

// The apps whose display names hold the current search text, in list order:
// each is the app's position in the picker's lists, so two apps of one name
// stay two apps and a keystroke copies no texts. Recomputed whenever the
// lists change.
extern std::vector<std::size_t> filteredArray;
