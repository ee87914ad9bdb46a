#include "support/AppListFixtures.h"

#include <plist/plist.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "applist/AppIcon.h"

std::vector<std::uint8_t> pngOfSize(std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (std::uint32_t value : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<std::uint8_t>(value >> shift));
  }
  png.insert(png.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});  // depth, colour type, methods, CRC
  return png;
}

std::string binaryPropertyListData(const PlistValue::Dictionary& dictionary) {
  const std::string xml = xmlPropertyListData(dictionary);
  plist_t root = nullptr;
  plist_from_xml(xml.data(), static_cast<std::uint32_t>(xml.size()), &root);
  if (!root) throw std::runtime_error("cannot convert a property list to binary");
  char* bytes = nullptr;
  std::uint32_t length = 0;
  plist_to_bin(root, &bytes, &length);
  plist_free(root);
  std::string binary(bytes, length);
  std::free(bytes);
  return binary;
}

PlistValue::Dictionary appInfo(const std::string& identifier, const std::string& displayName,
                               PlistValue::Dictionary more) {
  more["CFBundleIdentifier"] = identifier;
  more["CFBundleDisplayName"] = displayName;
  return more;
}

void installApp(const std::filesystem::path& deviceRoot, std::string_view appFolder,
                const PlistValue::Dictionary& info, InfoFormat format) {
  const auto folder = deviceRoot / std::filesystem::path(appFolder).relative_path();
  writeHostFile(folder / "Info.plist",
                format == InfoFormat::binary ? binaryPropertyListData(info) : xmlPropertyListData(info));
}

SparkAppRecord preparedApp(const std::string& displayName, const std::string& identifier) {
  return SparkAppRecord(identifier, displayName, genericAppIcon());
}

void PreparedAppList::deliver(std::size_t gathering, const std::vector<SparkAppRecord>& apps) {
  if (gathering >= waiting_.size()) throw std::out_of_range("no such gathering");
  // Delivered on the calling thread, the test's main thread.
  auto completion = waiting_[gathering];
  completion(apps);
}
