// The player's handling of commands and ticks, driven directly with a fake platform and a fake
// clock: status transitions, frames per target, the frame notices, GIF timing.
#include "video/player.h"

#include <gtest/gtest.h>

#include "fake_media.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using namespace player_command;
using test::FakeGif;
using test::FakePlatform;
using test::RecordingPoster;

const Instant T0 = Instant{} + 1000h;

VideoTargetSize target(std::int32_t w, std::int32_t h) { return VideoTargetSize{w, h, Fit{}}; }

class PlayerLoopTest : public ::testing::Test {
 protected:
  FakePlatform platform;
  PlayerShared shared{PlayerFrames{}};
  RecordingPoster window;
  std::atomic<bool> frame_pending{false};
  PlayerLoop loop{platform, shared, PlayerNotices{&window, &frame_pending}};

  PlayerStatus status() { return player_snapshot(shared).status; }
  void open(std::string source, bool muted = false, bool silent = false) {
    ASSERT_TRUE(loop.handle(Open{std::move(source), muted, silent}, T0));
  }
  void new_frame_time(std::int64_t t) {
    std::lock_guard<std::mutex> lock(platform.next->mutex);
    platform.next->frame_time = t;
  }
};

// --- status -----------------------------------------------------------------------------------

TEST_F(PlayerLoopTest, OpenSetsOpeningAndTheEngineGetsTheSourceAndFlags) {
  open("https://example.com/clip.mp4", true, true);
  EXPECT_EQ(status(), PlayerStatus::Opening);
  EXPECT_EQ(platform.next->source, "https://example.com/clip.mp4");
  EXPECT_TRUE(platform.next->muted);
  EXPECT_TRUE(platform.next->loop);  // a silent clip loops
  EXPECT_EQ(window.take(), std::vector<std::uint32_t>{WM_APP_PLAYER_STATUS});
  EXPECT_EQ(loop.wait_time(), PLAYER_TICK);
}

TEST_F(PlayerLoopTest, StatusFollowsTheEngineAndThePauseToggle) {
  open("https://example.com/clip.mp4");
  window.take();
  struct Step {
    std::optional<std::uint32_t> event;
    std::optional<bool> paused;
    PlayerStatus expected;
  };
  const Step steps[] = {
      {ENGINE_EVENT_PLAYING, {}, PlayerStatus::Playing}, {{}, true, PlayerStatus::Paused},
      {{}, false, PlayerStatus::Playing},                {ENGINE_EVENT_ENDED, {}, PlayerStatus::Ended},
      {{}, false, PlayerStatus::Playing},
  };
  for (const Step& step : steps) {
    if (step.event) platform.next->push_event(*step.event);
    if (step.paused) loop.handle(SetPaused{*step.paused}, T0);
    loop.tick(T0);
    EXPECT_EQ(status(), step.expected);
    // Each change is reported once.
    EXPECT_EQ(window.take(), std::vector<std::uint32_t>{WM_APP_PLAYER_STATUS});
  }
}

TEST_F(PlayerLoopTest, UnpausingAnEndedEngineSeeksToTheStartFirst) {
  open("https://example.com/clip.mp4");
  loop.handle(SetPaused{false}, T0);
  EXPECT_EQ(platform.next->take_calls(), (std::vector<std::string>{"play"}));
  platform.next->ended = true;
  loop.handle(SetPaused{false}, T0);
  EXPECT_EQ(platform.next->take_calls(), (std::vector<std::string>{"seek 0", "play"}));
  loop.handle(SetPaused{true}, T0);
  loop.handle(SetMuted{true}, T0);
  EXPECT_EQ(platform.next->take_calls(), (std::vector<std::string>{"pause", "mute 1"}));
}

TEST_F(PlayerLoopTest, ASourceThatCannotBeOpenedFails) {
  platform.engines_work = false;
  open("https://example.com/nothing.m3u8");
  EXPECT_EQ(status(), PlayerStatus::Failed);
  EXPECT_EQ(window.take(), (std::vector<std::uint32_t>{WM_APP_PLAYER_STATUS, WM_APP_PLAYER_STATUS}));
  EXPECT_FALSE(loop.has_source());
  EXPECT_EQ(loop.wait_time(), PLAYER_IDLE_WAIT);
}

TEST_F(PlayerLoopTest, AnEngineErrorDropsTheEngineAndFails) {
  open("https://example.com/clip.mp4");
  platform.next->push_event(ENGINE_EVENT_ERROR);
  loop.tick(T0);
  EXPECT_EQ(status(), PlayerStatus::Failed);
  EXPECT_TRUE(platform.next->shut_down);
  EXPECT_FALSE(loop.has_source());
}

