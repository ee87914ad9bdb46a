#include "foundation/NSBundle.h"

#include <dlfcn.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>

#include "foundation/PropertyList.h"

namespace fs = std::filesystem;

namespace {

struct Bundles {
  std::mutex mutex;
  std::map<fs::path, std::shared_ptr<NSBundle>> byPath;
  std::shared_ptr<NSBundle> main;
};

Bundles& bundles() {
  static Bundles instance;
  return instance;
}

fs::path canonicalOrSame(const fs::path& path) {
  std::error_code error;
  fs::path result = fs::weakly_canonical(path, error);
  return error ? path : result;
}

fs::path runningExecutable() { return canonicalOrSame("/proc/self/exe"); }

std::map<std::string, std::string> readInfoStrings(const fs::path& bundlePath) {
  auto bytes = NSBundle::contentsOfHostFile(bundlePath / "Info.plist");
  if (!bytes) return {};
  std::map<std::string, std::string> strings;
  auto plist = parsePropertyList(*bytes);
  if (!plist) return strings;
  if (const auto* dictionary = plist->as<PlistValue::Dictionary>()) {
    for (const auto& [key, value] : *dictionary) {
      if (const auto* text = value.as<std::string>()) strings.emplace(key, *text);
    }
  }
  return strings;
}

// The bundle folder holding a loaded library: its Info.plist names the
// library as the bundle's executable.
std::optional<fs::path> bundleFolderOfExecutable(const fs::path& library) {
  const fs::path folder = library.parent_path();
  auto info = readInfoStrings(folder);
  auto executable = info.find("CFBundleExecutable");
  if (executable == info.end() || executable->second != library.filename().string()) {
    return std::nullopt;
  }
  return folder;
}

}  // namespace

NSBundle::NSBundle(fs::path bundlePath)
    : path_(std::move(bundlePath)), infoStrings_(readInfoStrings(path_)) {}

std::shared_ptr<NSBundle> NSBundle::mainBundle() {
  {
    Bundles& known = bundles();
    std::lock_guard guard(known.mutex);
    if (known.main) return known.main;
  }
  auto bundle = bundleWithPath(runningExecutable().parent_path());
  bundle->loaded_ = true;  // the running application's own code
  return bundle;
}

void NSBundle::setMainBundle(std::shared_ptr<NSBundle> bundle) {
  if (bundle) bundle->loaded_ = true;
  Bundles& known = bundles();
  std::lock_guard guard(known.mutex);
  known.main = std::move(bundle);
}

std::shared_ptr<NSBundle> NSBundle::bundleWithPath(const fs::path& path) {
  std::error_code error;
  if (path.empty() || !fs::is_directory(path, error)) return nullptr;
  const fs::path key = canonicalOrSame(path);
  Bundles& known = bundles();
  std::lock_guard guard(known.mutex);
  auto& bundle = known.byPath[key];
  if (!bundle) bundle = std::make_shared<NSBundle>(key);
  return bundle;
}

std::shared_ptr<NSBundle> NSBundle::bundleForClassType(const std::string& typeName,
                                                       const void* fallbackAddress) {
  auto registered = NSClassFromTypeName(typeName);
  return bundleForCodeAddress(registered ? registered->codeAddress : fallbackAddress);
}

std::shared_ptr<NSBundle> NSBundle::bundleForCodeAddress(const void* address) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
    return mainBundle();
  }
  const fs::path library = canonicalOrSame(info.dli_fname);
  if (library == runningExecutable()) return mainBundle();
  auto folder = bundleFolderOfExecutable(library);
  if (!folder) return mainBundle();  // a framework library outside any bundle
  auto bundle = bundleWithPath(*folder);
  if (!bundle) return mainBundle();
  bundle->loaded_ = true;  // its code is running, however it got loaded
  return bundle;
}

std::optional<std::string> NSBundle::objectForInfoDictionaryKey(const std::string& key) const {
  auto found = infoStrings_.find(key);
  if (found == infoStrings_.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> NSBundle::bundleIdentifier() const {
  return objectForInfoDictionaryKey("CFBundleIdentifier");
}

std::optional<std::string> NSBundle::principalClassName() const {
  return objectForInfoDictionaryKey("NSPrincipalClass");
}

std::optional<fs::path> NSBundle::executablePath() const {
  auto name = objectForInfoDictionaryKey("CFBundleExecutable");
  if (!name || name->empty()) return std::nullopt;
  std::error_code error;
  fs::path executable = path_ / *name;
  if (!fs::is_regular_file(executable, error)) return std::nullopt;
  return executable;
}

bool NSBundle::load(std::string* error) {
  if (loaded_) return true;
  auto executable = executablePath();
  if (!executable) {
    if (error) {
      *error = "The bundle " + path_.string() +
               " couldn't be loaded because its executable couldn't be located"
               " (CFBundleExecutable in its Info.plist).";
    }
    return false;
  }
  // The library's static initializers register its classes by name. No lock
  // is held: they may ask for bundles themselves, and dlopen is idempotent.
  void* handle = dlopen(executable->c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (handle == nullptr) {
    if (error) {
      const char* reason = dlerror();
      *error = "The bundle " + path_.string() + " couldn't be loaded: " +
               (reason ? reason : "unknown dynamic loader error");
    }
    return false;
  }
  handle_ = handle;
  loaded_ = true;
  return true;
}

std::optional<fs::path> NSBundle::pathForResource(const std::string& name,
                                                  const std::string& type) const {
  if (name.empty()) return std::nullopt;
  return resourceFile(type.empty() ? name : name + "." + type);
}

std::optional<fs::path> NSBundle::resourceFile(const fs::path& relative) const {
  return hostFileInside(path_, relative);
}

std::optional<fs::path> NSBundle::hostFileInside(const fs::path& folder, const fs::path& relative) {
  std::error_code error;
  const fs::path base = fs::canonical(folder, error);
  if (error || relative.is_absolute()) return std::nullopt;
  fs::path file = fs::canonical(base / relative, error);
  if (error || !fs::is_regular_file(file, error)) return std::nullopt;
  const auto [baseEnd, fileAt] = std::mismatch(base.begin(), base.end(), file.begin(), file.end());
  if (baseEnd != base.end() || fileAt == file.end()) return std::nullopt;
  return file;
}

std::optional<std::string> NSBundle::contentsOfHostFile(const fs::path& path) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  try {
    return std::string{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  } catch (const std::ios_base::failure&) {
    return std::nullopt;  // a read error part-way, e.g. on a failing disk
  }
}

std::string NSBundle::description() const {
  return "NSBundle <" + path_.string() + "> (" + (loaded_ ? "loaded" : "not yet loaded") + ")";
}
