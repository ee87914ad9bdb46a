#pragma once
// The keyed archive an object is decoded from (initWithCoder:). There are no
// interface files here: whoever stands in for one fills the coder with the
// values the file would hold. A missing key or a value of another type
// decodes as nothing (none, or 0), as NSKeyedUnarchiver gives it.
#include <optional>
#include <string>

#include "foundation/PropertyList.h"

class NSCoder {
 public:
  NSCoder() = default;
  explicit NSCoder(PlistValue::Dictionary values) : values_(std::move(values)) {}

  // decodeObjectForKey: for a string.
  std::optional<std::string> decodeStringForKey(const std::string& key) const;
  long decodeIntegerForKey(const std::string& key) const;

 private:
  PlistValue::Dictionary values_;
};
