// The video of "--render": frames are taken once enough have come; a failing or silent source
// ends the wait early or at the limit.
#include "video/offscreen_video.h"

#include <gtest/gtest.h>

#include "fake_media.h"

namespace qx {
namespace {

using namespace std::chrono_literals;

class OffscreenVideoTest : public ::testing::Test {
 protected:
  test::FakePlatform platform;
  MediaPlatformFactory borrowed = [this] { return std::make_unique<test::BorrowedPlatform>(platform); };
  const std::vector<VideoTargetSize> targets{VideoTargetSize{16, 9, Fit{}}, VideoTargetSize{4, 4, Fit{}}};
};

TEST_F(OffscreenVideoTest, FramesForEveryTargetOnceEnoughHaveCome) {
  platform.next->advancing = true;
  const std::vector<VideoFrame> frames =
      offscreen_video_frames("C:\\films\\orb.mp4", targets, borrowed, OffscreenVideoWait{5ms, 5, 20s});
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].pixels->size(), 16u * 9u);
  EXPECT_EQ(frames[1].width, 4);
  // Played muted and silent, as an orb film.
  EXPECT_TRUE(platform.next->read([](auto& e) { return e.muted && e.loop && e.shut_down; }));
}

TEST_F(OffscreenVideoTest, AFailingSourceEndsTheWaitAtOnce) {
  platform.engines_work = false;
  const auto before = std::chrono::steady_clock::now();
  EXPECT_TRUE(offscreen_video_frames("https://example.com/gone.mp4", targets, borrowed).empty());
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
}

TEST_F(OffscreenVideoTest, ASourceWithoutFramesIsGivenUpAtTheLimit) {
  const auto before = std::chrono::steady_clock::now();
  EXPECT_TRUE(offscreen_video_frames("https://example.com/slow.m3u8", targets, borrowed, OffscreenVideoWait{5ms, 70, 1s})
                  .empty());
  const auto waited = std::chrono::steady_clock::now() - before;
  EXPECT_GE(waited, 1s);
  EXPECT_LT(waited, 5s);
}

}  // namespace
}  // namespace qx
