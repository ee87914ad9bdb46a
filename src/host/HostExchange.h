#pragma once
// The host's own view of an HTTP request and its answer, so that the route
// handlers (HostServer) do not depend on the HTTP library serving them.
// Plain values; the server adapts them to the library on its HTTP threads.
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct HostRequest {
  std::string contentType;          // the Content-Type header, as sent
  std::optional<std::string> origin;  // the Origin header, when sent
  std::string host;                 // the Host header, as sent
  std::string target;               // path and query as sent, not decoded
  std::string cookie;               // every Cookie header, joined by "; "
  std::string authorization;        // the Authorization header, as sent
  std::string body;
  std::string pathParameter;  // what the route's pattern captured, if anything
};

struct HostResponse {
  int status = 200;
  std::string contentType;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  // A stream in place of the body: each call gives the next chunk (it may
  // wait), none when the stream is over; `streamEnded` runs once when the
  // connection goes, whichever side ends it.
  std::function<std::optional<std::string>()> nextChunk;
  std::function<void()> streamEnded;
};
