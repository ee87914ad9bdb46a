#pragma once
// The base fixture of every test: a fresh temporary device root made current,
// fresh standard user defaults, NSLog captured instead of printed, an empty
// main run loop on a manual clock, and the built Settings.app as main bundle.
// A logged layout problem (constraints that conflict or leave a height open)
// fails the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dispatch/Clock.h"
#include "foundation/FileFaults.h"
#include "foundation/PropertyList.h"
#include "support/HostFiles.h"
#include "support/TemporaryDeviceRoot.h"

class ChimewellTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The host folder that stands for "/" of the device.
  const std::filesystem::path& deviceRootPath() const { return root_->path(); }
  // The host path of a device path, joined as text: symbolic links inside the
  // device are not followed, so set them up with hostPathFor and std::filesystem.
  std::filesystem::path hostPathFor(std::string_view devicePath) const;

  // Plain file helpers on device paths; writing makes the parent folders.
  void writeFileAt(std::string_view devicePath, std::string_view content) const;
  std::optional<std::string> readFileAt(std::string_view devicePath) const;
  void makeFolderAt(std::string_view devicePath) const;
  void writeDictionaryAt(std::string_view devicePath, const PlistValue::Dictionary& contents) const;
  // The file's root dictionary, or none when missing or not a dictionary.
  std::optional<PlistValue::Dictionary> readDictionaryAt(std::string_view devicePath) const;
  // Every path under the device root with its content (empty for a folder),
  // to see that nothing was written.
  std::map<std::string, std::string> deviceFiles() const;

  // Makes every later `step` of the device file functions fail with `error`
  // (ENOSPC, EIO, EACCES...), as a failing disk would; 0 mends it.
  void failFileStep(FileStep step, int error) const;

  // The main run loop's clock: advance it, then MainRunLoop::main().runDue().
  ManualClock& clock() { return *clock_; }

  // NSLog messages (without the date and process prefix) since SetUp.
  std::vector<std::string> logMessages() const;
  void clearLogMessages();

 private:
  std::optional<TemporaryDeviceRoot> root_;
  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
  mutable std::mutex logMutex_;
  std::vector<std::string> logMessages_;
};
