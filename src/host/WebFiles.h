#pragma once
// The browser page's own files, from web/ and nothing else: a path that
// leaves the folder, names a hidden file, or reaches through a symbolic link
// to anything outside the folder gets 404, and so does a file of a kind the
// page does not use. Any thread.
#include <filesystem>
#include <optional>
#include <string>

#include "host/HostExchange.h"

// A served file's bytes, read in one go; none when it cannot be read.
std::optional<std::string> readServedFile(const std::filesystem::path& file);
// The answer for the decoded URL path `path` ("/" is index.html).
HostResponse webFileResponse(const std::filesystem::path& webDirectory, const std::string& path);
