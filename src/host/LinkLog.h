#pragma once
// The links pages handed to openURL:, numbered in order. The browser opens
// each one once, in a new tab; tests read them back. Any thread.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct OpenedLink {
  std::uint64_t sequence = 0;  // from 1
  std::string url;
};

class LinkLog {
 public:
  OpenedLink append(const std::string& url);
  std::vector<OpenedLink> since(std::uint64_t sequence) const;  // those after it
  std::uint64_t lastSequence() const;

 private:
  mutable std::mutex mutex_;
  std::vector<OpenedLink> links_;
};
