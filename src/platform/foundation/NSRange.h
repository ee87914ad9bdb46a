#pragma once
// A range of UTF-16 code units in a string, as Foundation counts them.
#include <cstddef>
#include <limits>

inline constexpr std::size_t NSNotFound = static_cast<std::size_t>(std::numeric_limits<long>::max());

struct NSRange {
  std::size_t location = 0;
  std::size_t length = 0;
  bool operator==(const NSRange&) const = default;
};

inline constexpr NSRange NSMakeRange(std::size_t location, std::size_t length) { return {location, length}; }
