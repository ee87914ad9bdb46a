#include "foundation/NSString.h"

#include <cstdio>

namespace {

std::string asObjectText(const FormatArgument::Value& value) {
  if (auto text = std::get_if<std::optional<std::string>>(&value)) return text->value_or("(null)");
  if (auto number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%g", std::get<double>(value));
  return buffer;
}

std::string asInteger(const FormatArgument::Value& value) {
  if (auto number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  if (auto real = std::get_if<double>(&value)) return std::to_string(static_cast<std::int64_t>(*real));
  return "0";
}

std::string asReal(const FormatArgument::Value& value) {
  double number = 0;
  if (auto integer = std::get_if<std::int64_t>(&value)) number = static_cast<double>(*integer);
  if (auto real = std::get_if<double>(&value)) number = *real;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%f", number);
  return buffer;
}

}  // namespace

std::string formatString(std::string_view format, const std::vector<FormatArgument>& arguments) {
  std::string out;
  std::size_t next = 0;
  auto take = [&]() -> FormatArgument::Value {
    return next < arguments.size() ? arguments[next++].value() : FormatArgument::Value{std::nullopt};
  };
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      out += format[i];
      continue;
    }
    std::size_t j = i + 1;
    while (j < format.size() && (format[j] == 'l' || format[j] == 'z' || format[j] == 'q')) ++j;
    if (j == format.size()) {
      out.append(format.substr(i));
      break;
    }
    switch (format[j]) {
      case '%': out += '%'; break;
      case '@': out += asObjectText(take()); break;
      case 'd': case 'i': case 'u': out += asInteger(take()); break;
      case 'f': out += asReal(take()); break;
      default: out.append(format.substr(i, j - i + 1)); break;
    }
    i = j;
  }
  return out;
}
