#pragma once
// Loads the whole content of an http or https URL synchronously with
// libcurl, for NSData's dataWithContentsOfURL:. The calling thread waits
// until the load ends, one way or another, within the limits below.
//
// The rules: http and https only; redirects followed (at most
// maxRedirects, each to http or https, never from https down to http); TLS
// certificates and host names verified; an HTTP status of 400 or above, or
// a 3xx without a target, is a failure, since an error page is not content;
// more than maxBytes stops the load at once.
//
// A failure gives no bytes and an NSURLErrorDomain error saying why.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class NSError;
class NSURL;

inline const std::string NSURLErrorDomain = "NSURLErrorDomain";

// The NSURLErrorDomain codes this loader reports.
enum : long {
  NSURLErrorUnknown = -1,
  NSURLErrorBadURL = -1000,
  NSURLErrorTimedOut = -1001,
  NSURLErrorUnsupportedURL = -1002,
  NSURLErrorCannotFindHost = -1003,
  NSURLErrorCannotConnectToHost = -1004,
  NSURLErrorNetworkConnectionLost = -1005,
  NSURLErrorHTTPTooManyRedirects = -1007,
  NSURLErrorBadServerResponse = -1011,
  NSURLErrorAppTransportSecurityRequiresSecureConnection = -1022,
  NSURLErrorDataLengthExceedsMaximum = -1103,
  NSURLErrorSecureConnectionFailed = -1200,
  NSURLErrorServerCertificateUntrusted = -1202,
};

// The platform's limits on one whole-content load. A process-wide setting:
// the host keeps the defaults, tests shorten them.
struct URLLoadLimits {
  std::chrono::milliseconds connectTimeout{15'000};
  std::chrono::milliseconds totalTimeout{120'000};  // the whole load, redirects included
  std::size_t maxBytes = 50 * 1024 * 1024;
  int maxRedirects = 10;
};
void setURLLoadLimits(const URLLoadLimits& limits);
URLLoadLimits urlLoadLimits();

struct URLLoadResult {
  std::optional<std::vector<std::uint8_t>> bytes;  // none on failure
  std::shared_ptr<NSError> error;                  // set on failure
};

// Any thread; blocks it for the whole load.
URLLoadResult loadURLContents(const NSURL& url, const URLLoadLimits& limits);
