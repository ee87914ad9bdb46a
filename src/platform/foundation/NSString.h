#pragma once
// The format subset the pages use: %@ (a string, an object's description,
// "(null)" for none), %ld / %d / %lu / %zu (integers), %f, %%.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "foundation/NSObject.h"

class FormatArgument {
 public:
  FormatArgument(std::string_view text) : value_(std::string(text)) {}
  FormatArgument(const std::string& text) : value_(text) {}
  FormatArgument(const char* text) : value_(text ? std::optional<std::string>(text) : std::nullopt) {}
  FormatArgument(const std::optional<std::string>& text) : value_(text) {}
  FormatArgument(const std::shared_ptr<const NSObject>& object)
      : value_(object ? std::optional<std::string>(object->description()) : std::nullopt) {}
  template <class T>
  FormatArgument(const std::shared_ptr<T>& object)
      : FormatArgument(std::shared_ptr<const NSObject>(object)) {}
  FormatArgument(long long number) : value_(static_cast<std::int64_t>(number)) {}
  FormatArgument(long number) : value_(static_cast<std::int64_t>(number)) {}
  FormatArgument(int number) : value_(static_cast<std::int64_t>(number)) {}
  FormatArgument(unsigned long number) : value_(static_cast<std::int64_t>(number)) {}
  FormatArgument(unsigned number) : value_(static_cast<std::int64_t>(number)) {}
  FormatArgument(double number) : value_(number) {}

  // none stands for nil: %@ prints "(null)".
  using Value = std::variant<std::optional<std::string>, std::int64_t, double>;
  const Value& value() const { return value_; }

 private:
  Value value_;
};

std::string formatString(std::string_view format, const std::vector<FormatArgument>& arguments);

// [NSString stringWithFormat:...]
template <class... Args>
std::string stringWithFormat(std::string_view format, const Args&... arguments) {
  return formatString(format, {FormatArgument(arguments)...});
}