TEST_F(PlayerLoopTest, MetadataGivesTheVideoSizeAndFlag) {
  open("https://example.com/clip.mp4");
  window.take();
  platform.next->push_event(ENGINE_EVENT_LOADEDMETADATA);
  loop.tick(T0);
  const PlayerSnapshot snap = player_snapshot(shared);
  EXPECT_TRUE(snap.has_video);
  EXPECT_EQ(snap.video_width, 640);
  EXPECT_EQ(snap.video_height, 360);
  EXPECT_EQ(window.take(), std::vector<std::uint32_t>{WM_APP_PLAYER_STATUS});
}

TEST_F(PlayerLoopTest, StopClearsEverythingAndShutsTheEngineDown) {
  loop.handle(SetTargets{{target(4, 3)}}, T0);
  open("https://example.com/clip.mp4");
  new_frame_time(1);
  loop.tick(T0);
  ASSERT_EQ(player_snapshot(shared).frames.size(), 1u);
  loop.handle(Stop{}, T0);
  const PlayerSnapshot snap = player_snapshot(shared);
  EXPECT_TRUE(snap.frames.empty());
  EXPECT_EQ(snap.serial, 0u);
  EXPECT_EQ(snap.status, PlayerStatus::None);
  EXPECT_TRUE(platform.next->shut_down);
  EXPECT_EQ(loop.wait_time(), PLAYER_IDLE_WAIT);
}

TEST_F(PlayerLoopTest, ShutdownEndsTheLoopAndDropsTheSource) {
  open("https://example.com/clip.mp4");
  EXPECT_FALSE(loop.handle(Shutdown{}, T0));
  EXPECT_TRUE(platform.next->shut_down);
}

// --- engine frames -----------------------------------------------------------------------------

TEST_F(PlayerLoopTest, EachTargetGetsAFrameOfItsOwnSize) {
  loop.handle(SetTargets{{target(4, 3), target(2, 5)}}, T0);
  open("https://example.com/clip.mp4");
  new_frame_time(100);
  loop.tick(T0);
  const PlayerSnapshot snap = player_snapshot(shared);
  ASSERT_EQ(snap.frames.size(), 2u);
  EXPECT_EQ(snap.serial, 1u);
  EXPECT_EQ(snap.frames[0].width, 4);
  EXPECT_EQ(snap.frames[0].height, 3);
  EXPECT_EQ(snap.frames[0].pixels->size(), 12u);
  EXPECT_EQ(snap.frames[1].pixels->front(), test::capture_colour(target(2, 5)));
}

TEST_F(PlayerLoopTest, FramesAreTakenOnlyForANewFrameTimeOrNewTargets) {
  loop.handle(SetTargets{{target(4, 3)}}, T0);
  open("https://example.com/clip.mp4");
  struct Step {
    std::optional<std::int64_t> time;
    std::optional<std::vector<VideoTargetSize>> targets;
    std::uint64_t serial;
  };
  const Step steps[] = {
      {{}, {}, 0},                    // no frame yet
      {100, {}, 1},                   // first frame
      {100, {}, 1},                   // the same frame again
      {100, std::vector{target(4, 3)}, 1},  // the same targets again
      {100, std::vector{target(6, 3)}, 2},  // new targets, same frame
      {133, {}, 3},                   // the next frame
  };
  int i = 0;
  for (const Step& step : steps) {
    if (step.time) new_frame_time(*step.time);
    if (step.targets) loop.handle(SetTargets{*step.targets}, T0);
    loop.tick(T0);
    EXPECT_EQ(player_snapshot(shared).serial, step.serial) << "step " << i++;
  }
}

TEST_F(PlayerLoopTest, ASetWithAMissingFrameIsNotPublished) {
  platform.next->failing_width = 2;
  loop.handle(SetTargets{{target(4, 3), target(2, 5)}}, T0);
  open("https://example.com/clip.mp4");
  new_frame_time(100);
  loop.tick(T0);
  EXPECT_TRUE(player_snapshot(shared).frames.empty());
  EXPECT_EQ(player_snapshot(shared).serial, 0u);
}

TEST_F(PlayerLoopTest, ATargetWithoutAreaDoesNotHoldBackTheOthers) {
  loop.handle(SetTargets{{target(0, 9), target(4, 3), target(-3, 2)}}, T0);
  open("https://example.com/clip.mp4");
  new_frame_time(100);
  loop.tick(T0);
  const PlayerSnapshot snap = player_snapshot(shared);
  ASSERT_EQ(snap.frames.size(), 3u);
  EXPECT_TRUE(snap.frames[0].pixels->empty());
  EXPECT_EQ(snap.frames[1].pixels->size(), 12u);
  EXPECT_EQ(snap.frames[2].width, 0);
  EXPECT_EQ(platform.next->captures, 1);  // the engine is asked only for the real one
}

