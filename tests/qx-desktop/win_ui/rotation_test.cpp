#include "win_ui/rotation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "state_test_helpers.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using test::at;

// Feeds named f0, f1, ... with the given story counts, each loaded once.
AppState feeds_with_stories(const std::vector<std::size_t>& counts) {
  AppState s;
  s.default_feeds = false;
  for (std::size_t i = 0; i < counts.size(); ++i) {
    FeedSlot slot;
    slot.url = "https://example.com/f" + std::to_string(i);
    for (std::size_t k = 0; k < counts[i]; ++k) slot.items.push_back(test::story("s" + std::to_string(k)));
    slot.last_success = at(0s);
    s.feeds.push_back(slot);
  }
  return s;
}

// The active feed after each of n ticks, as a string of indices.
std::string actives_over(AppState& s, int ticks) {
  std::string out;
  for (int i = 0; i < ticks; ++i) {
    rotation_tick(s, at(10min));
    out += std::to_string(s.active);
  }
  return out;
}

TEST(RotationTakeTurns, FeedChangesAfterAsManyTicksAsItsStoriesCappedAtFour) {
  struct Case {
    std::vector<std::size_t> counts;
    std::string actives;
  } cases[] = {
      {{2, 2, 2}, "011220"},      // every second tick
      {{6, 6, 6}, "000111"},      // capped at 4: every fourth tick
      {{0, 0, 0}, "120120"},      // no stories: every tick
  };
  for (const Case& c : cases) {
    AppState s = feeds_with_stories(c.counts);
    EXPECT_EQ(actives_over(s, static_cast<int>(c.actives.size())), c.actives);
  }
}

TEST(RotationTakeTurns, SkipsFeedsThatNeverLoadedAndStepsStoriesWhenNoneQualifies) {
  AppState s = feeds_with_stories({1, 1, 1});
  s.feeds[1].last_success.reset();
  EXPECT_EQ(actives_over(s, 3), "202");

  AppState alone = feeds_with_stories({3, 1});
  alone.feeds[1].last_success.reset();
  rotation_tick(alone, at(10min));
  rotation_tick(alone, at(10min));
  rotation_tick(alone, at(10min));
  EXPECT_EQ(alone.active, 0u);
  EXPECT_EQ(alone.feeds[0].current, 0u);  // three steps through three stories
  EXPECT_EQ(alone.rotation_ticks, 0u);
}

TEST(RotationTakeTurns, OffOrSingleFeedOnlyStepsStories) {
  AppState off = feeds_with_stories({2, 2});
  off.rotate = false;
  EXPECT_EQ(actives_over(off, 4), "0000");
  EXPECT_EQ(off.feeds[0].current, 0u);

  AppState one = feeds_with_stories({3});
  EXPECT_EQ(actives_over(one, 2), "00");
  EXPECT_EQ(one.feeds[0].current, 2u);
}

TEST(RotationLiveFirst, JumpsToTheFirstLiveFeedWithoutSteppingAStory) {
  AppState s = feeds_with_stories({3, 0, 0});
  s.feeds[1].score = test::score("post");
  s.feeds[2].score = test::score("in");
  s.rotation_ticks = 3;  // time spent on the feed it leaves does not count for the live one
  rotation_tick(s, at(10min));
  EXPECT_EQ(s.active, 2u);
  EXPECT_EQ(s.feeds[0].current, 0u);
  EXPECT_EQ(s.rotation_ticks, 0u);
}

TEST(RotationLiveFirst, OnlyLiveFeedsTakeTurnsWhileAGameIsOn) {
  AppState s = feeds_with_stories({0, 0, 0, 0});
  s.feeds[1].score = test::score("in");
  s.feeds[3].score = test::score("in");
  EXPECT_EQ(actives_over(s, 4), "1313");

  s.live_first = false;
  s.active = 0;
  EXPECT_EQ(actives_over(s, 4), "1230");
}

TEST(RotationHolds, RecentUserChoiceOnlyStepsStories) {
  AppState s = feeds_with_stories({3, 3});
  s.feeds[1].score = test::score("in");
  s.rotation_hold_until = at(10min) + 30s;
  EXPECT_EQ(actives_over(s, 5), "00000");
  EXPECT_EQ(s.feeds[0].current, 2u);  // five steps through three stories
}

TEST(RotationHolds, OnlyAUserClipThatIsOpeningOrPlayingHoldsEverything) {
  struct Case {
    bool is_stream, silent, paused;
    PlayerStatus status;
    bool holds;
  } cases[] = {
      {false, false, false, PlayerStatus::Playing, true},
      {false, false, false, PlayerStatus::Opening, true},
      {false, false, true, PlayerStatus::Playing, false},
      {true, false, false, PlayerStatus::Playing, false},
      {false, true, false, PlayerStatus::Playing, false},
      {false, false, false, PlayerStatus::Ended, false},
  };
  for (const Case& c : cases) {
    AppState s = feeds_with_stories({3});
    s.playing = PlayingMedia{"https://example.com/c.mp4", "c", c.is_stream, c.silent, false, c.paused, true, c.status};
    rotation_tick(s, at(10min));
    EXPECT_EQ(s.feeds[0].current, c.holds ? 0u : 1u) << static_cast<int>(c.status) << c.paused << c.is_stream;
  }
}

TEST(RotationGate, RunsOnlyForAnActiveBarWithTheUsersFeedsAndNobodyWatching) {
  EXPECT_TRUE(rotation_may_run(false, false, true, false));
  EXPECT_FALSE(rotation_may_run(true, false, true, false));
  EXPECT_FALSE(rotation_may_run(false, true, true, false));
  EXPECT_FALSE(rotation_may_run(false, false, false, false));
  EXPECT_FALSE(rotation_may_run(false, false, true, true));
}

}  // namespace
}  // namespace qx
