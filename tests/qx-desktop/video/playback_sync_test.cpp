// What should play and what the player is told: the silent-clip rule, the decision table, and
// the glue with a player thread on a fake platform.
#include "video/playback_sync.h"

#include <gtest/gtest.h>

#include "fake_media.h"
#include "state_test_helpers.h"

namespace qx {
namespace {

using Step = PlaybackPlan::Step;
using namespace std::chrono_literals;

OrbMediaSource src(std::string s, bool muted = false, bool silent = false, bool paused = false) {
  return OrbMediaSource{std::move(s), muted, silent, paused};
}

// --- the decision ------------------------------------------------------------------------------

TEST(PlanPlayback, DecisionTable) {
  struct Case {
    const char* what;
    std::optional<OrbMediaSource> desired, last;
    bool has_player;
    Step step;
    std::optional<bool> muted, paused;
    bool store;
  };
  const std::optional<OrbMediaSource> none;
  const Case cases[] = {
      {"nothing wanted, nothing sent", none, none, true, Step::Nothing, {}, {}, false},
      {"the same source again", src("a"), src("a"), true, Step::Nothing, {}, {}, false},
      {"the source went away", none, src("a"), true, Step::Stop, {}, {}, true},
      {"only paused changed", src("a", false, false, true), src("a"), true, Step::Adjust, {}, true, true},
      {"only muted changed", src("a", true), src("a"), true, Step::Adjust, true, {}, true},
      {"muted and paused changed", src("a", false, true, true), src("a", true, true), true, Step::Adjust, false,
       true, true},
      {"silent changed: a clip now played aloud", src("a"), src("a", true, true), true, Step::Open, {}, {}, true},
      {"another source", src("b"), src("a"), true, Step::Open, {}, {}, true},
      {"after a stop", src("a"), none, true, Step::Open, {}, {}, true},
      {"no player and nothing wanted", none, src("a"), false, Step::Nothing, {}, {}, false},
      {"no player yet", src("a"), none, false, Step::Start, {}, {}, true},
  };
  for (const Case& c : cases) {
    const PlaybackPlan plan = plan_playback(c.desired, c.last, c.has_player);
    EXPECT_EQ(plan.step, c.step) << c.what;
    EXPECT_EQ(plan.set_muted, c.muted) << c.what;
    EXPECT_EQ(plan.set_paused, c.paused) << c.what;
    EXPECT_EQ(plan.store_source, c.store) << c.what;
  }
}

// --- silent clips ------------------------------------------------------------------------------

AppState state_with_story(std::optional<QxMedia> media) {
  AppState s = test::state_with({"https://feeds.example.com/a"});
  QxItem item = test::story("Top story");
  item.media = std::move(media);
  s.feeds[0].items.push_back(item);
  return s;
}

TEST(SilentClips, TheCurrentClipStartsMutedAndSilent) {
  AppState s = state_with_story(QxMedia{"video", "https://cdn.example.com/clip.mp4", std::nullopt});
  apply_silent_clips(s);
  ASSERT_TRUE(s.playing);
  EXPECT_EQ(s.playing->url, "https://cdn.example.com/clip.mp4");
  EXPECT_EQ(s.playing->title, "Top story");
  EXPECT_TRUE(s.playing->silent);
  EXPECT_TRUE(s.playing->muted);
  EXPECT_FALSE(s.playing->is_stream);
  EXPECT_EQ(s.playing->status, PlayerStatus::Opening);
}

TEST(SilentClips, NoClipWithoutTheOptionOnDefaultFeedsForAudioOrForNonMediaLinks) {
  struct Case {
    const char* what;
    QxMedia media;
    bool clips, default_feeds;
  };
  const Case cases[] = {
      {"clips off", {"video", "https://cdn.example.com/clip.mp4", {}}, false, false},
      {"default feeds", {"video", "https://cdn.example.com/clip.mp4", {}}, true, true},
      {"audio", {"audio", "https://cdn.example.com/show.mp3", {}}, true, false},
      {"a page, not a media link", {"video", "https://example.com/watch", {}}, true, false},
  };
  for (const Case& c : cases) {
    AppState s = state_with_story(c.media);
    s.clips = c.clips;
    s.default_feeds = c.default_feeds;
    apply_silent_clips(s);
    EXPECT_FALSE(s.playing) << c.what;
  }
}

TEST(SilentClips, ASilentClipThatIsNoLongerCurrentIsDropped) {
  AppState s = state_with_story(std::nullopt);
  s.playing = PlayingMedia{"https://cdn.example.com/old.mp4", "Old", false, true, true, false, true, PlayerStatus::Playing};
  apply_silent_clips(s);
  EXPECT_FALSE(s.playing);
}

TEST(SilentClips, WhatTheUserPlaysIsKept) {
  AppState s = state_with_story(QxMedia{"video", "https://cdn.example.com/clip.mp4", std::nullopt});
  const PlayingMedia stream{"https://tv.example.com/live.m3u8", "Live", true, false, false, false, false,
                            PlayerStatus::Playing};
  s.playing = stream;
  apply_silent_clips(s);
  EXPECT_EQ(s.playing, stream);
}

// --- the glue ----------------------------------------------------------------------------------

class SyncPlaybackTest : public ::testing::Test {
 protected:
  Guarded<AppState> state{test::state_with({"https://feeds.example.com/a"})};
  Guarded<std::optional<OrbMediaSource>> source{std::optional<OrbMediaSource>{}};
  Guarded<std::optional<PlayerHandle>> player{std::optional<PlayerHandle>{}};
  test::FakePlatform platform;
  int starts = 0;
  bool refuse_start = false;
  PlayerStarter start = [this]() -> std::optional<PlayerHandle> {
    ++starts;
    if (refuse_start) return std::nullopt;
    return start_player(PlayerNotices{}, [this] { return std::make_unique<test::BorrowedPlatform>(platform); });
  };

