#pragma once
// The host's own view of an HTTP request and its answer, so that the route
// handlers (HostServer) do not depend on the HTTP library serving them
// (HttpServer adapts them). Requests and answers are plain values; a
// HostReply carries the one answer back from whichever thread has it.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct HostRequest {
  std::string method;                 // "GET", "POST", ...
  std::string path;                   // the target's path, percent-decoded
  std::string query;                  // what follows '?' in the target, as sent
  std::vector<std::pair<std::string, std::string>> headers;  // as sent, in order
  std::string contentType;            // the Content-Type header, as sent
  std::optional<std::string> origin;  // the Origin header, when sent
  std::string host;                 // the Host header, as sent
  std::string target;               // path and query as sent, not decoded
  std::string cookie;               // every Cookie header, joined by "; "
  std::string authorization;        // the Authorization header, as sent
  std::string body;
  std::string pathParameter;  // what the route's pattern captured, if anything

  // The first header of that name (any case), or none.
  std::optional<std::string> header(std::string_view name) const;
};

// An answer that goes on after its head (server-sent events). The server
// calls these on its I/O thread.
struct HostStream {
  // Once the head is written. `wake` may be called on any thread, any number
  // of times, whenever `take` has something new (including the stream's end).
  std::function<void(std::function<void()> wake)> start;
  // The text to write now (may be empty), or none once the stream is over.
  std::function<std::optional<std::string>()> take;
  // Written whenever nothing else was for `idleAfter`, so that idle proxies
  // and browsers keep the connection.
  std::string idleText;
  std::chrono::milliseconds idleAfter{10'000};
  // Once, when the connection goes, whichever side ends it.
  std::function<void()> ended;
};

class HostReply;

// A WebSocket the page keeps open for its actions, one message at a time:
// each text message from the page is answered by exactly one text message,
// in order, before the next is read. The server calls `message` on its I/O
// thread; `reply` may be given on any thread, and its body is the text sent.
struct HostSocket {
  std::function<void(std::string text, HostReply reply)> message;
};

struct HostResponse {
  int status = 200;
  std::string contentType;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  std::shared_ptr<HostStream> stream;  // in place of the body, when set
  // When set, a WebSocket upgrade request is taken up as this socket (any
  // other request to it is refused with 400).
  std::shared_ptr<HostSocket> socket = nullptr;
};

// What the check before every route (AccessGate) makes of a request.
struct AccessDecision {
  // The answer instead of the route's, when the request is refused; the
  // connection then ends after it.
  std::optional<HostResponse> refusal;
  // Whether the request showed the access token (the page's own files pass
  // without it). At the connection cap, connections that never showed it
  // are the first to go.
  bool tokenShown = false;
  // Headers to add to whatever answer the route gives.
  std::vector<std::pair<std::string, std::string>> headers;
};

// Takes a request's one answer, on any thread. Copies share one answer: the
// first counts, later ones are ignored. When the last copy goes unanswered
// (work dropped because the host stops), `fallback` is sent in its place, so
// a connection never waits for an answer nobody will give.
class HostReply {
 public:
  using Deliver = std::function<void(HostResponse)>;
  HostReply(Deliver deliver, HostResponse fallback);
  void operator()(HostResponse response) const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};
