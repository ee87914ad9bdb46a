#pragma once
// A phone's address as --root takes it: ssh://[USER@]HOST[:PORT][/PATH].
// HOST is a name, an IPv4 address or an IPv6 address in brackets; PATH, the
// phone's folder served as the device root, defaults to "/". What reaches
// ssh's command line is checked here: a HOST or USER that begins with "-"
// would be read by ssh as an option, so it is refused like any malformed
// address.
#include <optional>
#include <string>
#include <string_view>

struct SshAddress {
  std::optional<std::string> user;  // none: ssh's own choice (its configuration, or the local user)
  std::string host;                 // as given, brackets included for IPv6
  std::optional<int> port;          // none: ssh's own choice
  std::string path = "/";

  // sshfs's remote argument: [USER@]HOST:PATH.
  std::string sshfsTarget() const;
};

// Whether `text` is meant as a phone address (begins with "ssh://").
bool looksLikeSshAddress(std::string_view text);

// Throws std::invalid_argument naming what is wrong with `text`.
SshAddress parseSshAddress(std::string_view text);
