#include "render/pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace qx {
namespace {

constexpr std::uint32_t UNTOUCHED = 0xFF000000u;  // written pixels always have a zero alpha byte

// A surface with a guard row after it, so that a write past the end is seen.
struct TestSurface {
  std::int32_t width, height;
  std::vector<std::uint32_t> memory;
  TestSurface(std::int32_t w, std::int32_t h, std::uint32_t fill = UNTOUCHED)
      : width(w), height(h), memory(static_cast<std::size_t>(w) * (h + 1), fill) {}
  PixelView view() { return {memory.data(), width, height}; }
  std::uint32_t at(std::int32_t x, std::int32_t y) const { return memory[static_cast<std::size_t>(y) * width + x]; }
  bool guard_intact(std::uint32_t fill = UNTOUCHED) const {
    for (std::size_t i = static_cast<std::size_t>(width) * height; i < memory.size(); ++i) {
      if (memory[i] != fill) return false;
    }
    return true;
  }
};

// --- colours --------------------------------------------------------------------------------

TEST(ParseHexColour, AcceptsSixHexDigitsAfterAnyNumberOfHashes) {
  const Colour expected{0xAB, 0xCD, 0xEF};
  for (const char* text : {"#abcdef", "##abcdef", "abcdef", "#ABCDEF", "###AbCdEf"}) {
    EXPECT_EQ(parse_hex_colour(text), expected) << text;
  }
  EXPECT_EQ(parse_hex_colour("#000000"), BLACK);
  EXPECT_EQ(parse_hex_colour("#ffffff"), WHITE);
}

TEST(ParseHexColour, GivesTheFallbackForAnythingElse) {
  for (const char* text : {"", "#", "abc", "#abc", "ggg", "#abcdeg", "#abcdef0", " #abcdef", "#abcde",
                           "#ab cd ef", "#-1-1-1", "#0x1234"}) {
    EXPECT_EQ(parse_hex_colour(text), (Colour{0, 98, 204})) << '"' << text << '"';
  }
  EXPECT_EQ(parse_hex_colour(std::string("#abc\0ef", 7)), FALLBACK_COLOUR);
}

TEST(ParseColourPairs, ParsesEachOfTheFourTexts) {
  const auto colours = parse_colour_pairs({"#102030", "bad", "##ffffff", "000000"});
  EXPECT_EQ(colours[0], (Colour{16, 32, 48}));
  EXPECT_EQ(colours[1], FALLBACK_COLOUR);
  EXPECT_EQ(colours[2], WHITE);
  EXPECT_EQ(colours[3], BLACK);
}

TEST(PackRgb, RoundsHalvesAwayFromZeroAndLeavesAlphaZero) {
  struct Case {
    Colour colour;
    std::uint32_t packed;
  };
  const Case cases[] = {
      {{1.5f, 2.5f, 0.49f}, 0x020300},
      {{16, 16, 16}, 0x101010},
      {{254.5f, 0.5f, 127.4999f}, 0xFF017F},
      {{-3, -0.5f, 7}, 0x000007},
      {{std::numeric_limits<float>::quiet_NaN(), 1, 1}, 0x000101},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(pack_rgb(c.colour), c.packed) << c.colour.r << ' ' << c.colour.g << ' ' << c.colour.b;
  }
}

TEST(PackRgb, HoldsChannelsAbove255SoTheyCannotSpillIntoTheirNeighbours) {
  EXPECT_EQ(pack_rgb({256, 255.6f, 1000}), 0xFFFFFFu);
  EXPECT_EQ(pack_rgb({0, 300, 0}), 0x00FF00u);
  EXPECT_EQ(pack_rgb({std::numeric_limits<float>::infinity(), 0, 0}), 0xFF0000u);
}

TEST(BlendChannel, BlendsOneChannelInPlace) {
  // Green 0x20 halfway to 0x40 gives 0x30, shifted back into place; the other channels are dropped.
  EXPECT_EQ(blend_channel(0xFF102030u, 0.5f, 8, 64.0f), 0x3000u);
  EXPECT_EQ(blend_channel(0x00FF0000u, 0.25f, 16, 0.0f), static_cast<std::uint32_t>(191) << 16);
  EXPECT_EQ(blend_channel(0x00000010u, 1.0f, 0, -20.0f), 0u);  // negative gives 0
  EXPECT_EQ(blend_channel(0x000000FFu, 1.0f, 16, 400.0f), 0xFF0000u);  // held at 255, alpha stays 0
}

TEST(BlendPixel, KeepsOrReplacesTheColourAndAlwaysClearsAlpha) {
  std::uint32_t p = 0xAB123456u;
  blend_pixel(p, WHITE, 0.0f);
  EXPECT_EQ(p, 0x00123456u);
  p = 0xFF123456u;
  blend_pixel(p, {1, 2, 3}, 1.0f);
  EXPECT_EQ(p, 0x00010203u);
  p = 0x00000000u;
  blend_pixel(p, {100, 200, 51}, 0.5f);
  EXPECT_EQ(p, 0x0032641Au);  // 50, 100 and 25.5 rounded up to 26
}

TEST(Contrast, SpansOneToTwentyOne) {
  EXPECT_NEAR(contrast_ratio(WHITE, BLACK), 21.0f, 1e-4f);
  EXPECT_NEAR(contrast_ratio(BLACK, WHITE), 21.0f, 1e-4f);
  for (const Colour c : {BLACK, WHITE, FALLBACK_COLOUR, Colour{77, 3, 200}}) {
    EXPECT_FLOAT_EQ(contrast_ratio(c, c), 1.0f);
  }
  EXPECT_NEAR(relative_luminance({128, 128, 128}), 0.2158605f, 1e-5f);
  EXPECT_NEAR(relative_luminance({10, 0, 0}), 0.2126f * (10.0f / 255.0f / 12.92f), 1e-7f);  // linear part
}

TEST(ReadableColour, StepsALightGreyOnWhiteTowardBlackUntilTheRatioReachesTwo) {
  // Grey 200 has 1.67 against white, 184 (one step) 1.98, 168 (two steps) 2.38.
  const Colour c = readable_colour({200, 200, 200}, WHITE);
  EXPECT_NEAR(c.r, 168.0f, 1e-3f);
  EXPECT_NEAR(c.g, 168.0f, 1e-3f);
  EXPECT_NEAR(c.b, 168.0f, 1e-3f);
}

TEST(ReadableColour, KeepsAColourThatIsAlreadyReadable) {
  EXPECT_EQ(readable_colour({100, 100, 100}, WHITE), (Colour{100, 100, 100}));
  EXPECT_EQ(readable_colour(FALLBACK_COLOUR, WHITE), FALLBACK_COLOUR);
}

TEST(ReadableColour, StepsTowardWhiteOnADarkBackground) {
  const Colour start{20, 20, 20};
  const Colour c = readable_colour(start, BLACK);
  EXPECT_GT(c.r, start.r);
  EXPECT_GE(contrast_ratio(c, BLACK), 2.0f);
  // One 8 % step less toward white is not readable yet.
  const Colour previous{c.r - 0.08f * (255.0f - start.r), c.g - 0.08f * (255.0f - start.g),
                        c.b - 0.08f * (255.0f - start.b)};
  EXPECT_LT(contrast_ratio(previous, BLACK), 2.0f);
}

TEST(ReadableColour, ABackgroundAtExactlyFourPointFiveStepsTowardBlackWhereTextTurnsWhite) {
  const Colour grey{118.656357f, 118.656357f, 118.656357f};
  ASSERT_EQ(contrast_ratio(grey, WHITE), 4.5f);
  // The colour itself has ratio 1, so it is mixed toward the target: black, as 4.5 is not above 4.5.
  const Colour c = readable_colour(grey, grey);
  EXPECT_LT(c.r, grey.r);
  EXPECT_GE(contrast_ratio(c, grey), 2.0f);
  EXPECT_EQ(text_colour_for(grey), WHITE);  // at least 4.5 here
}

TEST(TextColourFor, IsWhiteOnDarkAndDarkTextOnLight) {
  EXPECT_EQ(text_colour_for(BLACK), WHITE);
  EXPECT_EQ(text_colour_for(WHITE), (Colour{16, 16, 16}));
  EXPECT_EQ(text_colour_for({0, 98, 204}), WHITE);  // 5.1 against white
  EXPECT_EQ(text_colour_for({255, 200, 0}), DARK_TEXT);
}

// --- shapes ---------------------------------------------------------------------------------

TEST(RoundedRectCoverage, IsHalfOnAStraightEdgeAndFullHalfAPixelInside) {
  const Rect r{0, 0, 10, 10};
  struct Case {
    float x, y, coverage;
  };
  const Case cases[] = {
      {0.0f, 5.0f, 0.5f}, {0.5f, 5.0f, 1.0f}, {-0.5f, 5.0f, 0.0f}, {10.0f, 5.0f, 0.5f},
      {5.0f, 0.0f, 0.5f}, {5.0f, 9.75f, 0.75f}, {5.0f, 5.0f, 1.0f},  {20.0f, 20.0f, 0.0f},
  };
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(rounded_rect_coverage(r, 0.0f, c.x, c.y), c.coverage) << c.x << ',' << c.y;
  }
}

