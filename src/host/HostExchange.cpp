#include "host/HostExchange.h"

#include <atomic>
#include <strings.h>

std::optional<std::string> HostRequest::header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0) return value;
  }
  return std::nullopt;
}

struct HostReply::State {
  Deliver deliver;
  HostResponse fallback;
  std::atomic<bool> answered = false;

  ~State() {
    if (!answered.exchange(true)) deliver(std::move(fallback));
  }
};

HostReply::HostReply(Deliver deliver, HostResponse fallback)
    : state_(std::make_shared<State>(std::move(deliver), std::move(fallback))) {}

void HostReply::operator()(HostResponse response) const {
  if (!state_->answered.exchange(true)) state_->deliver(std::move(response));
}
