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
#include <typeinfo>
#include <vector>

#include "foundation/NSObject.h"

struct NSClassInfo {
  std::string name;
  std::function<std::shared_ptr<NSObject>()> create;  // alloc + init
  // An address inside the defining library; when none is given, the
  // registering code's own address (the caller of NSRegisterClassInfo).
  const void* codeAddress = nullptr;
  std::string typeName;  // typeid(T).name(), the same in every library
};

// False, keeping the first, when a class of that name is registered already.
bool NSRegisterClassInfo(NSClassInfo info);

template <class T>
std::shared_ptr<NSObject> NSCreateInstanceOf() {
  return std::make_shared<T>();
}

// The code address is taken by NSRegisterClassInfo from its caller, i.e. the
// registering .cpp's library. (The address of an inline template such as
// NSCreateInstanceOf<T> would not do: the executable may hold its own copy,
// which then stands in for the library's in every library.)
template <class T>
bool NSRegisterClass(const std::string& name) {
  return NSRegisterClassInfo({name, &NSCreateInstanceOf<T>, nullptr, typeid(T).name()});
}

// The registered class of that name, or none.
std::optional<NSClassInfo> NSClassFromString(const std::string& name);
// The registered class of that C++ type (typeid(T).name()), or none.
std::optional<NSClassInfo> NSClassFromTypeName(const std::string& typeName);
// A new instance of the named class (alloc + init), or none when unknown.
std::shared_ptr<NSObject> NSCreateInstance(const std::string& name);
// The names of every class registered so far.
std::vector<std::string> NSRegisteredClassNames();
