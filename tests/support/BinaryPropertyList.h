#pragma once
// Builds binary property lists object by object, including ones no honest
// writer makes (shared or self-referring objects, NULs in keys), for tests
// of the reader. Offsets and references are four bytes wide.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class BinaryPropertyList {
 public:
  using Object = std::uint32_t;

  Object ascii(std::string_view text);
  Object utf16(std::u16string_view text);
  Object array(const std::vector<Object>& items);
  Object dictionary(const std::vector<Object>& keys, const std::vector<Object>& values);
  // Reserves an object to be filled later, so that objects can refer ahead.
  Object reserve();
  void fillArray(Object object, const std::vector<Object>& items);

  // The whole list with `top` as its root.
  std::string bytes(Object top) const;

 private:
  Object add(std::string encoded);
  static std::string head(unsigned kind, std::uint64_t count);
  static std::string references(const std::vector<Object>& objects);

  std::vector<std::string> objects_;
};
