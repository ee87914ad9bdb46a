#include "foundation/URLLoader.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "foundation/NSError.h"
#include "foundation/NSURL.h"

namespace {

std::mutex limitsMutex;
URLLoadLimits currentLimits;

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

struct Body {
  std::vector<std::uint8_t> bytes;
  std::size_t maxBytes = 0;
  bool overLimit = false;
};

// Returning less than was given makes libcurl end the transfer at once.
std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto& body = *static_cast<Body*>(user);
  const std::size_t length = size * count;
  if (length > body.maxBytes - body.bytes.size()) {
    body.overLimit = true;
    return 0;
  }
  body.bytes.insert(body.bytes.end(), data, data + length);
  return length;
}

URLLoadResult failure(long code, std::string description) {
  return {std::nullopt, std::make_shared<NSError>(NSURLErrorDomain, code, std::move(description))};
}

std::string schemeOf(std::string_view url) {
  const auto colon = url.find(':');
  std::string scheme(url.substr(0, colon == std::string_view::npos ? 0 : colon));
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return scheme;
}

bool isWebScheme(const std::string& scheme) { return scheme == "http" || scheme == "https"; }

// A proxy named in the environment is never asked for this machine's own
// addresses: it could not reach them.
std::string noProxyList() {
  std::string list = "localhost,127.0.0.1,::1";
  const char* fromEnvironment = std::getenv("no_proxy");
  if (fromEnvironment == nullptr) fromEnvironment = std::getenv("NO_PROXY");
  if (fromEnvironment != nullptr && *fromEnvironment != '\0') list = std::string(fromEnvironment) + "," + list;
  return list;
}

long codeForCurlError(CURLcode result, const Body& body) {
  switch (result) {
    case CURLE_OPERATION_TIMEDOUT: return NSURLErrorTimedOut;
    case CURLE_COULDNT_RESOLVE_HOST: return NSURLErrorCannotFindHost;
    case CURLE_COULDNT_CONNECT: return NSURLErrorCannotConnectToHost;
    case CURLE_FILESIZE_EXCEEDED: return NSURLErrorDataLengthExceedsMaximum;
    case CURLE_WRITE_ERROR:
      return body.overLimit ? NSURLErrorDataLengthExceedsMaximum : NSURLErrorUnknown;
    case CURLE_UNSUPPORTED_PROTOCOL: return NSURLErrorUnsupportedURL;
    case CURLE_URL_MALFORMAT: return NSURLErrorBadURL;
    case CURLE_PEER_FAILED_VERIFICATION: return NSURLErrorServerCertificateUntrusted;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE: return NSURLErrorSecureConnectionFailed;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE: return NSURLErrorNetworkConnectionLost;
    default: return NSURLErrorUnknown;
  }
}

long milliseconds(std::chrono::milliseconds duration) {
  return static_cast<long>(std::max<std::chrono::milliseconds::rep>(duration.count(), 1));
}

// The options that hold for every hop of one load.
void setCommonOptions(CURL* easy, Body& body, const URLLoadLimits& limits, const std::string& noProxy,
                      char* errorText) {
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);  // followed below, by our own rules
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_NOPROXY, noProxy.c_str());
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "Chimewell/1.0");
  curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, appendBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);
}

}  // namespace

void setURLLoadLimits(const URLLoadLimits& limits) {
  std::lock_guard lock(limitsMutex);
  currentLimits = limits;
}

URLLoadLimits urlLoadLimits() {
  std::lock_guard lock(limitsMutex);
  return currentLimits;
}

URLLoadResult loadURLContents(const NSURL& url, const URLLoadLimits& limits) {
  if (!url.scheme() || !isWebScheme(*url.scheme())) {
    return failure(NSURLErrorUnsupportedURL, "Only http and https links can be loaded");
  }
  if (!url.host() || url.host()->empty()) return failure(NSURLErrorBadURL, "The link names no server");

  static std::once_flag curlReady;
  std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  EasyHandle easy(curl_easy_init());
  if (!easy) return failure(NSURLErrorUnknown, "The loader could not start");

  Body body;
  body.maxBytes = limits.maxBytes;
  const std::string noProxy = noProxyList();
  char errorText[CURL_ERROR_SIZE] = {};
  setCommonOptions(easy.get(), body, limits, noProxy, errorText);

  const auto deadline = std::chrono::steady_clock::now() + limits.totalTimeout;
  std::string current = url.absoluteString();
  for (int redirects = 0;;) {
    const auto remaining =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (remaining.count() <= 0) return failure(NSURLErrorTimedOut, "The load took too long");
    body.bytes.clear();
    errorText[0] = '\0';
    curl_easy_setopt(easy.get(), CURLOPT_URL, current.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT_MS, milliseconds(remaining));
    curl_easy_setopt(easy.get(), CURLOPT_CONNECTTIMEOUT_MS,
                     milliseconds(std::min(remaining, limits.connectTimeout)));

    const CURLcode result = curl_easy_perform(easy.get());
    if (result != CURLE_OK) {
      return failure(codeForCurlError(result, body),
                     errorText[0] != '\0' ? errorText : curl_easy_strerror(result));
    }
    long status = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status >= 400) {
      return failure(NSURLErrorBadServerResponse, "The server answered " + std::to_string(status));
    }
    if (status < 300) return {std::move(body.bytes), nullptr};

    char* target = nullptr;
    curl_easy_getinfo(easy.get(), CURLINFO_REDIRECT_URL, &target);
    if (target == nullptr) {
      return failure(NSURLErrorBadServerResponse,
                     "The server answered " + std::to_string(status) + " without a new location");
    }
    if (redirects++ == limits.maxRedirects) {
      return failure(NSURLErrorHTTPTooManyRedirects, "Too many redirects");
    }
    const std::string next = target;
    const std::string nextScheme = schemeOf(next);
    if (!isWebScheme(nextScheme)) {
      return failure(NSURLErrorUnsupportedURL, "A redirect to a link that is not http or https");
    }
    if (schemeOf(current) == "https" && nextScheme == "http") {
      return failure(NSURLErrorAppTransportSecurityRequiresSecureConnection,
                     "A redirect from https down to http");
    }
    current = next;
  }
}
