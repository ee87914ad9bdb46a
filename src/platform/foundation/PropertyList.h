#pragma once
// Property-list values without files: the value type, the reader (XML and
// binary, through libplist) and the XML writer in Apple's exact form.
#include <compare>
#include <concepts>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

// A date as Foundation keeps it: seconds since 2001-01-01 00:00:00 UTC.
// Read in whole seconds, the precision of Apple's XML form, so that a value
// comes back from a store as it was read.
struct PlistDate {
  double secondsSinceReferenceDate = 0;
  bool operator==(const PlistDate&) const = default;
};

// The dates Apple's XML form can write, years 0001 to 9999; the writer
// clamps to them and the reader reads within them.
inline constexpr double kEarliestPlistDate = -63113904000.0;  // 0001-01-01T00:00:00Z
inline constexpr double kLatestPlistDate = 252423993599.0;    // 9999-12-31T23:59:59Z

using PlistData = std::vector<std::uint8_t>;

class PlistValue {
 public:
  // Keys are kept in UTF-8 byte order; the XML writer applies Apple's order.
  using Dictionary = std::map<std::string, PlistValue>;
  using Array = std::vector<PlistValue>;
  // Integers are held as std::int64_t, except those above its range, which
  // are held as std::uint64_t (so each number has one form and compares by
  // value).
  using Storage = std::variant<bool, std::int64_t, std::uint64_t, double, std::string, PlistDate,
                               PlistData, Array, Dictionary>;

  PlistValue() : storage_(Dictionary{}) {}
  PlistValue(bool value) : storage_(value) {}
  template <std::integral T>
    requires(!std::same_as<T, bool>)
  PlistValue(T value) : storage_(integerStorage(value)) {}
  PlistValue(double value) : storage_(value) {}
  PlistValue(std::string value) : storage_(std::move(value)) {}
  PlistValue(std::string_view value) : storage_(std::string(value)) {}
  PlistValue(const char* value) : storage_(std::string(value)) {}
  PlistValue(PlistDate value) : storage_(value) {}
  PlistValue(PlistData value) : storage_(std::move(value)) {}
  PlistValue(Array value) : storage_(std::move(value)) {}
  PlistValue(Dictionary value) : storage_(std::move(value)) {}

  const Storage& storage() const { return storage_; }

  // The value as T, or nullptr when it holds another type.
  template <class T>
  const T* as() const { return std::get_if<T>(&storage_); }
  template <class T>
  T* as() { return std::get_if<T>(&storage_); }
  template <class T>
  bool is() const { return std::holds_alternative<T>(storage_); }

  // Deep equality; an integer and a real never compare equal.
  bool operator==(const PlistValue& other) const { return storage_ == other.storage_; }

 private:
  template <std::integral T>
  static Storage integerStorage(T value) {
    if constexpr (std::is_unsigned_v<T>) {
      if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return static_cast<std::uint64_t>(value);
      }
    }
    return static_cast<std::int64_t>(value);
  }

  Storage storage_;
};

// Reads an XML or binary property list; none for anything else, and for
// lists that PropertyListGuard.h refuses (too deep, too large to build, or
// holding a NUL where libplist cannot keep it).
std::optional<PlistValue> parsePropertyList(std::string_view bytes);

// Whether the XML form can hold the value: not when a string or key holds
// U+0000, which XML cannot carry (the writer would change it).
bool fitsXmlPropertyList(const PlistValue& value);
bool fitsXmlPropertyList(const PlistValue::Dictionary& dictionary);

// The XML form exactly as Apple's writer produces it: XML header and DOCTYPE,
// tab indentation, dictionary keys sorted by UTF-16 code units, base64 data
// wrapped as Apple wraps it, reals with 17 significant digits.
std::string xmlPropertyListData(const PlistValue& value);
// The same for a root dictionary, without copying it into a value first.
std::string xmlPropertyListData(const PlistValue::Dictionary& dictionary);

// Apple's dictionary key order (UTF-16 code units), on UTF-8 text.
bool utf16Less(std::string_view left, std::string_view right);
