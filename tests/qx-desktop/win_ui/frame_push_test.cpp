#include "win_ui/frame_push.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/feed_slots.h"
#include "render/repaint.h"
#include "state_test_helpers.h"

namespace qx {
namespace {

using test::state_with;
using test::T0;

constexpr std::uint32_t PAINTED = 0xFF102030;

TEST(PushPosition, AnchorsTheFrameInTheWindowRectangleByPlacement) {
  const Rect win{100, 200, 1100, 700};  // 1000 × 500
  struct Case {
    Placement placement;
    float scale;
    ScreenPoint at;
  } cases[] = {
      {Placement::SignalBarBottom, 1.0f, {100, 700 - 80}},  // a taller frame grows upward
      {Placement::SignalBarTop, 1.0f, {100, 200}},
      {Placement::BarLeft, 1.0f, {100, 200}},
      {Placement::BarRight, 1.0f, {1100 - 300, 200}},     // a wider dock grows to the left
      {Placement::Island, 1.0f, {100 + (1000 - 300) / 2, 200 - 12}},
      {Placement::Island, 1.5f, {100 + (1000 - 300) / 2, 200 - 18}},
      {Placement::Island, 1.25f, {100 + (1000 - 300) / 2, 200 - 15}},
      {Placement::Island, 1.1f, {100 + (1000 - 300) / 2, 200 - 13}},  // 13.2 toward zero
  };
  for (const Case& c : cases)
    EXPECT_EQ(push_position(c.placement, win, 300, 80, c.scale), c.at) << static_cast<int>(c.placement) << " " << c.scale;
}

TEST(PushPosition, TheIslandCentresAWiderFrameTowardZero) {
  EXPECT_EQ(push_position(Placement::Island, Rect{0, 0, 100, 50}, 131, 10, 1.0f), (ScreenPoint{-15, -12}));
  EXPECT_EQ(push_position(Placement::Island, Rect{0, 0, 100, 50}, 10, 10, std::nanf("")), (ScreenPoint{45, 0}));
}

TEST(BarWindowText, ReadsTitleCaptionAndStatus) {
  AppState s = state_with({"https://a.example/rss"});
  apply_feed_result(s.feeds, "https://a.example/rss", test::feed("News", {"Top story"}), T0);
  EXPECT_EQ(bar_window_text(s, T0), "News: Top story (Updated just now)");
}

// A painter that lays out a fixed size and paints one colour, with the targets it is given.
class FakePainter final : public FramePainter {
 public:
  std::int32_t width = 200, height = 60;
  std::vector<VideoTarget> targets;
  bool fail = false;
  std::int32_t asked_width = 0, asked_height = 0;
  std::uint32_t colour = PAINTED;

  BarLayout layout(const ViewSnapshot&, std::int32_t w, std::int32_t h, float scale) override {
    asked_width = w;
    asked_height = h;
    BarLayout l;
    l.width = width;
    l.height = height;
    l.scale = scale;
    return l;
  }
  std::optional<PaintedFrame> paint(const ViewSnapshot&, const BarLayout& l) override {
    if (fail) return std::nullopt;
    std::optional<DibSurface> s = create_dib_surface(l.width, l.height);
    if (!s) return std::nullopt;
    PixelView px = dib_pixels(*s);
    std::fill(px.pixels, px.pixels + px.width * px.height, colour);
    return PaintedFrame{std::move(*s), targets};
  }
};

struct Push {
  ScreenPoint at;
  std::int32_t w, h;
  std::optional<Rect> dirty;
  std::vector<std::uint32_t> pixels;
};

class FakeWindow final : public LayeredWindow {
 public:
  std::vector<Push> pushes;
  std::string text;
  int texts_set = 0;
  int shown = 0;
  bool refuse = false;  // the window system fails the push
  bool push(DibSurface& s, ScreenPoint at, std::int32_t w, std::int32_t h) override {
    pushes.push_back({at, w, h, std::nullopt, copy(s)});
    return !refuse;
  }
  bool push_dirty(DibSurface& s, ScreenPoint at, const Rect& dirty) override {
    pushes.push_back({at, s.width(), s.height(), dirty, copy(s)});
    return true;
  }
  void set_text(const std::string& t) override {
    text = t;
    ++texts_set;
  }
  void show_without_activation() override { ++shown; }

