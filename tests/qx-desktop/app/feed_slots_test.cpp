#include "app/feed_slots.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>

#include "state_test_helpers.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using test::at;
using test::feed;
using test::score;
using test::state_with;
using test::story;
using test::T0;

const char* const CANT_LOAD = "Can’t load this feed. Right-click to choose another.";

Result<QxFeedV1, std::string> failed(std::string text) { return err(std::move(text)); }
Result<QxFeedV1, std::string> loaded(QxFeedV1 f) { return f; }

TEST(NewFeedSlot, TitleComesFromTheCallerTheLeagueThePresetOrIsAPlaceholder) {
  FeedSlot given = new_feed_slot("https://x.example/rss", std::string("Mine"));
  EXPECT_EQ(given.title, "Mine");
  EXPECT_TRUE(given.title_fixed);

  FeedSlot given_over_league = new_feed_slot(featured_feed_url("nfl"), std::string("Sundays"));
  EXPECT_EQ(given_over_league.title, "Sundays");

  FeedSlot league = new_feed_slot(featured_feed_url("epl"), std::nullopt);
  EXPECT_EQ(league.title, "Premier League");
  EXPECT_TRUE(league.title_fixed);
  EXPECT_EQ(new_feed_slot(DEFAULT_FEED_URL, std::nullopt).title, "NFL");

  FeedSlot unknown_league = new_feed_slot(featured_feed_url("quidditch"), std::nullopt);
  EXPECT_EQ(unknown_league.title, "Your feed");
  EXPECT_FALSE(unknown_league.title_fixed);
  EXPECT_EQ(new_feed_slot(featured_feed_url("EPL"), std::nullopt).title, "Your feed");

  FeedSlot preset = new_feed_slot(FEED_PRESETS[3].url, std::nullopt);
  EXPECT_EQ(preset.title, "BBC World News");
  EXPECT_TRUE(preset.title_fixed);

  FeedSlot plain = new_feed_slot("C:\\feeds\\local.xml", std::nullopt);
  EXPECT_EQ(plain.title, "Your feed");
  EXPECT_FALSE(plain.title_fixed);
}

TEST(NewFeedSlot, StartsConnectingWithTheDefaultInterval) {
  FeedSlot s = new_feed_slot("https://x.example/rss", std::nullopt);
  EXPECT_EQ(s.url, "https://x.example/rss");
  EXPECT_EQ(s.status, "Connecting…");
  EXPECT_EQ(s.poll_seconds, 60u);
  EXPECT_EQ(s.failures, 0u);
  EXPECT_EQ(s.current, 0u);
  EXPECT_TRUE(s.items.empty());
  EXPECT_FALSE(s.last_attempt || s.last_success || s.last_error || s.score || s.link);
}

TEST(AppendFeedSlot, AnAddressWrittenTwiceGivesOneSlot) {
  std::vector<FeedSlot> slots;
  EXPECT_TRUE(append_feed_slot(slots, "https://a.example/rss", std::string("A")));
  EXPECT_FALSE(append_feed_slot(slots, "https://a.example/rss", std::string("A again")));
  EXPECT_TRUE(append_feed_slot(slots, "https://A.example/rss", std::nullopt));  // exact text, not a URL compare
  ASSERT_EQ(slots.size(), 2u);
  EXPECT_EQ(slots[0].title, "A");
  // Both slots receive their results.
  apply_feed_result(slots, "https://a.example/rss", loaded(feed("x", {"one"})), T0);
  apply_feed_result(slots, "https://A.example/rss", loaded(feed("y", {"two"})), T0);
  EXPECT_TRUE(slots[0].last_success && slots[1].last_success);
}

TEST(AppendFeedSlot, StopsAtEightSlots) {
  std::vector<FeedSlot> slots;
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(append_feed_slot(slots, "https://x.example/" + std::to_string(i), std::nullopt));
  EXPECT_FALSE(append_feed_slot(slots, "https://x.example/8", std::nullopt));
  EXPECT_EQ(slots.size(), MAX_FEEDS);
}