TEST(RoundedRectDistance, ARadiusBeyondHalfTheHeightMakesSemicircleEnds) {
  // Radius 24 on a 20-pixel-high bar: both ends are semicircles of radius 10.
  const Rect bar{0, 0, 100, 20};
  EXPECT_FLOAT_EQ(rounded_rect_distance(bar, 24.0f, 10.0f, 10.0f), -10.0f);
  EXPECT_NEAR(rounded_rect_distance(bar, 24.0f, 4.0f, 2.0f), 0.0f, 1e-5f);   // 6, 8 from the left centre
  EXPECT_NEAR(rounded_rect_distance(bar, 24.0f, 7.0f, 14.0f), -5.0f, 1e-5f);  // 3, 4 from it
  EXPECT_NEAR(rounded_rect_distance(bar, 24.0f, 0.0f, 0.0f), std::sqrt(200.0f) - 10.0f, 1e-5f);
  EXPECT_NEAR(rounded_rect_distance(bar, 24.0f, 96.0f, 18.0f), 0.0f, 1e-5f);  // right end, mirrored
  EXPECT_FLOAT_EQ(rounded_rect_distance(bar, 24.0f, 50.0f, 0.0f), 0.0f);     // straight middle
}

TEST(RoundedRowSpan, CoversTheSafeMiddleAndLeavesFirstAndLastRowsEmpty) {
  const Rect r{0, 0, 100, 20};
  struct Case {
    std::int32_t row;
    RowSpan span;
  };
  // radius 4: c = 4; rows 5..14 are plain, rows 1..4 and 15..18 keep clear of the corners.
  const Case cases[] = {{-1, {}}, {0, {}}, {1, {5, 95}}, {4, {5, 95}}, {5, {1, 99}},
                        {14, {1, 99}}, {15, {5, 95}}, {18, {5, 95}}, {19, {}}, {20, {}}};
  for (const auto& c : cases) {
    const RowSpan s = rounded_row_span(r, 3.2f, c.row);
    const bool empty = s.x0 >= s.x1;
    const bool expected_empty = c.span.x0 >= c.span.x1;
    EXPECT_EQ(empty, expected_empty) << c.row;
    if (!expected_empty) {
      EXPECT_EQ(s.x0, c.span.x0) << c.row;
      EXPECT_EQ(s.x1, c.span.x1) << c.row;
    }
  }
}

