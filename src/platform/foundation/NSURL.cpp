#include "foundation/NSURL.h"

#include <curl/curl.h>

#include <cctype>
#include <stdexcept>

namespace {

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

bool isAllowedInURL(unsigned char c) {
  if (std::isalnum(c)) return true;
  static constexpr std::string_view allowed = "-._~:/?#[]@!$&'()*+,;=%";
  return c < 0x80 && allowed.find(static_cast<char>(c)) != std::string_view::npos;
}

// Only RFC 3986 characters, every '%' starting an escape, one '#' at most.
bool isWellFormed(std::string_view text) {
  bool seenFragment = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!isAllowedInURL(static_cast<unsigned char>(c))) return false;
    if (c == '%' && (i + 2 >= text.size() || !isHex(text[i + 1]) || !isHex(text[i + 2]))) {
      return false;
    }
    if (c == '#') {
      if (seenFragment) return false;
      seenFragment = true;
    }
  }
  return true;
}

bool isScheme(std::string_view text) {
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return false;
  for (char c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
      return false;
    }
  }
  return true;
}

std::string lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The host of an authority: without "user@", ":port" and an IPv6 literal's brackets.
std::string hostOfAuthority(std::string_view authority) {
  if (auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  if (!authority.empty() && authority.front() == '[') {
    auto close = authority.find(']');
    return std::string(authority.substr(1, close == std::string_view::npos ? close : close - 1));
  }
  return std::string(authority.substr(0, authority.find(':')));
}

std::string curlEscaped(std::string_view text, bool encode) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  int decodedLength = 0;
  char* result = encode ? curl_easy_escape(nullptr, text.data(), length)
                        : curl_easy_unescape(nullptr, text.data(), length, &decodedLength);
  if (result == nullptr) throw std::bad_alloc();
  std::string copy = encode ? std::string(result) : std::string(result, decodedLength);
  curl_free(result);
  return copy;
}

}  // namespace

NSURL::NSURL(std::string text) : text_(std::move(text)) {
  std::string_view rest = text_;
  if (auto colon = rest.find_first_of(":/?#"); colon != std::string_view::npos &&
                                               rest[colon] == ':' && isScheme(rest.substr(0, colon))) {
    scheme_ = lowercase(std::string(rest.substr(0, colon)));
    rest.remove_prefix(colon + 1);
  }
  if (auto hash = rest.find('#'); hash != std::string_view::npos) {
    fragment_ = std::string(rest.substr(hash + 1));
    rest = rest.substr(0, hash);
  }
  if (auto question = rest.find('?'); question != std::string_view::npos) {
    query_ = std::string(rest.substr(question + 1));
    rest = rest.substr(0, question);
  }
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    const auto slash = rest.find('/');
    host_ = hostOfAuthority(rest.substr(0, slash));
    rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash);
  }
  encodedPath_ = std::string(rest);
}

std::shared_ptr<NSURL> NSURL::URLWithString(std::string_view text) {
  if (text.empty() || !isWellFormed(text)) return nullptr;
  return std::make_shared<NSURL>(std::string(text));
}

std::shared_ptr<NSURL> NSURL::fileURLWithPath(std::string_view path) {
  std::string encoded;
  std::size_t start = 0;
  // Each component is encoded on its own so that the slashes stay.
  while (start <= path.size()) {
    const auto slash = path.find('/', start);
    const auto end = slash == std::string_view::npos ? path.size() : slash;
    encoded += percentEncode(path.substr(start, end - start));
    if (slash == std::string_view::npos) break;
    encoded += '/';
    start = slash + 1;
  }
  if (encoded.empty() || encoded.front() != '/') encoded.insert(encoded.begin(), '/');
  return std::make_shared<NSURL>("file://" + encoded);
}

std::string NSURL::path() const { return percentDecode(encodedPath_); }

std::string NSURL::percentEncode(std::string_view text) { return curlEscaped(text, true); }

std::string NSURL::percentDecode(std::string_view text) { return curlEscaped(text, false); }
