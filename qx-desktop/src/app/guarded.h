// A value shared between threads behind one lock, with the two ways a user can find it
// unusable: not set yet, or poisoned because a function run under the lock threw. Users skip
// their work in both cases; nothing is retried.
#pragma once

#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

namespace qx {

template <class T>
class Guarded {
 public:
  Guarded() = default;
  explicit Guarded(T value) : value_(std::move(value)) {}
  Guarded(const Guarded&) = delete;
  Guarded& operator=(const Guarded&) = delete;

  // Stores the value once; a later call leaves the first value in place and returns false.
  bool set(T value) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (value_) return false;
    value_.emplace(std::move(value));
    return true;
  }

  // Runs f(T&) with the lock held. Returns f's result, or nothing when the value is not set or
  // the lock is poisoned (a void f gives true when it ran). A throwing f poisons the lock.
  template <class F>
  auto with(F&& f) {
    using R = std::invoke_result_t<F, T&>;
    std::lock_guard<std::mutex> lock(mutex_);
    if constexpr (std::is_void_v<R>) {
      if (!value_ || poisoned_) return false;
      try {
        std::forward<F>(f)(*value_);
        return true;
      } catch (...) {
        poisoned_ = true;
        return false;
      }
    } else {
      if (!value_ || poisoned_) return std::optional<R>{};
      try {
        return std::optional<R>{std::forward<F>(f)(*value_)};
      } catch (...) {
        poisoned_ = true;
        return std::optional<R>{};
      }
    }
  }

  bool is_set() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return value_.has_value();
  }
  bool is_poisoned() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return poisoned_;
  }

 private:
  mutable std::mutex mutex_;
  std::optional<T> value_;
  bool poisoned_ = false;
};

}  // namespace qx
