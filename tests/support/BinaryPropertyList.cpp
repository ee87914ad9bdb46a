#include "support/BinaryPropertyList.h"

namespace {

void appendBigEndian(std::string& out, std::uint64_t value, int size) {
  for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) out += static_cast<char>(value >> shift);
}

}  // namespace

std::string BinaryPropertyList::head(unsigned kind, std::uint64_t count) {
  std::string out;
  if (count < 15) {
    out += static_cast<char>(kind << 4 | count);
  } else {
    out += static_cast<char>(kind << 4 | 0xF);
    out += static_cast<char>(0x13);  // an 8-byte integer follows
    appendBigEndian(out, count, 8);
  }
  return out;
}

std::string BinaryPropertyList::references(const std::vector<Object>& objects) {
  std::string out;
  for (Object object : objects) appendBigEndian(out, object, 4);
  return out;
}

BinaryPropertyList::Object BinaryPropertyList::add(std::string encoded) {
  objects_.push_back(std::move(encoded));
  return static_cast<Object>(objects_.size() - 1);
}

BinaryPropertyList::Object BinaryPropertyList::ascii(std::string_view text) {
  return add(head(0x5, text.size()) + std::string(text));
}

BinaryPropertyList::Object BinaryPropertyList::utf16(std::u16string_view text) {
  std::string out = head(0x6, text.size());
  for (char16_t unit : text) appendBigEndian(out, unit, 2);
  return add(out);
}

BinaryPropertyList::Object BinaryPropertyList::array(const std::vector<Object>& items) {
  return add(head(0xA, items.size()) + references(items));
}

BinaryPropertyList::Object BinaryPropertyList::dictionary(const std::vector<Object>& keys,
                                                          const std::vector<Object>& values) {
  return add(head(0xD, keys.size()) + references(keys) + references(values));
}

BinaryPropertyList::Object BinaryPropertyList::reserve() { return add(std::string()); }

void BinaryPropertyList::fillArray(Object object, const std::vector<Object>& items) {
  objects_[object] = head(0xA, items.size()) + references(items);
}

std::string BinaryPropertyList::bytes(Object top) const {
  std::string out = "bplist00";
  std::vector<std::uint64_t> offsets;
  for (const auto& object : objects_) {
    offsets.push_back(out.size());
    out += object;
  }
  const std::uint64_t table = out.size();
  for (auto offset : offsets) appendBigEndian(out, offset, 4);
  out += std::string(6, '\0') + "\x04\x04";
  appendBigEndian(out, objects_.size(), 8);
  appendBigEndian(out, top, 8);
  appendBigEndian(out, table, 8);
  return out;
}
