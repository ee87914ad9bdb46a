#include "host/SshAddress.h"

#include <charconv>
#include <stdexcept>

namespace {

constexpr std::string_view kScheme = "ssh://";

std::invalid_argument malformed(std::string_view text, const std::string& why) {
  return std::invalid_argument("--root " + std::string(text) + ": " + why +
                               " (the form is ssh://[USER@]HOST[:PORT][/PATH])");
}

bool isNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
         c == '_';
}

bool allOf(std::string_view text, bool (*accepts)(char)) {
  for (char c : text) {
    if (!accepts(c)) return false;
  }
  return true;
}

bool isIpv6Character(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

// A name ssh would take for an option is refused before any other check.
void checkNotAnOption(std::string_view text, std::string_view part, const char* what) {
  if (part.starts_with('-')) {
    throw malformed(text, std::string("the ") + what + " \"" + std::string(part) +
                              "\" begins with \"-\", which ssh would read as an option");
  }
}

int parsePort(std::string_view text, std::string_view digits) {
  int port = 0;
  auto [last, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
  if (digits.empty() || error != std::errc() || last != digits.data() + digits.size() || port < 1 || port > 65535) {
    throw malformed(text, "the port needs a number from 1 to 65535, not \"" + std::string(digits) + "\"");
  }
  return port;
}

}  // namespace

bool looksLikeSshAddress(std::string_view text) { return text.starts_with(kScheme); }

std::string SshAddress::sshfsTarget() const { return (user ? *user + "@" : "") + host + ":" + path; }

SshAddress parseSshAddress(std::string_view text) {
  if (!looksLikeSshAddress(text)) throw malformed(text, "not an ssh:// address");
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) throw malformed(text, "it holds a control character");
  }
  std::string_view rest = text.substr(kScheme.size());
  SshAddress address;
  const std::size_t slash = rest.find('/');
  if (slash != std::string_view::npos) {
    address.path = std::string(rest.substr(slash));
    rest = rest.substr(0, slash);
  }
  if (const std::size_t at = rest.find('@'); at != std::string_view::npos) {
    const std::string_view user = rest.substr(0, at);
    checkNotAnOption(text, user, "user");
    if (user.empty() || !allOf(user, isNameCharacter)) throw malformed(text, "the user is not a plain name");
    address.user = std::string(user);
    rest = rest.substr(at + 1);
  }
  checkNotAnOption(text, rest, "host");
  std::size_t hostEnd = rest.find(':');
  if (rest.starts_with('[')) {
    hostEnd = rest.find(']');
    if (hostEnd == std::string_view::npos || hostEnd == 1 || !allOf(rest.substr(1, hostEnd - 1), isIpv6Character)) {
      throw malformed(text, "the IPv6 address in brackets is not one");
    }
    ++hostEnd;
    if (hostEnd < rest.size() && rest[hostEnd] != ':') throw malformed(text, "something follows the IPv6 address");
  } else if (!allOf(rest.substr(0, hostEnd), isNameCharacter)) {
    throw malformed(text, "the host is not a plain name or address");
  }
  address.host = std::string(rest.substr(0, hostEnd));
  if (address.host.empty()) throw malformed(text, "it names no host");
  if (hostEnd < rest.size()) address.port = parsePort(text, rest.substr(hostEnd + 1));
  return address;
}