TEST(RoundedRowSpan, IsEmptyWhenTheCornersMeet) {
  // A 30 × 20 pill with radius 24: the corner rule gives [25, 5), which holds nothing.
  const Rect pill{0, 0, 30, 20};
  for (std::int32_t row = 0; row < 20; ++row) {
    const RowSpan s = rounded_row_span(pill, 24.0f, row);
    for (std::int32_t x = -5; x < 35; ++x) EXPECT_FALSE(s.contains(x)) << x << ',' << row;
  }
}

TEST(RoundedRowSpan, HoldsOnlyFullyCoveredPixels) {
  const Rect rects[] = {{0, 0, 100, 20}, {3, -4, 40, 40}, {-7, 2, 9, 30}, {0, 0, 1, 1}, {0, 0, 2, 50}};
  for (const Rect& r : rects) {
    for (const float radius : {0.0f, 0.5f, 3.2f, 7.0f, 10.0f, 24.0f, 100.0f}) {
      for (std::int32_t y = r.top - 1; y <= r.bottom; ++y) {
        const RowSpan s = rounded_row_span(r, radius, y);
        for (std::int32_t x = s.x0; x < s.x1; ++x) {
          ASSERT_EQ(rounded_rect_coverage(r, radius, x + 0.5f, y + 0.5f), 1.0f)
              << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom << " r=" << radius << " at " << x
              << ',' << y;
        }
      }
    }
  }
}

