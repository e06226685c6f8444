#include "win_ui/bar_events.h"

#include <gtest/gtest.h>

#include "app/bar_activity.h"
#include "state_test_helpers.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using test::at;

TEST(StatusTick, PresentingOnlyForFullScreenProgramsAndPresentations) {
  EXPECT_TRUE(is_presenting(true, 3));
  EXPECT_TRUE(is_presenting(true, 4));
  EXPECT_FALSE(is_presenting(true, 2));
  EXPECT_FALSE(is_presenting(true, 5));
  EXPECT_FALSE(is_presenting(false, 3));
}

TEST(StatusTick, ReportsWhetherTheBarsActivityChanged) {
  AppState s = test::state_with({"https://example.com/a"});
  s.hide_presenting = true;
  EXPECT_FALSE(status_tick_changes_activity(s, false, 600, at(0s)));
  EXPECT_TRUE(status_tick_changes_activity(s, true, 600, at(15s)));
  EXPECT_FALSE(status_tick_changes_activity(s, true, 600, at(30s)));
  EXPECT_TRUE(status_tick_changes_activity(s, false, 600, at(45s)));

  s.quiet = QuietHours{22 * 60, 7 * 60};  // wraps past midnight
  EXPECT_TRUE(status_tick_changes_activity(s, false, 23 * 60, at(60s)));
  EXPECT_TRUE(status_tick_changes_activity(s, false, 7 * 60, at(75s)));
}

TEST(StatusTick, TheEndOfAnHourHideIsAChangeSeenOnce) {
  AppState s = test::state_with({"https://example.com/a"});
  s.hidden_until = at(1h);
  EXPECT_FALSE(status_tick_changes_activity(s, false, 600, at(59min)));
  EXPECT_TRUE(s.hidden_until);
  // The hour ran out between two ticks: the bar must be placed again, not just repainted.
  EXPECT_TRUE(status_tick_changes_activity(s, false, 600, at(1h + 10s)));
  EXPECT_FALSE(s.hidden_until);
  EXPECT_FALSE(status_tick_changes_activity(s, false, 600, at(1h + 25s)));
}

}  // namespace
}  // namespace qx