 private:
  static std::vector<std::uint32_t> copy(DibSurface& s) {
    PixelView px = dib_pixels(s);
    return {px.pixels, px.pixels + px.width * px.height};
  }
};

class FakePlayer final : public PlayerLink {
 public:
  bool running = false;
  std::vector<std::vector<std::uint32_t>> buffers;  // one frame per entry
  std::vector<std::pair<std::int32_t, std::int32_t>> sizes;
  std::vector<std::vector<VideoTargetSize>> sent;

  std::optional<VideoFrameSet> set_targets_and_snapshot(const std::vector<VideoTargetSize>& s) override {
    if (!running) return std::nullopt;
    sent.push_back(s);
    return snapshot();
  }
  std::optional<VideoFrameSet> snapshot() override {
    if (!running) return std::nullopt;
    VideoFrameSet set;
    for (std::size_t i = 0; i < buffers.size(); ++i)
      set.frames.push_back(PictureView{buffers[i].data(), sizes[i].first, sizes[i].second});
    return set;
  }
  void frame(std::int32_t w, std::int32_t h, std::uint32_t colour) {
    buffers.assign(1, std::vector<std::uint32_t>(static_cast<std::size_t>(w * h), colour));
    sizes.assign(1, {w, h});
  }
};

class FramePushTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FULLSCREEN_APP.store(false);
    FRAME_PENDING.store(false);
    rect.store(Rect{0, 500, 1000, 552});
  }
  AppState view(Placement p = Placement::SignalBarBottom) {
    AppState s = state_with({"https://a.example/rss"});
    apply_feed_result(s.feeds, "https://a.example/rss", test::feed("News", {"Top story"}), T0);
    s.placement = p;
    return s;
  }
  std::uint32_t kept_pixel(std::int32_t x, std::int32_t y) {
    return presented.with([&](std::optional<PresentedFrame>& f) {
      PixelView px = dib_pixels(f->surface);
      return px.pixels[y * px.width + x];
    });
  }

  FakePainter painter;
  FakeWindow window;
  FakePlayer player;
  LockedOptional<Rect> rect;
  LockedOptional<PresentedFrame> presented;
  FramePush push{painter, window, player, rect, presented, 1.0f};
};

TEST_F(FramePushTest, AFrameIsLaidOutForTheWindowAndPushedAtItsAnchor) {
  painter.height = 80;  // grown for a score: taller than the reserved rectangle
  ASSERT_TRUE(present_frame(view(), T0, push));
  EXPECT_EQ(painter.asked_width, 1000);
  EXPECT_EQ(painter.asked_height, 52);
  ASSERT_EQ(window.pushes.size(), 1u);
  EXPECT_EQ(window.pushes[0].at, (ScreenPoint{0, 552 - 80}));
  EXPECT_EQ(window.pushes[0].w, 200);
  EXPECT_EQ(window.pushes[0].h, 80);
  EXPECT_EQ(window.pushes[0].dirty, std::nullopt);
  EXPECT_EQ(window.text, "News: Top story (Updated just now)");
  EXPECT_EQ(window.shown, 1);
}

TEST_F(FramePushTest, NothingIsPushedForAnInactiveBarAnUnplacedWindowOrNoFrame) {
  AppState hidden = view();
  hidden.shown = false;
  EXPECT_FALSE(present_frame(hidden, T0, push));
  painter.fail = true;
  EXPECT_FALSE(present_frame(view(), T0, push));
  painter.fail = false;
  rect.clear();
  EXPECT_FALSE(present_frame(view(), T0, push));
  EXPECT_TRUE(window.pushes.empty());
  EXPECT_FALSE(presented.with([](std::optional<PresentedFrame>& f) { return f.has_value(); }));
}

TEST_F(FramePushTest, AFullScreenProgramKeepsTheWindowHidden) {
  FULLSCREEN_APP.store(true);
  ASSERT_TRUE(present_frame(view(), T0, push));
  EXPECT_EQ(window.pushes.size(), 1u);
  EXPECT_EQ(window.shown, 0);
}

