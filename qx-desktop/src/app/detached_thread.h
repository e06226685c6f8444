// Starts a one-shot worker on a detached thread. A thread the system refuses to start, or a
// worker that throws (out of memory, say), costs only that worker's work: the exception never
// reaches the window procedure or ends the process.
#pragma once

#include <system_error>
#include <thread>
#include <utility>

namespace qx {

// Whether the thread was started.
template <class F>
bool spawn_detached(F work) {
  try {
    std::thread([work = std::move(work)]() mutable {
      try {
        work();
      } catch (...) {
      }
    }).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace qx
