#include "app/app_state.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/feed_slots.h"
#include "state_test_helpers.h"

namespace qx {
namespace {

using test::T0;

TEST(OrbSizes, NamesAndHeightsInTableOrder) {
  const OrbSize sizes[] = {OrbSize::XL, OrbSize::L, OrbSize::Regular, OrbSize::M, OrbSize::Tiny};
  const char* names[] = {"XL", "L", "Regular", "M", "Tiny"};
  const int heights[] = {88, 72, 56, 44, 28};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(static_cast<int>(sizes[i]), i);
    EXPECT_EQ(orb_size_name(sizes[i]), names[i]);
    EXPECT_EQ(orb_size_height(sizes[i]), heights[i]);
    EXPECT_EQ(parse_orb_size(std::string_view(names[i])), sizes[i]);
  }
}

TEST(OrbSizes, ParsingIgnoresAsciiCaseButNotLength) {
  EXPECT_EQ(parse_orb_size(std::string_view("tiny")), OrbSize::Tiny);
  EXPECT_EQ(parse_orb_size(std::string_view("xl")), OrbSize::XL);
  EXPECT_EQ(parse_orb_size(std::string_view("REGULAR")), OrbSize::Regular);
  EXPECT_EQ(parse_orb_size(std::string_view("l")), OrbSize::L);
  EXPECT_EQ(parse_orb_size(std::string_view("huge")), std::nullopt);
  EXPECT_EQ(parse_orb_size(std::string_view("Tiny ")), std::nullopt);
  EXPECT_EQ(parse_orb_size(std::string_view("")), std::nullopt);
  EXPECT_EQ(parse_orb_size(std::string_view("T\xC4\xB1ny")), std::nullopt);  // dotless i is not ASCII
  EXPECT_EQ(parse_orb_size(std::nullopt), std::nullopt);
}

TEST(Placements, NamesInTableOrder) {
  EXPECT_EQ(placement_name(Placement::SignalBarBottom), "signal-bar-bottom");
  EXPECT_EQ(placement_name(Placement::SignalBarTop), "signal-bar-top");
  EXPECT_EQ(placement_name(Placement::Island), "island");
  EXPECT_EQ(placement_name(Placement::BarLeft), "bar-left");
  EXPECT_EQ(placement_name(Placement::BarRight), "bar-right");
  EXPECT_EQ(static_cast<int>(Placement::BarRight), 4);
}

TEST(InitialState, HoldsTheDefaultFeedAndTheStartValues) {
  const AppState s = initial_app_state(DEFAULT_FEED_URL, Placement::Island);
  ASSERT_EQ(s.feeds.size(), 1u);
  EXPECT_EQ(s.feeds[0], new_feed_slot(DEFAULT_FEED_URL, std::nullopt));
  EXPECT_EQ(s.feeds[0].title, "NFL");
  EXPECT_EQ(s.placement, Placement::Island);
  EXPECT_EQ(s.country, "ZZ");
  EXPECT_EQ(s.lang, "en");
  EXPECT_EQ(s.catalogue, preset_offers());
  EXPECT_EQ(s.fit, (Fit{FitMode::BestFit, 100, 50, 33}));
  EXPECT_EQ(s.left, LeftStyle::same());
  EXPECT_EQ(s.orb_size, OrbSize::Regular);
  EXPECT_EQ(s.orb_zoom, 1.0f);
  EXPECT_EQ(s.shown_zoom, 1.0f);
  EXPECT_EQ(s.active, 0u);
  EXPECT_TRUE(s.default_feeds && s.rotate && s.live_first && s.hide_presenting && s.team_colours &&
              s.reserve && s.shown && s.clips && s.auto_grow);
  EXPECT_FALSE(s.expanded || s.shown_in_quiet || s.quiet_now || s.presenting);
  EXPECT_FALSE(s.quiet || s.playing || s.orb_image || s.bar_image || s.available_update || s.hidden_until ||
               s.rotation_hold_until);
  EXPECT_TRUE(s.channels.empty() && s.pictures.empty());
}

TEST(ViewSnapshot, IsAFullCopyThatLaterChangesDoNotReach) {
  Guarded<AppState> holder;
  EXPECT_EQ(view_snapshot(holder), std::nullopt);
  AppState s = initial_app_state("https://a.example/rss");
  s.feeds[0].items = {test::story("one")};
  s.pictures["https://i/1.jpg"] = "C:\\p.img";
  ASSERT_TRUE(holder.set(s));
  std::optional<ViewSnapshot> snap = view_snapshot(holder);
  ASSERT_TRUE(snap);
  EXPECT_EQ(*snap, s);
  holder.with([](AppState& st) {
    st.feeds[0].items.clear();
    st.lang = "de";
  });
  EXPECT_EQ(snap->feeds[0].items.size(), 1u);
  EXPECT_EQ(snap->lang, "en");
}

TEST(ViewSnapshot, APoisonedStateGivesNoSnapshot) {
  Guarded<AppState> holder(initial_app_state("https://a.example/rss"));
  holder.with([](AppState& st) { st.feeds.at(5); });  // a fault of the caller, under the lock
  EXPECT_TRUE(holder.is_poisoned());
  EXPECT_EQ(view_snapshot(holder), std::nullopt);
}

TEST(ProcessState, IsAbsentUntilSetAndThenSetOnlyOnce) {
  EXPECT_EQ(view_snapshot(), std::nullopt);
  EXPECT_FALSE(APP_STATE.with([](AppState&) {}));
  ASSERT_TRUE(APP_STATE.set(initial_app_state("https://first.example/rss")));
  EXPECT_FALSE(APP_STATE.set(initial_app_state("https://second.example/rss")));
  std::optional<ViewSnapshot> snap = view_snapshot();
  ASSERT_TRUE(snap);
  EXPECT_EQ(snap->feeds[0].url, "https://first.example/rss");
  EXPECT_EQ(APP_STATE.with([](AppState& s) { return add_or_select_feed(s, "https://x/", std::nullopt, T0); }),
            AddFeedOutcome::Added);
}

}  // namespace
}  // namespace qx