TEST(FillRoundedRect, FillsAPlainRectangleWithRadiusZero) {
  TestSurface s(6, 4);
  fill_rounded_rect(s.view(), {1, 1, 5, 3}, 0.0f, {1, 2, 3});
  for (std::int32_t y = 0; y < 4; ++y) {
    for (std::int32_t x = 0; x < 6; ++x) {
      const bool inside = x >= 1 && x < 5 && y >= 1 && y < 3;
      EXPECT_EQ(s.at(x, y), inside ? 0x010203u : UNTOUCHED) << x << ',' << y;
    }
  }
  EXPECT_TRUE(s.guard_intact());
}

TEST(FillRoundedRect, TouchesOnlyPixelsInsideTheSurface) {
  struct Case {
    Rect rect;
    Rect visible;  // the part that lies on the 10 × 8 surface
  };
  const Case cases[] = {
      {{-5, -5, 5, 5}, {0, 0, 5, 5}},
      {{7, 6, 20, 20}, {7, 6, 10, 8}},
      {{-3, 2, 30, 4}, {0, 2, 10, 4}},
      {{20, 20, 30, 30}, {0, 0, 0, 0}},
      {{-10, -10, -1, -1}, {0, 0, 0, 0}},
      {{5, 5, 3, 3}, {0, 0, 0, 0}},  // inverted: nothing
  };
  for (const auto& c : cases) {
    TestSurface s(10, 8);
    fill_rounded_rect(s.view(), c.rect, 0.0f, WHITE);
    for (std::int32_t y = 0; y < 8; ++y) {
      for (std::int32_t x = 0; x < 10; ++x) {
        const bool inside = x >= c.visible.left && x < c.visible.right && y >= c.visible.top && y < c.visible.bottom;
        ASSERT_EQ(s.at(x, y), inside ? 0x00FFFFFFu : UNTOUCHED) << c.rect.left << ',' << c.rect.top << " at " << x
                                                                << ',' << y;
      }
    }
    EXPECT_TRUE(s.guard_intact());
  }
}

