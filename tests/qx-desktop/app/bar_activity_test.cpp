#include "app/bar_activity.h"

#include <gtest/gtest.h>

#include "state_test_helpers.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using test::state_with;
using test::T0;
using test::at;

std::uint16_t hm(int h, int m) { return static_cast<std::uint16_t>(h * 60 + m); }

TEST(QuietHours, AWindowAcrossMidnightIsQuietUntilItsEnd) {
  AppState s = state_with({"https://a/"});
  s.quiet = QuietHours{1320, 480};  // 22:00 to 08:00
  EXPECT_FALSE(update_quiet_state(s, hm(23, 30), T0));
  EXPECT_TRUE(s.quiet_now);
  update_quiet_state(s, hm(7, 59), T0);
  EXPECT_TRUE(s.quiet_now);
  update_quiet_state(s, hm(0, 0), T0);
  EXPECT_TRUE(s.quiet_now);
  update_quiet_state(s, hm(22, 0), T0);
  EXPECT_TRUE(s.quiet_now);
  EXPECT_TRUE(update_quiet_state(s, hm(8, 0), T0));
  EXPECT_FALSE(s.quiet_now);
  update_quiet_state(s, hm(21, 59), T0);
  EXPECT_FALSE(s.quiet_now);
}

TEST(QuietHours, AWindowWithinTheDayIncludesItsStartButNotItsEnd) {
  AppState s = state_with({"https://a/"});
  s.quiet = QuietHours{540, 1020};  // 09:00 to 17:00
  update_quiet_state(s, hm(8, 59), T0);
  EXPECT_FALSE(s.quiet_now);
  update_quiet_state(s, hm(9, 0), T0);
  EXPECT_TRUE(s.quiet_now);
  update_quiet_state(s, hm(16, 59), T0);
  EXPECT_TRUE(s.quiet_now);
  update_quiet_state(s, hm(17, 0), T0);
  EXPECT_FALSE(s.quiet_now);
  s.quiet.reset();
  s.quiet_now = true;
  update_quiet_state(s, hm(12, 0), T0);
  EXPECT_FALSE(s.quiet_now);
}

TEST(QuietHours, ShowingDuringQuietLastsUntilTheQuietEnds) {
  AppState s = state_with({"https://a/"});
  s.quiet = QuietHours{1320, 480};
  s.shown_in_quiet = true;
  EXPECT_TRUE(update_quiet_state(s, hm(23, 0), T0));
  EXPECT_TRUE(s.shown_in_quiet);
  EXPECT_TRUE(update_quiet_state(s, hm(8, 0), T0));
  EXPECT_FALSE(s.shown_in_quiet);
  EXPECT_FALSE(update_quiet_state(s, hm(23, 0), T0));  // the next night is quiet again
}

TEST(HideDeadline, APassedDeadlineIsClearedAndAPendingOneHides) {
  AppState s = state_with({"https://a/"});
  s.hidden_until = T0 + 1h;
  EXPECT_TRUE(deadline_pending(s.hidden_until, T0));
  EXPECT_FALSE(update_quiet_state(s, hm(12, 0), T0 + 59min));
  EXPECT_TRUE(s.hidden_until);
  EXPECT_FALSE(deadline_pending(s.hidden_until, T0 + 1h));
  EXPECT_TRUE(update_quiet_state(s, hm(12, 0), T0 + 1h));
  EXPECT_FALSE(s.hidden_until);
  EXPECT_FALSE(deadline_pending(std::nullopt, T0));
}

TEST(BarActive, EveryReasonToHideCounts) {
  AppState s = state_with({"https://a/"});
  EXPECT_TRUE(is_bar_active(s, T0));
  s.shown = false;
  EXPECT_FALSE(is_bar_active(s, T0));
  s.shown = true;
  s.presenting = true;
  EXPECT_FALSE(is_bar_active(s, T0));
  s.hide_presenting = false;
  EXPECT_TRUE(is_bar_active(s, T0));
  s.quiet_now = true;
  EXPECT_FALSE(is_bar_active(s, T0));
  s.shown_in_quiet = true;
  EXPECT_TRUE(is_bar_active(s, T0));
  s.hidden_until = T0 + 1s;
  EXPECT_FALSE(is_bar_active(s, T0));
  EXPECT_TRUE(is_bar_active(s, T0 + 1s));
}

TEST(ShowAgain, ClearsEveryReasonToHide) {
  AppState s = test::state_with({"https://example.com/a"});
  s.shown = false;
  s.hidden_until = at(1h);
  s.presenting = true;
  s.hide_presenting = true;
  s.quiet = QuietHours{0, 1439};
  s.quiet_now = true;
  EXPECT_FALSE(is_bar_active(s, at(0s)));
  show_again_now(s);
  EXPECT_TRUE(is_bar_active(s, at(0s)));
}

}  // namespace
}  // namespace qx
