#pragma once
// The generic app icon's PNG bytes (share/SparkAppList/GenericAppIcon@3x.png,
// drawn for this project), built into the library by CMake.
#include <cstddef>

extern const unsigned char kGenericAppIconPNG[];
extern const std::size_t kGenericAppIconPNGSize;