TEST(ApplyFeedResult, AFeedThatNeverLoadedShowsTheCantLoadText) {
  std::vector<FeedSlot> slots{new_feed_slot("https://a.example/rss", std::nullopt)};
  apply_feed_result(slots, "https://a.example/rss", failed("http error: timed out"), T0);
  EXPECT_EQ(slots[0].status, CANT_LOAD);
  EXPECT_EQ(slots[0].last_error, "http error: timed out");
  EXPECT_EQ(slots[0].failures, 1u);
  EXPECT_FALSE(slots[0].last_success);
  apply_feed_result(slots, "https://a.example/rss", failed("read error: reset"), T0 + 1s);
  EXPECT_EQ(slots[0].failures, 2u);
  EXPECT_EQ(slots[0].last_error, "read error: reset");
}

TEST(ApplyFeedResult, AFailureAfterALoadKeepsWhatWasShown) {
  std::vector<FeedSlot> slots{new_feed_slot("https://a.example/rss", std::nullopt)};
  QxFeedV1 f = feed("Daily", {"one", "two"});
  f.score = score("post");
  apply_feed_result(slots, "https://a.example/rss", loaded(f), T0);
  const FeedSlot before = slots[0];
  apply_feed_result(slots, "https://a.example/rss", failed("http error: offline"), T0 + 5min);
  EXPECT_EQ(slots[0].items, before.items);
  EXPECT_EQ(slots[0].title, "Daily");
  EXPECT_EQ(slots[0].status, "Fresh");
  EXPECT_EQ(slots[0].score, before.score);
  EXPECT_EQ(slots[0].last_success, T0);
  EXPECT_EQ(slots[0].last_error, "http error: offline");
  EXPECT_EQ(slots[0].failures, 1u);
}

TEST(ApplyFeedResult, ALoadCopiesTheFeedAndResetsTheFailures) {
  std::vector<FeedSlot> slots{new_feed_slot("https://a.example/rss", std::nullopt)};
  apply_feed_result(slots, "https://a.example/rss", failed("x"), T0);
  QxFeedV1 f = feed("Daily", {"one"});
  f.poll_seconds = 900;
  f.badge = QxBadge{"DLY", "Today", std::string("#112233"), std::string("ev-1")};
  f.drawer = QxDrawer{std::nullopt, std::nullopt,
                      {QxDrawerLink{"Site", "https://a.example/", std::nullopt, std::nullopt},
                       QxDrawerLink{"Other", "https://b.example/", std::nullopt, std::nullopt}}};
  apply_feed_result(slots, "https://a.example/rss", loaded(f), T0 + 10s);
  const FeedSlot& s = slots[0];
  EXPECT_EQ(s.title, "Daily");
  EXPECT_EQ(s.short_text, "DLY");
  EXPECT_EQ(s.status, "Today");
  EXPECT_EQ(s.accent_hex, "#112233");
  EXPECT_EQ(s.pulse_event_id, "ev-1");
  EXPECT_EQ(s.poll_seconds, 900u);
  EXPECT_EQ(s.link, "https://a.example/");
  EXPECT_EQ(s.items, f.items);
  EXPECT_EQ(s.last_success, T0 + 10s);
  EXPECT_FALSE(s.last_error);
  EXPECT_EQ(s.failures, 0u);

  // A later feed without a drawer or links clears the link.
  QxFeedV1 g = feed("Daily", {"one"});
  g.drawer = QxDrawer{};
  apply_feed_result(slots, "https://a.example/rss", loaded(g), T0 + 20s);
  EXPECT_FALSE(slots[0].link);
  EXPECT_FALSE(slots[0].accent_hex);
}

