#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
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

TEST(HostOptionsTest, DefaultsServeTheDemoDeviceOnPort8080WithSoundAndMail) {
  const HostOptions options = parseHostOptions({});
  EXPECT_FALSE(options.root);
  EXPECT_EQ(options.port, 8080);
  EXPECT_EQ(options.audio, AudioOutputMode::browser);
  EXPECT_TRUE(options.canSendMail);
  EXPECT_TRUE(options.pushClasses.empty());
  EXPECT_FALSE(options.help);
}

TEST(HostOptionsTest, ReadsEveryOptionInBothSpellingsAndKeepsPushesInOrder) {
  const HostOptions options = parseHostOptions({"--root", "/mnt/phone", "--port=9000", "--audio", "none",
                                                "--mail=no", "--push", "SmartDetailView", "--push=Other",
                                                "--bundle", "/tmp/A.bundle"});
  EXPECT_EQ(options.root, std::filesystem::path("/mnt/phone"));
  EXPECT_EQ(options.port, 9000);
  EXPECT_EQ(options.audio, AudioOutputMode::silent);
  EXPECT_FALSE(options.canSendMail);
  EXPECT_EQ(options.pushClasses, (std::vector<std::string>{"SmartDetailView", "Other"}));
  EXPECT_EQ(options.bundles, std::vector<std::filesystem::path>{"/tmp/A.bundle"});
  EXPECT_TRUE(parseHostOptions({"--help"}).help);
}

TEST(HostOptionsTest, BadOptionsGiveOneMessageNamingTheProblem) {
  EXPECT_NE(errorFor({"--port", "-1"}).find("--port needs a number from 0 to 65535, not \"-1\""), std::string::npos);
  EXPECT_NE(errorFor({"--port", "80a"}).find("not \"80a\""), std::string::npos);
  EXPECT_NE(errorFor({"--port", "70000"}).find("--port"), std::string::npos);
  EXPECT_NE(errorFor({"--audio", "loud"}).find("--audio needs browser, device or none"), std::string::npos);
  EXPECT_NE(errorFor({"--mail", "maybe"}).find("--mail needs yes or no"), std::string::npos);
  EXPECT_NE(errorFor({"--root"}).find("--root needs a value"), std::string::npos);
  EXPECT_NE(errorFor({"--root="}).find("--root needs a folder"), std::string::npos);
  EXPECT_NE(errorFor({"--push", ""}).find("--push needs a class name"), std::string::npos);
  EXPECT_NE(errorFor({"--verbose"}).find("unknown option \"--verbose\""), std::string::npos);
  EXPECT_NE(errorFor({"--help=yes"}).find("--help takes no value"), std::string::npos);
  EXPECT_NE(errorFor({"stray"}).find("see --help"), std::string::npos);
}

}  // namespace
