#include "support/ChimewellTest.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "BuildPaths.h"
#include "dispatch/MainRunLoop.h"
#include "foundation/DeviceRoot.h"
#include "foundation/NSBundle.h"
#include "foundation/NSLog.h"
#include "foundation/NSUserDefaults.h"
#include "uikit/LayoutSolver.h"

void ChimewellTest::SetUp() {
  root_.emplace();
  NSUserDefaults::resetStandardUserDefaults();
  setNSLogSink([this](const std::string& message, const std::string&) {
    if (message.starts_with(LayoutSolver::kLogPrefix)) ADD_FAILURE() << message;
    std::lock_guard lock(logMutex_);
    logMessages_.push_back(message);
  });
  MainRunLoop::main().reset();
  MainRunLoop::main().setClock(clock_);
  MainRunLoop::main().adoptCurrentThread();
  NSBundle::setMainBundle(NSBundle::bundleWithPath(CHIMEWELL_SETTINGS_APP_DIR));
}

void ChimewellTest::TearDown() {
  MainRunLoop::main().reset();
  setNSLogSink({});
  NSUserDefaults::resetStandardUserDefaults();
  root_.reset();
}

std::filesystem::path ChimewellTest::hostPathFor(std::string_view devicePath) const {
  std::filesystem::path relative(devicePath);
  return deviceRootPath() / relative.relative_path();
}

void ChimewellTest::writeFileAt(std::string_view devicePath, std::string_view content) const {
  writeHostFile(hostPathFor(devicePath), content);
}

std::optional<std::string> ChimewellTest::readFileAt(std::string_view devicePath) const {
  std::ifstream in(hostPathFor(devicePath), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void ChimewellTest::failFileStep(FileStep step, int error) const {
  currentDeviceRoot()->faults().failWith(step, error);
}

void ChimewellTest::makeFolderAt(std::string_view devicePath) const {
  std::filesystem::create_directories(hostPathFor(devicePath));
}

void ChimewellTest::writeDictionaryAt(std::string_view devicePath,
                                      const PlistValue::Dictionary& contents) const {
  writeFileAt(devicePath, xmlPropertyListData(contents));
}

std::optional<PlistValue::Dictionary> ChimewellTest::readDictionaryAt(std::string_view devicePath) const {
  auto bytes = readFileAt(devicePath);
  if (!bytes) return std::nullopt;
  auto value = parsePropertyList(*bytes);
  auto* dictionary = value ? value->as<PlistValue::Dictionary>() : nullptr;
  if (!dictionary) return std::nullopt;
  return *dictionary;
}

std::vector<std::string> ChimewellTest::logMessages() const {
  std::lock_guard lock(logMutex_);
  return logMessages_;
}

void ChimewellTest::clearLogMessages() {
  std::lock_guard lock(logMutex_);
  logMessages_.clear();
}

std::map<std::string, std::string> ChimewellTest::deviceFiles() const {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(deviceRootPath()))
    files[entry.path().string()] = entry.is_regular_file() ? readHostFile(entry.path()) : "";
  return files;
}
