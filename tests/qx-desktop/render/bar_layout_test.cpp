#include "render/bar_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

#include "state_test_helpers.h"

namespace qx {
namespace {

constexpr std::int32_t I32_MAX = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t I32_MIN = std::numeric_limits<std::int32_t>::min();

// Design numbers scale in single precision, each rounded on its own, halves away from zero.
TEST(Scaling, RoundsHalvesAwayFromZeroInSinglePrecision) {
  struct Row {
    float n, scale;
    std::int32_t expected;
  };
  const Row rows[] = {
      {52, 1.0f, 52},           {52, 1.5f, 78},           {6, 1.5f, 9},
      {5, 0.5f, 3},             {3, 0.5f, 2},             {-5, 0.5f, -3},
      {18, 1.25f, 23},          {46, 1.25f, 58},          {52, 130.0f / 96.0f, 70},
      {2, 130.0f / 96.0f, 3},   {40, 130.0f / 96.0f, 54}, {1, 0.49999997f, 0},
      {0, 2.0f, 0},
  };
  for (const Row& r : rows) EXPECT_EQ(scale_design(r.n, r.scale), r.expected) << r.n << " x " << r.scale;
}

TEST(Scaling, SaturatesAndTurnsNaNIntoZero) {
  EXPECT_EQ(round_saturate(std::nanf("")), 0);
  EXPECT_EQ(round_saturate(std::numeric_limits<float>::infinity()), I32_MAX);
  EXPECT_EQ(round_saturate(-std::numeric_limits<float>::infinity()), I32_MIN);
  EXPECT_EQ(round_saturate(2147483520.0f), 2147483520);
  EXPECT_EQ(round_saturate(2147483648.0f), I32_MAX);
  EXPECT_EQ(round_saturate(-2147483648.0f), I32_MIN);
  EXPECT_EQ(round_saturate(-1e12f), I32_MIN);
  EXPECT_EQ(scale_design(52, std::nanf("")), 0);
  EXPECT_EQ(scale_design(1e6f, 1e6f), I32_MAX);
}

TEST(HitRects, AreHalfOpenAndAbsentOnesNeverHit) {
  const HitRect r{true, Rect{10, 20, 30, 40}};
  EXPECT_TRUE(r.contains(10, 20));
  EXPECT_TRUE(r.contains(29, 39));
  EXPECT_FALSE(r.contains(30, 25));
  EXPECT_FALSE(r.contains(15, 40));
  EXPECT_FALSE(r.contains(9, 25));
  EXPECT_FALSE(r.contains(15, 19));
  const HitRect absent{false, Rect{10, 20, 30, 40}};
  EXPECT_FALSE(absent.contains(15, 25));
}

// Every expected rectangle was worked out by hand from the design numbers and the rounding rule.
struct LayoutCase {
  const char* name;
  Placement placement;
  OrbSize orb_size;
  float zoom;
  bool expanded;
  bool video;
  bool pages;
  bool picture;
  std::int32_t width, height;
  float scale;
  HitRect orb, action, previous, next;
  std::int32_t out_width, out_height;
  Rect card, chevron, more;
};

constexpr HitRect NO_HIT{};
constexpr HitRect hit(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) { return {true, {l, t, r, b}}; }
using P = Placement;
using O = OrbSize;

// name, placement, orb size, shown zoom, expanded, video running, pages, picture cached, width, height, scale;
// orb, action, previous, next; result width and height, card, chevron cell, more cell.
const LayoutCase LAYOUT_CASES[] = {
    {"bottom_collapsed_one_story", P::SignalBarBottom, O::Regular, 1.0f, false, false, false, false, 1000, 0, 1.0f,
     hit(92, 0, 148, 56), NO_HIT, NO_HIT, NO_HIT,
     1000, 80, {0, 28, 1000, 80}, {914, 28, 954, 80}, {954, 28, 994, 80}},
    {"bottom_collapsed_pages_125", P::SignalBarBottom, O::Regular, 1.0f, false, false, true, false, 1920, 0, 1.25f,
     hit(195, 0, 265, 70), NO_HIT, hit(1712, 35, 1762, 100), hit(1762, 35, 1812, 100),
     1920, 100, {0, 35, 1920, 100}, {1812, 35, 1862, 100}, {1862, 35, 1912, 100}},
    {"top_expanded_xl_150", P::SignalBarTop, O::XL, 1.0f, true, false, true, false, 1280, 0, 1.5f,
     hit(87, 198, 219, 330), hit(1058, 174, 1253, 234), hit(1031, 0, 1091, 78), hit(1091, 0, 1151, 78),
     1280, 330, {0, 0, 1280, 264}, {1151, 0, 1211, 78}, {1211, 0, 1271, 78}},
    {"top_expanded_video_200", P::SignalBarTop, O::L, 1.0f, true, true, true, false, 2560, 0, 2.0f,
     hit(235, 568, 379, 712), hit(2264, 232, 2524, 312), hit(2228, 0, 2308, 104), hit(2308, 0, 2388, 104),
     2560, 712, {0, 0, 2560, 640}, {2388, 0, 2468, 104}, {2468, 0, 2548, 104}},
    {"bottom_expanded_130dpi", P::SignalBarBottom, O::Regular, 1.0f, true, false, true, false, 1707, 0, 130.0f / 96.0f,
     hit(166, 0, 242, 76), hit(1507, 195, 1683, 249), hit(1483, 38, 1537, 108), hit(1537, 38, 1591, 108),
     1707, 276, {0, 38, 1707, 276}, {1591, 38, 1645, 108}, {1645, 38, 1699, 108}},
    {"bottom_tiny_150", P::SignalBarBottom, O::Tiny, 1.7f, false, false, true, false, 1000, 0, 1.5f,
     hit(69, 18, 171, 60), NO_HIT, hit(751, 0, 811, 78), hit(811, 0, 871, 78),
     1000, 78, {0, 0, 1000, 78}, {871, 0, 931, 78}, {931, 0, 991, 78}},
    {"top_tiny_expanded", P::SignalBarTop, O::Tiny, 1.0f, true, false, false, false, 800, 0, 1.0f,
     hit(62, 12, 130, 40), hit(652, 116, 782, 156), NO_HIT, NO_HIT,
     800, 176, {0, 0, 800, 176}, {714, 0, 754, 52}, {754, 0, 794, 52}},
    {"bottom_odd_orb", P::SignalBarBottom, O::M, 1.3f, false, false, false, false, 1000, 0, 1.0f,
     hit(92, 0, 148, 56), NO_HIT, NO_HIT, NO_HIT,
     1000, 80, {0, 28, 1000, 80}, {914, 28, 954, 80}, {954, 28, 994, 80}},
    {"bottom_large_overhang", P::SignalBarBottom, O::XL, 2.5f, false, false, false, false, 1000, 0, 1.0f,
     hit(10, 0, 230, 220), NO_HIT, NO_HIT, NO_HIT,
     1000, 222, {0, 170, 1000, 222}, {914, 170, 954, 222}, {954, 170, 994, 222}},
    {"top_large_overhang_125", P::SignalBarTop, O::XL, 2.5f, false, false, true, false, 1000, 0, 1.25f,
     hit(-17, 3, 257, 277), NO_HIT, hit(792, 0, 842, 65), hit(842, 0, 892, 65),
     1000, 277, {0, 0, 1000, 65}, {892, 0, 942, 65}, {942, 0, 992, 65}},
    {"left_dock_collapsed", P::BarLeft, O::Regular, 1.0f, false, false, true, false, 0, 1040, 1.0f,
     hit(18, 22, 74, 78), hit(18, 936, 234, 978), hit(80, 986, 120, 1030), hit(120, 986, 160, 1030),
     252, 1040, {0, 0, 252, 1040}, {160, 986, 200, 1030}, {200, 986, 240, 1030}},
    {"right_dock_expanded_125", P::BarRight, O::XL, 1.0f, true, false, true, false, 0, 1400, 1.25f,
     hit(23, 28, 133, 138), hit(23, 1270, 427, 1322), hit(235, 1332, 285, 1387), hit(285, 1332, 335, 1387),
     450, 1400, {0, 0, 450, 1400}, {335, 1332, 385, 1387}, {385, 1332, 435, 1387}},
    {"left_dock_short", P::BarRight, O::XL, 1.0f, false, false, false, false, 0, 200, 1.0f,
     hit(18, 22, 51, 55), hit(18, 96, 234, 138), NO_HIT, NO_HIT,
     252, 200, {0, 0, 252, 200}, {160, 146, 200, 190}, {200, 146, 240, 190}},
    {"left_dock_tiny_130dpi", P::BarLeft, O::Tiny, 1.0f, false, false, true, false, 0, 900, 130.0f / 96.0f,
     hit(24, 30, 116, 68), hit(24, 759, 317, 816), hit(109, 827, 163, 887), hit(163, 827, 217, 887),
     341, 900, {0, 0, 341, 900}, {217, 827, 271, 887}, {271, 827, 325, 887}},
    {"island_collapsed", P::Island, O::Regular, 1.0f, false, false, true, false, 600, 300, 1.0f,
     NO_HIT, NO_HIT, NO_HIT, NO_HIT,
     484, 92, {22, 22, 462, 70}, {374, 22, 414, 70}, {414, 22, 454, 70}},
    {"island_expanded_picture_150", P::Island, O::Regular, 1.0f, true, false, true, true, 1000, 100, 1.5f,
     NO_HIT, hit(498, 480, 699, 540), hit(363, 480, 423, 540), hit(423, 480, 483, 540),
     756, 594, {33, 33, 723, 561}, {591, 33, 651, 105}, {651, 33, 711, 105}},
    {"island_narrow_video", P::Island, O::Regular, 1.0f, true, true, true, false, 300, 50, 1.0f,
     NO_HIT, hit(128, 428, 262, 468), hit(38, 428, 78, 468), hit(78, 428, 118, 468),
     300, 504, {22, 22, 278, 482}, {190, 22, 230, 70}, {230, 22, 270, 70}},
    {"island_expanded_plain_130dpi", P::Island, O::XL, 1.0f, true, false, false, false, 900, 900, 130.0f / 96.0f,
     NO_HIT, hit(450, 195, 631, 249), NO_HIT, NO_HIT,
     683, 298, {30, 30, 653, 268}, {534, 30, 588, 95}, {588, 30, 642, 95}},
    {"island_expanded_200", P::Island, O::Regular, 1.0f, true, false, true, false, 2000, 2000, 2.0f,
     NO_HIT, hit(664, 288, 932, 368), hit(484, 288, 564, 368), hit(564, 288, 644, 368),
     1008, 440, {44, 44, 964, 396}, {788, 44, 868, 140}, {868, 44, 948, 140}},
};

ViewSnapshot view_for(const LayoutCase& c) {
  ViewSnapshot v = test::state_with({"https://a.example/feed"});
  v.placement = c.placement;
  v.orb_size = c.orb_size;
  v.shown_zoom = c.zoom;
  v.expanded = c.expanded;
  FeedSlot& slot = v.feeds[0];
  slot.items.push_back(test::story_with_media("one", "video", "https://v.example/1.mp4", "https://i.example/1.jpg"));
  if (c.pages) slot.items.push_back(test::story("two"));
  if (c.picture) v.pictures["https://i.example/1.jpg"] = "C:\\cache\\1.img";
  if (c.video) {
    PlayingMedia p;
    p.url = "https://v.example/1.mp4";
    p.status = PlayerStatus::Playing;
    p.has_video = true;
    v.playing = p;
  }
  return v;
}

}  // namespace

void PrintTo(const Rect& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
void PrintTo(const HitRect& h, std::ostream* os) {
  if (!h.present) {
    *os << "absent";
    return;
  }
  PrintTo(h.rect, os);
}

namespace {

TEST(LayoutBar, EveryPlacementAtEveryScale) {
  for (const LayoutCase& c : LAYOUT_CASES) {
    SCOPED_TRACE(c.name);
    const BarLayout l = layout_bar(view_for(c), c.width, c.height, c.scale);
    EXPECT_EQ(l.orb, c.orb);
    EXPECT_EQ(l.action, c.action);
    EXPECT_EQ(l.previous, c.previous);
    EXPECT_EQ(l.next, c.next);
    EXPECT_EQ(l.width, c.out_width);
    EXPECT_EQ(l.height, c.out_height);
    EXPECT_EQ(l.card, c.card);
    EXPECT_EQ(l.chevron_cell, c.chevron);
    EXPECT_EQ(l.more_cell, c.more);
    EXPECT_EQ(l.scale, c.scale);
  }
}

TEST(LayoutBar, TheRoundOrbOfAnOddSizeIsOnePixelNarrower) {
  ViewSnapshot v = test::state_with({"https://a.example/feed"});
  v.orb_size = OrbSize::Regular;
  v.shown_zoom = 57.0f / 56.0f;  // 56 × zoom rounds to 57
  const BarLayout l = layout_bar(v, 1000, 0, 1.0f);
  EXPECT_EQ(l.orb.rect.width(), 56);
  EXPECT_EQ(l.orb.rect.height(), 56);
}

TEST(LayoutBar, DefaultFeedsNeverShowPageButtons) {
  ViewSnapshot v = test::state_with({"https://a.example/feed"});
  v.feeds[0].items = {test::story("a"), test::story("b"), test::story("c")};
  for (Placement p : {Placement::SignalBarBottom, Placement::SignalBarTop, Placement::Island, Placement::BarLeft,
                      Placement::BarRight}) {
    v.placement = p;
    v.expanded = true;
    v.default_feeds = false;
    BarLayout l = layout_bar(v, 1200, 900, 1.25f);
    EXPECT_TRUE(l.previous.present && l.next.present) << placement_name(p);
    v.default_feeds = true;
    l = layout_bar(v, 1200, 900, 1.25f);
    EXPECT_FALSE(l.previous.present || l.next.present) << placement_name(p);
  }
}

TEST(LayoutBar, ExtremeInputsSaturateInsteadOfOverflowing) {
  ViewSnapshot v = test::state_with({"https://a.example/feed"});
  v.shown_zoom = std::numeric_limits<float>::infinity();
  v.expanded = true;
  BarLayout l = layout_bar(v, I32_MAX, I32_MAX, 1e9f);
  EXPECT_EQ(l.height, I32_MAX);
  EXPECT_EQ(l.card.bottom, I32_MAX);
  for (Placement p : {Placement::SignalBarBottom, Placement::Island, Placement::BarRight}) {
    v.placement = p;
    l = layout_bar(v, 1000, 1000, std::nanf(""));
    EXPECT_EQ(l.more_cell.width(), 0) << placement_name(p);
  }
}

TEST(VideoTargetSizes, CarryWidthHeightAndFitInOrder) {
  const Fit fill{FitMode::Fill, 150, 10, 90};
  const std::vector<VideoTarget> targets{{Rect{10, 20, 330, 200}, 14.0f, fill}, {Rect{5, 5, 5, 9}, 0.0f, Fit{}}};
  const std::vector<VideoTargetSize> expected{{320, 180, fill}, {0, 4, Fit{}}};
  EXPECT_EQ(video_target_sizes(targets), expected);
  EXPECT_TRUE(video_target_sizes({}).empty());
}

}  // namespace
}  // namespace qx
