#include "host/ListenAddress.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace {

std::optional<std::string> canonicalText(int family, const void* binary) {
  std::array<char, INET6_ADDRSTRLEN> text{};
  if (!inet_ntop(family, binary, text.data(), text.size())) return std::nullopt;
  return std::string(text.data());
}

std::string inUrlForm(const std::string& address) {
  return address.find(':') == std::string::npos ? address : "[" + address + "]";
}

// The addresses of the machine's interfaces, in URL form.
std::vector<std::string> interfaceAddresses() {
  std::vector<std::string> addresses;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return addresses;
  for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr) continue;
    std::optional<std::string> text;
    if (entry->ifa_addr->sa_family == AF_INET)
      text = canonicalText(AF_INET, &reinterpret_cast<sockaddr_in*>(entry->ifa_addr)->sin_addr);
    else if (entry->ifa_addr->sa_family == AF_INET6)
      text = canonicalText(AF_INET6, &reinterpret_cast<sockaddr_in6*>(entry->ifa_addr)->sin6_addr);
    if (text) addresses.push_back(inUrlForm(*text));
  }
  freeifaddrs(list);
  return addresses;
}

std::string lowercase(std::string text) {
  std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

std::optional<ListenAddress> parseListenAddress(const std::string& text) {
  in_addr v4{};
  if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
    if (auto canonical = canonicalText(AF_INET, &v4)) return ListenAddress{*canonical};
  }
  in6_addr v6{};
  if (inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
    if (auto canonical = canonicalText(AF_INET6, &v6)) return ListenAddress{*canonical};
  }
  return std::nullopt;
}

bool ListenAddress::isLoopback() const { return address.starts_with("127.") || address == "::1"; }

bool ListenAddress::isWildcard() const { return address == "0.0.0.0" || address == "::"; }

std::string ListenAddress::urlHost() const { return inUrlForm(address); }

std::vector<std::string> ListenAddress::hostNames() const {
  if (!isWildcard()) return {urlHost()};
  std::vector<std::string> names = interfaceAddresses();
  std::array<char, 256> name{};
  if (gethostname(name.data(), name.size() - 1) == 0 && name[0] != '\0') names.push_back(lowercase(name.data()));
  return names;
}
