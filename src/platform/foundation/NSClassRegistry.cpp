#include "foundation/NSClassRegistry.h"

#include <map>
#include <mutex>

namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, NSClassInfo> classes;
};

// Built on first use: classes register from static initializers, which may
// run before this file's own statics.
Registry& registry() {
  static Registry instance;
  return instance;
}

}  // namespace

[[gnu::noinline]] bool NSRegisterClassInfo(NSClassInfo info) {
  if (info.codeAddress == nullptr) {
    info.codeAddress = __builtin_extract_return_addr(__builtin_return_address(0));
  }
  Registry& classes = registry();
  std::lock_guard guard(classes.mutex);
  // As the Objective-C runtime does with a class defined twice, the first
  // definition stays in use.
  return classes.classes.emplace(info.name, info).second;
}

std::optional<NSClassInfo> NSClassFromString(const std::string& name) {
  Registry& classes = registry();
  std::lock_guard guard(classes.mutex);
  auto found = classes.classes.find(name);
  if (found == classes.classes.end()) return std::nullopt;
  return found->second;
}

std::optional<NSClassInfo> NSClassFromTypeName(const std::string& typeName) {
  Registry& classes = registry();
  std::lock_guard guard(classes.mutex);
  for (const auto& [name, info] : classes.classes) {
    if (!typeName.empty() && info.typeName == typeName) return info;
  }
  return std::nullopt;
}

std::shared_ptr<NSObject> NSCreateInstance(const std::string& name) {
  auto info = NSClassFromString(name);
  // Created outside the lock: an initializer may look up other classes.
  return info ? info->create() : nullptr;
}

std::vector<std::string> NSRegisteredClassNames() {
  Registry& classes = registry();
  std::lock_guard guard(classes.mutex);
  std::vector<std::string> names;
  names.reserve(classes.classes.size());
  for (const auto& [name, info] : classes.classes) names.push_back(name);
  return names;
}
