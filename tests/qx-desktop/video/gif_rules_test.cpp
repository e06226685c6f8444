// The GIF rules that need no decoder: frame size, frame delays, and which sources are GIFs.
#include <gtest/gtest.h>

#include "video/media_engine.h"

namespace qx {
namespace {

using namespace std::chrono_literals;

TEST(GifFrameSize, TheLongerSideIsAtMost240) {
  struct Case {
    std::int32_t w, h;
    std::optional<VideoSize> expected;
  };
  const Case cases[] = {
      {1000, 500, VideoSize{240, 120}}, {100, 50, VideoSize{100, 50}}, {240, 240, VideoSize{240, 240}},
      {50, 1000, VideoSize{12, 240}},   {10000, 1, VideoSize{240, 1}}, {241, 3, VideoSize{240, 2}},
      {0, 10, std::nullopt},            {10, 0, std::nullopt},         {-5, 10, std::nullopt},
      {INT32_MAX, INT32_MAX, VideoSize{240, 240}},
  };
  for (const Case& c : cases) EXPECT_EQ(gif_frame_size(c.w, c.h), c.expected) << c.w << " x " << c.h;
}

TEST(GifFrameDelay, HundredthsOfASecondWithAFloorForTinyValues) {
  EXPECT_EQ(gif_frame_delay(std::nullopt), 100ms);
  EXPECT_EQ(gif_frame_delay(0u), 100ms);
  EXPECT_EQ(gif_frame_delay(1u), 100ms);
  EXPECT_EQ(gif_frame_delay(2u), 20ms);
  EXPECT_EQ(gif_frame_delay(5u), 50ms);
  // The largest value does not wrap around into a short delay.
  EXPECT_EQ(gif_frame_delay(0xFFFFFFFFu), std::chrono::milliseconds(42'949'672'950));
}

TEST(GifFrameDelays, ValuesAreReadOnlyWithinTheProperty) {
  const unsigned char bytes[] = {0, 0, 0, 0, 5, 0, 0, 0, 20, 0, 0, 0, 0x2C, 0x01};  // 0, 5, 20 and half a value
  EXPECT_EQ(gif_frame_delays(bytes, 12, 3), (std::vector{100ms, 50ms, 200ms}));
  // More frames than values: the rest get the default.
  EXPECT_EQ(gif_frame_delays(bytes, sizeof bytes, 5), (std::vector{100ms, 50ms, 200ms, 100ms, 100ms}));
  EXPECT_EQ(gif_frame_delays(bytes, 8, 1), (std::vector{100ms}));
  EXPECT_EQ(gif_frame_delays(nullptr, 40, 2), (std::vector{100ms, 100ms}));
  const unsigned char big[] = {0x2C, 0x01, 0, 0};  // 300 hundredths, little-endian
  EXPECT_EQ(gif_frame_delays(big, 4, 1), (std::vector{3000ms}));
}

TEST(IsLocalGif, LocalFilesEndingInGif) {
  EXPECT_TRUE(is_local_gif("C:\\Users\\me\\dance.gif"));
  EXPECT_TRUE(is_local_gif("C:\\Users\\me\\DANCE.GIF"));
  EXPECT_TRUE(is_local_gif("http://example.com/a.gif"));  // not https: read as a path, and fails there
  EXPECT_FALSE(is_local_gif("https://example.com/a.gif"));
  EXPECT_FALSE(is_local_gif("C:\\films\\a.mp4"));
  EXPECT_FALSE(is_local_gif("C:\\films\\a.gif.mp4"));
}

}  // namespace
}  // namespace qx
