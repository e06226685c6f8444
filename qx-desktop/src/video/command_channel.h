// A queue of commands from any thread to one receiving thread, with a timed wait. Either side
// may close it: the receiver then takes what is queued and learns that nothing more comes; a
// sender's later sends are dropped and reported as false.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

namespace qx {

template <class T>
class CommandChannel {
 public:
  // False when the channel is closed; the value is dropped.
  bool send(T value) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (closed_) return false;
      queue_.push_back(std::move(value));
    }
    ready_.notify_one();
    return true;
  }

  void close() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closed_ = true;
    }
    ready_.notify_all();
  }

  struct Received {
    std::optional<T> value;  // none: timed out, or closed
    bool closed = false;     // closed and drained
  };

  // Waits up to `limit` for a value.
  template <class Rep, class Period>
  Received receive_for(std::chrono::duration<Rep, Period> limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait_for(lock, limit, [&] { return !queue_.empty() || closed_; });
    return take(lock);
  }

  // A value already queued, without waiting.
  Received try_receive() {
    std::unique_lock<std::mutex> lock(mutex_);
    return take(lock);
  }

 private:
  Received take(std::unique_lock<std::mutex>&) {
    Received r;
    if (!queue_.empty()) {
      r.value.emplace(std::move(queue_.front()));
      queue_.pop_front();
    } else {
      r.closed = closed_;
    }
    return r;
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<T> queue_;
  bool closed_ = false;
};

}  // namespace qx
