#include "host/AccessGate.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cctype>
#include <string_view>

#include "host/ScreenJson.h"

namespace {

constexpr std::string_view kTokenParameter = "token";
constexpr std::string_view kAuthorizationScheme = "token ";
constexpr std::string_view kProtocolTokenPrefix = "token.";

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

// Calls `each(protocol)` for every WebSocket subprotocol the request offers.
template <class Each>
void forEachSocketProtocol(const HostRequest& request, Each each) {
  for (const auto& [name, value] : request.headers) {
    if (lowercase(name) != "sec-websocket-protocol") continue;
    std::string_view list = value;
    while (!list.empty()) {
      const auto comma = list.find(',');
      each(trimmed(list.substr(0, comma)));
      if (comma == std::string_view::npos) break;
      list.remove_prefix(comma + 1);
    }
  }
}

// The page's own files, which pass without the token; every /api/ and /clips/ address needs it.
bool isPublic(const HostRequest& request) {
  return (request.method == "GET" || request.method == "HEAD") && !request.path.starts_with("/api/") &&
         !request.path.starts_with("/clips/");
}

}  // namespace

bool offersSocketProtocol(const HostRequest& request, std::string_view protocol) {
  bool offered = false;
  forEachSocketProtocol(request, [&](std::string_view each) { offered = offered || each == protocol; });
  return offered;
}

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

bool AccessGate::holdsToken(std::string_view candidate) const {
  return candidate.size() == token_.size() && CRYPTO_memcmp(candidate.data(), token_.data(), token_.size()) == 0;
}

HostResponse AccessGate::refuse(const HostRequest& request, const std::string& message) const {
  if (request.target.starts_with("/api/"))
    return {403, "application/json", errorJson(message).dump(), {{"Cache-Control", "no-store"}}, {}};
  return {403, "text/plain; charset=utf-8", message + "\n", {{"Cache-Control", "no-store"}}, {}};
}

bool AccessGate::showsToken(const HostRequest& request) const {
  bool shown = std::ranges::any_of(queryTokens(request.target),
                                   [this](const std::string& token) { return holdsToken(token); });
  const std::string_view authorization = trimmed(request.authorization);
  if (lowercase(std::string(authorization.substr(0, kAuthorizationScheme.size()))) == kAuthorizationScheme &&
      holdsToken(trimmed(authorization.substr(kAuthorizationScheme.size()))))
    shown = true;
  forEachSocketProtocol(request, [&](std::string_view protocol) {
    if (protocol.starts_with(kProtocolTokenPrefix) && holdsToken(protocol.substr(kProtocolTokenPrefix.size())))
      shown = true;
  });
  return shown;
}

AccessDecision AccessGate::admit(const HostRequest& request) const {
  if (!isOwnHost(request.host)) {
    std::string names;
    for (const auto& name : hostNames_) names += (names.empty() ? "" : " or ") + name;
    return {refuse(request, "refused: the Settings host answers only requests addressed to " + names), false, {}};
  }
  if (request.origin && !isOwnOrigin(*request.origin))
    return {refuse(request, "refused: the Settings host answers only its own page"), false, {}};

  AccessDecision decision;
  decision.tokenShown = showsToken(request);
  bool oldCookie = false;
  forEachPair(request.cookie, ';', [&](std::string_view name, std::string_view) {
    oldCookie = oldCookie || name == cookieName();
  });
  if (oldCookie)
    decision.headers.emplace_back("Set-Cookie", cookieName() + "=; Max-Age=0; Path=/; HttpOnly; SameSite=Strict");
  if (!decision.tokenShown && !isPublic(request)) {
    HostResponse refusal =
        refuse(request,
               "refused: this address no longer opens the Chimewell pane (it lacks the Settings host's current access "
               "token). Open the address the host printed when it started; if the host is not running, start it "
               "again and open the address it prints.");
    refusal.headers.insert(refusal.headers.end(), decision.headers.begin(), decision.headers.end());
    decision.refusal = std::move(refusal);
  }
  return decision;
}
