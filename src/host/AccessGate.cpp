#include "host/AccessGate.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cctype>
#include <string_view>

#include "host/ScreenJson.h"

namespace {

constexpr std::string_view kTokenParameter = "token";
constexpr std::string_view kAuthorizationScheme = "token ";

std::string lowercase(std::string text) {
  std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Calls `each(name, value)` for every "name=value" between `separator`s.
template <class Each>
void forEachPair(std::string_view text, char separator, Each each) {
  while (!text.empty()) {
    const auto end = text.find(separator);
    const std::string_view pair = trimmed(text.substr(0, end));
    const auto equals = pair.find('=');
    if (equals != std::string_view::npos) each(pair.substr(0, equals), pair.substr(equals + 1));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

// The token values of the target's query, before any fragment.
std::vector<std::string> queryTokens(std::string_view target) {
  std::vector<std::string> tokens;
  const auto question = target.find('?');
  if (question == std::string_view::npos) return tokens;
  forEachPair(target.substr(question + 1, target.find('#') - question - 1), '&',
              [&](std::string_view name, std::string_view value) {
                if (name == kTokenParameter) tokens.emplace_back(value);
              });
  return tokens;
}

}  // namespace

AccessGate::AccessGate(std::string token, int port, std::vector<std::string> hostNames)
    : token_(std::move(token)), port_(port) {
  hostNames.insert(hostNames.begin(), {"127.0.0.1", "localhost", "[::1]"});
  for (const auto& name : hostNames) {
    std::string own = lowercase(name) + ":" + std::to_string(port_);
    if (std::ranges::find(hostNames_, own) == hostNames_.end()) hostNames_.push_back(std::move(own));
  }
}

bool AccessGate::isOwnHost(const std::string& host) const {
  return std::ranges::find(hostNames_, lowercase(host)) != hostNames_.end();
}

bool AccessGate::isOwnOrigin(const std::string& origin) const {
  constexpr std::string_view scheme = "http://";
  return lowercase(origin).starts_with(scheme) && isOwnHost(origin.substr(scheme.size()));
}

std::string AccessGate::cookieName() const { return "chimewell-token-" + std::to_string(port_); }

bool AccessGate::holdsToken(const std::string& candidate) const {
  return candidate.size() == token_.size() && CRYPTO_memcmp(candidate.data(), token_.data(), token_.size()) == 0;
}

HostResponse AccessGate::refuse(const HostRequest& request, const std::string& message) const {
  if (request.target.starts_with("/api/"))
    return {403, "application/json", errorJson(message).dump(), {{"Cache-Control", "no-store"}}, {}};
  return {403, "text/plain; charset=utf-8", message + "\n", {{"Cache-Control", "no-store"}}, {}};
}

AccessDecision AccessGate::admit(const HostRequest& request) const {
  if (!isOwnHost(request.host)) {
    std::string names;
    for (const auto& name : hostNames_) names += (names.empty() ? "" : " or ") + name;
    return {refuse(request, "refused: the Settings host answers only requests addressed to " + names), {}};
  }
  if (request.origin && !isOwnOrigin(*request.origin))
    return {refuse(request, "refused: the Settings host answers only its own page"), {}};

  AccessDecision decision;
  bool admitted = false;
  for (const auto& token : queryTokens(request.target)) {
    if (!holdsToken(token)) continue;
    admitted = true;
    decision.headers.emplace_back("Set-Cookie", cookieName() + "=" + token_ + "; Path=/; HttpOnly; SameSite=Strict");
    break;
  }
  const std::string_view authorization = trimmed(request.authorization);
  if (lowercase(std::string(authorization.substr(0, kAuthorizationScheme.size()))) == kAuthorizationScheme &&
      holdsToken(std::string(trimmed(authorization.substr(kAuthorizationScheme.size())))))
    admitted = true;
  forEachPair(request.cookie, ';', [&](std::string_view name, std::string_view value) {
    if (name == cookieName() && holdsToken(std::string(value))) admitted = true;
  });
  if (!admitted) {
    return {refuse(request,
                   "refused: this address no longer opens the Chimewell pane (it lacks the Settings host's current "
                   "access token). Open the address the host printed when it started; if the host is not running, "
                   "start it again and open the address it prints."),
            {}};
  }
  return decision;
}
