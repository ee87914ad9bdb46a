#pragma once
// Bundles live on the host's own file system (the Settings stand-in's app
// folder, the pane bundle in the build), not under the device root.
#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "foundation/NSObject.h"
#include "foundation/NSClassRegistry.h"

class NSBundle : public NSObject {
 public:
  explicit NSBundle(std::filesystem::path bundlePath);

  // The running application's bundle (the host's); set by the host or a test.
  // Until set, the folder that holds the running executable. Setting none
  // goes back to that.
  static std::shared_ptr<NSBundle> mainBundle();
  static void setMainBundle(std::shared_ptr<NSBundle> bundle);

  // A bundle object for a folder; none when it is not a folder. One object
  // per folder for the life of the process, as Foundation keeps them.
  static std::shared_ptr<NSBundle> bundleWithPath(const std::filesystem::path& path);
  // The bundle whose executable defines the class (found from the class's
  // code address); the main bundle for classes of the host itself. A class
  // registered with NSRegisterClass is found from where it registered; any
  // other from the address of its NSCreateInstanceOf<T>, which is only right
  // when no other library or the executable instantiates that template.
  template <class T>
  static std::shared_ptr<NSBundle> bundleForClass() {
    return bundleForClassType(typeid(T).name(),
                              reinterpret_cast<const void*>(&NSCreateInstanceOf<T>));
  }
  static std::shared_ptr<NSBundle> bundleForClassType(const std::string& typeName,
                                                      const void* fallbackAddress);
  static std::shared_ptr<NSBundle> bundleForCodeAddress(const void* address);

  const std::filesystem::path& bundlePath() const { return path_; }
  std::filesystem::path resourcePath() const { return path_; }
  // Info.plist values, read from the bundle's Info.plist (XML or binary).
  std::optional<std::string> objectForInfoDictionaryKey(const std::string& key) const;
  std::optional<std::string> bundleIdentifier() const;
  std::optional<std::string> principalClassName() const;  // NSPrincipalClass
  std::optional<std::filesystem::path> executablePath() const;  // CFBundleExecutable

  // Loads the executable (dlopen); true when loaded. An error text on failure.
  bool load(std::string* error = nullptr);
  bool isLoaded() const { return loaded_; }

  // The path of a resource file in the bundle, or none.
  std::optional<std::filesystem::path> pathForResource(const std::string& name,
                                                       const std::string& type) const;
  // The file at `relative` in the bundle, or none (hostFileInside).
  std::optional<std::filesystem::path> resourceFile(const std::filesystem::path& relative) const;

  // The regular file at `relative` under `folder`, with every link resolved,
  // or none when it is missing or lies outside the folder: a resource that
  // is a link, or a name with "..", reaches nothing beyond its folder.
  static std::optional<std::filesystem::path> hostFileInside(const std::filesystem::path& folder,
                                                             const std::filesystem::path& relative);

  // The bytes of a file on the host's file system (a bundle's resource), or
  // none when it is not a regular file that reads.
  static std::optional<std::string> contentsOfHostFile(const std::filesystem::path& path);

  // "NSBundle </path/to/X.bundle> (loaded)" or "(not yet loaded)", as Apple prints it.
  std::string description() const override;

 private:
  std::filesystem::path path_;
  std::map<std::string, std::string> infoStrings_;  // the string values of Info.plist
  std::atomic<bool> loaded_{false};
  void* handle_ = nullptr;
};
