#pragma once
// A bounded look at a property list's bytes before libplist reads them. It is
// a guard, not a parser: it refuses what libplist would abort on, build
// without bound, or change without saying so, and lets through everything
// else (libplist then decides whether the bytes are a property list at all).
//
// Refused: nesting deeper than kMaximumPropertyListDepth; more than
// kMaximumPropertyListValues values or kMaximumPropertyListBuiltBytes bytes
// of strings and data to build (a binary list can name one object many times,
// so a few hundred bytes can ask for gigabytes); a binary list whose objects
// refer to themselves; a NUL character in an XML list, in a binary dictionary
// key or in a binary ASCII string (libplist aborts on the first, and cuts the
// others short at the NUL). The check takes time linear in the input and
// memory in proportion to the binary list's object count. Any thread.
#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr int kMaximumPropertyListDepth = 256;
// Some ten times the values of an application list cache of 10,000 apps.
inline constexpr std::uint64_t kMaximumPropertyListValues = 262144;
inline constexpr std::uint64_t kMaximumPropertyListBuiltBytes = 64u * 1024 * 1024;

bool propertyListIsSafeToRead(std::string_view bytes);