TEST_F(PlayerLoopTest, FrameNoticesAreNotQueuedTwice) {
  loop.handle(SetTargets{{target(4, 3)}}, T0);
  open("https://example.com/clip.mp4");
  window.take();
  new_frame_time(1);
  loop.tick(T0);
  new_frame_time(2);
  loop.tick(T0);
  EXPECT_EQ(window.take(), std::vector<std::uint32_t>{WM_APP_VIDEO_FRAME});
  frame_pending = false;  // the window took the frame
  new_frame_time(3);
  loop.tick(T0);
  EXPECT_EQ(window.take(), std::vector<std::uint32_t>{WM_APP_VIDEO_FRAME});
  EXPECT_EQ(player_snapshot(shared).serial, 3u);
}

TEST_F(PlayerLoopTest, OpeningAgainStartsTheFrameCountOver) {
  loop.handle(SetTargets{{target(4, 3)}}, T0);
  open("https://example.com/a.mp4");
  new_frame_time(1);
  loop.tick(T0);
  const auto first = platform.next;
  platform.next = std::make_shared<test::FakeEngineScript>();
  open("https://example.com/b.mp4");
  EXPECT_TRUE(first->shut_down);
  EXPECT_EQ(player_snapshot(shared).serial, 0u);
  EXPECT_TRUE(player_snapshot(shared).frames.empty());
}

// --- GIFs --------------------------------------------------------------------------------------

TEST_F(PlayerLoopTest, GifFramesFollowTheirDelays) {
  // Delays 0, 5 and 20 hundredths: frames 1, 2, 0, 1 … for 50, 200 and 100 ms.
  platform.gifs["C:\\films\\dance.GIF"] = {{0x010101, 0x020202, 0x030303}, {100ms, 50ms, 200ms}};
  loop.handle(SetTargets{{target(4, 2)}}, T0);
  open("C:\\films\\dance.GIF");
  EXPECT_TRUE(platform.opened.empty());  // decoded by the player, not the engine
  struct Step {
    std::chrono::milliseconds at;
    std::uint32_t colour;
    std::uint64_t serial;
  };
  const Step steps[] = {{0ms, 0x020202, 1},   {49ms, 0x020202, 1},  {50ms, 0x030303, 2}, {249ms, 0x030303, 2},
                        {250ms, 0x010101, 3}, {349ms, 0x010101, 3}, {350ms, 0x020202, 4}};
  for (const Step& step : steps) {
    loop.tick(T0 + step.at);
    const PlayerSnapshot snap = player_snapshot(shared);
    ASSERT_EQ(snap.frames.size(), 1u);
    EXPECT_EQ(snap.frames[0].pixels->front() & 0xFFFFFF, step.colour) << step.at.count() << " ms";
    EXPECT_EQ(snap.serial, step.serial) << step.at.count() << " ms";
    EXPECT_EQ(snap.status, PlayerStatus::Playing);
    EXPECT_TRUE(snap.has_video);
  }
}

TEST_F(PlayerLoopTest, TheFirstGifFrameComesWithAStatusNotice) {
  // The window copies has_video and the status only on a status notice.
  platform.gifs["a.gif"] = {{1, 2}, {100ms, 100ms}};
  loop.handle(SetTargets{{target(4, 2)}}, T0);
  open("a.gif");
  EXPECT_EQ(window.take(), std::vector<std::uint32_t>{WM_APP_PLAYER_STATUS});  // opening
  const std::vector<std::uint32_t> status_and_frame{WM_APP_PLAYER_STATUS, WM_APP_VIDEO_FRAME};
  const std::vector<std::uint32_t> frame_only{WM_APP_VIDEO_FRAME};
  const std::pair<std::chrono::milliseconds, std::vector<std::uint32_t>> steps[] = {
      {0ms, status_and_frame}, {100ms, frame_only}, {200ms, frame_only}};
  for (const auto& [at, expected] : steps) {
    frame_pending = false;  // the window took the last frame
    loop.tick(T0 + at);
    EXPECT_EQ(window.take(), expected) << at.count() << " ms";
  }
}

TEST_F(PlayerLoopTest, AGifPlaysAtMost150Frames) {
  FakeGif& gif = platform.gifs["long.gif"];
  for (std::uint32_t i = 0; i < 152; ++i) {
    gif.colours.push_back(i);
    gif.delays.push_back(10ms);
  }
  loop.handle(SetTargets{{target(1, 1)}}, T0);
  open("long.gif");
  // Frame 1 first; after frame 149 comes frame 0, never 150 or 151.
  std::vector<std::uint32_t> shown;
  for (int tick = 0; tick < 151; ++tick) {
    loop.tick(T0 + tick * 10ms);
    shown.push_back(player_snapshot(shared).frames.at(0).pixels->front() & 0xFFFFFF);
  }
  EXPECT_EQ(shown[0], 1u);
  EXPECT_EQ(shown[148], 149u);
  EXPECT_EQ(shown[149], 0u);
  EXPECT_EQ(shown[150], 1u);
}

