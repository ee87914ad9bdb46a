#pragma once
// A target and an action without selectors: the target is held weakly, the
// action is a member function, and two registrations compare equal when
// they name the same target object and the same member function (so adding
// one twice can be recognised and kept once).
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>

#include "foundation/NSObject.h"

class TargetAction {
 public:
  // action(sender): the sender is handed over as the action's parameter type
  // (none when it is not of that type).
  template <class T, class S>
  static TargetAction make(const std::shared_ptr<T>& target, void (T::*action)(const std::shared_ptr<S>&)) {
    TargetAction made(target, keyOf<T>(action));
    made.invoke_ = [action](const std::shared_ptr<void>& object, const std::shared_ptr<NSObject>& sender) {
      (static_cast<T*>(object.get())->*action)(std::dynamic_pointer_cast<S>(sender));
    };
    return made;
  }
  // action(): no sender.
  template <class T>
  static TargetAction make(const std::shared_ptr<T>& target, void (T::*action)()) {
    TargetAction made(target, keyOf<T>(action));
    made.invoke_ = [action](const std::shared_ptr<void>& object, const std::shared_ptr<NSObject>&) {
      (static_cast<T*>(object.get())->*action)();
    };
    return made;
  }

  bool sameAs(const TargetAction& other) const {
    return actionKey_ == other.actionKey_ && !target_.owner_before(other.target_) &&
           !other.target_.owner_before(target_);
  }
  bool hasTarget() const { return !target_.expired(); }
  // Nothing happens when the target has gone.
  void send(const std::shared_ptr<NSObject>& sender) const {
    if (auto target = target_.lock()) invoke_(target, sender);
  }

 private:
  TargetAction(std::weak_ptr<void> target, std::string actionKey)
      : target_(std::move(target)), actionKey_(std::move(actionKey)) {}

  template <class T, class Action>
  static std::string keyOf(Action action) {
    std::string key(sizeof action, '\0');
    std::memcpy(key.data(), &action, sizeof action);
    return key + typeid(T).name() + typeid(Action).name();
  }

  std::weak_ptr<void> target_;
  std::string actionKey_;
  std::function<void(const std::shared_ptr<void>&, const std::shared_ptr<NSObject>&)> invoke_;
};
