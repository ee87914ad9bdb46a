#pragma once
// The address the host listens on: 127.0.0.1 unless --listen names another.
// Only IP addresses are taken (a name could resolve elsewhere tomorrow);
// 0.0.0.0 and :: listen on every address of the machine.
#include <optional>
#include <string>
#include <vector>

struct ListenAddress {
  std::string address = "127.0.0.1";  // in its canonical text form

  // Every address of 127.0.0.0/8, and ::1.
  bool isLoopback() const;
  // 0.0.0.0 or ::.
  bool isWildcard() const;
  // The address as a URL writes it: IPv6 in brackets.
  std::string urlHost() const;
  // The names, beyond the loopback ones, a browser may give in the Host
  // header to reach this address: the address itself, or for a wildcard the
  // addresses of the machine's interfaces and its host name. Lower case, in
  // URL form, without a port.
  std::vector<std::string> hostNames() const;
};

// None when `text` is not an IPv4 or IPv6 address.
std::optional<ListenAddress> parseListenAddress(const std::string& text);