  ~SyncPlaybackTest() override {
    player.with([](std::optional<PlayerHandle>& p) {
      if (p) player_shutdown_join(*p);
    });
  }
  void sync() { sync_playback(state, source, player, start, SteadyClock::now()); }
  void play(std::string url, bool paused = false, bool silent = false) {
    state.with([&](AppState& s) {
      s.playing = PlayingMedia{url, "t", true, silent, silent, paused, false, PlayerStatus::Opening};
    });
  }
  std::optional<OrbMediaSource> last_sent() {
    return source.with([](std::optional<OrbMediaSource>& s) { return s; }).value();
  }
  PlayerStatus player_status() {
    return player
        .with([](std::optional<PlayerHandle>& p) { return p ? player_snapshot(p->shared()).status : PlayerStatus::None; })
        .value();
  }
  std::size_t opens() { return platform.opened_sources().size(); }
};

TEST_F(SyncPlaybackTest, NothingToPlayStartsNothing) {
  sync();
  EXPECT_EQ(starts, 0);
  EXPECT_FALSE(last_sent());
}

TEST_F(SyncPlaybackTest, TheFirstSourceStartsThePlayerAndOpensIt) {
  play("https://tv.example.com/live.m3u8");
  sync();
  EXPECT_EQ(starts, 1);
  EXPECT_TRUE(test::eventually([&] { return opens() == 1; }));
  EXPECT_EQ(platform.next->read([](auto& e) { return e.source; }), "https://tv.example.com/live.m3u8");
  EXPECT_EQ(last_sent(), src("https://tv.example.com/live.m3u8"));
  sync();  // unchanged: nothing more is sent
  EXPECT_EQ(starts, 1);
}

TEST_F(SyncPlaybackTest, PausingSendsSetPausedNotOpen) {
  play("https://tv.example.com/live.m3u8");
  sync();
  ASSERT_TRUE(test::eventually([&] { return opens() == 1; }));
  play("https://tv.example.com/live.m3u8", true);
  sync();
  EXPECT_TRUE(test::eventually([&] { return player_status() == PlayerStatus::Paused; }));
  EXPECT_EQ(opens(), 1u);
  EXPECT_EQ(last_sent()->paused, true);
}

TEST_F(SyncPlaybackTest, ASilentClipPlayedAloudIsOpenedAgain) {
  state.with([](AppState& s) {
    s.feeds[0].items.push_back(test::story_with_media("Clip", "video", "https://cdn.example.com/clip.mp4"));
  });
  sync();  // the clip starts by itself, muted, silent and looping
  ASSERT_TRUE(test::eventually([&] { return opens() == 1; }));
  EXPECT_TRUE(platform.next->read([](auto& e) { return e.loop && e.muted; }));
  state.with([](AppState& s) { play_pause_current_media(s); });  // the user plays it aloud
  sync();
  EXPECT_TRUE(test::eventually([&] { return opens() == 2; }));
  EXPECT_FALSE(platform.next->read([](auto& e) { return e.loop || e.muted; }));
}

TEST_F(SyncPlaybackTest, ASourceThatGoesAwayStopsThePlayer) {
  play("https://tv.example.com/live.m3u8");
  sync();
  ASSERT_TRUE(test::eventually([&] { return opens() == 1; }));
  state.with([](AppState& s) { s.shown = false; });  // the bar is hidden
  sync();
  EXPECT_TRUE(test::eventually([&] { return platform.next->read([](auto& e) { return e.shut_down; }); }));
  EXPECT_FALSE(last_sent());
  EXPECT_EQ(player_status(), PlayerStatus::None);
}

TEST_F(SyncPlaybackTest, AThreadThatCannotStartIsTriedAgainLater) {
  refuse_start = true;
  play("https://tv.example.com/live.m3u8");
  sync();
  EXPECT_FALSE(last_sent());
  refuse_start = false;
  sync();
  EXPECT_EQ(starts, 2);
  EXPECT_TRUE(test::eventually([&] { return opens() == 1; }));
}

TEST_F(SyncPlaybackTest, AnUnsetStateDoesNothing) {
  Guarded<AppState> unset;
  sync_playback(unset, source, player, start, SteadyClock::now());
  EXPECT_EQ(starts, 0);
}

}  // namespace
}  // namespace qx
