#pragma once
// A mount that will not let links be read hides all that lies behind them:
// sshfs, by default, refuses links whose target is absolute or holds ".."
// (readlink gives EPERM), and a phone's /var and /var/jb are such links.
// The host looks once at start, on the current device root, so that the
// person learns why nothing under /var can be read or written.
#include <optional>
#include <string>

struct HiddenLink {
  std::string devicePath;  // "/var"
  int error = 0;           // why it cannot be read
};

// The first link on the device paths the pane uses that cannot be read; none
// when every one can (a missing path is no hidden link).
std::optional<HiddenLink> firstHiddenLink();

// The one line that tells it, naming the way out.
std::string hiddenLinkWarning(const HiddenLink& link);