TEST(ApplyFeedResult, AFixedTitleIsNeverReplaced) {
  std::vector<FeedSlot> slots{new_feed_slot(featured_feed_url("nba"), std::nullopt),
                              new_feed_slot("https://b.example/rss", std::string("Mine"))};
  apply_feed_result(slots, featured_feed_url("nba"), loaded(feed("Featured NBA games", {"g"})), T0);
  apply_feed_result(slots, "https://b.example/rss", loaded(feed("Their name", {"s"})), T0);
  EXPECT_EQ(slots[0].title, "NBA");
  EXPECT_EQ(slots[1].title, "Mine");
}

TEST(ApplyFeedResult, TheCurrentStoryFollowsItsTitleOrFallsBackToTheFirst) {
  std::vector<FeedSlot> slots{new_feed_slot("https://a.example/rss", std::nullopt)};
  apply_feed_result(slots, "https://a.example/rss", loaded(feed("F", {"a", "b", "c"})), T0);
  slots[0].current = 1;
  apply_feed_result(slots, "https://a.example/rss", loaded(feed("F", {"new", "a", "x", "b", "b"})), T0 + 1min);
  EXPECT_EQ(slots[0].current, 3u);  // the first story titled "b"
  apply_feed_result(slots, "https://a.example/rss", loaded(feed("F", {"p", "q"})), T0 + 2min);
  EXPECT_EQ(slots[0].current, 0u);
  slots[0].current = 7;  // out of range: nothing to remember
  apply_feed_result(slots, "https://a.example/rss", loaded(feed("F", {"p", "q"})), T0 + 3min);
  EXPECT_EQ(slots[0].current, 0u);
}

TEST(ApplyFeedResult, OnlyTheFirstSlotWithExactlyThatAddressTakesTheResult) {
  std::vector<FeedSlot> slots{new_feed_slot("https://a.example/rss", std::nullopt),
                              new_feed_slot("https://a.example/rss", std::nullopt)};
  apply_feed_result(slots, "https://a.example/rss", loaded(feed("F", {"a"})), T0);
  EXPECT_TRUE(slots[0].last_success);
  EXPECT_FALSE(slots[1].last_success);
  const std::vector<FeedSlot> before = slots;
  apply_feed_result(slots, "https://a.example/rss/", loaded(feed("G", {"b"})), T0);
  apply_feed_result(slots, "https://A.example/rss", failed("x"), T0);
  EXPECT_EQ(slots, before);
}

struct LiveCase {
  const char* old_state;
  const char* old_pulse;
  const char* new_state;
  const char* new_pulse;
  bool changes;
};

class LiveChange : public ::testing::TestWithParam<LiveCase> {};

TEST_P(LiveChange, IsStampedOnlyWhenARunningGameHasANewEvent) {
  const LiveCase c = GetParam();
  std::vector<FeedSlot> slots{new_feed_slot("https://g.example/game", std::nullopt)};
  QxFeedV1 first = feed("Game", {});
  first.score = score(c.old_state);
  if (c.old_pulse) first.badge.pulse_event_id = c.old_pulse;
  apply_feed_result(slots, "https://g.example/game", loaded(first), T0);
  ASSERT_FALSE(slots[0].live_change);

  QxFeedV1 next = feed("Game", {});
  next.score = score(c.new_state);
  if (c.new_pulse) next.badge.pulse_event_id = c.new_pulse;
  apply_feed_result(slots, "https://g.example/game", loaded(next), T0 + 30s);
  if (c.changes) {
    EXPECT_EQ(slots[0].live_change, T0 + 30s);
  } else {
    EXPECT_FALSE(slots[0].live_change);
  }
  EXPECT_EQ(slots[0].pulse_event_id, next.badge.pulse_event_id);
}

INSTANTIATE_TEST_SUITE_P(Rules, LiveChange,
                         ::testing::Values(LiveCase{"in", "p1", "in", "p2", true},
                                           LiveCase{"in", "p1", "in", nullptr, true},
                                           LiveCase{"in", "p1", "in", "p1", false},
                                           LiveCase{"in", nullptr, "in", "p2", false},
                                           LiveCase{"pre", "p1", "in", "p2", false},
                                           LiveCase{"in", "p1", "post", "p2", false},
                                           LiveCase{"in", "p1", "IN", "p2", false}));

