#pragma once
// A phone's file system mounted with sshfs for one host instance. sshfs runs
// in the foreground as the host's child: it gets SIGTERM when the thread that
// started it ends (PR_SET_PDEATHSIG), so the host's end, a kill -9 included,
// ends the mount too (libfuse unmounts on SIGTERM). Ctrl-C at the terminal
// reaches the host only, which then ends sshfs itself.
//
// Each instance has a folder of its own in the runtime folder, ssh-<pid>,
// holding a lock held while it lives, the private ssh configuration, sshfs's
// messages and the mount point. At start, folders whose lock is free (their
// host is gone) are unmounted and removed; a live host's are left alone.
//
// The ssh configuration handed to sshfs (-F) holds the --ssh-option lines,
// then the user's configuration, then the system's: ssh keeps the first
// value it reads, so an option given on the command line wins and the
// user's keys, agent and hosts apply. The time bounds go on sshfs's own
// command line, which a user's "Host *" cannot undo.
//
// Main thread only: sshfs is started from it.
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/FileDescriptor.h"
#include "host/SshAddress.h"

class SshMount {
 public:
  // Mounts and returns once the mount is there; a password prompt of ssh
  // reaches the terminal and is waited for. Throws std::runtime_error with
  // one line saying why: sshfs or ssh missing, no /dev/fuse, host
  // unreachable, login refused, remote folder missing.
  SshMount(SshAddress address, const std::vector<std::string>& sshOptions,
           const std::filesystem::path& runtimeFolder);
  // Ends sshfs; unmounts lazily should the mount still be there; removes the
  // instance folder.
  ~SshMount();
  SshMount(const SshMount&) = delete;
  SshMount& operator=(const SshMount&) = delete;

  const std::filesystem::path& mountPoint() const { return mountPoint_; }
  const std::filesystem::path& instanceFolder() const { return folder_; }
  std::string description() const { return address_.sshfsTarget(); }

  // Whether sshfs still runs (one that ended is reaped).
  bool running();
  // After sshfs ended: mounts again, throwing as the constructor does.
  void mountAgain();

 private:
  void mount();
  void endChild();

  SshAddress address_;
  std::filesystem::path folder_;
  std::filesystem::path mountPoint_;
  std::filesystem::path config_;
  std::filesystem::path log_;
  FileDescriptor lock_{-1};
  pid_t child_ = -1;
};
