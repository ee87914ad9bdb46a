#include "host/PaneCatalog.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

#include "foundation/NSBundle.h"
#include "foundation/NSClassRegistry.h"
#include "uikit/UIImage.h"
#include "uikit/UIViewController.h"

namespace fs = std::filesystem;

PaneCatalog::PaneCatalog(std::vector<std::shared_ptr<NSBundle>> bundles) : bundles_(std::move(bundles)) {}

std::shared_ptr<PaneCatalog> PaneCatalog::inDirectory(const fs::path& directory) {
  std::vector<fs::path> folders;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory, error)) {
    if (entry.path().extension() == ".bundle" && entry.is_directory(error)) folders.push_back(entry.path());
  }
  std::sort(folders.begin(), folders.end());
  std::vector<std::shared_ptr<NSBundle>> bundles;
  for (const auto& folder : folders) {
    if (auto bundle = NSBundle::bundleWithPath(folder)) bundles.push_back(bundle);
  }
  return std::make_shared<PaneCatalog>(std::move(bundles));
}

void PaneCatalog::addBundle(const fs::path& folder) {
  auto bundle = NSBundle::bundleWithPath(folder);
  if (!bundle || !bundle->principalClassName()) {
    throw std::runtime_error(folder.string() + " is not a preference bundle (no Info.plist naming its principal class)");
  }
  bundles_.push_back(bundle);
}

std::string PaneCatalog::displayName(const NSBundle& bundle) {
  for (const char* key : {"CFBundleDisplayName", "CFBundleName"}) {
    if (auto name = bundle.objectForInfoDictionaryKey(key); name && !name->empty()) return *name;
  }
  return bundle.bundlePath().stem().string();
}

std::shared_ptr<UIImage> PaneCatalog::icon(const std::shared_ptr<NSBundle>& bundle) {
  return UIImage::imageNamedInBundle("icon", bundle);
}

void PaneCatalog::load(NSBundle& bundle) {
  std::string error;
  if (!bundle.load(&error)) {
    throw std::runtime_error("cannot load " + bundle.bundlePath().filename().string() + ": " + error);
  }
}

void PaneCatalog::loadAll() {
  for (const auto& bundle : bundles_) load(*bundle);
}

namespace {

std::shared_ptr<UIViewController> instantiatePage(const std::string& className) {
  if (!NSClassFromString(className)) {
    throw std::invalid_argument("no page class named \"" + className + "\" is exported by the loaded panes");
  }
  auto page = std::dynamic_pointer_cast<UIViewController>(NSCreateInstance(className));
  if (!page) throw std::invalid_argument("\"" + className + "\" is not a page (not a view controller)");
  return page;
}

}  // namespace

std::shared_ptr<UIViewController> PaneCatalog::makePrincipalPage(const std::shared_ptr<NSBundle>& bundle) {
  load(*bundle);
  auto className = bundle->principalClassName();
  if (!className || className->empty()) {
    throw std::runtime_error(bundle->bundlePath().filename().string() + " names no principal class");
  }
  return instantiatePage(*className);
}

std::shared_ptr<UIViewController> PaneCatalog::makePage(const std::string& className) {
  loadAll();
  return instantiatePage(className);
}
