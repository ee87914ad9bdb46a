#pragma once
// NSData: an immutable run of bytes, shared by reference. The loading and
// writing calls arrive with the ringtone import; audio players read bytes
// from it.
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/NSObject.h"

class NSData : public NSObject {
 public:
  explicit NSData(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::size_t length() const { return bytes_.size(); }

 private:
  std::vector<std::uint8_t> bytes_;
};
