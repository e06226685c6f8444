#include "win_ui/placement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/repaint.h"
#include "state_test_helpers.h"

namespace qx {
namespace {

using test::state_with;
using test::T0;

// Two 1920 × 1080 screens side by side; the right one holds a 40 px taskbar at the bottom.
const Rect LEFT_SCREEN{-1920, 0, 0, 1080};
const Rect RIGHT_SCREEN{0, 0, 1920, 1080};
const Rect RIGHT_WORK{0, 0, 1920, 1040};

class FakeHost final : public PlacementHost {
 public:
  std::vector<std::string> calls;
  std::vector<MonitorRects> list{{RIGHT_SCREEN, RIGHT_WORK}, {LEFT_SCREEN, LEFT_SCREEN}};
  float dpi_scale = 1.0f;
  std::int32_t taskbar = 40;  // what the shell keeps clear at the bottom of a queried rectangle

  void app_bar_new() override { calls.push_back("new"); }
  Rect app_bar_query_pos(AppBarEdge, const Rect& rc) override {
    calls.push_back("query");
    Rect out = rc;
    out.bottom -= taskbar;
    return out;
  }
  Rect app_bar_set_pos(AppBarEdge edge, const Rect& rc) override {
    calls.push_back("set " + std::to_string(static_cast<int>(edge)));
    return rc;
  }
  void app_bar_remove() override { calls.push_back("remove"); }
  std::vector<MonitorRects> monitors() override { return list; }
  ScreenSize screen() override { return {1920, 1080}; }
  float scale() override { return dpi_scale; }
  void hide_window() override { calls.push_back("hide"); }
};

class PlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    APPBAR_REGISTERED.store(false);
    FULLSCREEN_APP.store(false);
    rect.clear();
  }
  AppState view(Placement p, bool reserve = true) {
    AppState s = state_with({"https://a/"});
    s.placement = p;
    s.reserve = reserve;
    return s;
  }
  FakeHost host;
  LockedOptional<Rect> rect;
};

TEST(AppBarThickness, FollowsTheEdgeAndTheScale) {
  struct Case {
    AppBarEdge edge;
    float scale;
    std::int32_t px;
  } cases[] = {
      {AppBarEdge::Bottom, 1.0f, 52},  {AppBarEdge::Top, 1.0f, 52},    {AppBarEdge::Bottom, 1.25f, 65},
      {AppBarEdge::Bottom, 1.5f, 78},  {AppBarEdge::Left, 1.0f, 252},  {AppBarEdge::Right, 1.25f, 315},
      {AppBarEdge::Left, 1.5f, 378},   {AppBarEdge::Top, 1.75f, 91},
  };
  for (const Case& c : cases) EXPECT_EQ(app_bar_thickness(c.edge, c.scale), c.px) << c.scale;
}

TEST(AppBarEdges, TheIslandIsNeverAnAppBar) {
  EXPECT_EQ(app_bar_edge(Placement::SignalBarBottom), AppBarEdge::Bottom);
  EXPECT_EQ(app_bar_edge(Placement::SignalBarTop), AppBarEdge::Top);
  EXPECT_EQ(app_bar_edge(Placement::BarLeft), AppBarEdge::Left);
  EXPECT_EQ(app_bar_edge(Placement::BarRight), AppBarEdge::Right);
  EXPECT_EQ(app_bar_edge(Placement::Island), std::nullopt);
}

TEST(AppBarFarSide, IsSetFromTheNearSideOfTheShellsAnswer) {
  const Rect answer{0, 0, 1920, 1040};  // the shell kept a taskbar clear at the bottom
  EXPECT_EQ(set_far_side(AppBarEdge::Bottom, answer, 52), (Rect{0, 988, 1920, 1040}));
  EXPECT_EQ(set_far_side(AppBarEdge::Top, answer, 52), (Rect{0, 0, 1920, 52}));
  EXPECT_EQ(set_far_side(AppBarEdge::Left, LEFT_SCREEN, 378), (Rect{-1920, 0, -1542, 1080}));
  EXPECT_EQ(set_far_side(AppBarEdge::Right, RIGHT_SCREEN, 252), (Rect{1668, 0, 1920, 1080}));
  EXPECT_EQ(set_far_side(AppBarEdge::Bottom, Rect{0, 0, 10, INT32_MIN + 5}, 52).top, INT32_MIN);
}

TEST(MonitorList, ThePrimaryComesFirstAndTheOthersKeepTheirOrder) {
  const Rect a{-1920, 0, 0, 1080}, p{0, 0, 2560, 1440}, b{2560, 0, 4480, 1080};
  const std::vector<MonitorRects> sorted = sort_monitors({{a, a, false}, {p, p, true}, {b, b, false}});
  ASSERT_EQ(sorted.size(), 3u);
  EXPECT_EQ(sorted[0].monitor, p);
  EXPECT_EQ(sorted[1].monitor, a);
  EXPECT_EQ(sorted[2].monitor, b);
}

