#pragma once
// Classes exported by name, as the Objective-C runtime has them: the host
// creates a bundle's principal class (and any other exported page) by name.
// A class registers itself from a static initializer in its own .cpp, which
// runs when the library that defines it is loaded:
//   static const bool registered = NSRegisterClass<SmartDetailView>("SmartDetailView");
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/NSObject.h"

struct NSClassInfo {
  std::string name;
  std::function<std::shared_ptr<NSObject>()> create;  // alloc + init
  const void* codeAddress = nullptr;  // an address inside the defining library
};

bool NSRegisterClassInfo(NSClassInfo info);

template <class T>
std::shared_ptr<NSObject> NSCreateInstanceOf() {
  return std::make_shared<T>();
}

template <class T>
bool NSRegisterClass(const std::string& name) {
  return NSRegisterClassInfo({name, &NSCreateInstanceOf<T>,
                              reinterpret_cast<const void*>(&NSCreateInstanceOf<T>)});
}

// The registered class of that name, or none.
std::optional<NSClassInfo> NSClassFromString(const std::string& name);
// A new instance of the named class (alloc + init), or none when unknown.
std::shared_ptr<NSObject> NSCreateInstance(const std::string& name);
// The names of every class registered so far.
std::vector<std::string> NSRegisteredClassNames();