TEST(AddOrSelectFeed, AFollowedAddressIsOnlySelected) {
  AppState s = state_with({"https://a.example/", "https://b.example/"});
  s.default_feeds = true;
  s.rotation_ticks = 3;
  EXPECT_EQ(add_or_select_feed(s, "https://b.example/", std::string("Renamed"), T0), AddFeedOutcome::Selected);
  EXPECT_EQ(s.feeds.size(), 2u);
  EXPECT_EQ(s.active, 1u);
  EXPECT_EQ(s.feeds[1].title, "https://b.example/");
  EXPECT_FALSE(s.default_feeds);
  EXPECT_EQ(s.rotation_ticks, 0u);
  EXPECT_EQ(s.rotation_hold_until, T0 + 120s);
}

TEST(AddOrSelectFeed, TheFirstAddReplacesTheDefaultFeeds) {
  AppState s = initial_app_state(DEFAULT_FEED_URL);
  ASSERT_TRUE(s.default_feeds);
  EXPECT_EQ(add_or_select_feed(s, "https://mine.example/rss", std::nullopt, T0), AddFeedOutcome::Added);
  ASSERT_EQ(s.feeds.size(), 1u);
  EXPECT_EQ(s.feeds[0].url, "https://mine.example/rss");
  EXPECT_EQ(s.active, 0u);
  EXPECT_FALSE(s.default_feeds);
  EXPECT_EQ(s.rotation_hold_until, T0 + 120s);
}

TEST(AddOrSelectFeed, ANinthFeedIsIgnored) {
  AppState s = state_with({});
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(add_or_select_feed(s, "https://x.example/" + std::to_string(i), std::nullopt, T0),
              AddFeedOutcome::Added);
    EXPECT_EQ(s.active, static_cast<std::size_t>(i));
  }
  s.active = 2;
  const AppState before = s;
  EXPECT_EQ(add_or_select_feed(s, "https://x.example/8", std::nullopt, T0 + 1s), AddFeedOutcome::Full);
  EXPECT_EQ(s, before);
  EXPECT_EQ(add_or_select_feed(s, "https://x.example/5", std::nullopt, T0 + 1s), AddFeedOutcome::Selected);
  EXPECT_EQ(s.active, 5u);
}

TEST(RemoveFeed, TheLastRemainingSlotStays) {
  AppState s = state_with({"https://a.example/"});
  EXPECT_FALSE(remove_feed(s, 0));
  EXPECT_EQ(s.feeds.size(), 1u);
  AppState two = state_with({"https://a.example/", "https://b.example/"});
  EXPECT_FALSE(remove_feed(two, 2));
  EXPECT_FALSE(remove_feed(two, std::numeric_limits<std::size_t>::max()));
  EXPECT_EQ(two.feeds.size(), 2u);
}

TEST(RemoveFeed, TheActiveFeedStaysActiveWhereItCan) {
  AppState s = state_with({"https://a/", "https://b/", "https://c/", "https://d/"});
  s.active = 2;
  s.rotation_ticks = 5;
  EXPECT_TRUE(remove_feed(s, 0));  // before the active one
  EXPECT_EQ(s.feeds[s.active].url, "https://c/");
  EXPECT_EQ(s.rotation_ticks, 0u);
  EXPECT_TRUE(remove_feed(s, 2));  // after it
  EXPECT_EQ(s.feeds[s.active].url, "https://c/");
  EXPECT_TRUE(remove_feed(s, 1));  // the active one, which was the last: the one before it
  EXPECT_EQ(s.active, 0u);
  EXPECT_EQ(s.feeds[s.active].url, "https://b/");

  AppState m = state_with({"https://a/", "https://b/", "https://c/"});
  m.active = 1;
  EXPECT_TRUE(remove_feed(m, 1));  // the active one in the middle: its successor
  EXPECT_EQ(m.feeds[m.active].url, "https://c/");
}

