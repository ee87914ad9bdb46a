#include "uikit/UIControl.h"

#include <algorithm>

void UIControl::add(TargetAction targetAction, UIControlEvents events) {
  for (auto& registration : registrations_) {
    if (registration.targetAction.sameAs(targetAction)) {
      registration.events |= events;
      return;
    }
  }
  registrations_.push_back({std::move(targetAction), events});
}

void UIControl::remove(const TargetAction& targetAction, UIControlEvents events) {
  for (auto& registration : registrations_)
    if (registration.targetAction.sameAs(targetAction)) registration.events &= ~events;
  std::erase_if(registrations_, [](const Registration& registration) { return registration.events == 0; });
}

void UIControl::sendActionsForControlEvents(UIControlEvents events) {
  auto sender = shared_from_this();
  // An action may add or remove registrations; send to those there now.
  auto registrations = registrations_;
  for (const auto& registration : registrations)
    if (registration.events & events) registration.targetAction.send(sender);
}

std::size_t UIControl::numberOfRegistrationsForControlEvents(UIControlEvents events) const {
  return static_cast<std::size_t>(std::count_if(registrations_.begin(), registrations_.end(),
                                                [events](const auto& registration) {
                                                  return registration.targetAction.hasTarget() &&
                                                         (registration.events & events) != 0;
                                                }));
}
