// The host's command line, read end to end by the browser suites; here, what
// must stay on this machine or never reach ssh.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "host/HostOptions.h"

namespace {

std::string errorFor(const std::vector<std::string>& arguments) {
  try {
    parseHostOptions(arguments);
  } catch (const std::invalid_argument& failure) {
    return failure.what();
  }
  return "";
}

// Left alone, the host stays on this machine.
TEST(HostOptionsTest, ByDefaultListensOnLoopbackOnly) {
  EXPECT_TRUE(parseHostOptions({}).listen.isLoopback());
  EXPECT_FALSE(parseHostOptions({"--listen=0.0.0.0"}).listen.isLoopback());
}

TEST(HostOptionsTest, AnAddressThatCouldReachElsewhereIsRefusedNamingTheProblem) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      // Only IP addresses: a name could resolve anywhere.
      {{"--listen", "example.com"}, "--listen needs an IP address"},
      {{"--listen", "10.0.0"}, "--listen needs an IP address"},
      // Nothing of an address may reach ssh as an option, or its configuration as a line.
      {{"--root", "ssh://-oProxyCommand=x"}, "the host \"-oProxyCommand=x\" begins with \"-\""},
      {{"--root", "ssh://-l@phone"}, "the user \"-l\" begins with \"-\""},
      {{"--root", "ssh://root@"}, "names no host"},
      {{"--root", "ssh://phone:22x"}, "the port needs a number"},
      {{"--root", "ssh://ph one"}, "not a plain name"},
      {{"--root", "ssh://[::1/"}, "IPv6"},
      {{"--root", "ssh://phone/a\nb"}, "control character"},
      {{"--root", "ssh://phone", "--ssh-option", "User=a\nProxyCommand x"}, "--ssh-option needs NAME=VALUE"},
      {{"--ssh-option", "Port=22"}, "--ssh-option needs --root ssh://"},
  };
  for (const auto& [arguments, message] : cases)
    EXPECT_NE(errorFor(arguments).find(message), std::string::npos) << arguments[0] << " → " << errorFor(arguments);
}

}  // namespace
