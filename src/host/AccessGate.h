#pragma once
// Who may use the host: one check before any route, for every request (the
// page, its files, the screen, events, actions, images, clips and fonts).
// A request passes when
//   - its Host header names this host: 127.0.0.1, localhost or [::1] with the
//     host's port, or a name of the --listen address (a DNS-rebinding site
//     names itself);
//   - its Origin header, when sent, is this host's own page;
//   - it carries the access token (AccessToken.h): in the address
//     (?token=...), in an "Authorization: token ..." header, or in the cookie
//     the first visit with the token in its address set.
// Otherwise it gets 403 with plain words (JSON {"error"} under /api/, plain
// text elsewhere) and nothing else happens.
// The cookie is named with the port (chimewell-token-8080): browsers send a
// cookie to every port of a host name, and several hosts may run at once. It
// is HttpOnly (no script reads it) and SameSite=Strict (no other site's page
// makes the browser send it). Tokens are compared in constant time.
// Immutable after construction; any thread.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/HostExchange.h"

struct AccessDecision {
  // The answer instead of the route's, when the request is refused.
  std::optional<HostResponse> refusal;
  // Headers to add to the route's answer (the cookie, on a visit with the token).
  std::vector<std::pair<std::string, std::string>> headers;
};

class AccessGate {
 public:
  // `hostNames`: names beyond the loopback ones that reach this host, in URL
  // form without a port (ListenAddress::hostNames).
  AccessGate(std::string token, int port, std::vector<std::string> hostNames = {});

  AccessDecision admit(const HostRequest& request) const;

  bool isOwnHost(const std::string& host) const;
  bool isOwnOrigin(const std::string& origin) const;
  std::string cookieName() const;

 private:
  bool holdsToken(const std::string& candidate) const;
  HostResponse refuse(const HostRequest& request, const std::string& message) const;

  std::string token_;
  int port_;
  std::vector<std::string> hostNames_;  // every accepted "name:port", lower case
};
