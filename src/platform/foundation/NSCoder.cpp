#include "foundation/NSCoder.h"

std::optional<std::string> NSCoder::decodeStringForKey(const std::string& key) const {
  auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  const auto* text = found->second.as<std::string>();
  return text ? std::optional<std::string>(*text) : std::nullopt;
}

long NSCoder::decodeIntegerForKey(const std::string& key) const {
  auto found = values_.find(key);
  if (found == values_.end()) return 0;
  const auto* number = found->second.as<std::int64_t>();
  return number ? static_cast<long>(*number) : 0;
}