TEST(SelectFeed, HoldsRotationForTwoMinutes) {
  AppState s = state_with({"https://a/", "https://b/"});
  s.rotation_ticks = 4;
  select_feed(s, 5, T0);
  EXPECT_EQ(s.active, 0u);
  EXPECT_EQ(s.rotation_ticks, 4u);
  EXPECT_FALSE(s.rotation_hold_until);
  select_feed(s, 1, T0);
  EXPECT_EQ(s.active, 1u);
  EXPECT_EQ(s.rotation_ticks, 0u);
  EXPECT_EQ(s.rotation_hold_until, T0 + 120s);
}

TEST(CurrentStory, AGameHasNoCurrentStory) {
  AppState s = state_with({"https://a/"});
  EXPECT_EQ(current_story(s), nullptr);
  s.feeds[0].items = {story("one"), story("two")};
  s.feeds[0].current = 1;
  ASSERT_NE(current_story(s), nullptr);
  EXPECT_EQ(current_story(s)->title, "two");
  EXPECT_EQ(story_count(s), 2u);
  s.feeds[0].current = 2;
  EXPECT_EQ(current_story(s), nullptr);
  s.feeds[0].current = 0;
  s.feeds[0].score = score("in");
  EXPECT_EQ(current_story(s), nullptr);
  EXPECT_EQ(story_count(s), 2u);
}

TEST(CurrentStory, ABrokenActiveIndexIsRefusedNotReadPast) {
  AppState s = state_with({"https://a/"});
  s.active = 3;
  EXPECT_EQ(current_story(s), nullptr);
  EXPECT_EQ(story_count(s), 0u);
  advance_story(s, 1);
  EXPECT_THROW(current_feed(s), std::out_of_range);
  AppState empty;
  EXPECT_THROW(current_feed(empty), std::out_of_range);
  s.active = 0;
  EXPECT_EQ(&current_feed(s), &s.feeds[0]);
}

TEST(AdvanceStory, StepsWrapInBothDirections) {
  AppState s = state_with({"https://a/"});
  advance_story(s, 1);  // no stories: nothing
  EXPECT_EQ(s.feeds[0].current, 0u);
  s.feeds[0].items = {story("0"), story("1"), story("2"), story("3"), story("4")};
  advance_story(s, -1);
  EXPECT_EQ(s.feeds[0].current, 4u);
  advance_story(s, 1);
  EXPECT_EQ(s.feeds[0].current, 0u);
  advance_story(s, 7);
  EXPECT_EQ(s.feeds[0].current, 2u);
  advance_story(s, -13);
  EXPECT_EQ(s.feeds[0].current, 4u);
  advance_story(s, std::numeric_limits<std::int64_t>::min());  // -2^63 = -3 mod 5
  EXPECT_EQ(s.feeds[0].current, 1u);
  advance_story(s, std::numeric_limits<std::int64_t>::max());  // 2^63-1 = 2 mod 5
  EXPECT_EQ(s.feeds[0].current, 3u);
}

TEST(LiveFeeds, OnlyGamesInProgressCount) {
  AppState s = state_with({"https://a/", "https://b/", "https://c/", "https://d/"});
  s.feeds[0].score = score("pre");
  s.feeds[1].score = score("in");
  s.feeds[3].score = score("in");
  EXPECT_FALSE(feed_is_live(s.feeds[0]));
  EXPECT_FALSE(feed_is_live(s.feeds[2]));
  EXPECT_TRUE(feed_is_live(s.feeds[1]));
  EXPECT_EQ(next_live_feed(s.feeds, 0, 4), 1u);
  EXPECT_EQ(next_live_feed(s.feeds, 2, 4), 3u);
  EXPECT_EQ(next_live_feed(s.feeds, 2, 3), std::nullopt);
  EXPECT_EQ(next_live_feed(s.feeds, 4, 99), std::nullopt);
  EXPECT_EQ(live_feeds(s.feeds), (std::vector<std::size_t>{1, 3}));
}

}  // namespace
}  // namespace qx
