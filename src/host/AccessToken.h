#pragma once
// The secret that opens the host to a browser: drawn at random, and kept in
// a file only its user can read, so that the same user's next start of the
// host takes the same one and a page left open keeps working. Making a fresh
// one shuts out every page that holds the old one.
//
// The file holds the token in hex and a line break. It is written beside the
// device copy in the user's data folder, created with mode 0600 under a
// temporary name and then put in place in one step, so a reader never sees a
// part of it and two hosts starting at once end up with the same token.
// Functions may be called from any thread; failures throw std::runtime_error
// naming the file and the reason.
#include <filesystem>
#include <optional>
#include <string>

// A fresh token: 32 random bytes (OpenSSL's RAND_bytes) as 64 hex digits.
std::string makeAccessToken();

// Whether `text` has the form makeAccessToken gives.
bool isAccessTokenText(const std::string& text);

struct KeptAccessToken {
  std::string token;
  // Why the kept token was replaced by a fresh one (a file others could read,
  // or one that holds no token), to tell the person; none otherwise.
  std::optional<std::string> replacedBecause;
};

// The token kept in `file`, made and kept first when there is none or it
// cannot be trusted (not a plain file of this user's, readable by others, or
// not a token); with `fresh`, always a new one, which replaces the old. So
// too when `earlierFile` (an earlier version's) is there: it is removed.
// Creates the file's folder (mode 0700) when it is missing.
KeptAccessToken keptAccessToken(const std::filesystem::path& file, bool fresh,
                                const std::filesystem::path& earlierFile = {});
