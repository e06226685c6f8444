#include "render/repaint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "app/orb_zoom.h"
#include "state_test_helpers.h"

namespace qx {
namespace {

using test::T0;

class CountingPoster final : public WindowPoster {
 public:
  void post(std::uint32_t message) override {
    if (message == WM_APP_REPAINT) ++repaints;
    ++posts;
  }
  std::atomic<int> posts{0};
  std::atomic<int> repaints{0};
};

class FakeHost final : public AnimationHost {
 public:
  explicit FakeHost(bool animation) : animation_(animation) {}
  bool client_area_animation() override { return animation_; }
  void set_animate_timer() override { ++armed; }
  void kill_animate_timer() override { ++killed; }
  int armed = 0;
  int killed = 0;

 private:
  bool animation_;
};

// Every test starts with the flags as a fresh process has them.
class Repaint : public ::testing::Test {
 protected:
  void SetUp() override {
    REPAINT_PENDING = false;
    ANIMATION_ON = false;
  }
  // What the window does on WM_APP_REPAINT before it paints.
  static void service_repaint() { REPAINT_PENDING.exchange(false); }
};

AppState zoom_state(float orb_zoom, float shown_zoom) {
  AppState s = test::state_with({"https://a.example/feed"});
  s.orb_zoom = orb_zoom;
  s.shown_zoom = shown_zoom;
  return s;
}

float shown(Guarded<AppState>& state) { return *state.with([](AppState& s) { return s.shown_zoom; }); }

TEST_F(Repaint, RequestsBeforeTheQueueIsServicedGiveOnePost) {
  CountingPoster window;
  request_repaint(window);
  request_repaint(window);
  EXPECT_EQ(window.repaints, 1);
  service_repaint();
  request_repaint(window);
  EXPECT_EQ(window.repaints, 2);
}

TEST_F(Repaint, RequestsFromManyThreadsGiveOnePost) {
  CountingPoster window;
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&] {
      for (int k = 0; k < 1000; ++k) request_repaint(window);
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(window.posts, 1);
}

TEST_F(Repaint, NoAnimationStartsWhileTheOrbIsAtItsTarget) {
  CountingPoster window;
  FakeHost host(true);
  Guarded<AppState> state(zoom_state(1.25f, 1.25f));
  start_orb_animation(window, host, state, T0);
  state.with([](AppState& s) { s.shown_zoom = 1.25f - 0.01f; });
  start_orb_animation(window, host, state, T0);
  EXPECT_EQ(host.armed, 0);
  EXPECT_EQ(window.posts, 0);
  EXPECT_FALSE(ANIMATION_ON);
}

TEST_F(Repaint, AStartArmsTheTimerOnceAndLeavesTheZoomToTheTicks) {
  CountingPoster window;
  FakeHost host(true);
  Guarded<AppState> state(zoom_state(1.5f, 1.0f));
  start_orb_animation(window, host, state, T0);
  start_orb_animation(window, host, state, T0);
  EXPECT_EQ(host.armed, 1);
  EXPECT_TRUE(ANIMATION_ON);
  EXPECT_EQ(shown(state), 1.0f);
  EXPECT_EQ(window.posts, 0);
}

TEST_F(Repaint, WithAnimationOffTheTargetShowsInOneRepaintWithoutTimer) {
  CountingPoster window;
  FakeHost host(false);
  Guarded<AppState> state(zoom_state(1.5f, 1.0f));
  start_orb_animation(window, host, state, T0);
  EXPECT_EQ(shown(state), 1.5f);
  EXPECT_EQ(window.repaints, 1);
  EXPECT_EQ(host.armed, 0);
  EXPECT_FALSE(ANIMATION_ON);
}

TEST_F(Repaint, TicksCloseAFixedShareOfTheGapThenSettleExactlyAndStop) {
  CountingPoster window;
  FakeHost host(true);
  Guarded<AppState> state(zoom_state(2.0f, 1.0f));
  start_orb_animation(window, host, state, T0);

  float expected = 1.0f;
  int ticks = 0;
  while (host.killed == 0 && ticks < 100) {
    const float gap = 2.0f - expected;
    expected = std::fabs(gap) >= ORB_SETTLED_GAP ? expected + gap * ORB_EASING : 2.0f;
    orb_animation_step(window, host, state, T0);
    service_repaint();
    ++ticks;
    EXPECT_EQ(shown(state), expected) << "tick " << ticks;
  }
  EXPECT_EQ(ticks, 16);  // 15 ticks close 26% of the gap each until it is below 0.012; one settles
  EXPECT_EQ(shown(state), 2.0f);
  EXPECT_EQ(host.killed, 1);
  EXPECT_FALSE(ANIMATION_ON);
  EXPECT_EQ(window.repaints, ticks);
}

TEST_F(Repaint, ATickWithoutStateStopsTheTimerAndStillRepaints) {
  CountingPoster window;
  FakeHost host(true);
  Guarded<AppState> unset;
  ANIMATION_ON = true;
  orb_animation_step(window, host, unset, T0);
  EXPECT_EQ(host.killed, 1);
  EXPECT_FALSE(ANIMATION_ON);
  EXPECT_EQ(window.repaints, 1);

  start_orb_animation(window, host, unset, T0);
  EXPECT_EQ(host.armed, 0);
}

TEST_F(Repaint, AStartAfterSettlingArmsTheTimerAgain) {
  CountingPoster window;
  FakeHost host(true);
  Guarded<AppState> state(zoom_state(1.5f, 1.0f));
  start_orb_animation(window, host, state, T0);
  for (int i = 0; i < 100 && host.killed == 0; ++i) orb_animation_step(window, host, state, T0);
  state.with([](AppState& s) { s.orb_zoom = 0.8f; });
  start_orb_animation(window, host, state, T0);
  EXPECT_EQ(host.armed, 2);
}

}  // namespace
}  // namespace qx
