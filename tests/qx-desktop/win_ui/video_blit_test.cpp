#include "win_ui/video_blit.h"

#include <gtest/gtest.h>

#include <vector>

namespace qx {
namespace {

// A surface of plain memory with every pixel set to `fill`.
struct Surface {
  std::vector<std::uint32_t> px;
  std::int32_t w, h;
  Surface(std::int32_t width, std::int32_t height, std::uint32_t fill)
      : px(static_cast<std::size_t>(width * height), fill), w(width), h(height) {}
  PixelView view() { return {px.data(), w, h}; }
  std::uint32_t at(std::int32_t x, std::int32_t y) const { return px[static_cast<std::size_t>(y * w + x)]; }
};

struct Frame {
  std::vector<std::uint32_t> px;
  std::int32_t w, h;
  Frame(std::int32_t width, std::int32_t height, std::uint32_t fill)
      : px(static_cast<std::size_t>(width * height), fill), w(width), h(height) {}
  PictureView view() const { return {px.data(), w, h}; }
};

VideoTarget target(Rect r, float radius = 0) { return VideoTarget{r, radius, Fit{}}; }

constexpr std::uint32_t PAINTED = 0xFF203040;
constexpr std::uint32_t VIDEO = 0x00A0B0C0;  // the player's top byte is not alpha

TEST(VideoBlit, AFrameFillsItsSquareTargetOpaquely) {
  Surface s(8, 6, PAINTED);
  const Frame f(4, 3, VIDEO);
  const VideoTarget t[] = {target({2, 1, 6, 4})};
  const PictureView frames[] = {f.view()};
  blit_video_frame(s.view(), t, frames);
  for (std::int32_t y = 0; y < 6; ++y)
    for (std::int32_t x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
      EXPECT_EQ(s.at(x, y), inside ? 0xFFA0B0C0 : PAINTED) << x << "," << y;
    }
}

TEST(VideoBlit, ATargetPartlyOutsideBlendsOnlyItsVisiblePart) {
  Surface s(4, 4, PAINTED);
  Frame f(4, 4, 0);
  for (std::int32_t i = 0; i < 16; ++i) f.px[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i);
  const VideoTarget t[] = {target({-2, -1, 2, 3})};
  const PictureView frames[] = {f.view()};
  blit_video_frame(s.view(), t, frames);
  // Surface (0,0) shows frame column 2 of row 1.
  EXPECT_EQ(s.at(0, 0), 0xFF000000u | 6u);
  EXPECT_EQ(s.at(1, 1), 0xFF000000u | 11u);
  EXPECT_EQ(s.at(1, 2), 0xFF000000u | 15u);
  EXPECT_EQ(s.at(2, 0), PAINTED);
  EXPECT_EQ(s.at(0, 3), PAINTED);
}

TEST(VideoBlit, ATargetBeyondTheLastRowOrColumnWritesNothingOutside) {
  // The surface is a window into a larger buffer: guard pixels after it must stay.
  std::vector<std::uint32_t> buffer(4 * 4 + 8, 0xDEADBEEF);
  for (std::size_t i = 0; i < 16; ++i) buffer[i] = PAINTED;
  const Frame f(4, 4, VIDEO);
  const VideoTarget t[] = {target({2, 2, 6, 6})};
  const PictureView frames[] = {f.view()};
  blit_video_frame(PixelView{buffer.data(), 4, 4}, t, frames);
  for (std::size_t i = 16; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xDEADBEEF);
  EXPECT_EQ(buffer[3 * 4 + 3], 0xFFA0B0C0u);
  EXPECT_EQ(buffer[3 * 4 + 1], PAINTED);
}

TEST(VideoBlit, AFrameOfTheWrongSizeLeavesTheTargetAsPainted) {
  Surface s(8, 8, PAINTED);
  const Frame wider(5, 4, VIDEO), taller(4, 5, VIDEO);
  const VideoTarget t[] = {target({0, 0, 4, 4}), target({4, 4, 8, 8})};
  const PictureView frames[] = {wider.view(), taller.view()};
  blit_video_frame(s.view(), t, frames);
  for (std::uint32_t p : s.px) EXPECT_EQ(p, PAINTED);
}

TEST(VideoBlit, TwoTargetsAndOneFrameFillOnlyTheFirst) {
  Surface s(8, 4, PAINTED);
  const Frame f(4, 4, VIDEO);
  const VideoTarget t[] = {target({0, 0, 4, 4}), target({4, 0, 8, 4})};
  const PictureView frames[] = {f.view()};
  blit_video_frame(s.view(), t, frames);
  EXPECT_EQ(s.at(1, 1), 0xFFA0B0C0u);
  EXPECT_EQ(s.at(5, 1), PAINTED);
}

TEST(VideoBlit, RoundedEdgesBlendOverOpaquePaintAndNeverOverTransparentPaint) {
  const Rect r{0, 0, 20, 20};
  const float radius = 10;
  const Frame f(20, 20, 0x00000000);  // black video
  const VideoTarget t[] = {target(r, radius)};
  const PictureView frames[] = {f.view()};
  Surface opaque(20, 20, 0xFFFFFFFF), clear(20, 20, 0x00000000), soft(20, 20, 0x80808080);
  blit_video_frame(opaque.view(), t, frames);
  blit_video_frame(clear.view(), t, frames);
  blit_video_frame(soft.view(), t, frames);

  int edge_pixels = 0;
  for (std::int32_t y = 0; y < 20; ++y) {
    const RowSpan span = rounded_row_span(r, radius, y);
    for (std::int32_t x = 0; x < 20; ++x) {
      const float c = rounded_rect_coverage(r, radius, x + 0.5f, y + 0.5f);
      const std::uint32_t o = opaque.at(x, y);
      EXPECT_EQ(o >> 24, 0xFFu);
      if (span.contains(x)) {
        EXPECT_EQ(o, 0xFF000000u) << x << "," << y;
        EXPECT_EQ(clear.at(x, y), 0xFF000000u) << "inside the span the video replaces any paint";
      } else if (c <= 0) {
        EXPECT_EQ(o, 0xFFFFFFFFu) << "no coverage: as painted " << x << "," << y;
      } else {
        ++edge_pixels;
        const std::uint32_t red = (o >> 16) & 0xFF;
        EXPECT_NEAR(static_cast<float>(red), 255.0f * (1.0f - c), 1.0f) << x << "," << y;
        EXPECT_EQ(clear.at(x, y), 0u) << "the video does not leak past the painted shape";
        EXPECT_EQ(soft.at(x, y), 0x80808080u);
      }
    }
  }
  EXPECT_GT(edge_pixels, 0);
  EXPECT_EQ(opaque.at(0, 0), 0xFFFFFFFFu);
}

TEST(VideoBlit, EachTargetKeepsItsOwnShapeFromFrameToFrame) {
  // The same rectangle with another radius, and more targets than the blit keeps shapes for.
  const Frame f(20, 20, VIDEO);
  const PictureView frames[] = {f.view()};
  for (int round = 0; round < 2; ++round) {
    for (float radius : {0.0f, 10.0f, 3.0f, 12.0f, 20.0f, 0.0f, 10.0f}) {
      Surface s(20, 20, PAINTED);
      const VideoTarget t[] = {target({0, 0, 20, 20}, radius)};
      blit_video_frame(s.view(), t, frames);
      EXPECT_EQ(s.at(0, 0), radius == 0 ? 0xFFA0B0C0u : PAINTED) << radius;
      EXPECT_EQ(s.at(10, 10), 0xFFA0B0C0u);
    }
  }
}

TEST(VideoBlit, NothingHappensWithoutFramesOrSurface) {
  Surface s(4, 4, PAINTED);
  const VideoTarget t[] = {target({0, 0, 4, 4})};
  blit_video_frame(s.view(), t, {});
  const Frame f(4, 4, VIDEO);
  const PictureView frames[] = {f.view()};
  blit_video_frame(PixelView{}, t, frames);
  blit_video_frame(PixelView{s.px.data(), 0, 4}, t, frames);
  for (std::uint32_t p : s.px) EXPECT_EQ(p, PAINTED);
}

TEST(VideoDirtyRect, IsTheUnionOfTheTargetsClampedToTheSurface) {
  struct Case {
    std::vector<VideoTarget> targets;
    std::optional<Rect> dirty;
  } cases[] = {
      {{target({10, 5, 30, 25})}, Rect{10, 5, 30, 25}},
      {{target({10, 5, 30, 25}), target({40, 0, 50, 10})}, Rect{10, 0, 50, 25}},
      {{target({-5, -6, 20, 70})}, Rect{0, 0, 20, 40}},
      {{target({90, 10, 140, 20})}, Rect{90, 10, 100, 20}},
      // Wholly outside, or inverted: an empty rectangle, and nothing to push.
      {{target({120, 10, 140, 20})}, std::nullopt},
      {{target({-40, -40, -10, -10})}, std::nullopt},
      {{target({30, 10, 20, 20})}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(video_dirty_rect(c.targets, 100, 40), c.dirty);
}

TEST(CleanPixels, RestoreOnlyTheDirtyRows) {
  Surface s(4, 3, 0xFF000001);
  const std::vector<std::uint32_t> clean(12, 0xFF000002);
  restore_clean_pixels(s.view(), clean, Rect{1, 1, 3, 3});
  EXPECT_EQ(s.at(1, 1), 0xFF000002u);
  EXPECT_EQ(s.at(2, 2), 0xFF000002u);
  EXPECT_EQ(s.at(0, 1), 0xFF000001u);
  EXPECT_EQ(s.at(3, 2), 0xFF000001u);
  EXPECT_EQ(s.at(1, 0), 0xFF000001u);
  // A clean copy of another size is not used.
  restore_clean_pixels(s.view(), std::vector<std::uint32_t>(11, 7), Rect{0, 0, 4, 3});
  EXPECT_EQ(s.at(0, 0), 0xFF000001u);
}

}  // namespace
}  // namespace qx
