#include "host/AccessToken.h"

#include <fcntl.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "foundation/FileDescriptor.h"

namespace fs = std::filesystem;

namespace {

// 256 bits: beyond any guessing, over any number of tries.
constexpr std::size_t kTokenBytes = 32;

std::runtime_error failure(const fs::path& file, const std::string& what, int error = errno) {
  return std::runtime_error("cannot keep the access token in " + file.string() + ": " + what +
                            (error ? std::string(" (") + std::strerror(error) + ")" : std::string()));
}

struct TokenFileRead {
  std::optional<std::string> token;
  std::optional<std::string> distrust;  // why what is there cannot be used
};

// Reads the file without following a link; none of either when it is missing.
TokenFileRead readTokenFile(const fs::path& file) {
  FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT) return {};
    if (errno == ELOOP) return {std::nullopt, "it was a symbolic link"};
    throw failure(file, "cannot read it");
  }
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0) throw failure(file, "cannot read it");
  if (!S_ISREG(status.st_mode)) return {std::nullopt, "it was not a plain file"};
  if (status.st_uid != ::geteuid()) return {std::nullopt, "it belonged to another user"};
  if ((status.st_mode & 077) != 0) return {std::nullopt, "other users could read it"};
  std::array<char, 2 * kTokenBytes + 2> buffer{};
  const ssize_t length = ::read(fd.get(), buffer.data(), buffer.size());
  if (length < 0) throw failure(file, "cannot read it");
  std::string text(buffer.data(), static_cast<std::size_t>(length));
  if (text.ends_with('\n')) text.pop_back();
  if (!isAccessTokenText(text)) return {std::nullopt, "it held no usable token"};
  return {text, std::nullopt};
}

void ensureFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder.parent_path(), error);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) throw failure(folder, "cannot make the folder");
}

// Writes `token` under a temporary name and puts it in place: over what is
// there with `replace`, otherwise only where nothing is (false when another
// process put a file there first).
bool placeTokenFile(const fs::path& file, const std::string& token, bool replace) {
  std::string temporary = (file.parent_path() / ".access-token.XXXXXX").string();
  {
    // mkstemp creates the file with mode 0600.
    FileDescriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) throw failure(file, "cannot write a new one");
    const std::string text = token + "\n";
    if (::write(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()) || ::fsync(fd.get()) != 0) {
      const int error = errno;
      ::unlink(temporary.c_str());
      throw failure(file, "cannot write a new one", error);
    }
  }
  const int placed = replace ? ::rename(temporary.c_str(), file.c_str()) : ::link(temporary.c_str(), file.c_str());
  const int error = errno;
  ::unlink(temporary.c_str());
  if (placed != 0 && !(error == EEXIST && !replace)) throw failure(file, "cannot put a new one in place", error);
  if (FileDescriptor folder(::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); folder.get() >= 0)
    ::fsync(folder.get());
  return placed == 0;
}

}  // namespace

std::string makeAccessToken() {
  std::array<unsigned char, kTokenBytes> bytes{};
  if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1)
    throw std::runtime_error("cannot draw a random access token: the system's random source failed");
  static constexpr char hex[] = "0123456789abcdef";
  std::string token;
  for (unsigned char byte : bytes) {
    token += hex[byte >> 4];
    token += hex[byte & 0xF];
  }
  return token;
}

bool isAccessTokenText(const std::string& text) {
  return text.size() == 2 * kTokenBytes &&
         std::ranges::all_of(text, [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

KeptAccessToken keptAccessToken(const fs::path& file, bool fresh, const fs::path& earlierFile) {
  ensureFolder(file.parent_path());
  std::error_code error;
  const bool retire = !earlierFile.empty() && fs::exists(fs::symlink_status(earlierFile, error));
  if (fresh || retire) {
    std::string token = makeAccessToken();
    placeTokenFile(file, token, true);
    if (!retire) return {token, std::nullopt};
    if (!fs::remove(earlierFile, error) && error) throw failure(earlierFile, "cannot remove it", error.value());
    return {token, "an earlier version of the host kept its token in " + earlierFile.string() +
                       " and sent it to every local port in a cookie"};
  }
  // A second try covers a host that made the file between our read and write.
  for (int attempt = 0; attempt < 2; ++attempt) {
    TokenFileRead kept = readTokenFile(file);
    if (kept.token) return {*kept.token, std::nullopt};
    std::string token = makeAccessToken();
    if (kept.distrust) {
      placeTokenFile(file, token, true);
      return {token, kept.distrust};
    }
    if (placeTokenFile(file, token, false)) return {token, std::nullopt};
  }
  throw failure(file, "another process keeps changing it", 0);
}
