// Any bytes as a property list (fuzz/README.md): what reads is written and
// read back as the same value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "foundation/PropertyList.h"

namespace {

// NaN never equals itself; such values are checked for reading only.
bool holdsNan(const PlistValue& value) {
  if (auto real = value.as<double>()) return *real != *real;
  if (auto array = value.as<PlistValue::Array>()) {
    for (const auto& item : *array) if (holdsNan(item)) return true;
  }
  if (auto dictionary = value.as<PlistValue::Dictionary>()) {
    for (const auto& entry : *dictionary) if (holdsNan(entry.second)) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto value = parsePropertyList(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!value || !fitsXmlPropertyList(*value) || holdsNan(*value)) return 0;
  auto again = parsePropertyList(xmlPropertyListData(*value));
  if (!again || !(*again == *value)) std::abort();
  return 0;
}
