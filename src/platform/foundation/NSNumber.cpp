#include "foundation/NSNumber.h"

#include <cctype>

namespace {

bool stringBoolValue(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (i < text.size() && text[i] == '0') ++i;
  if (i == text.size()) return false;
  const char c = text[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

}  // namespace

bool boolValue(const PlistValue& value) {
  if (auto flag = value.as<bool>()) return *flag;
  if (auto integer = value.as<std::int64_t>()) return *integer != 0;
  if (value.is<std::uint64_t>()) return true;  // held only above INT64_MAX
  if (auto real = value.as<double>()) return *real != 0.0;
  if (auto text = value.as<std::string>()) return stringBoolValue(*text);
  return false;
}
