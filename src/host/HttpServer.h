#pragma once
// The host's one adapter to an HTTP library (Boost.Beast over Asio): an
// event-driven HTTP/1.1 server on one I/O thread, the thread that calls
// serve(). No connection holds that thread: a request is read as its bytes
// come, handed whole to the handler as a HostRequest, and the connection then
// waits, holding nothing, for the HostReply, which any thread may give.
//
// Limits (HttpLimits) keep any one client from taking what the others need:
// a request's line and headers, and then its body, must arrive within a
// deadline counted from its first byte (a drip of one byte a second is cut,
// however steady); the head is capped in size (one number, however its bytes
// arrive: the read buffer holds no more) and in number of headers (431); a
// body must state its length (a chunked one gets 411: chunk extensions and
// trailers would be bytes no cap counts) and is capped (413). Bad HTTP gets
// 400. These refusals are made by `refusal` and end the connection.
//
// Before the handler, every request passes `admit` (AccessGate); a refusal
// is answered and ends the connection. At the cap on open connections a
// newcomer is still taken while a connection can go for it: first one that
// was refused, then the oldest that never showed the access token; when none
// can, the server stops accepting and the system's listen queue holds
// newcomers until a connection ends.
//
// Streams (HostStream) are written as chunks as they wake; a connection
// that stops reading is cut after the write deadline.
//
// A WebSocket upgrade request answered with a HostSocket becomes that socket
// on the same connection (counted against the cap as before; the answer's
// headers go in the handshake): its opening and closing handshakes must
// finish within the request deadline, a message over the body cap closes it
// ("too big"), and each message is answered before the next is read. While
// it waits for a message the server pings it, and a client that sends
// nothing, not even the pong, for socketIdle is cut; one that does not take
// an answer within the write deadline is cut too. On stop() an idle socket is
// closed at once ("going away"), a busy one once its answer is out; a client
// that does not answer the close is cut after the keep-alive time.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "host/HostExchange.h"

struct HttpLimits {
  // An action is a few hundred bytes; its texts may hold 64 KiB each.
  std::size_t maxBodyBytes = 1 << 20;
  // A request's line and headers, the blank line after them included: a
  // browser's are under 2 KiB. The read buffer holds no more than this.
  std::size_t maxHeaderBytes = 16 << 10;
  // A browser sends some twenty.
  std::size_t maxHeaderCount = 100;
  // From a request's first byte to its last: a drip is cut however steady.
  std::chrono::milliseconds requestDeadline{10'000};
  // How long an open connection may wait for a request's first byte.
  std::chrono::milliseconds keepAliveIdle{2'000};
  // For a client to take an answer, a stream's chunk or a socket's message:
  // one that stops reading holds at most what is being written, this long.
  std::chrono::milliseconds writeDeadline{30'000};
  // A WebSocket waiting for a message is pinged at half of this and cut when
  // nothing, not even the pong, came for this long (a page that went away).
  std::chrono::milliseconds socketIdle{20'000};
  // Each costs a descriptor and buffers; a browser opens six per host.
  std::size_t maxConnections = 256;
  // A keep-alive connection goes after this many, so none lasts for ever.
  std::size_t maxRequestsPerConnection = 100;
  // Newcomers that wait while the connections are at the cap.
  int listenBacklog = 128;
};

class HttpServer {
 public:
  using Handler = std::function<void(HostRequest request, HostReply reply)>;
  using Refusal = std::function<HostResponse(int status, const std::string& message)>;
  // I/O thread: whether a request may reach the handler.
  using Admit = std::function<AccessDecision(const HostRequest& request)>;

  HttpServer(HttpLimits limits, Admit admit, Handler handler, Refusal refusal);
  // After serve() has returned, or when it never ran.
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Listens on address:port (0: any free port) with address reuse but no
  // port sharing, so a port another server holds is an error. Returns the
  // port; throws std::runtime_error when it cannot be had.
  int bind(const std::string& address, int port);
  // Serves on the calling thread until stop() and every connection has ended.
  void serve();
  // Any thread: accepts no more connections, closes idle ones and ends
  // streams; a request being handled still gets its answer, then its
  // connection closes, and serve() returns.
  void stop();
  // Any thread: runs `task` on the I/O thread after `delay`, unless the
  // server stops first (the task is then dropped).
  void after(std::chrono::milliseconds delay, std::function<void()> task);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};
