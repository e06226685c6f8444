// The player thread behind its handle: commands reach it in order, frames reach the targets,
// shutting down joins it, and a thread that hangs does not hang its caller.
#include "video/player.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "fake_media.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using test::eventually;

class PlayerThreadTest : public ::testing::Test {
 protected:
  test::FakePlatform platform;
  std::shared_ptr<test::RecordingPoster> window = std::make_shared<test::RecordingPoster>();
  std::atomic<bool> frame_pending{false};
  MediaPlatformFactory borrowed = [this] { return std::make_unique<test::BorrowedPlatform>(platform); };
};

TEST_F(PlayerThreadTest, FramesReachTheTargetsAndTheWindowHears) {
  std::optional<PlayerHandle> player = start_player(PlayerNotices{window.get(), &frame_pending}, borrowed, window);
  ASSERT_TRUE(player);
  player_set_targets(*player, {VideoTargetSize{3, 2, Fit{}}});
  player_open(*player, "https://example.com/clip.mp4", true, false);
  platform.next->push_event(ENGINE_EVENT_PLAYING);
  platform.next->read([](auto& e) { return e.frame_time = 7; });
  ASSERT_TRUE(eventually([&] { return player_snapshot(player->shared()).serial == 1; }));
  const PlayerSnapshot snap = player_snapshot(player->shared());
  EXPECT_EQ(snap.status, PlayerStatus::Playing);
  ASSERT_EQ(snap.frames.size(), 1u);
  EXPECT_EQ(snap.frames[0].pixels->size(), 6u);
  EXPECT_TRUE(frame_pending.load());
  const std::vector<std::uint32_t> posted = window->take();
  EXPECT_NE(std::find(posted.begin(), posted.end(), WM_APP_VIDEO_FRAME), posted.end());
  EXPECT_TRUE(player_shutdown_join(*player));
  EXPECT_TRUE(platform.next->read([](auto& e) { return e.shut_down; }));
}

TEST_F(PlayerThreadTest, CommandsAfterTheThreadEndedAreDropped) {
  std::optional<PlayerHandle> player = start_player(PlayerNotices{}, borrowed);
  ASSERT_TRUE(player);
  EXPECT_TRUE(player_shutdown_join(*player));
  player_open(*player, "https://example.com/clip.mp4", false, false);
  EXPECT_TRUE(platform.opened_sources().empty());
  EXPECT_TRUE(player_shutdown_join(*player));  // a second shutdown does nothing
}

TEST_F(PlayerThreadTest, QueuedCommandsAreHandledInOrder) {
  std::optional<PlayerHandle> player = start_player(PlayerNotices{}, borrowed);
  ASSERT_TRUE(player);
  player_open(*player, "https://example.com/a.mp4", false, false);
  player_open(*player, "https://example.com/b.mp4", false, false);
  player->send(player_command::Stop{});
  player_open(*player, "https://example.com/c.mp4", false, false);
  ASSERT_TRUE(eventually([&] { return platform.opened_sources().size() == 3; }));
  EXPECT_EQ(platform.opened_sources(), (std::vector<std::string>{"https://example.com/a.mp4", "https://example.com/b.mp4",
                                                                  "https://example.com/c.mp4"}));
}

// A platform whose engine blocks in its shutdown until released.
struct Gate {
  std::mutex mutex;
  std::condition_variable cv;
  bool open = false;
  void wait() {
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait(lock, [&] { return open; });
  }
  void release() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      open = true;
    }
    cv.notify_all();
  }
};

class HangingEngine final : public MediaEngine {
 public:
  explicit HangingEngine(std::shared_ptr<Gate> gate) : gate_(std::move(gate)) {}
  ~HangingEngine() override { gate_->wait(); }
  std::vector<std::uint32_t> take_events() override { return {}; }
  void set_muted(bool) override {}
  void play() override {}
  void pause() override {}
  bool is_ended() override { return false; }
  void seek_to_start() override {}
  bool has_video() override { return false; }
  VideoSize native_video_size() override { return {}; }
  std::optional<std::int64_t> video_stream_tick() override { return std::nullopt; }
  std::optional<VideoFrame> capture_frame(const VideoTargetSize&) override { return std::nullopt; }

 private:
  std::shared_ptr<Gate> gate_;
};

class HangingPlatform final : public MediaPlatform {
 public:
  explicit HangingPlatform(std::shared_ptr<Gate> gate) : gate_(std::move(gate)) {}
  std::unique_ptr<MediaEngine> open_engine(const std::string&, bool, bool) override {
    return std::make_unique<HangingEngine>(gate_);
  }
  std::optional<std::vector<GifFrame>> decode_gif(const std::string&) override { return std::nullopt; }

 private:
  std::shared_ptr<Gate> gate_;
};

TEST(PlayerShutdown, AnEngineThatHangsDoesNotHangTheCaller) {
  auto gate = std::make_shared<Gate>();
  std::optional<PlayerHandle> player =
      start_player(PlayerNotices{}, [gate] { return std::make_unique<HangingPlatform>(gate); });
  ASSERT_TRUE(player);
  player_open(*player, "https://example.com/stuck.m3u8", false, false);
  ASSERT_TRUE(eventually([&] { return player_snapshot(player->shared()).status == PlayerStatus::Opening; }));
  const auto before = std::chrono::steady_clock::now();
  EXPECT_FALSE(player_shutdown_join(*player, 200ms));
  EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
  gate->release();  // let the left thread finish before the test ends
  std::this_thread::sleep_for(50ms);
}

}  // namespace
}  // namespace qx
