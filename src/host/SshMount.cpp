#include "host/SshMount.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "host/FuseMounts.h"

namespace fs = std::filesystem;

namespace {

// sshfs's own options. Links pass through unchanged, for the host's own
// resolution inside the device root (sshfs's default refuses absolute link
// targets, and a phone's /var is one). Reconnect, and bound every wait on a
// link that stopped answering: ssh gives up after (ServerAliveCountMax + 1) *
// ServerAliveInterval silent seconds (9 s), and on a connection that does
// not open in 5 s. A phone's files change under the host (its Settings app
// writes the preferences, apps come and go): sshfs's caches keep what they
// read for 1 s, enough for the steps of one scan or one store to ask once,
// short enough that a change on the phone shows at once.
constexpr const char* kSshfsOptions =
    "reconnect,no_contain_symlinks,ServerAliveInterval=3,ServerAliveCountMax=2,ConnectTimeout=5,"
    "dcache_timeout=1";
// How often the mount point is looked at while sshfs connects.
constexpr auto kMountPoll = std::chrono::milliseconds(50);
// How long an ending sshfs may take to unmount before it is killed.
constexpr auto kEndWait = std::chrono::seconds(5);
constexpr const char* kInstancePrefix = "ssh-";

std::runtime_error failure(const std::string& message) { return std::runtime_error(message); }

// The program's path on PATH, or empty.
std::string onPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    const fs::path candidate = fs::path(folder.empty() ? "." : folder) / program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

std::string readText(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The first line of `output` holding one of `marks`, or empty.
std::string lineWith(const std::string& output, std::initializer_list<const char*> marks) {
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    for (const char* mark : marks) {
      if (line.find(mark) != std::string::npos) return line;
    }
  }
  return {};
}

// One line from what sshfs and ssh said before sshfs ended.
std::string describeFailure(const std::string& output, const SshAddress& address) {
  if (auto line = lineWith(output, {"Could not resolve", "Connection refused", "timed out", "No route to host",
                                    "Network is unreachable", "Connection closed by remote host"});
      !line.empty()) {
    return "cannot reach " + address.host + ": " + line;
  }
  if (auto line = lineWith(output, {"Permission denied", "Too many authentication failures",
                                    "Host key verification failed"});
      !line.empty()) {
    return address.host + " refused the login: " + line +
           " (give a key with --ssh-option IdentityFile=FILE, or set it up in ~/.ssh/config)";
  }
  if (auto line = lineWith(output, {"No such file or directory", "Not a directory"}); !line.empty()) {
    return "the phone has no folder " + address.path + ": " + line;
  }
  std::string last;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) last = line;
  }
  return "sshfs could not mount " + address.sshfsTarget() + (last.empty() ? "" : ": " + last);
}

void checkTools() {
  if (onPath("sshfs").empty()) throw failure("sshfs is not installed: it is in the Debian package sshfs");
  if (onPath("ssh").empty()) throw failure("ssh is not installed: it is in the Debian package openssh-client");
  struct stat device {};
  if (::stat("/dev/fuse", &device) != 0) {
    throw failure("/dev/fuse is missing: sshfs needs FUSE (a container must be given the device /dev/fuse)");
  }
}

// The instance folder's own files; never a recursive removal, which would
// reach into a mount that failed to go.
void removeInstance(const fs::path& folder) {
  std::error_code ignored;
  for (const char* name : {"lock", "ssh_config", "sshfs.log", "root"}) fs::remove(folder / name, ignored);
  fs::remove(folder, ignored);
}

// A folder whose lock can be taken belongs to a host that is gone.
void removeAbandonedInstances(const fs::path& runtimeFolder) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(runtimeFolder, error)) {
    if (!entry.path().filename().string().starts_with(kInstancePrefix)) continue;
    FileDescriptor lock(::open((entry.path() / "lock").c_str(), O_RDWR | O_CLOEXEC));
    if (!lock.valid() || ::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) continue;
    if (unmountLazily(entry.path() / "root")) removeInstance(entry.path());
  }
}

