#pragma once
// A plain TCP connection to 127.0.0.1, for requests no HTTP client would
// send: dripped, oversized, malformed. Blocking, one thread at a time.
#include <chrono>
#include <string>
#include <string_view>

class RawConnection {
 public:
  explicit RawConnection(int port);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  // False once the server has closed the connection.
  bool send(std::string_view bytes);
  // What arrives until the server closes the connection or `timeout` passes.
  std::string readUntilClosed(std::chrono::milliseconds timeout);
  // What arrives until `text` has or `timeout` passes.
  std::string readUntil(std::string_view text, std::chrono::milliseconds timeout);
  // Whether the server closes the connection within `timeout`.
  bool closesWithin(std::chrono::milliseconds timeout);
  // The status code of an answer's text, or 0.
  static int statusOf(const std::string& answer);

 private:
  // Reads into `text` until it holds `wanted` (never, when empty), the server
  // closes or `timeout` passes; whether the server closed.
  bool readFor(std::string& text, std::chrono::milliseconds timeout, std::string_view wanted);

  int fd_ = -1;
};