TEST(FillRoundedRect, ARectangleAsLargeAsTheCoordinateRangeCoversTheSurface) {
  TestSurface s(5, 3);
  fill_rounded_rect(s.view(), {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, 8.0f, WHITE);
  for (std::int32_t y = 0; y < 3; ++y) {
    for (std::int32_t x = 0; x < 5; ++x) EXPECT_EQ(s.at(x, y), 0x00FFFFFFu) << x << ',' << y;
  }
  EXPECT_TRUE(s.guard_intact());
  EXPECT_FALSE(rounded_row_span({INT32_MAX - 1, 0, INT32_MAX, 10}, 0.0f, 5).contains(INT32_MAX - 1));
}

TEST(FillRoundedRect, Radius24OnA20PixelBarDrawsSemicirclesOfRadius10) {
  TestSurface s(40, 20);
  fill_rounded_rect(s.view(), {0, 0, 40, 20}, 24.0f, WHITE);
  // Hand-computed pixels of the left end.
  EXPECT_EQ(s.at(0, 0), UNTOUCHED);     // corner, 3.4 px outside the circle
  EXPECT_EQ(s.at(2, 2), UNTOUCHED);     // centre 10.6 from the circle's centre: coverage 0
  EXPECT_EQ(s.at(3, 3), 0x00FFFFFFu);   // 9.19 from it: fully inside
  EXPECT_EQ(s.at(10, 0), 0x00FFFFFFu);  // top edge, where the straight part begins
  EXPECT_EQ(s.at(0, 9), 0x00FCFCFCu);   // 9.513 from the centre: coverage 0.987, 251.6 rounded
  EXPECT_EQ(s.at(0, 10), 0x00FCFCFCu);
  EXPECT_EQ(s.at(39, 9), 0x00FCFCFCu);  // the right end mirrors it
  EXPECT_EQ(s.at(39, 19), UNTOUCHED);
  // Every pixel of both ends against the circle of radius 10 around (10, 10) and (30, 10).
  for (std::int32_t y = 0; y < 20; ++y) {
    for (std::int32_t x = 0; x < 40; ++x) {
      const float cx = x + 0.5f < 10.0f ? 10.0f : (x + 0.5f > 30.0f ? 30.0f : x + 0.5f);
      const float d = std::hypot(x + 0.5f - cx, y + 0.5f - 10.0f) - 10.0f;
      const float coverage = std::clamp(0.5f - d, 0.0f, 1.0f);
      const std::uint32_t p = s.at(x, y);
      if (coverage <= 0.0f) {
        EXPECT_EQ(p, UNTOUCHED) << x << ',' << y;
      } else {
        const auto level = static_cast<std::uint32_t>(std::lround(coverage * 255.0f));
        EXPECT_EQ(p & 0xFF000000u, 0u) << x << ',' << y;
        EXPECT_NEAR(static_cast<double>(p & 0xFF), level, 1.0) << x << ',' << y;
      }
    }
  }
}

TEST(FillRoundedRect, BlendsEdgePixelsIntoWhatIsThere) {
  TestSurface s(20, 20, 0xFF102030u);
  fill_rounded_rect(s.view(), {0, 0, 20, 20}, 10.0f, {200, 100, 0});
  // Pixel (0, 9) has coverage 0.98685: 16 → 197.58, 32 → 99.11, 48 → 0.63, each rounded.
  EXPECT_EQ(s.at(0, 9), 0x00C66301u);
  EXPECT_EQ(s.at(0, 0), 0xFF102030u);  // coverage 0 leaves the pixel, alpha included
  EXPECT_EQ(s.at(10, 10), 0x00C86400u);
}

// Rounded shapes of every kind, some hanging off the 48 × 40 surface, for the fills that skip
// coverage work where a row is fully covered: each must give what working out every pixel's
// coverage gives.
struct Shape {
  Rect rect;
  float radius;
};
const Shape SHAPES[] = {
    {{4, 4, 44, 36}, 24.0f},   // a card corner larger than half the height
    {{3, 2, 41, 38}, 19.0f},   // a circle
    {{0, 0, 48, 17}, 8.5f},    // a pill end
    {{5, 6, 30, 31}, 12.5f},   // a circle of odd size
    {{7, 9, 38, 14}, 2.0f},    // short and flat
    {{-9, -6, 20, 22}, 10.0f}, // off the top left
    {{30, 25, 70, 60}, 16.0f}, // off the bottom right
    {{10, 10, 11, 11}, 0.5f},  // one pixel
    {{2, 3, 46, 39}, 3.2f},
    {{2, 3, 46, 39}, 0.0f},
};

std::uint32_t pattern(std::int32_t x, std::int32_t y) {
  return 0xFF000000u | static_cast<std::uint32_t>(x * 5) << 16 | static_cast<std::uint32_t>(y * 6) << 8 | 0x40u;
}

TEST(RoundedShapes, FillGivesTheColourEveryPixelsCoverageGives) {
  const Colour colour{200, 90.4f, 13};
  for (const Shape& shape : SHAPES) {
    TestSurface s(48, 40);
    TestSurface expected(48, 40);
    for (std::int32_t y = 0; y < 40; ++y) {
      for (std::int32_t x = 0; x < 48; ++x) s.memory[y * 48 + x] = expected.memory[y * 48 + x] = pattern(x, y);
    }
    fill_rounded_rect(s.view(), shape.rect, shape.radius, colour);
    for (std::int32_t y = std::max(shape.rect.top, 0); y < std::min(shape.rect.bottom, 40); ++y) {
      for (std::int32_t x = std::max(shape.rect.left, 0); x < std::min(shape.rect.right, 48); ++x) {
        const float c = rounded_rect_coverage(shape.rect, shape.radius, x + 0.5f, y + 0.5f);
        if (c > 0.0f) blend_pixel(expected.memory[y * 48 + x], colour, c);
      }
    }
    EXPECT_EQ(s.memory, expected.memory) << shape.rect.left << ',' << shape.rect.top << " r=" << shape.radius;
  }
}

TEST(RoundedShapes, CopyGivesThePixelsEveryPixelsCoverageGives) {
  for (const Shape& shape : SHAPES) {
    const std::int32_t w = shape.rect.width();
    std::vector<std::uint32_t> block(static_cast<std::size_t>(w) * shape.rect.height());
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 7919u);
    TestSurface s(48, 40);
    TestSurface expected(48, 40);
    for (std::int32_t y = 0; y < 40; ++y) {
      for (std::int32_t x = 0; x < 48; ++x) s.memory[y * 48 + x] = expected.memory[y * 48 + x] = pattern(x, y);
    }
    draw_pixels_rounded(s.view(), block.data(), block.size(), shape.rect, shape.radius);
    for (std::int32_t y = std::max(shape.rect.top, 0); y < std::min(shape.rect.bottom, 40); ++y) {
      for (std::int32_t x = std::max(shape.rect.left, 0); x < std::min(shape.rect.right, 48); ++x) {
        const std::uint32_t src = block[static_cast<std::size_t>(y - shape.rect.top) * w + (x - shape.rect.left)];
        const float c = rounded_rect_coverage(shape.rect, shape.radius, x + 0.5f, y + 0.5f);
        blend_pixel(expected.memory[y * 48 + x],
                    {static_cast<float>((src >> 16) & 0xFF), static_cast<float>((src >> 8) & 0xFF),
                     static_cast<float>(src & 0xFF)},
                    c);
      }
    }
    EXPECT_EQ(s.memory, expected.memory) << shape.rect.left << ',' << shape.rect.top << " r=" << shape.radius;
  }
}