void writeConfig(const fs::path& file, const std::vector<std::string>& sshOptions) {
  FileDescriptor out(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  std::string text = "# This host's ssh options, then the user's and the system's configuration.\n";
  for (const auto& line : sshOptions) text += line + "\n";
  text += "Include ~/.ssh/config\nInclude /etc/ssh/ssh_config\n";
  if (!out.valid() || ::write(out.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    throw failure("cannot write " + file.string() + ": " + std::strerror(errno));
  }
}

}  // namespace

SshMount::SshMount(SshAddress address, const std::vector<std::string>& sshOptions, const fs::path& runtimeFolder)
    : address_(std::move(address)) {
  checkTools();
  std::error_code error;
  fs::create_directories(runtimeFolder, error);
  fs::permissions(runtimeFolder, fs::perms::owner_all, error);
  removeAbandonedInstances(runtimeFolder);
  folder_ = runtimeFolder / (kInstancePrefix + std::to_string(::getpid()));
  mountPoint_ = folder_ / "root";
  config_ = folder_ / "ssh_config";
  log_ = folder_ / "sshfs.log";
  if (!fs::create_directories(mountPoint_, error) && error) {
    throw failure("cannot make the mount point " + mountPoint_.string() + ": " + error.message());
  }
  lock_ = FileDescriptor(::open((folder_ / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!lock_.valid() || ::flock(lock_.get(), LOCK_EX | LOCK_NB) != 0) {
    throw failure("cannot lock " + (folder_ / "lock").string() + ": " + std::strerror(errno));
  }
  try {
    writeConfig(config_, sshOptions);
    mount();
  } catch (...) {
    removeInstance(folder_);
    throw;
  }
}

SshMount::~SshMount() {
  endChild();
  if (unmountLazily(mountPoint_)) removeInstance(folder_);
}

void SshMount::mount() {
  const std::string sshfs = onPath("sshfs");
  std::vector<std::string> arguments{"sshfs", "-f", "-F", config_.string(), "-o", kSshfsOptions};
  if (address_.port) arguments.insert(arguments.end(), {"-p", std::to_string(*address_.port)});
  arguments.insert(arguments.end(), {address_.sshfsTarget(), mountPoint_.string()});
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  FileDescriptor log(::open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  const pid_t parent = ::getpid();
  child_ = ::fork();
  if (child_ < 0) throw failure(std::string("cannot start sshfs: ") + std::strerror(errno));
  if (child_ == 0) {
    // Only async-signal-safe calls until exec.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);  // the host blocks SIGTERM in its threads
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGINT, SIG_IGN);  // Ctrl-C is the host's; it ends sshfs in turn
    if (log.valid()) ::dup2(log.get(), STDERR_FILENO);
    ::execv(sshfs.c_str(), argv.data());
    ::_exit(127);
  }
  // sshfs mounts before it has logged in (with reconnect): the mount is
  // there once the phone's folder answers through it.
  for (;;) {
    struct stat status {};
    const bool answers = isMountPoint(mountPoint_) && ::stat(mountPoint_.c_str(), &status) == 0;
    if (!running()) throw failure(describeFailure(readText(log_), address_));
    if (answers) return;
    std::this_thread::sleep_for(kMountPoll);
  }
}

bool SshMount::running() {
  int status = 0;
  if (child_ > 0 && ::waitpid(child_, &status, WNOHANG) == child_) child_ = -1;
  return child_ > 0;
}

void SshMount::mountAgain() {
  endChild();
  unmountLazily(mountPoint_);
  mount();
}

void SshMount::endChild() {
  if (child_ <= 0) return;
  ::kill(child_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + kEndWait;
  int status = 0;
  while (::waitpid(child_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child_, SIGKILL);
      ::waitpid(child_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(kMountPoll);
  }
  child_ = -1;
}
