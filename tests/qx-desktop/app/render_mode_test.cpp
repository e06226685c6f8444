#include "app/render_mode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "../render/paint_fakes.h"
#include "app/feed_slots.h"
#include "app/start_state.h"
#include "memory_files.h"

namespace qx {
namespace {

using test::Harness;
using test::news_state;

std::uint32_t u32_at(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return v;
}

// --- the bitmap file ---

TEST(BitmapFile, HeaderIsByteExactAndPixelsFollowAsStored) {
  std::uint32_t pixels[] = {0x80112233u, 0xFF445566u, 0x00000000u, 0x01020304u, 0xFFFFFFFFu, 0x7F000000u};
  const std::string bytes = bitmap_file_bytes(PixelView{pixels, 3, 2});
  const unsigned char header[54] = {
      'B', 'M', 78, 0, 0, 0,  0, 0, 0, 0, 54, 0, 0, 0,  // size 54 + 24, reserved, pixel offset
      40,  0,   0,  0, 3, 0, 0, 0,                       // information header size, width
      0xFE, 0xFF, 0xFF, 0xFF,                            // -2: rows top to bottom
      1,   0,   32, 0,                                   // planes, bits per pixel
      0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(bytes.size(), 78u);
  EXPECT_EQ(std::memcmp(bytes.data(), header, 54), 0);
  // Blue, green, red, alpha.
  EXPECT_EQ(bytes.substr(54, 4), std::string("\x33\x22\x11\x80", 4));
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(u32_at(bytes, 54 + 4 * i), pixels[i]);
}

TEST(BitmapFile, FullHdWorkAreaIsSevenMillionBytesAndSizesWithoutABitmapGiveNothing) {
  std::vector<std::uint32_t> pixels(1920u * 1032u, 0xFF000000u);
  EXPECT_EQ(bitmap_file_bytes(PixelView{pixels.data(), 1920, 1032}).size(), 7'925'814u);
  EXPECT_TRUE(bitmap_file_bytes(PixelView{pixels.data(), 0, 5}).empty());
}

TEST(RenderSize, TheOptionOrTheDefaultAndNoneWithoutABitmap) {
  using Size = std::optional<std::pair<std::int32_t, std::int32_t>>;
  struct Row {
    Size option;
    Size expected;
  };
  const Row rows[] = {
      {std::nullopt, std::pair{1920, 1032}},
      {std::pair{800, 200}, std::pair{800, 200}},
      {std::pair{0, 200}, std::nullopt},
      {std::pair{800, -1}, std::nullopt},
      {std::pair{23171, 23171}, std::nullopt},  // 54 + w × h × 4 past 2^31 − 1
      {std::pair{23170, 23170}, std::pair{23170, 23170}},
      {std::pair{16384, 32767}, std::pair{16384, 32767}},  // 2,147,352,630 bytes still fits
  };
  for (const Row& r : rows) {
    CommandLineOptions o;
    o.size = r.option;
    EXPECT_EQ(render_size(o), r.expected);
  }
}

// --- the mode ---

struct RenderRun {
  Harness paint;
  std::optional<std::string> write_error;
  std::string written_path, written, err;
  std::vector<std::string> pictures_asked;
  Result<QxFeedV1, std::string> feed = qx::err(std::string("http error: offline"));
  // Frames of one colour for every target, when set.
  std::optional<std::uint32_t> video_colour;
  std::vector<std::pair<std::string, std::vector<VideoTargetSize>>> video_asked;
  Instant clock = test::T0;

  int operator()(const CommandLineOptions& options, AppState state) {
    RenderSystem system;
    system.load_feed = [&](std::string_view) { return feed; };
    system.cached_picture = [&](std::string_view address) -> std::optional<std::string> {
      pictures_asked.emplace_back(address);
      return std::string("C:\\cache\\1.img");
    };
    system.paint_tools = [&] { return paint.tools(); };
    system.video_frames = [&](const std::string& source, std::vector<VideoTargetSize> sizes) {
      video_asked.emplace_back(source, sizes);
      std::vector<VideoFrame> frames;
      if (!video_colour) return frames;
      for (const VideoTargetSize& t : sizes) {
        const std::size_t n = static_cast<std::size_t>(t.width) * static_cast<std::size_t>(t.height);
        frames.push_back({std::make_shared<const std::vector<std::uint32_t>>(n, *video_colour), t.width, t.height});
      }
      return frames;
    };
    system.now = [&] { return clock; };
    system.write_file = [&](std::string_view path, std::string_view bytes) {
      written_path = path;
      written = bytes;
      return write_error;
    };
    system.write_stderr = [&](std::string_view text) { err += text; };
    return run_render(options, std::move(state), system);
  }
};

CommandLineOptions render_to(const char* path) {
  CommandLineOptions o;
  o.render = path;
  return o;
}

TEST(RenderMode, AFeedThatFailsToLoadIsPaintedInItsFailureStateAndWritten) {
  RenderRun run;
  AppState s = news_state({}, Placement::SignalBarBottom);
  CommandLineOptions o = render_to("C:\\out.bmp");
  o.size = std::pair{800, 200};
  EXPECT_EQ(run(o, s), 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.written_path, "C:\\out.bmp");
  EXPECT_EQ(u32_at(run.written, 18), 800u);
  const std::uint32_t height = 0u - u32_at(run.written, 22);
  EXPECT_EQ(run.written.size(), 54u + 800u * height * 4u);
  EXPECT_FALSE(run.paint.text.drawn("Can\u2019t load this feed. Right-click to choose another.").empty());
  EXPECT_TRUE(run.video_asked.empty());  // no video place, no player
}

TEST(RenderMode, TheItemOptionStepsStoriesAndTheStoryPictureIsFetchedAndDrawn) {
  RenderRun run;
  QxFeedV1 feed = test::feed("Daily", {"one", "two", "three"});
  feed.items[2].media = QxMedia{"image", "https://example.com/p.jpg", std::nullopt};
  run.feed = feed;
  run.paint.pictures.files["C:\\cache\\1.img"] = Colour{1, 2, 3};
  CommandLineOptions o = render_to("C:\\out.bmp");
  o.item = 5;  // wraps to the third story
  o.expanded = true;
  EXPECT_EQ(run(o, news_state({}, Placement::Island)), 0);
  EXPECT_EQ(run.pictures_asked, std::vector<std::string>{"https://example.com/p.jpg"});
  EXPECT_FALSE(run.paint.text.drawn("three").empty());
  ASSERT_FALSE(run.paint.pictures.requests.empty());
  EXPECT_EQ(run.paint.pictures.requests.back().path, "C:\\cache\\1.img");
}

TEST(RenderMode, TheItemCountsModuloTheStoriesOverTheWholeUnsignedRange) {
  const struct {
    std::uint64_t item;
    const char* shown;
  } rows[] = {{3, "one"}, {1ull << 63, "three"}, {~0ull, "one"}, {~0ull - 1, "three"}};
  for (const auto& r : rows) {
    RenderRun run;
    run.feed = test::feed("Daily", {"one", "two", "three"});
    CommandLineOptions o = render_to("C:\\out.bmp");
    o.item = r.item;
    o.expanded = true;
    EXPECT_EQ(run(o, news_state({}, Placement::Island)), 0);
    EXPECT_FALSE(run.paint.text.drawn(r.shown).empty()) << r.item;
  }
}

TEST(RenderMode, FailuresGoToStandardErrorWithExitCodeOne) {
  struct Row {
    std::optional<std::pair<std::int32_t, std::int32_t>> size;
    std::optional<std::string> write_error;
    const char* err;
  };
  const Row rows[] = {
      {std::pair{0, 200}, std::nullopt, "render failed: could not allocate frame\n"},
      {std::pair{-5, -5}, std::nullopt, "render failed: could not allocate frame\n"},
      {std::nullopt, "Access is denied.", "render failed: Access is denied.\n"},
  };
  for (const Row& r : rows) {
    RenderRun run;
    run.write_error = r.write_error;
    CommandLineOptions o = render_to("C:\\nowhere\\out.bmp");
    o.size = r.size;
    EXPECT_EQ(run(o, news_state({"a"}, Placement::SignalBarBottom)), 1);
    EXPECT_EQ(run.err, r.err);
  }
}

TEST(RenderMode, StrangeScalesGiveAFrameOrTheAllocationErrorNeverACrash) {
  for (const float scale : {0.0f, -1.5f, std::nanf(""), 1e-3f, 4.0f, 1e30f, -1e30f,
                            std::numeric_limits<float>::infinity()}) {
    for (const Placement placement : {Placement::SignalBarBottom, Placement::Island, Placement::BarRight}) {
      RenderRun run;
      CommandLineOptions o = render_to("C:\\out.bmp");
      o.scale = scale;
      o.size = std::pair{640, 480};
      AppState s = news_state({"a", "b"}, placement);
      s.expanded = true;
      const int code = run(o, s);
      if (code == 0) {
        EXPECT_EQ(run.err, "");
        EXPECT_GE(run.written.size(), 58u);
      } else {
        EXPECT_EQ(run.err, "render failed: could not allocate frame\n") << scale;
      }
    }
  }
}

TEST(RenderMode, AnOrbFilmsFramesAreBlendedIntoTheOrb) {
  for (const bool delivered : {true, false}) {
    RenderRun run;
    if (delivered) run.video_colour = 0x00C01080u;
    AppState s = news_state({"a"}, Placement::SignalBarBottom);
    s.orb_image = "C:\\loop.mp4";
    CommandLineOptions o = render_to("C:\\out.bmp");
    o.size = std::pair{600, 200};
    EXPECT_EQ(run(o, s), 0);
    ASSERT_EQ(run.video_asked.size(), 1u);
    EXPECT_EQ(run.video_asked[0].first, "C:\\loop.mp4");
    ASSERT_EQ(run.video_asked[0].second.size(), 1u);
    // The orb's middle: the film's colour when frames came, else the painted orb.
    const std::int32_t x = 600 * 12 / 100, y = 28;
    const std::uint32_t middle = u32_at(run.written, 54 + (static_cast<std::size_t>(y) * 600 + x) * 4);
    if (delivered) {
      EXPECT_EQ(middle, 0xFFC01080u);
    } else {
      EXPECT_NE(middle & 0x00FFFFFFu, 0x00C01080u);
    }
  }
}

TEST(RenderMode, APlayedStreamIsShownAsVideoInTheGrownOrb) {
  // The stream counts as showing video, so the orb has a video place and grows as it would
  // while the stream plays aloud (unless growing is off).
  std::optional<std::int32_t> heights[2];
  for (const bool grow : {false, true}) {
    RenderRun run;
    run.video_colour = 0x00C01080u;
    AppState s = news_state({"a"}, Placement::SignalBarBottom);
    s.auto_grow = grow;
    CommandLineOptions o = render_to("C:\\out.bmp");
    o.size = std::pair{600, 200};
    o.play = "https://example.com/live.m3u8";
    test::MemoryFiles files;
    apply_command_line(s, o, files);
    EXPECT_EQ(run(o, s), 0);
    ASSERT_EQ(run.video_asked.size(), 1u) << "no video place for the stream";
    EXPECT_EQ(run.video_asked[0].first, "https://example.com/live.m3u8");
    ASSERT_EQ(run.video_asked[0].second.size(), 1u);
    heights[grow] = run.video_asked[0].second[0].height;
  }
  EXPECT_GT(*heights[1], *heights[0]);
}

}  // namespace
}  // namespace qx
