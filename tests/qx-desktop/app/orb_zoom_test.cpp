#include "app/orb_zoom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "state_test_helpers.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using test::state_with;
using test::story_with_media;
using test::T0;

AppState sized(OrbSize size, float zoom) {
  AppState s = state_with({"https://a.example/"});
  s.orb_size = size;
  s.orb_zoom = zoom;
  return s;
}

void play_video(AppState& s, bool silent) {
  s.feeds[0].items = {story_with_media("Clip", "video", "https://v/clip.mp4")};
  s.playing = PlayingMedia{"https://v/clip.mp4", "Clip", false, silent, silent, false, true, PlayerStatus::Playing};
}

TEST(ScaleOrbZoom, IsLimitedToWhatTheOrbSizeAllowsInSinglePrecision) {
  AppState s = sized(OrbSize::Regular, 1.0f);
  scale_orb_zoom(s, 1.1f);
  EXPECT_EQ(s.orb_zoom, 1.1f);
  scale_orb_zoom(s, 100.0f);
  EXPECT_EQ(s.orb_zoom, 220.0f / 56.0f);
  scale_orb_zoom(s, 0.0f);
  EXPECT_EQ(s.orb_zoom, 32.0f / 56.0f);

  AppState tiny = sized(OrbSize::Tiny, 1.0f);
  scale_orb_zoom(tiny, 1.0f);
  EXPECT_EQ(tiny.orb_zoom, 32.0f / 28.0f);  // 1.0 is too small for the tiny orb
  AppState xl = sized(OrbSize::XL, 3.0f);
  scale_orb_zoom(xl, 1.0f);
  EXPECT_EQ(xl.orb_zoom, 2.5f);
  AppState l = sized(OrbSize::L, 1.0f);
  scale_orb_zoom(l, std::numeric_limits<float>::infinity());
  EXPECT_EQ(l.orb_zoom, 220.0f / 72.0f);
  AppState m = sized(OrbSize::M, 1.0f);
  scale_orb_zoom(m, -5.0f);
  EXPECT_EQ(m.orb_zoom, 32.0f / 44.0f);
}

TEST(ScaleOrbZoom, AZoomThatIsNotANumberFallsBackToOne) {
  AppState s = sized(OrbSize::Regular, 1.5f);
  scale_orb_zoom(s, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(s.orb_zoom, 1.0f);
  AppState t = sized(OrbSize::Tiny, std::numeric_limits<float>::quiet_NaN());
  scale_orb_zoom(t, 1.0f);
  EXPECT_EQ(t.orb_zoom, 32.0f / 28.0f);
  AppState z = sized(OrbSize::Regular, 0.0f);
  scale_orb_zoom(z, std::numeric_limits<float>::infinity());  // 0 x inf
  EXPECT_FALSE(std::isnan(z.orb_zoom));
}

TEST(TargetOrbZoom, IsTheUsersZoomWithinTheLimits) {
  EXPECT_EQ(target_orb_zoom(sized(OrbSize::Regular, 1.25f), T0), 1.25f);
  EXPECT_EQ(target_orb_zoom(sized(OrbSize::Regular, 9.0f), T0), 220.0f / 56.0f);
  EXPECT_EQ(target_orb_zoom(sized(OrbSize::Regular, std::numeric_limits<float>::quiet_NaN()), T0), 1.0f);
}

TEST(TargetOrbZoom, ARunningVideoGrowsTheOrb) {
  AppState s = sized(OrbSize::Regular, 1.0f);
  play_video(s, false);
  EXPECT_EQ(target_orb_zoom(s, T0), 148.0f / 56.0f);
  s.orb_zoom = 3.5f;  // larger already: kept
  EXPECT_EQ(target_orb_zoom(s, T0), 3.5f);
  s.orb_zoom = 1.0f;
  s.auto_grow = false;
  EXPECT_EQ(target_orb_zoom(s, T0), 1.0f);
  AppState silent = sized(OrbSize::Regular, 1.0f);
  play_video(silent, true);
  EXPECT_EQ(target_orb_zoom(silent, T0), 1.0f);
}

TEST(TargetOrbZoom, ALiveChangeGrowsTheOrbForSixWholeSeconds) {
  AppState s = sized(OrbSize::Regular, 1.1f);
  s.feeds[0].live_change = T0;
  EXPECT_EQ(target_orb_zoom(s, T0), 1.1f * 1.5f);
  EXPECT_EQ(target_orb_zoom(s, T0 + 5999ms), 1.1f * 1.5f);
  EXPECT_EQ(target_orb_zoom(s, T0 + 6s), 1.1f);
  s.orb_zoom = 3.0f;
  EXPECT_EQ(target_orb_zoom(s, T0 + 1s), 220.0f / 56.0f);
  s.auto_grow = false;
  EXPECT_EQ(target_orb_zoom(s, T0 + 1s), 3.0f);
  AppState tiny = sized(OrbSize::Tiny, 1.0f);
  tiny.feeds[0].live_change = T0;
  EXPECT_EQ(target_orb_zoom(tiny, T0), 1.5f);
}

}  // namespace
}  // namespace qx
