// A process-wide value that may be absent, behind its own small lock (the window rectangle, the
// last presented frame). Work runs under the lock through with(); nothing under it may throw.
#pragma once

#include <mutex>
#include <optional>
#include <utility>

namespace qx {

template <class T>
class LockedOptional {
 public:
  LockedOptional() = default;
  LockedOptional(const LockedOptional&) = delete;
  LockedOptional& operator=(const LockedOptional&) = delete;

  // Runs f(std::optional<T>&) with the lock held and returns its result.
  template <class F>
  auto with(F&& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::forward<F>(f)(value_);
  }

  void store(T value) {
    with([&](std::optional<T>& v) { v = std::move(value); });
  }
  // A copy of the value (for small T).
  std::optional<T> load() {
    return with([](std::optional<T>& v) { return v; });
  }
  void clear() {
    with([](std::optional<T>& v) { v.reset(); });
  }

 private:
  std::mutex mutex_;
  std::optional<T> value_;
};

}  // namespace qx
