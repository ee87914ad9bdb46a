#pragma once
// The preference bundles the Settings stand-in offers: every *.bundle folder
// in the build (today Chimewell.bundle). A pane is opened as the Settings
// app opens one: load the bundle's library, create its principal class by
// name. Other exported pages are created by class name once the bundles are
// loaded. Main thread only; failures throw std::runtime_error (a bundle that
// will not load) or std::invalid_argument (no such page class), with a
// message meant for the person at the browser.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class NSBundle;
class UIImage;
class UIViewController;

class PaneCatalog {
 public:
  explicit PaneCatalog(std::vector<std::shared_ptr<NSBundle>> bundles);
  // The bundles in `directory`, sorted by folder name.
  static std::shared_ptr<PaneCatalog> inDirectory(const std::filesystem::path& directory);

  // Offers one more bundle. Throws std::runtime_error when `folder` is not
  // a bundle that names its principal class.
  void addBundle(const std::filesystem::path& folder);

  const std::vector<std::shared_ptr<NSBundle>>& bundles() const { return bundles_; }
  // CFBundleDisplayName, else CFBundleName, else the folder's name.
  static std::string displayName(const NSBundle& bundle);
  // The bundle's icon.png (with its scale variants), or none.
  static std::shared_ptr<UIImage> icon(const std::shared_ptr<NSBundle>& bundle);

  std::shared_ptr<UIViewController> makePrincipalPage(const std::shared_ptr<NSBundle>& bundle);
  std::shared_ptr<UIViewController> makePage(const std::string& className);
  void loadAll();

 private:
  static void load(NSBundle& bundle);

  std::vector<std::shared_ptr<NSBundle>> bundles_;
};
