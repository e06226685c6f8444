// Fakes for painting natively: text with fixed metrics that records every call, pictures of one
// colour per path, and a clock that is always UTC. A small harness paints a frame with them.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "render/bar_layout.h"
#include "render/bar_content.h"
#include "render/bar_painter.h"
#include "state_test_helpers.h"
#include "unicode_text.h"

namespace qx::test {

// A character is half the font size wide; a line is one font size high.
class FakeText : public TextRenderer {
 public:
  struct Call {
    std::string text;
    Rect box;
    TextStyle style;
    bool draw = false;
  };
  std::vector<Call> calls;

  TextSize draw_text(DibSurface&, std::string_view text, const Rect& box, const TextStyle& style,
                     bool draw) override {
    calls.push_back({std::string(text), box, style, draw});
    const std::int32_t width = static_cast<std::int32_t>(char_count(text)) * style.size / 2;
    if (style.lines <= 1) return {width, style.size};
    const std::int32_t room = std::max(1, box.width());
    const std::int32_t lines = std::min(style.lines, std::max(1, (width + room - 1) / room));
    return {std::min(width, room), lines * style.size};
  }

  // The drawn calls with exactly this text.
  std::vector<Call> drawn(const std::string& text) const {
    std::vector<Call> out;
    for (const Call& c : calls) {
      if (c.draw && c.text == text) out.push_back(c);
    }
    return out;
  }
};

class FakePictures : public PictureSource {
 public:
  struct Request {
    std::string path;
    std::int32_t width, height;
    Fit fit;
  };
  std::map<std::string, Colour> files;
  std::vector<Request> requests;

  PixelBuffer cached_scaled_picture(const std::string& path, std::int32_t width, std::int32_t height, Colour,
                                    const Fit& fit) override {
    requests.push_back({path, width, height, fit});
    const auto it = files.find(path);
    if (it == files.end()) return nullptr;
    return std::make_shared<const std::vector<std::uint32_t>>(
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height), pack_rgb(it->second));
  }
};

class UtcClock : public LocalClock {
 public:
  std::optional<CivilTime> to_local(const CivilTime& utc) override { return utc; }
  CivilTime local_now() override { return CivilTime{2026, 3, 1, 8, 12, 0}; }
};

struct Harness {
  FakeText text;
  FakePictures pictures;
  UtcClock clock;
  PaintTools tools() { return PaintTools{text, pictures, clock, T0}; }

  PaintedFrame paint(const AppState& s, std::int32_t width, std::int32_t height, float scale = 1.0f) {
    layout = layout_bar(s, width, height, scale);
    std::optional<PaintedFrame> frame = paint_bar(s, layout, tools());
    if (!frame) throw std::runtime_error("no frame");
    return std::move(*frame);
  }
  BarLayout layout;

  // A context over a fresh surface, for drawing one piece at a time.
  PaintContext& context(const AppState& s, std::int32_t width, std::int32_t height, float scale = 1.0f) {
    view = s;
    layout = layout_bar(view, width, height, scale);
    surface = create_dib_surface(layout.width, layout.height);
    if (!surface) throw std::runtime_error("no surface");
    paint_tools = std::make_unique<PaintTools>(tools());
    const BrandColours main = main_colours(view);
    const Colour accent = accent_colour(view);
    ctx.reset(new PaintContext{{}, skin_row(view.skin), view, *surface, dib_pixels(*surface), scale,
                               main.background, main.text, main.secondary, accent, main.deeper,
                               brand_colours(view, main, accent), layout, *paint_tools});
    return *ctx;
  }
  std::uint32_t pixel(std::int32_t x, std::int32_t y) const {
    return ctx->pixels.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(ctx->pixels.width) +
                              static_cast<std::size_t>(x)];
  }
  AppState view;
  std::optional<DibSurface> surface;
  std::unique_ptr<PaintTools> paint_tools;
  std::unique_ptr<PaintContext> ctx;
};

inline std::uint32_t pixel_at(PaintedFrame& frame, std::int32_t x, std::int32_t y) {
  const PixelView px = dib_pixels(frame.surface);
  return px.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(px.width) + static_cast<std::size_t>(x)];
}

// An opaque pixel of the colour.
inline std::uint32_t solid(Colour c) { return pack_rgb(c) | 0xFF000000u; }

// A followed feed with stories, no longer the starting default feeds.
inline AppState news_state(std::initializer_list<std::string> titles, Placement placement) {
  AppState s = state_with({"https://example.com/feed"});
  s.placement = placement;
  FeedSlot& slot = s.feeds[0];
  slot.title = "Morning News";
  for (const std::string& t : titles) {
    QxItem item = story(t);
    item.url = "https://example.com/" + t;
    slot.items.push_back(item);
  }
  return s;
}

}  // namespace qx::test
