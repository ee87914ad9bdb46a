#include "host/LinkLog.h"

OpenedLink LinkLog::append(const std::string& url) {
  std::lock_guard guard(mutex_);
  links_.push_back({links_.size() + 1, url});
  return links_.back();
}

std::vector<OpenedLink> LinkLog::since(std::uint64_t sequence) const {
  std::lock_guard guard(mutex_);
  if (sequence >= links_.size()) return {};
  return {links_.begin() + static_cast<std::ptrdiff_t>(sequence), links_.end()};
}

std::uint64_t LinkLog::lastSequence() const {
  std::lock_guard guard(mutex_);
  return links_.size();
}