TEST_F(PlayerLoopTest, GifFramesArePlacedIntoEveryTarget) {
  platform.gifs["a.gif"] = {{0x112233, 0x445566}, {100ms, 100ms}};
  loop.handle(SetTargets{{target(8, 8), target(3, 2), target(0, 5)}}, T0);
  open("a.gif");
  loop.tick(T0);
  PlayerSnapshot snap = player_snapshot(shared);
  ASSERT_EQ(snap.frames.size(), 3u);
  EXPECT_EQ(snap.frames[0].width, 8);
  EXPECT_EQ(snap.frames[0].pixels->size(), 64u);
  EXPECT_EQ(snap.frames[1].pixels->size(), 6u);
  EXPECT_EQ(snap.frames[1].pixels->front() & 0xFFFFFF, 0x445566u);
  EXPECT_TRUE(snap.frames[2].pixels->empty());  // an empty target gets an empty frame, no failure
  // New sizes before the next frame is due: the same frame again at the new size.
  loop.handle(SetTargets{{target(5, 5)}}, T0 + 10ms);
  loop.tick(T0 + 10ms);
  snap = player_snapshot(shared);
  ASSERT_EQ(snap.frames.size(), 1u);
  EXPECT_EQ(snap.frames[0].pixels->size(), 25u);
  EXPECT_EQ(snap.frames[0].pixels->front() & 0xFFFFFF, 0x445566u);
}

TEST_F(PlayerLoopTest, AGifWithOneFrameOrNoneFails) {
  platform.gifs["still.gif"] = {{0x112233}, {100ms}};
  for (const char* source : {"still.gif", "missing.gif"}) {
    open(source);
    EXPECT_EQ(status(), PlayerStatus::Failed) << source;
    EXPECT_FALSE(loop.has_source());
  }
}

TEST_F(PlayerLoopTest, AnHttpsGifGoesToTheEngine) {
  platform.engines_work = false;
  open("https://example.com/funny.gif");
  EXPECT_EQ(platform.opened, std::vector<std::string>{"https://example.com/funny.gif"});
  EXPECT_EQ(status(), PlayerStatus::Failed);
}

TEST_F(PlayerLoopTest, PauseAndMuteAreForTheEngineOnly) {
  loop.handle(SetPaused{true}, T0);
  loop.handle(SetMuted{true}, T0);
  EXPECT_EQ(status(), PlayerStatus::None);
  platform.gifs["a.gif"] = {{1, 2}, {100ms, 100ms}};
  open("a.gif");
  loop.tick(T0);
  loop.handle(SetPaused{true}, T0);
  EXPECT_EQ(status(), PlayerStatus::Playing);
}

// --- without a window ("--render") ------------------------------------------------------------

TEST(PlayerLoopOffscreen, StatusIsStoredAndNothingIsPosted) {
  FakePlatform platform;
  PlayerShared shared{PlayerFrames{}};
  PlayerLoop loop{platform, shared, PlayerNotices{}};
  loop.handle(SetTargets{{target(2, 2)}}, T0);
  loop.handle(Open{"https://example.com/clip.mp4", true, true}, T0);
  platform.next->push_event(ENGINE_EVENT_PLAYING);
  platform.next->frame_time = 5;
  loop.tick(T0);
  const PlayerSnapshot snap = player_snapshot(shared);
  EXPECT_EQ(snap.status, PlayerStatus::Playing);
  EXPECT_EQ(snap.serial, 1u);
}

// --- shared frames ----------------------------------------------------------------------------

TEST(PlayerShared, SetPlayerFlagTellsWhetherTheStatusChanged) {
  PlayerShared shared{PlayerFrames{}};
  RecordingPoster window;
  EXPECT_TRUE(set_player_flag_notify(shared, PlayerStatus::Playing, window));
  EXPECT_FALSE(set_player_flag_notify(shared, PlayerStatus::Playing, window));
  EXPECT_EQ(window.take(), std::vector<std::uint32_t>{WM_APP_PLAYER_STATUS});
}

TEST(PlayerShared, APoisonedLockGivesAnEmptyCopyAndChangesNothing) {
  PlayerShared shared{PlayerFrames{}};
  set_player_flag(shared, PlayerStatus::Playing);
  shared.with([](PlayerFrames&) -> int { throw 1; });
  EXPECT_EQ(player_snapshot(shared).status, PlayerStatus::None);
  EXPECT_FALSE(set_player_flag(shared, PlayerStatus::Paused));
}

}  // namespace
}  // namespace qx
