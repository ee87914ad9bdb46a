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

// Deeper nesting is refused, so that a hostile file cannot exhaust the stack
// of the recursive conversion (or of the value's destructor).
constexpr int kMaximumDepth = 256;

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

PlistValue dateOf(plist_t node) {
  std::int32_t seconds = 0;
  std::int32_t microseconds = 0;
  plist_get_date_val(node, &seconds, &microseconds);
  return PlistValue(PlistDate{seconds + microseconds / 1e6});
}

std::optional<PlistValue> convert(plist_t node, int depth) {
  if (!node || depth > kMaximumDepth) return std::nullopt;
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
    case PLIST_ARRAY: return convertArray(node, depth);
    case PLIST_DICT: return convertDictionary(node, depth);
    default: return std::nullopt;
  }
}

// libplist builds and frees its tree recursively, so a deep enough file
// (some 100,000 levels) overflows the stack inside libplist itself. Such files
// are refused before libplist sees them: XML by its nesting of <array> and
// <dict>, binary by its object count (every level is one object; the largest
// Info.plist holds a few thousand).
constexpr std::uint64_t kMaximumBinaryObjects = 32768;

bool xmlNestsTooDeep(std::string_view xml) {
  int depth = 0;
  for (std::size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at + 1)) {
    std::string_view tag = xml.substr(at + 1);
    const bool closing = tag.starts_with('/');
    if (closing) tag.remove_prefix(1);
    if (!tag.starts_with("array") && !tag.starts_with("dict")) continue;
    std::size_t end = xml.find('>', at);
    if (end == std::string_view::npos) return false;
    if (closing) {
      --depth;
    } else if (xml[end - 1] != '/' && ++depth > kMaximumDepth) {
      return true;
    }
  }
  return false;
}

bool binaryHasTooManyObjects(std::string_view bytes) {
  constexpr std::size_t kTrailerSize = 32;
  constexpr std::size_t kObjectCountOffset = 8;  // within the trailer
  if (bytes.size() < 8 + kTrailerSize) return false;
  const std::string_view field = bytes.substr(bytes.size() - kTrailerSize + kObjectCountOffset, 8);
  std::uint64_t count = 0;
  for (char byte : field) count = count << 8 | static_cast<unsigned char>(byte);
  return count > kMaximumBinaryObjects;
}

bool tooDeepForLibplist(std::string_view bytes) {
  return bytes.starts_with("bplist") ? binaryHasTooManyObjects(bytes) : xmlNestsTooDeep(bytes);
}

}  // namespace

std::optional<PlistValue> parsePropertyList(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  if (tooDeepForLibplist(bytes)) return std::nullopt;
  plist_t root = nullptr;
  plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
  OwnedPlist owned(root);
  return convert(root, 0);
}
