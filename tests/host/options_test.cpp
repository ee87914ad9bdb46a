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

TEST(HostOptionsTest, DefaultsServeTheDemoDeviceOnLoopbackPort8080WithSoundAndMail) {
  const HostOptions options = parseHostOptions({});
  EXPECT_FALSE(options.root);
  EXPECT_EQ(options.port, 8080);
  EXPECT_EQ(options.audio, AudioOutputMode::browser);
  EXPECT_TRUE(options.canSendMail);
  EXPECT_EQ(options.listen.address, "127.0.0.1");
  EXPECT_TRUE(options.listen.isLoopback());
  EXPECT_FALSE(options.newToken);
}

TEST(HostOptionsTest, ReadsEveryOptionInBothSpellingsAndKeepsPushesInOrder) {
  const HostOptions options =
      parseHostOptions({"--root", "/mnt/phone", "--port=9000", "--audio", "none", "--mail=no", "--push",
                        "SmartDetailView", "--push=Other", "--bundle", "/tmp/A.bundle", "--listen=0.0.0.0", "--new-token"});
  EXPECT_EQ(options.root, std::filesystem::path("/mnt/phone"));
  EXPECT_EQ(options.port, 9000);
  EXPECT_EQ(options.audio, AudioOutputMode::silent);
  EXPECT_FALSE(options.canSendMail);
  EXPECT_EQ(options.pushClasses, (std::vector<std::string>{"SmartDetailView", "Other"}));
  EXPECT_EQ(options.bundles, std::vector<std::filesystem::path>{"/tmp/A.bundle"});
  // Listening on every address says so: it leaves the machine.
  EXPECT_TRUE(options.listen.isWildcard());
  EXPECT_FALSE(options.listen.isLoopback());
  EXPECT_FALSE(options.listen.hostNames().empty());
  EXPECT_TRUE(options.newToken);
  EXPECT_TRUE(parseHostOptions({"--help"}).help);
  EXPECT_TRUE(parseHostOptions({"--listen", "127.0.0.2"}).listen.isLoopback());
  EXPECT_EQ(parseHostOptions({"--listen", "::1"}).listen.urlHost(), "[::1]");

  // A phone: the last --root wins; its address becomes sshfs's own argument.
  const HostOptions phone = parseHostOptions(
      {"--root", "/mnt/phone", "--root", "ssh://mobile@[fe80::1]:2222/private", "--ssh-option", "IdentityFile=~/k"});
  EXPECT_FALSE(phone.root);
  EXPECT_EQ(phone.sshRoot->sshfsTarget(), "mobile@[fe80::1]:/private");
  EXPECT_EQ(phone.sshRoot->port, 2222);
  EXPECT_EQ(phone.sshOptions, std::vector<std::string>{"IdentityFile ~/k"});
  const SshAddress plain = *parseHostOptions({"--root=ssh://phone.local"}).sshRoot;
  EXPECT_EQ(plain.sshfsTarget(), "phone.local:/");
  EXPECT_FALSE(plain.port);
}

TEST(HostOptionsTest, BadOptionsGiveOneMessageNamingTheProblem) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"--port", "-1"}, "--port needs a number from 0 to 65535, not \"-1\""},
      {{"--port", "80a"}, "not \"80a\""},
      {{"--port", "70000"}, "--port"},
      {{"--audio", "loud"}, "--audio needs browser, device or none"},
      {{"--mail", "maybe"}, "--mail needs yes or no"},
      {{"--root"}, "--root needs a value"},
      {{"--root="}, "--root needs a folder"},
      {{"--push", ""}, "--push needs a class name"},
      {{"--verbose"}, "unknown option \"--verbose\""},
      {{"--help=yes"}, "--help takes no value"},
      {{"stray"}, "see --help"},
      // Only IP addresses: a name could resolve anywhere.
      {{"--listen", "example.com"}, "--listen needs an IP address"},
      {{"--listen", "10.0.0"}, "--listen needs an IP address"},
      {{"--new-token=yes"}, "--new-token takes no value"},
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
