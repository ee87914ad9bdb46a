#pragma once
// Root of every reference-counted platform and pane object. Objects live in
// std::shared_ptr; "none" is a null pointer. Weak references (delegates,
// targets) are std::weak_ptr, as UIKit holds them weakly.
#include <memory>
#include <string>

class NSObject;

// The class name of an object, as NSStringFromClass([object class]) gives it.
std::string NSStringFromClass(const NSObject& object);

class NSObject : public std::enable_shared_from_this<NSObject> {
 public:
  NSObject() = default;
  NSObject(const NSObject&) = delete;
  NSObject& operator=(const NSObject&) = delete;
  virtual ~NSObject() = default;

  // What %@ prints for the object, as -description does.
  virtual std::string description() const;

 protected:
  // `self` as the caller's own class, for handing the object to a platform
  // call that keeps a (weak) reference to it. Only valid once the object is
  // owned by a shared_ptr, i.e. never inside a constructor.
  template <class T>
  std::shared_ptr<T> selfAs() {
    return std::dynamic_pointer_cast<T>(shared_from_this());
  }
};
