#pragma once
// What tests of the app list need: installed apps on a device root (Info.plist
// in XML or binary form, icon files), PNG bytes of a given size, and a
// SparkAppList source that hands over prepared lists when the test says.
#include <cstdint>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "applist/SparkAppList.h"
#include "foundation/PropertyList.h"
#include "support/HostFiles.h"

// The start of a PNG file: signature and IHDR chunk with the pixel size
// (all that UIImage reads).
std::vector<std::uint8_t> pngOfSize(std::uint32_t width, std::uint32_t height);

enum class InfoFormat { xml, binary };
std::string binaryPropertyListData(const PlistValue::Dictionary& dictionary);

// An Info.plist with identifier and display name, plus `more` keys.
PlistValue::Dictionary appInfo(const std::string& identifier, const std::string& displayName,
                               PlistValue::Dictionary more = {});

// Writes <device root>/<appFolder>/Info.plist (making the folders).
void installApp(const std::filesystem::path& deviceRoot, std::string_view appFolder,
                const PlistValue::Dictionary& info, InfoFormat format = InfoFormat::xml);

// Records as SparkAppList gives them, with the generic icon.
SparkAppRecord preparedApp(const std::string& displayName, const std::string& identifier);

// Every gathering waits until the test delivers its list.
class PreparedAppList final : public SparkAppListSource {
 public:
  void gather(SparkAppListCompletion completion) override { waiting_.push_back(std::move(completion)); }

  // Gatherings asked for so far, delivered or not.
  std::size_t gatherings() const { return waiting_.size(); }
  // Calls the completion of that gathering (0 is the first) with the list.
  void deliver(std::size_t gathering, const std::vector<SparkAppRecord>& apps);
  void deliverLatest(const std::vector<SparkAppRecord>& apps) { deliver(waiting_.size() - 1, apps); }

 private:
  std::vector<SparkAppListCompletion> waiting_;
};
