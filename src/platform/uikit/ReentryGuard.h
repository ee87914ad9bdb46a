#pragma once
// Marks a call as under way for its whole extent: sets the flag on entry and
// clears it on every way out, a throw included, so that a nested call can
// tell it runs inside the outer one. The flag must outlive the guard.
class ReentryGuard {
 public:
  explicit ReentryGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~ReentryGuard() { flag_ = false; }
  ReentryGuard(const ReentryGuard&) = delete;
  ReentryGuard& operator=(const ReentryGuard&) = delete;

 private:
  bool& flag_;
};