TEST(RoundedRectDistance, BesideAnEdgeEqualsTheFullFormula) {
  // Off a straight edge one term of the corner distance is 0; the result must not move by a bit.
  const Rect r{3, 5, 61, 37};
  for (const float radius : {0.0f, 2.5f, 9.0f, 16.0f, 40.0f}) {
    for (float y = -4.5f; y < 45.0f; y += 0.75f) {
      for (float x = -4.5f; x < 70.0f; x += 0.75f) {
        const float hw = 29.0f, hh = 16.0f;
        const float rr = std::min({radius, hw, hh});
        const float qx = std::fabs(x - 32.0f) - hw + rr;
        const float qy = std::fabs(y - 21.0f) - hh + rr;
        const float full = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - rr;
        ASSERT_EQ(rounded_rect_distance(r, radius, x, y), full) << x << ',' << y << " r=" << radius;
      }
    }
  }
}

// --- copying pixels -------------------------------------------------------------------------

TEST(DrawPixelsRounded, CopiesRowMajorAndSkipsPositionsOffTheSurface) {
  TestSurface s(3, 3);
  const std::uint32_t block[] = {0xFF000001u, 0xFF000002u, 0xFF000003u, 0xFF000004u,
                                 0xFF000005u, 0xFF000006u, 0xFF000007u};
  // 4 wide, so the block covers columns -2..1 of rows 1..2; the second row is one short.
  draw_pixels_rounded(s.view(), block, 7, {-2, 1, 2, 3}, 0.0f);
  EXPECT_EQ(s.at(0, 1), 0x00000003u);
  EXPECT_EQ(s.at(1, 1), 0x00000004u);
  EXPECT_EQ(s.at(0, 2), 0x00000007u);
  EXPECT_EQ(s.at(1, 2), UNTOUCHED);  // pixel 8 was not given
  EXPECT_EQ(s.at(2, 1), UNTOUCHED);
  EXPECT_EQ(s.at(0, 0), UNTOUCHED);
  EXPECT_TRUE(s.guard_intact());
}

