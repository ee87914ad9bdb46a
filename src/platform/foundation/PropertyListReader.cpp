// Reading goes through libplist, which knows both the XML and the binary form.
#include <plist/plist.h>

#include <cstdlib>
#include <limits>
#include <memory>

#include "foundation/PropertyList.h"

namespace {

struct PlistFree {
  void operator()(plist_t node) const { plist_free(node); }
};
using OwnedPlist = std::unique_ptr<void, PlistFree>;

struct MallocFree {
  void operator()(void* pointer) const { std::free(pointer); }
};

std::optional<PlistValue> convert(plist_t node);

std::optional<PlistValue> convertArray(plist_t node) {
  PlistValue::Array array;
  const std::uint32_t count = plist_array_get_size(node);
  array.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    auto item = convert(plist_array_get_item(node, i));
    if (!item) return std::nullopt;
    array.push_back(std::move(*item));
  }
  return PlistValue(std::move(array));
}

std::optional<PlistValue> convertDictionary(plist_t node) {
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
    auto value = convert(item);
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

PlistValue dateOf(plist_t node) {
  std::int32_t seconds = 0;
  std::int32_t microseconds = 0;
  plist_get_date_val(node, &seconds, &microseconds);
  return PlistValue(PlistDate{seconds + microseconds / 1e6});
}

std::optional<PlistValue> convert(plist_t node) {
  if (!node) return std::nullopt;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      std::uint8_t value = 0;
      plist_get_bool_val(node, &value);
      return PlistValue(value != 0);
    }
    case PLIST_UINT: {
      // libplist keeps negative integers as their 64-bit two's complement.
      std::uint64_t value = 0;
      plist_get_uint_val(node, &value);
      return PlistValue(static_cast<std::int64_t>(value));
    }
    case PLIST_UID: {
      std::uint64_t value = 0;
      plist_get_uid_val(node, &value);
      return PlistValue(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
      double value = 0;
      plist_get_real_val(node, &value);
      return PlistValue(value);
    }
    case PLIST_STRING: return PlistValue(stringOf(node));
    case PLIST_DATA: return dataOf(node);
    case PLIST_DATE: return dateOf(node);
    case PLIST_ARRAY: return convertArray(node);
    case PLIST_DICT: return convertDictionary(node);
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<PlistValue> parsePropertyList(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  plist_t root = nullptr;
  plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
  OwnedPlist owned(root);
  return convert(root);
}
