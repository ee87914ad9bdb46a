#pragma once
// Who may use the host: one check before any route, for every request.
// A request passes when
//   - its Host header names this host: 127.0.0.1, localhost or [::1] with the
//     host's port, or a name of the --listen address (a DNS-rebinding site
//     names itself);
//   - its Origin header, when sent, is this host's own page;
//   - it carries the access token (AccessToken.h): in an "Authorization:
//     token ..." header (the page's fetches), as a WebSocket subprotocol
//     "token.<hex>" (a browser's socket can send no header), or in the
//     address (?token=..., for programs). The page's own files (the shell,
//     scripts, styles, fonts, and images named by their content) pass without
//     it: they hold nothing private and change nothing.
// Otherwise it gets 403 with plain words (JSON {"error"} under /api/, plain
// text elsewhere) and nothing else happens.
// No cookie opens the host: a browser sends a cookie to every port of a host
// name, so any local server the browser visits would have received it. The
// cookie an earlier version set (chimewell-token-<port>) is answered expired.
// Tokens are compared in constant time. Immutable after construction; any
// thread.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/HostExchange.h"

// The WebSocket subprotocol the page speaks; it offers its token beside it.
inline constexpr const char* kSocketProtocol = "chimewell";

// Whether the request offers `protocol` among its WebSocket subprotocols.
bool offersSocketProtocol(const HostRequest& request, std::string_view protocol);

class AccessGate {
 public:
  // `hostNames`: names beyond the loopback ones that reach this host, in URL
  // form without a port (ListenAddress::hostNames).
  AccessGate(std::string token, int port, std::vector<std::string> hostNames = {});

  AccessDecision admit(const HostRequest& request) const;

  bool isOwnHost(const std::string& host) const;
  bool isOwnOrigin(const std::string& origin) const;
  // The cookie an earlier version kept the token in.
  std::string cookieName() const;

 private:
  bool holdsToken(std::string_view candidate) const;
  bool showsToken(const HostRequest& request) const;
  HostResponse refuse(const HostRequest& request, const std::string& message) const;

  std::string token_;
  int port_;
  std::vector<std::string> hostNames_;  // every accepted "name:port", lower case
};