TEST(DrawPixelsRounded, CornersOutsideTheOutlineKeepTheDestinationColour) {
  TestSurface s(20, 20, 0xFF404040u);
  const std::vector<std::uint32_t> white(400, 0x00FFFFFFu);
  draw_pixels_rounded(s.view(), white.data(), white.size(), {0, 0, 20, 20}, 10.0f);
  EXPECT_EQ(s.at(0, 0), 0x00404040u);   // outside the circle: colour kept, alpha cleared
  EXPECT_EQ(s.at(10, 10), 0x00FFFFFFu);
  EXPECT_EQ(s.at(0, 9), 0x00FCFCFCu);   // coverage 0.98685: 0.01315 × 64 + 0.98685 × 255 = 252.49
}

TEST(DrawPixelsRounded, IgnoresAnEmptyRowLength) {
  TestSurface s(2, 2);
  const std::uint32_t one = 0x123456u;
  draw_pixels_rounded(s.view(), &one, 1, {1, 1, 1, 2}, 0.0f);
  draw_pixels_rounded(s.view(), &one, 1, {1, 1, 0, 2}, 0.0f);
  for (std::uint32_t p : s.memory) EXPECT_EQ(p, UNTOUCHED);
}

TEST(ClampedPixel, ReadsTheNearestPixelInsideThePicture) {
  const std::uint32_t pixels[] = {1, 2, 3, 4, 5, 6};  // 3 × 2
  const PictureView picture{pixels, 3, 2};
  struct Case {
    std::int32_t x, y;
    float fx, fy;
    std::uint32_t expected;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {0, 0, 0.0f, 0.0f, 1},   {1, 0, 0.99f, 0.0f, 2},  {1, 0, 1.0f, 0.0f, 3},   {0, 0, -0.01f, 0.0f, 1},
      {2, 1, 5.0f, 5.0f, 6},   {0, 1, -3.5f, 0.0f, 4},  {1, 0, 0.0f, 0.7f, 2},   {1, 0, 0.0f, 1.2f, 5},
      {0, 0, nan, nan, 1},     {0, 0, 1e30f, -1e30f, 3}, {INT32_MAX, INT32_MIN, 1e9f, -1e9f, 3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(clamped_pixel(picture, c.x, c.y, c.fx, c.fy), c.expected) << c.x << ',' << c.y << ' ' << c.fx;
  }
}

}  // namespace
}  // namespace qx
