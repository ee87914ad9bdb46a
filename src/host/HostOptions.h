#pragma once
// The command line of the Settings stand-in.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/ListenAddress.h"
#include "host/SshAddress.h"
#include "media/AudioOutput.h"

struct HostOptions {
  std::optional<std::filesystem::path> root;  // none: the demo device (or the phone below)
  std::optional<SshAddress> sshRoot;  // a phone the host mounts over SSH
  std::vector<std::string> sshOptions;  // ssh configuration lines, "NAME VALUE", first wins
  int port = 8080;  // 0: any free port
  ListenAddress listen;  // 127.0.0.1 unless --listen
  bool newToken = false;  // a fresh access token, shutting out every open page
  AudioOutputMode audio = AudioOutputMode::browser;  // heard where the page is shown
  bool canSendMail = true;
  std::vector<std::string> pushClasses;  // pushed in order after start
  std::vector<std::filesystem::path> bundles;  // panes beyond those of the build
  bool help = false;
};

// Parses the arguments after the program name. Throws std::invalid_argument
// with a message naming the offending option when they make no sense.
HostOptions parseHostOptions(const std::vector<std::string>& arguments);

std::string hostUsage(const std::string& programName);
