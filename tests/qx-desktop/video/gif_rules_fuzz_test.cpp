// Broken and extreme GIF data: frame sizes, delay properties of any length and content, and
// animations of odd sizes and timings played into targets of odd sizes. Sizes stay within the
// documented bounds, delays never wrap, and every published frame is exactly its target's size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "fake_media.h"
#include "fuzz_mutation.h"
#include "video/media_engine.h"
#include "video/player.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using namespace player_command;
using zvtest::Mutator;

std::int32_t random_side(Mutator& m) {
  switch (m.below(4)) {
    case 0: return static_cast<std::int32_t>(m.below(600)) - 50;
    case 1: return static_cast<std::int32_t>(m.rng()());  // any 32-bit value, negatives included
    case 2: return std::numeric_limits<std::int32_t>::max() - static_cast<std::int32_t>(m.below(3));
    default: return static_cast<std::int32_t>(GIF_MAX_SIDE) + static_cast<std::int32_t>(m.below(5)) - 2;
  }
}

TEST(GifFrameSizeFuzz, AnySizeGivesNoneOrAFrameWithinTheLimitAndTheShape) {
  Mutator m(0x3111, {});
  for (int i = 0; i < 200000; ++i) {
    const std::int32_t w = random_side(m), h = random_side(m);
    const std::optional<VideoSize> size = gif_frame_size(w, h);
    if (w <= 0 || h <= 0) {
      EXPECT_FALSE(size) << w << " x " << h;
      continue;
    }
    ASSERT_TRUE(size) << w << " x " << h;
    EXPECT_TRUE(size->width >= 1 && size->height >= 1) << w << " x " << h;
    EXPECT_TRUE(size->width <= w && size->height <= h) << w << " x " << h;
    EXPECT_LE(std::max(size->width, size->height), GIF_MAX_SIDE) << w << " x " << h;
    if (std::max(w, h) <= GIF_MAX_SIDE) {
      EXPECT_EQ(*size, (VideoSize{w, h}));
    } else {
      // The longer side becomes exactly 240, and the shorter keeps the ratio to within a pixel.
      EXPECT_EQ(std::max(size->width, size->height), GIF_MAX_SIDE) << w << " x " << h;
      const double scale = static_cast<double>(GIF_MAX_SIDE) / std::max(w, h);
      EXPECT_NEAR(size->width, std::max(1.0, w * scale), 1.0) << w << " x " << h;
      EXPECT_NEAR(size->height, std::max(1.0, h * scale), 1.0) << w << " x " << h;
    }
  }
}

TEST(GifFrameDelaysFuzz, AnyDelayPropertyGivesOneSensibleDelayPerFrame) {
  Mutator m(0x3112, {std::string(4, '\0'), std::string("\x01\0\0\0", 4), std::string(4, '\xFF')}, 4096);
  for (int i = 0; i < 20000; ++i) {
    const std::string property = m.mutate(std::string("\0\0\0\0\x05\0\0\0\x14\0\0\0", 12));
    const std::size_t frames = m.below(GIF_MAX_FRAMES + 10);
    const bool absent = m.chance(5);
    // The declared length may be shorter than the bytes, never longer (the caller cuts it).
    const std::size_t declared = m.below(property.size() + 1);
    const auto* bytes = reinterpret_cast<const unsigned char*>(property.data());
    const std::vector<std::chrono::milliseconds> delays =
        gif_frame_delays(absent ? nullptr : bytes, declared, frames);
    ASSERT_EQ(delays.size(), frames);
    for (std::size_t k = 0; k < frames; ++k) {
      std::optional<std::uint32_t> value;
      if (!absent && 4 * k + 4 <= declared) {
        value = static_cast<std::uint32_t>(bytes[4 * k]) | static_cast<std::uint32_t>(bytes[4 * k + 1]) << 8 |
                static_cast<std::uint32_t>(bytes[4 * k + 2]) << 16 | static_cast<std::uint32_t>(bytes[4 * k + 3]) << 24;
      }
      const auto expected = !value || *value < 2 ? GIF_DEFAULT_DELAY : std::chrono::milliseconds(std::int64_t{*value} * 10);
      EXPECT_EQ(delays[k], expected) << "frame " << k << " of case " << i;
      EXPECT_GE(delays[k], 20ms);
    }
  }
}