TEST(MonitorList, APrimaryEnumeratedLastStillComesFirstAndTheOthersKeepTheirOrder) {
  const Rect a{-1920, 0, 0, 1080}, b{2560, 0, 4480, 1080}, c{4480, 0, 6400, 1080}, p{0, 0, 2560, 1440};
  struct Case {
    std::vector<MonitorInfo> enumerated;
    std::vector<Rect> sorted;
  } cases[] = {
      {{{a, a, false}, {p, p, true}}, {p, a}},
      {{{a, a, false}, {b, b, false}, {c, c, false}, {p, p, true}}, {p, a, b, c}},
      {{{a, a, false}, {b, b, false}}, {a, b}},  // none marked primary: enumeration order
  };
  for (const Case& k : cases) {
    std::vector<Rect> got;
    for (const MonitorRects& m : sort_monitors(k.enumerated)) got.push_back(m.monitor);
    EXPECT_EQ(got, k.sorted) << k.enumerated.size();
  }
}

TEST(MonitorList, AnIndexBeyondTheListFallsBackToThePrimary) {
  const std::vector<MonitorRects> list{{RIGHT_SCREEN, RIGHT_WORK}, {LEFT_SCREEN, LEFT_SCREEN}};
  EXPECT_EQ(monitor_rect(list, 1, {1, 1}).monitor, LEFT_SCREEN);
  EXPECT_EQ(monitor_rect(list, 2, {1, 1}).monitor, RIGHT_SCREEN);
  EXPECT_EQ(monitor_rect(list, UINT64_MAX, {1, 1}).work, RIGHT_WORK);
}

TEST(MonitorList, NoMonitorsMeansTheWholeScreen) {
  const MonitorRects whole = monitor_rect({}, 3, {1280, 800});
  EXPECT_EQ(whole.monitor, (Rect{0, 0, 1280, 800}));
  EXPECT_EQ(whole.work, (Rect{0, 0, 1280, 800}));
}

TEST_F(PlacementTest, ABottomBarWithReserveIsAnAppBarAboveTheTaskbar) {
  host.dpi_scale = 1.5f;
  EXPECT_EQ(place_bar(view(Placement::SignalBarBottom), T0, host, rect), (Rect{0, 962, 1920, 1040}));
  EXPECT_EQ(host.calls, (std::vector<std::string>{"new", "query", "set 3"}));
  EXPECT_TRUE(APPBAR_REGISTERED.load());
  EXPECT_EQ(rect.load(), (Rect{0, 962, 1920, 1040}));
}

TEST_F(PlacementTest, ALaterPlacementOnlyQueriesAndSets) {
  place_bar(view(Placement::SignalBarTop), T0, host, rect);
  host.calls.clear();
  place_bar(view(Placement::BarLeft), T0, host, rect);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"query", "set 0"}));
}

TEST_F(PlacementTest, TheChosenMonitorIsQueriedByItsWholeRectangle) {
  AppState s = view(Placement::BarRight);
  s.monitor = 1;
  host.taskbar = 0;
  EXPECT_EQ(place_bar(s, T0, host, rect), (Rect{-252, 0, 0, 1080}));
}

TEST_F(PlacementTest, ReserveOffRemovesTheAppBarAndSpansTheWorkArea) {
  place_bar(view(Placement::SignalBarBottom), T0, host, rect);
  host.calls.clear();
  EXPECT_EQ(place_bar(view(Placement::SignalBarBottom, false), T0, host, rect), RIGHT_WORK);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"remove"}));
  EXPECT_FALSE(APPBAR_REGISTERED.load());
  host.calls.clear();
  place_bar(view(Placement::Island), T0, host, rect);
  EXPECT_TRUE(host.calls.empty()) << "nothing to remove twice";
}

TEST_F(PlacementTest, AHiddenBarRemovesTheAppBarAndKeepsTheOldRectangle) {
  place_bar(view(Placement::SignalBarBottom), T0, host, rect);
  const std::optional<Rect> before = rect.load();
  host.calls.clear();
  AppState hidden = view(Placement::SignalBarBottom);
  hidden.shown = false;
  EXPECT_EQ(place_bar(hidden, T0, host, rect), std::nullopt);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"remove", "hide"}));
  EXPECT_EQ(rect.load(), before);
  host.calls.clear();
  place_bar(view(Placement::SignalBarBottom), T0, host, rect);
  EXPECT_EQ(host.calls.front(), "new") << "registered again when the bar returns";
}

TEST_F(PlacementTest, AHiddenBarBeforeAnyPlacementStoresNothing) {
  AppState hidden = view(Placement::Island);
  hidden.shown = false;
  place_bar(hidden, T0, host, rect);
  EXPECT_EQ(rect.load(), std::nullopt);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"hide"}));
}

TEST_F(PlacementTest, RemovingTheAppBarDropsAFullScreenMarkThatCouldNeverBeCleared) {
  place_bar(view(Placement::SignalBarBottom), T0, host, rect);
  FULLSCREEN_APP.store(true);  // the shell said a full-screen program started
  remove_app_bar(host);
  EXPECT_FALSE(FULLSCREEN_APP.load());
}

TEST_F(PlacementTest, AShellRestartForgetsTheRegistrationWithoutRemoving) {
  place_bar(view(Placement::SignalBarBottom), T0, host, rect);
  FULLSCREEN_APP.store(true);
  host.calls.clear();
  forget_app_bar_registration();
  EXPECT_FALSE(APPBAR_REGISTERED.load());
  EXPECT_FALSE(FULLSCREEN_APP.load());
  place_bar(view(Placement::SignalBarBottom), T0, host, rect);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"new", "query", "set 3"}));
}

}  // namespace
}  // namespace qx
