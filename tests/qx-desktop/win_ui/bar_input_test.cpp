#include "win_ui/bar_input.h"

#include <gtest/gtest.h>

#include "state_test_helpers.h"

namespace qx {
namespace {

HitRect hit(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) { return {true, {l, t, r, b}}; }

// A hand-made layout: orb 0..40, action 100..140, previous 200..210, next 210..220, more 300..340.
BarLayout sample_layout() {
  BarLayout l;
  l.orb = hit(0, 0, 40, 40);
  l.action = hit(100, 0, 140, 40);
  l.previous = hit(200, 0, 210, 40);
  l.next = hit(210, 0, 220, 40);
  l.more_cell = {300, 0, 340, 40};
  l.chevron_cell = {260, 0, 300, 40};
  l.card = {0, 0, 400, 50};
  l.width = 400;
  l.height = 40;
  return l;
}

TEST(ClickRules, FirstMatchingRuleWinsAndEdgesAreHalfOpen) {
  AppState view = test::state_with({"https://example.com/a"});
  const BarLayout layout = sample_layout();
  struct Case {
    std::int32_t x, y;
    bool default_feeds;
    OrbSize orb;
    ClickTarget want;
  } cases[] = {
      {100, 10, true, OrbSize::Regular, ClickTarget::ChooseTeam},
      {100, 10, false, OrbSize::Regular, ClickTarget::Action},
      {139, 39, false, OrbSize::Regular, ClickTarget::Action},
      {140, 10, false, OrbSize::Regular, ClickTarget::Elsewhere},  // right edge is outside
      {100, 40, false, OrbSize::Regular, ClickTarget::Elsewhere},  // bottom edge is outside
      {300, 0, true, OrbSize::Regular, ClickTarget::More},
      {0, 0, false, OrbSize::Regular, ClickTarget::Orb},
      {0, 0, true, OrbSize::Regular, ClickTarget::Orb},
      {0, 0, false, OrbSize::Tiny, ClickTarget::Elsewhere},
      {209, 5, false, OrbSize::Regular, ClickTarget::Previous},
      {210, 5, false, OrbSize::Regular, ClickTarget::Next},
      {270, 5, false, OrbSize::Regular, ClickTarget::Elsewhere},  // chevron
  };
  for (const Case& c : cases) {
    view.default_feeds = c.default_feeds;
    view.orb_size = c.orb;
    EXPECT_EQ(click_target(view, layout, {c.x, c.y}), c.want) << c.x << "," << c.y;
  }
}

TEST(ClickRules, AbsentRectanglesNeverMatch) {
  AppState view = test::state_with({"https://example.com/a"});
  BarLayout layout = sample_layout();
  layout.orb.present = false;
  layout.previous.present = false;
  EXPECT_EQ(click_target(view, layout, {10, 10}), ClickTarget::Elsewhere);
  EXPECT_EQ(click_target(view, layout, {205, 10}), ClickTarget::Elsewhere);
}

TEST(ClickRules, BesideTheCardAndTheOrbAClickChangesNothing) {
  AppState view = test::state_with({"https://example.com/a"});
  view.placement = Placement::Island;
  const BarLayout island = layout_bar(view, 600, 300, 1.0f);  // card 22..462 x 22..70 in a 484 x 92 window
  ASSERT_EQ(island.card, (Rect{22, 22, 462, 70}));
  view.placement = Placement::SignalBarBottom;
  const BarLayout bar = layout_bar(view, 800, 300, 1.0f);  // the orb pokes out above the card
  ASSERT_TRUE(bar.orb.present);
  ASSERT_GT(bar.card.top, bar.orb.rect.top);
  struct Case {
    const BarLayout& layout;
    std::int32_t x, y;
    ClickTarget want;
  } cases[] = {
      {island, 200, island.height - 8, ClickTarget::Outside},  // the shadow under the card
      {island, 200, 69, ClickTarget::Elsewhere},               // the card's last row
      {island, 200, 70, ClickTarget::Outside},
      {island, 21, 40, ClickTarget::Outside},
      {island, 22, 40, ClickTarget::Elsewhere},
      {island, 200, 21, ClickTarget::Outside},
      {island, 462, 40, ClickTarget::Outside},
      {bar, bar.orb.rect.left + 1, bar.orb.rect.top + 1, ClickTarget::Orb},
      {bar, bar.orb.rect.right + 5, bar.orb.rect.top + 1, ClickTarget::Outside},  // above the card, beside the orb
      {bar, bar.orb.rect.right + 5, bar.card.top, ClickTarget::Elsewhere},
  };
  for (const Case& c : cases) EXPECT_EQ(click_target(view, c.layout, {c.x, c.y}), c.want) << c.x << "," << c.y;
}

TEST(MousePoints, CoordinatesAreSigned16BitValues) {
  const ClientPoint p = point_from_lparam(0xFFF6'0005u);  // y = -10, x = 5
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, -10);
  EXPECT_EQ(point_from_lparam(0x0001'FFFFu).x, -1);
  EXPECT_EQ(wheel_delta_from_wparam(0xFF88'0000u), -120);
  EXPECT_EQ(wheel_delta_from_wparam(0x0078'0000u), 120);
}

TEST(Wheel, OverTheOrbZoomsElsewhereStepsStories) {
  AppState view = test::state_with({"https://example.com/a"});
  const BarLayout layout = sample_layout();
  EXPECT_EQ(wheel_action(view, &layout, {10, 10}, 120), WheelAction::GrowOrb);
  EXPECT_EQ(wheel_action(view, &layout, {10, 10}, -120), WheelAction::ShrinkOrb);
  EXPECT_EQ(wheel_action(view, &layout, {10, 10}, 0), WheelAction::ShrinkOrb);
  EXPECT_EQ(wheel_action(view, &layout, {150, 10}, 120), WheelAction::PreviousStory);
  EXPECT_EQ(wheel_action(view, &layout, {150, 10}, 0), WheelAction::NextStory);
  EXPECT_EQ(wheel_action(view, nullptr, {10, 10}, 120), WheelAction::PreviousStory);  // not placed yet
  view.orb_size = OrbSize::Tiny;
  EXPECT_EQ(wheel_action(view, &layout, {10, 10}, 120), WheelAction::PreviousStory);
}

TEST(PlayPause, AStreamFlipsPauseOtherwiseTheStorysMedia) {
  AppState s = test::state_with({"https://example.com/a"});
  EXPECT_FALSE(toggle_play_pause_in(s));  // nothing to play
  s.playing = PlayingMedia{"https://example.com/live.m3u8", "Live", true};
  EXPECT_TRUE(toggle_play_pause_in(s));
  EXPECT_TRUE(s.playing->paused);
  EXPECT_TRUE(toggle_play_pause_in(s));
  EXPECT_FALSE(s.playing->paused);
}

}  // namespace
}  // namespace qx