TEST_F(FramePushTest, AFrameWithoutVideoKeepsNoCleanCopyAndLaterVideoPushesNothing) {
  player.running = true;
  player.frame(10, 10, 0x00FF0000);
  ASSERT_TRUE(present_frame(view(), T0, push));
  EXPECT_TRUE(presented.with([](std::optional<PresentedFrame>& f) { return f->base_pixels.empty(); }));
  ASSERT_EQ(player.sent.size(), 1u);
  EXPECT_TRUE(player.sent[0].empty()) << "an empty target list is sent too";
  EXPECT_FALSE(push_video_frame(push));
  EXPECT_EQ(window.pushes.size(), 1u);
}

TEST_F(FramePushTest, VideoIsBlendedIntoTheFrameAndKeptOverACleanCopy) {
  painter.targets = {VideoTarget{Rect{20, 10, 30, 20}, 0, Fit{}}};
  player.running = true;
  player.frame(10, 10, 0x00FF0000);
  ASSERT_TRUE(present_frame(view(), T0, push));
  ASSERT_EQ(player.sent.size(), 1u);
  ASSERT_EQ(player.sent[0].size(), 1u);
  EXPECT_EQ(player.sent[0][0].width, 10);
  EXPECT_EQ(window.pushes[0].pixels[15 * 200 + 25], 0xFFFF0000u);
  EXPECT_EQ(window.pushes[0].pixels[15 * 200 + 35], PAINTED);
  presented.with([](std::optional<PresentedFrame>& f) {
    ASSERT_TRUE(f);
    EXPECT_EQ(f->base_pixels.size(), 200u * 60u);
    EXPECT_EQ(f->base_pixels[15 * 200 + 25], PAINTED) << "the clean copy is taken before the video";
  });
}

TEST_F(FramePushTest, ANewVideoFramePushesOnlyItsDirtyRectangleFromTheKeptPosition) {
  painter.targets = {VideoTarget{Rect{20, 10, 30, 20}, 0, Fit{}}, VideoTarget{Rect{190, 50, 210, 70}, 0, Fit{}}};
  player.running = true;
  ASSERT_TRUE(present_frame(view(), T0, push));
  FRAME_PENDING.store(true);
  player.frame(10, 10, 0x0000FF00);
  ASSERT_TRUE(push_video_frame(push));
  EXPECT_FALSE(FRAME_PENDING.load());
  ASSERT_EQ(window.pushes.size(), 2u);
  EXPECT_EQ(window.pushes[1].at, window.pushes[0].at);
  EXPECT_EQ(window.pushes[1].dirty, (Rect{20, 10, 200, 60}));
  EXPECT_EQ(kept_pixel(25, 15), 0xFF00FF00u);
}

TEST_F(FramePushTest, EachVideoFrameIsBlendedOverTheCleanFrameNotTheLastVideo) {
  // A rounded target: its edge pixels are blends, which would darken frame after frame if the
  // video were laid over the previous video.
  painter.targets = {VideoTarget{Rect{10, 10, 50, 50}, 20, Fit{}}};
  painter.height = 60;
  player.running = true;
  ASSERT_TRUE(present_frame(view(), T0, push));
  player.frame(40, 40, 0x00FFFFFF);
  ASSERT_TRUE(push_video_frame(push));
  const std::vector<std::uint32_t> first = window.pushes.back().pixels;
  player.frame(40, 40, 0x00000000);
  ASSERT_TRUE(push_video_frame(push));
  player.frame(40, 40, 0x00FFFFFF);
  ASSERT_TRUE(push_video_frame(push));
  EXPECT_EQ(window.pushes.back().pixels, first);
}

TEST_F(FramePushTest, VideoTargetsWhollyOutsideTheSurfacePushNothing) {
  painter.targets = {VideoTarget{Rect{300, 10, 310, 20}, 0, Fit{}}};
  player.running = true;
  player.frame(10, 10, 0x00FF0000);
  ASSERT_TRUE(present_frame(view(), T0, push));
  EXPECT_FALSE(push_video_frame(push));
  EXPECT_EQ(window.pushes.size(), 1u);
}

