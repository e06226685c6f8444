// Time per frame of the bar: layout_bar, then paint_bar with its content, for the bottom bar
// 1920 px wide at scale 1.0 and 1.5 (collapsed and expanded) and for the island, on a state of 8
// feeds whose story and orb pictures are on disk and cached after the first frame. In the same
// run, creating a surface of the same size and filling it with one colour gives the baseline.
// On Windows (and under Wine) text and pictures go through GDI+; natively through stand-ins
// that draw nothing, so only the pixel work is timed there.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/render_mode.h"
#include "render/bar_layout.h"
#include "render/bar_painter.h"

namespace {

using namespace qx;
using Clock = std::chrono::steady_clock;

// Measures like a font of half-size characters and draws nothing.
struct NoText : TextRenderer {
  TextSize draw_text(DibSurface&, std::string_view text, const Rect&, const TextStyle& style, bool) override {
    return {static_cast<std::int32_t>(text.size()) * style.size / 2, style.size};
  }
};

#ifndef _WIN32
struct SolidPictures : PictureSource {
  PixelBuffer cached_scaled_picture(const std::string&, std::int32_t w, std::int32_t h, Colour, const Fit&) override {
    if (!buffer || buffer->size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {
      buffer = std::make_shared<const std::vector<std::uint32_t>>(static_cast<std::size_t>(w) * h, 0x336699u);
    }
    return buffer;
  }
  PixelBuffer buffer;
};
struct UtcClock : LocalClock {
  std::optional<CivilTime> to_local(const CivilTime& utc) override { return utc; }
  CivilTime local_now() override { return {}; }
};
#endif

// A 320 × 180 picture written as a bitmap file, so that the platform decodes a real file.
std::string write_picture() {
  std::vector<std::uint32_t> pixels(320 * 180);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    pixels[i] = 0xFF000000u | static_cast<std::uint32_t>((i % 320) * 255 / 320) << 16 | 0x4080u;
  }
  const auto path = std::filesystem::temp_directory_path() / "zv-render-bench.bmp";
  std::ofstream(path, std::ios::binary) << bitmap_file_bytes(PixelView{pixels.data(), 320, 180});
  return path.string();
}

AppState bench_state(const std::string& picture) {
  AppState s;
  for (int f = 0; f < 8; ++f) {
    FeedSlot slot;
    slot.url = "https://example.org/feeds/" + std::to_string(f);
    slot.title = "Harbour Gazette " + std::to_string(f);
    slot.status = "Updated just now";
    for (int i = 0; i < 8; ++i) {
      QxItem item;
      item.title = "Lighthouse reopens after a year of repairs, story " + std::to_string(i);
      item.url = "https://example.org/n/" + std::to_string(i);
      const std::string address = "https://example.org/p/" + std::to_string(f) + "-" + std::to_string(i) + ".jpg";
      item.media = QxMedia{"image", address, std::nullopt};
      s.pictures[address] = picture;
      slot.items.push_back(item);
    }
    s.feeds.push_back(slot);
  }
  s.default_feeds = false;
  s.orb_image = picture;
  return s;
}

struct Case {
  const char* name;
  Placement placement;
  bool expanded;
  float scale;
};

}  // namespace

int main(int argc, char** argv) {
  // An argument picks the cases whose name contains it.
  const std::string only = argc > 1 ? argv[1] : "";
  const std::string picture = write_picture();
  NoText no_text;
#ifdef _WIN32
  PaintTools tools = platform_paint_tools();
#else
  SolidPictures pictures;
  UtcClock clock;
  PaintTools tools{no_text, pictures, clock, Clock::now()};
#endif
  const PaintTools shapes_only{no_text, tools.pictures, tools.clock, tools.now};
  const Case cases[] = {
      {"bottom bar 1920, scale 1.0", Placement::SignalBarBottom, false, 1.0f},
      {"bottom bar 1920, scale 1.5", Placement::SignalBarBottom, false, 1.5f},
      {"bottom bar 1920 expanded, scale 1.0", Placement::SignalBarBottom, true, 1.0f},
      {"bottom bar 1920 expanded, scale 1.5", Placement::SignalBarBottom, true, 1.5f},
      {"island expanded, scale 1.0", Placement::Island, true, 1.0f},
  };
  constexpr int FRAMES = 200;
  std::printf("%-38s %10s %12s %14s %14s\n", "frame", "surface", "ms / frame", "without text", "fill baseline");
  for (const Case& c : cases) {
    if (std::string(c.name).find(only) == std::string::npos) continue;
    AppState s = bench_state(picture);
    s.placement = c.placement;
    s.expanded = c.expanded;
    BarLayout layout = layout_bar(s, 1920, 1032, c.scale);
    paint_bar(s, layout, tools);  // the first frame decodes and scales the pictures
    auto time_frames = [&](const PaintTools& with) {
      const auto start = Clock::now();
      for (int i = 0; i < FRAMES; ++i) {
        s.feeds[0].current = static_cast<std::size_t>(i % 2);  // two pictures, both cached
        layout = layout_bar(s, 1920, 1032, c.scale);
        if (!paint_bar(s, layout, with)) std::exit(1);
      }
      return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / FRAMES;
    };
    const double paint_ms = time_frames(tools);
    const double shapes_ms = time_frames(shapes_only);

    const auto fill_start = Clock::now();
    for (int i = 0; i < FRAMES; ++i) {
      std::optional<DibSurface> surface = create_dib_surface(layout.width, layout.height);
      if (!surface) return 1;
      const PixelView px = dib_pixels(*surface);
      std::fill(px.pixels, px.pixels + static_cast<std::size_t>(px.width) * static_cast<std::size_t>(px.height),
                0xFF1B1D22u);
    }
    const double fill_ms = std::chrono::duration<double, std::milli>(Clock::now() - fill_start).count() / FRAMES;
    char size[32];
    std::snprintf(size, sizeof size, "%dx%d", layout.width, layout.height);
    std::printf("%-38s %10s %12.3f %14.3f %14.3f\n", c.name, size, paint_ms, shapes_ms, fill_ms);
  }
  std::filesystem::remove(picture);
  return 0;
}
