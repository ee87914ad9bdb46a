#pragma once
// The fixture of the sound page suites: an app handed off as the picker
// hands it off, a first page to go back to, and helpers to open a sound page
// by class name, find its rows and read the app's per-app settings file.
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "BuildPaths.h"
#include "foundation/NSClassRegistry.h"
#include "foundation/NSUserDefaults.h"
#include "selectlist/QCSelectListTableViewController.h"
#include "store/SettingsPaths.h"
#include "support/PageTest.h"
#include "uikit/UITableViewController.h"

class SoundPageTest : public PageTest {
 protected:
  static constexpr const char* kAppName = "Météo+";
  static constexpr const char* kAppIdentifier = "com.example.meteo.plus";
  static constexpr const char* kAppFile =
      "/var/jb/Library/Application Support/Chimewell-plist/com.example.meteo.plus.plist";
  static constexpr const char* kSoundLibrary = "/var/jb/Library/Application Support/Chimewell/";

  void SetUp() override {
    PageTest::SetUp();
    handOff(kAppName, kAppIdentifier);
    showPage(std::make_shared<UITableViewController>(UITableViewStyleGrouped));
  }

  // As the picker does before it pushes a sound page.
  static void handOff(const std::optional<std::string>& name, const std::optional<std::string>& identifier) {
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObjectForKey(name ? std::optional<PlistValue>(*name) : std::nullopt, kCurrentAppKey);
    defaults->setObjectForKey(identifier ? std::optional<PlistValue>(*identifier) : std::nullopt,
                              kCurrentAppIdentifierKey);
    defaults->synchronize();
  }

  // Pushes a new page of that class, created by name as the host does.
  template <class Page = UIViewController>
  std::shared_ptr<Page> open(const std::string& className) {
    auto page = std::dynamic_pointer_cast<UIViewController>(NSCreateInstance(className));
    navigationController()->pushViewControllerAnimated(page, true);
    return std::dynamic_pointer_cast<Page>(page);
  }
  void reopen(const std::string& className) {
    driver().goBack();
    open(className);
  }

  static const ScreenRow& rowIn(const Screen& shown, int section) {
    const auto& rows = shown.table.value().sections.at(static_cast<std::size_t>(section)).rows;
    if (rows.size() != 1) throw std::logic_error("section " + std::to_string(section) + " has no single row");
    return rows.front();
  }
  bool switchOn(int section) { return rowIn(screen(), section).accessorySwitch.value().on; }

  std::optional<PlistValue::Dictionary> stored() const { return readDictionaryAt(kAppFile); }
  void store(const PlistValue::Dictionary& contents) const { writeDictionaryAt(kAppFile, contents); }
  void addSounds(const std::vector<std::string>& names) const {
    for (const auto& name : names) writeFileAt(std::string(kSoundLibrary) + name, "sound");
  }

  // The demo device's ringtone, a real one for downloads to serve.
  static std::string demoChime() {
    return readHostFile(std::string(CHIMEWELL_SOURCE_DIR) + "/share/demo-device/private/preboot/5C3A1E/jb-Q2W7/"
                        "procursus/Library/Application Support/Chimewell/Chime.m4r");
  }
  std::shared_ptr<QCSelectListTableViewController> chooserOnTop() const {
    return std::dynamic_pointer_cast<QCSelectListTableViewController>(navigationController()->topViewController());
  }
};