TEST_F(FramePushTest, NoPlayerOrNoFrameMeansNoVideoPush) {
  painter.targets = {VideoTarget{Rect{20, 10, 30, 20}, 0, Fit{}}};
  ASSERT_TRUE(present_frame(view(), T0, push));
  EXPECT_FALSE(push_video_frame(push));
  player.running = true;  // a player without frames yet
  EXPECT_FALSE(push_video_frame(push));
  EXPECT_EQ(window.pushes.size(), 1u);
}

TEST_F(FramePushTest, ANewFrameReplacesTheKeptOne) {
  painter.targets = {VideoTarget{Rect{20, 10, 30, 20}, 0, Fit{}}};
  ASSERT_TRUE(present_frame(view(), T0, push));
  painter.targets.clear();
  painter.colour = 0xFF0000FF;
  ASSERT_TRUE(present_frame(view(Placement::SignalBarTop), T0, push));
  presented.with([](std::optional<PresentedFrame>& f) {
    EXPECT_TRUE(f->targets.empty());
    EXPECT_TRUE(f->base_pixels.empty());
    EXPECT_EQ(f->position, (ScreenPoint{0, 500}));
  });
  EXPECT_EQ(kept_pixel(0, 0), 0xFF0000FFu);
}

// The timers repaint when nothing changed: the window is handed only what it does not show yet.
TEST_F(FramePushTest, AFrameTheWindowShowsAlreadyIsNotPushedAgain) {
  struct Case {
    const char* what;
    bool first_refused;
    std::function<void()> change;  // between the first and the second frame
    bool pushed_again;
  };
  const Case cases[] = {
      {"nothing changed", false, [] {}, false},
      {"one pixel differs", false, [this] { painter.colour = PAINTED + 1; }, true},
      {"taller frame", false, [this] { painter.height = 61; }, true},
      {"window moved", false, [this] { rect.store(Rect{0, 400, 1000, 452}); }, true},
      {"first push refused", true, [] {}, true},
      {"video in the new frame", false, [this] { painter.targets = {VideoTarget{Rect{1, 1, 5, 5}, 0, Fit{}}}; },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    painter = FakePainter{};
    window = FakeWindow{};
    presented.clear();
    SetUp();
    window.refuse = c.first_refused;
    ASSERT_TRUE(present_frame(view(), T0, push));
    window.refuse = false;
    c.change();
    ASSERT_TRUE(present_frame(view(), T0, push));
    EXPECT_EQ(window.pushes.size(), c.pushed_again ? 2u : 1u);
    EXPECT_EQ(window.shown, 2);
  }
}

TEST_F(FramePushTest, AfterTheWindowWasHiddenTheSameFrameIsPushedAgain) {
  ASSERT_TRUE(present_frame(view(), T0, push));
  forget_frame_on_screen(presented);
  ASSERT_TRUE(present_frame(view(), T0, push));
  ASSERT_TRUE(present_frame(view(), T0, push));
  EXPECT_EQ(window.pushes.size(), 2u);
}

TEST_F(FramePushTest, AFrameWithVideoIsAlwaysPushedInFull) {
  painter.targets = {VideoTarget{Rect{20, 10, 30, 20}, 0, Fit{}}};
  ASSERT_TRUE(present_frame(view(), T0, push));
  ASSERT_TRUE(present_frame(view(), T0, push));
  EXPECT_EQ(window.pushes.size(), 2u);
}

TEST_F(FramePushTest, TheWindowTextIsSetOnlyWhenItChanges) {
  ASSERT_TRUE(present_frame(view(), T0, push));
  ASSERT_TRUE(present_frame(view(), T0, push));
  EXPECT_EQ(window.texts_set, 1);
  AppState other = view();
  other.feeds[0].title = "Sport";  // same pixels from the fake painter, another text
  ASSERT_TRUE(present_frame(other, T0, push));
  EXPECT_EQ(window.pushes.size(), 1u);
  EXPECT_EQ(window.texts_set, 2);
  EXPECT_EQ(window.text.rfind("Sport: ", 0), 0u) << window.text;
}

}  // namespace
}  // namespace qx
