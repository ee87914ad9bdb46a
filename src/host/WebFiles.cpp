#include "host/WebFiles.h"

#include <fstream>
#include <map>

#include "foundation/NSBundle.h"

namespace fs = std::filesystem;

namespace {

const std::map<std::string, std::string>& contentTypes() {
  static const std::map<std::string, std::string> types{
      {".html", "text/html; charset=utf-8"}, {".js", "text/javascript; charset=utf-8"},
      {".css", "text/css; charset=utf-8"},   {".svg", "image/svg+xml"},
      {".png", "image/png"},                 {".json", "application/json"},
  };
  return types;
}

// The page keeps the access token where its scripts read it: only its own
// scripts run, and they reach only this host (a socket too: 'self' covers
// ws: to the same host and port), so nothing injected can carry it off.
constexpr const char* kContentSecurityPolicy =
    "default-src 'none'; script-src 'self'; worker-src 'self'; connect-src 'self'; style-src 'self'; "
    "img-src 'self' data:; font-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

HostResponse notFound() { return {404, "text/plain; charset=utf-8", "not found\n", {}, {}}; }

// Plain names only: no empty, hidden, "." or ".." step, no NUL.
bool isPlainRelativePath(const std::string& relative) {
  if (relative.find('\0') != std::string::npos) return false;
  std::size_t start = 0;
  for (;;) {
    const auto end = relative.find('/', start);
    const std::string step = relative.substr(start, end - start);
    if (step.empty() || step.front() == '.') return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

}  // namespace

std::optional<std::string> readServedFile(const fs::path& file) {
  std::ifstream input(file, std::ios::binary | std::ios::ate);
  if (!input) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(input.tellg()), '\0');
  input.seekg(0);
  if (!input.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return std::nullopt;
  return bytes;
}

HostResponse webFileResponse(const fs::path& webDirectory, const std::string& path) {
  std::string relative = path.starts_with('/') ? path.substr(1) : path;
  if (relative.empty()) relative = "index.html";
  if (!isPlainRelativePath(relative)) return notFound();
  const auto type = contentTypes().find(fs::path(relative).extension().string());
  if (type == contentTypes().end()) return notFound();

  const auto file = NSBundle::hostFileInside(webDirectory, relative);
  if (!file) return notFound();
  auto bytes = readServedFile(*file);
  if (!bytes) return notFound();
  return {200, type->second, std::move(*bytes),
          {{"Cache-Control", "no-cache"},
           {"X-Content-Type-Options", "nosniff"},
           {"Content-Security-Policy", kContentSecurityPolicy}},
          {}};
}
