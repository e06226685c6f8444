#include "app/detached_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <thread>

namespace qx {
namespace {

using namespace std::chrono_literals;

// Counters outlive the tests: detached workers may still run when a test fails.
std::atomic<int>& counter() {
  static std::atomic<int>& c = *new std::atomic<int>(0);
  return c;
}

bool reaches(int value) {
  for (int i = 0; i < 3000 && counter().load() < value; ++i) std::this_thread::sleep_for(10ms);
  return counter().load() >= value;
}

TEST(DetachedWorker, RunsOnAThreadOfItsOwnAndAThrowingWorkerEndsOnlyItself) {
  const std::thread::id caller = std::this_thread::get_id();
  ASSERT_TRUE(spawn_detached([caller] {
    if (std::this_thread::get_id() != caller) ++counter();
  }));
  ASSERT_TRUE(reaches(1));
  // Were the exception to escape, the process would end here.
  ASSERT_TRUE(spawn_detached([] {
    ++counter();
    throw std::bad_alloc();
  }));
  ASSERT_TRUE(reaches(2));
  ASSERT_TRUE(spawn_detached([] { ++counter(); }));
  EXPECT_TRUE(reaches(3));
}

}  // namespace
}  // namespace qx
