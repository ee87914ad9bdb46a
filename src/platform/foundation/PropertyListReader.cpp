// Reading goes through libplist, which knows both the XML and the binary form.
#include <plist/plist.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "foundation/PropertyList.h"
#include "foundation/PropertyListGuard.h"

namespace {

struct PlistFree {
  void operator()(plist_t node) const { plist_free(node); }
};
using OwnedPlist = std::unique_ptr<void, PlistFree>;

struct MallocFree {
  void operator()(void* pointer) const { std::free(pointer); }
};

// Deeper nesting is refused (the guard has refused it already), so that the
// recursive conversion and the value's destructor keep within the stack.
constexpr int kMaximumDepth = kMaximumPropertyListDepth;

std::optional<PlistValue> convert(plist_t node, int depth);

std::optional<PlistValue> convertArray(plist_t node, int depth) {
  PlistValue::Array array;
  const std::uint32_t count = plist_array_get_size(node);
  array.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    auto item = convert(plist_array_get_item(node, i), depth + 1);
    if (!item) return std::nullopt;
    array.push_back(std::move(*item));
  }
  return PlistValue(std::move(array));
}

std::optional<PlistValue> convertDictionary(plist_t node, int depth) {
  PlistValue::Dictionary dictionary;
  plist_dict_iter iterator = nullptr;
  plist_dict_new_iter(node, &iterator);
  std::unique_ptr<void, MallocFree> ownedIterator(iterator);
  for (;;) {
    char* rawKey = nullptr;
    plist_t item = nullptr;
    plist_dict_next_item(node, iterator, &rawKey, &item);
    if (!item) {
      std::free(rawKey);
      break;
    }
    std::unique_ptr<char, MallocFree> key(rawKey);
    auto value = convert(item, depth + 1);
    if (!key || !value) return std::nullopt;
    dictionary.insert_or_assign(key.get(), std::move(*value));
  }
  return PlistValue(std::move(dictionary));
}

// By pointer and length: plist_get_string_val asserts (and so aborts the
// process) on a string that holds a NUL character.
std::string stringOf(plist_t node) {
  std::uint64_t length = 0;
  const char* text = plist_get_string_ptr(node, &length);
  return text ? std::string(text, static_cast<std::size_t>(length)) : std::string();
}

PlistValue dataOf(plist_t node) {
  char* raw = nullptr;
  std::uint64_t length = 0;
  plist_get_data_val(node, &raw, &length);
  std::unique_ptr<char, MallocFree> owned(raw);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(raw);
  return PlistValue(raw ? PlistData(bytes, bytes + length) : PlistData());
}

// The node as libplist writes it in XML.
std::string xmlTextOf(plist_t node) {
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(node, &xml, &length);
  std::unique_ptr<char, MallocFree> owned(xml);
  return xml ? std::string(xml, length) : std::string();
}

// libplist keeps negative integers as their 64-bit two's complement and tells
// them from integers above INT64_MAX only in what it writes.
PlistValue integerOf(plist_t node) {
  std::uint64_t value = 0;
  plist_get_uint_val(node, &value);
  if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) ||
      xmlTextOf(node).find("<integer>-") != std::string::npos) {
    return PlistValue(static_cast<std::int64_t>(value));
  }
  return PlistValue(value);
}

// "2100-01-01T00:00:00Z" as seconds since 2001-01-01.
std::optional<double> referenceSecondsOf(std::string_view text) {
  int fields[6] = {};
  const char separators[6] = {'-', '-', 'T', ':', ':', 'Z'};
  const char* at = text.data();
  const char* end = text.data() + text.size();
  for (int i = 0; i < 6; ++i) {
    auto [next, failure] = std::from_chars(at, end, fields[i]);
    if (failure != std::errc() || next == end || *next != separators[i]) return std::nullopt;
    at = next + 1;
  }
  using namespace std::chrono;
  const year_month_day date{year{fields[0]}, month{static_cast<unsigned>(fields[1])},
                            day{static_cast<unsigned>(fields[2])}};
  if (!date.ok()) return std::nullopt;
  const auto since1970 = sys_days(date).time_since_epoch() + hours(fields[3]) + minutes(fields[4]) +
                         seconds(fields[5]);
  constexpr seconds kReferenceDate{978307200};
  return static_cast<double>(duration_cast<seconds>(since1970 - kReferenceDate).count());
}

// Whole seconds, as Apple's XML form keeps them. libplist hands out 32-bit
// seconds, clamped outside 1933..2069; its XML text holds the whole date.
PlistValue dateOf(plist_t node) {
  std::int32_t seconds = 0;
  std::int32_t microseconds = 0;
  plist_get_date_val(node, &seconds, &microseconds);
  double value = std::floor(seconds + microseconds / 1e6);
  if (seconds == std::numeric_limits<std::int32_t>::min() || seconds == std::numeric_limits<std::int32_t>::max()) {
    const std::string xml = xmlTextOf(node);
    const std::size_t open = xml.find("<date>");
    if (open != std::string::npos) value = referenceSecondsOf(std::string_view(xml).substr(open + 6)).value_or(value);
  }
  return PlistValue(PlistDate{std::clamp(value, kEarliestPlistDate, kLatestPlistDate)});
}

std::optional<PlistValue> convert(plist_t node, int depth) {
  if (!node || depth > kMaximumDepth) return std::nullopt;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      std::uint8_t value = 0;
      plist_get_bool_val(node, &value);
      return PlistValue(value != 0);
    }
    case PLIST_UINT: return integerOf(node);
    case PLIST_UID: {
      std::uint64_t value = 0;
      plist_get_uid_val(node, &value);
      return PlistValue(value);
    }
    case PLIST_REAL: {
      double value = 0;
      plist_get_real_val(node, &value);
      return PlistValue(value);
    }
    case PLIST_STRING: return PlistValue(stringOf(node));
    case PLIST_DATA: return dataOf(node);
    case PLIST_DATE: return dateOf(node);
    case PLIST_ARRAY: return convertArray(node, depth);
    case PLIST_DICT: return convertDictionary(node, depth);
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<PlistValue> parsePropertyList(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  if (!propertyListIsSafeToRead(bytes)) return std::nullopt;
  plist_t root = nullptr;
  plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
  OwnedPlist owned(root);
  return convert(root, 0);
}