TEST(LocalGifFuzz, OnlyLocalSourcesEndingInGifAreDecodedHere) {
  Mutator m(0x3113, {".gif", ".GIF", ".GiF", "https://", "http://", "\\", "/", "\xC4\xB0"}, 256);
  for (int i = 0; i < 20000; ++i) {
    const std::string source = m.mutate(m.chance(50) ? "C:\\pictures\\dance.gif" : "https://e.org/a.gif");
    const bool local = is_local_gif(source);
    if (local) {
      EXPECT_FALSE(source.starts_with("https://")) << zvtest::printable(source);
      std::string tail = source.substr(source.size() - 4);
      for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      EXPECT_EQ(tail, ".gif") << zvtest::printable(source);
    }
  }
}

// --- animations played into targets -------------------------------------------------------------------

// A platform whose GIFs are made up per case: frames of any allowed size, any delay.
class ScriptedGifs final : public MediaPlatform {
 public:
  std::vector<GifFrame> frames;
  std::unique_ptr<MediaEngine> open_engine(const std::string&, bool, bool) override { return nullptr; }
  std::optional<std::vector<GifFrame>> decode_gif(const std::string&) override { return frames; }
};

GifFrame random_frame(Mutator& m) {
  const std::optional<VideoSize> size =
      gif_frame_size(1 + static_cast<std::int32_t>(m.below(2000)), 1 + static_cast<std::int32_t>(m.below(2000)));
  GifFrame f;
  f.width = size->width;
  f.height = size->height;
  f.pixels.assign(static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height),
                  static_cast<std::uint32_t>(m.rng()()));
  const std::uint32_t hundredths = m.chance(20) ? static_cast<std::uint32_t>(m.rng()()) : static_cast<std::uint32_t>(m.below(10));
  f.delay = gif_frame_delay(hundredths);
  return f;
}

VideoTargetSize random_target(Mutator& m) {
  VideoTargetSize t;
  t.width = static_cast<std::int32_t>(m.below(300));
  t.height = static_cast<std::int32_t>(m.below(300));
  t.fit.mode = static_cast<FitMode>(m.below(3));
  t.fit.zoom = static_cast<std::uint16_t>(m.below(400));
  t.fit.x = static_cast<std::uint8_t>(m.below(256));
  t.fit.y = static_cast<std::uint8_t>(m.below(256));
  return t;
}

TEST(GifPlaybackFuzz, EveryPublishedFrameIsExactlyItsTargetsSize) {
  Mutator m(0x3114, {});
  int published = 0;
  for (int i = 0; i < 300; ++i) {
    ScriptedGifs platform;
    platform.frames.resize(m.below(6));
    for (GifFrame& f : platform.frames) f = random_frame(m);
    PlayerShared shared{PlayerFrames{}};
    test::RecordingPoster window;
    std::atomic<bool> frame_pending{false};
    PlayerLoop loop{platform, shared, PlayerNotices{&window, &frame_pending}};

    Instant now = Instant{} + 1000h;
    std::vector<VideoTargetSize> targets(m.below(4));
    for (VideoTargetSize& t : targets) t = random_target(m);
    loop.handle(SetTargets{targets}, now);
    ASSERT_TRUE(loop.handle(Open{"C:\\pictures\\case.gif", true, false}, now));
    const PlayerStatus opened = player_snapshot(shared).status;
    EXPECT_EQ(opened, platform.frames.size() < 2 ? PlayerStatus::Failed : PlayerStatus::Opening) << "case " << i;

    for (int step = 0; step < 8; ++step) {
      if (m.chance(25)) {
        targets.resize(m.below(4));
        for (VideoTargetSize& t : targets) t = random_target(m);
        loop.handle(SetTargets{targets}, now);
      }
      loop.tick(now);
      now += std::chrono::milliseconds(m.below(400));
      const PlayerSnapshot snap = player_snapshot(shared);
      if (snap.frames.empty()) continue;
      ++published;
      ASSERT_EQ(snap.frames.size(), targets.size()) << "case " << i << " step " << step;
      for (std::size_t k = 0; k < targets.size(); ++k) {
        const VideoFrame& f = snap.frames[k];
        EXPECT_EQ(f.width, targets[k].width) << "case " << i;
        EXPECT_EQ(f.height, targets[k].height) << "case " << i;
        ASSERT_TRUE(f.pixels) << "case " << i;
        EXPECT_EQ(f.pixels->size(), static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height))
            << "case " << i;
      }
    }
    loop.handle(Stop{}, now);
    EXPECT_TRUE(player_snapshot(shared).frames.empty());
  }
  EXPECT_GT(published, 300);
}

}  // namespace
}  // namespace qx
