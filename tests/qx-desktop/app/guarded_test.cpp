#include "app/guarded.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace qx {
namespace {

TEST(GuardedValue, WorkIsSkippedUntilTheValueIsSet) {
  Guarded<int> g;
  bool ran = false;
  EXPECT_FALSE(g.with([&](int&) { ran = true; }));
  EXPECT_EQ(g.with([](int& v) { return v; }), std::nullopt);
  EXPECT_FALSE(ran);
  EXPECT_FALSE(g.is_set());
}

TEST(GuardedValue, TheFirstValueStaysForGood) {
  Guarded<std::string> g;
  EXPECT_TRUE(g.set("first"));
  EXPECT_FALSE(g.set("second"));
  EXPECT_EQ(g.with([](std::string& v) { return v; }), "first");
  EXPECT_TRUE(g.with([](std::string& v) { v += "!"; }));
  EXPECT_EQ(g.with([](std::string& v) { return v; }), "first!");
}

TEST(GuardedValue, AThrowingUserPoisonsTheLockForEveryLaterUser) {
  Guarded<int> g(5);
  EXPECT_FALSE(g.with([](int& v) {
    v = 6;
    throw std::runtime_error("failed while holding the lock");
  }));
  EXPECT_TRUE(g.is_poisoned());
  bool ran = false;
  EXPECT_FALSE(g.with([&](int&) { ran = true; }));
  EXPECT_EQ(g.with([](int& v) { return v; }), std::nullopt);
  EXPECT_FALSE(ran);
  // The lock itself was released: another thread is not blocked.
  std::thread t([&] { EXPECT_FALSE(g.with([](int&) {})); });
  t.join();
}

TEST(GuardedValue, ConcurrentUsersSeeEveryChange) {
  Guarded<long> g(0L);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&] {
      for (int k = 0; k < 10000; ++k) g.with([](long& v) { ++v; });
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(g.with([](long& v) { return v; }), 40000L);
}

}  // namespace
}  // namespace qx
