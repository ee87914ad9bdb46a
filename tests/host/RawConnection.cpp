#include "RawConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

RawConnection::RawConnection(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd_ < 0 || connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (fd_ >= 0) close(fd_);
    throw std::runtime_error("cannot connect to 127.0.0.1:" + std::to_string(port));
  }
}

RawConnection::~RawConnection() { close(fd_); }

bool RawConnection::send(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

bool RawConnection::readFor(std::string& text, std::chrono::milliseconds timeout, std::string_view wanted) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  char buffer[65536];
  while (wanted.empty() || text.find(wanted) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd ready{fd_, POLLIN, 0};
    if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) return false;
    const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
    if (got <= 0) return true;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  return false;
}

std::string RawConnection::readUntilClosed(std::chrono::milliseconds timeout) {
  std::string text;
  readFor(text, timeout, {});
  return text;
}

std::string RawConnection::readUntil(std::string_view wanted, std::chrono::milliseconds timeout) {
  std::string text;
  readFor(text, timeout, wanted);
  return text;
}

bool RawConnection::closesWithin(std::chrono::milliseconds timeout) {
  std::string ignored;
  return readFor(ignored, timeout, {});
}

int RawConnection::statusOf(const std::string& answer) {
  if (!answer.starts_with("HTTP/1.") || answer.size() < 12) return 0;
  return std::stoi(answer.substr(9, 3));
}
