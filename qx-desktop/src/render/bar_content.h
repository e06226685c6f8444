// What one frame shares while it is painted (PaintContext), the drawing pieces of the painter
// that the content reuses (orb tiles, page dots, icon glyphs, the feed's monogram), and the
// content of each placement: titles and status, score rows with their status pill, story lines,
// captions, picture tiles and the stories that come next.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "render/bar_layout.h"
#include "render/bar_painter.h"
#include "render/pixels.h"
#include "render/text.h"

namespace qx {

// One row of the skin table; the colours are "#rrggbb".
struct Skin {
  std::string_view name;
  std::array<std::string_view, 5> colours;  // background, deeper background, text, secondary text, accent
  bool light = false;
};
inline constexpr std::size_t SKIN_COUNT = 5;
const Skin& skin_row(std::uint64_t skin);

// Background, deeper background, text and secondary text.
struct BrandColours {
  Colour background;
  Colour deeper;
  Colour text;
  Colour secondary;
  friend bool operator==(const BrandColours&, const BrandColours&) = default;
};

// The main colours: the skin's, or a fixed dark set while a bar picture is shown.
BrandColours main_colours(const ViewSnapshot& view);
// The colours of the brand side for the snapshot's left-side look.
BrandColours brand_colours(const ViewSnapshot& view, const BrandColours& main, Colour accent);
// The skin's accent, or the active feed's team colour when it stands out enough from the skin.
Colour accent_colour(const ViewSnapshot& view);

struct PaintContext {
  std::vector<VideoTarget> video_targets;
  const Skin& skin;
  const ViewSnapshot& view;
  DibSurface& surface;
  PixelView pixels;
  float scale = 1.0f;
  Colour background;
  Colour text;
  Colour secondary;
  Colour accent;
  // Beyond the frame's colours: what the content needs to find its places and draw.
  Colour deeper;
  BrandColours brand;
  const BarLayout& layout;
  const PaintTools& tools;

  std::int32_t s(float n) const { return scale_design(n, scale); }
};

// A text in a box with a style built from a design size; the measured size is returned.
TextSize paint_text(PaintContext& ctx, std::string_view text, const Rect& box, std::int32_t size_px, Colour colour,
                    std::int32_t align, std::int32_t lines, std::uint8_t weight);
// The one-line size of a text at a pixel size and weight (measured in a 4,000 × 200 box).
TextSize measure_line(PaintContext& ctx, std::string_view text, std::int32_t size_px, std::uint8_t weight);

void draw_icon_glyph(PaintContext& ctx, std::string_view glyph, const Rect& rect, float size, Colour colour);
void draw_story_dots(PaintContext& ctx, std::int32_t centre_x, std::int32_t top);
// The story picture tile; radius in design pixels. False when nothing was drawn.
bool draw_orb(PaintContext& ctx, const Rect& rect, float radius, bool video);
bool draw_orb_for_view(PaintContext& ctx, const Rect& rect, float radius);

// The next word of a title split at white space, or none at its end; `rest` moves past it.
std::optional<std::string_view> next_title_word(std::string_view& rest);
// Up to three upper-case letters that stand for the active feed.
std::string feed_monogram(const ViewSnapshot& view);
// Upper case for Latin, Greek and Cyrillic letters; other characters are kept.
std::string upper_case_simple(std::string_view text);

// A rectangle filled with a vertical gradient (top colour to bottom colour) and rounded corners.
void fill_gradient_rect(PixelView surface, const Rect& rect, float radius, Colour top, Colour bottom);

// --- content ---

std::vector<std::string> upcoming_story_lines(const ViewSnapshot& view, LocalClock& clock);
// (away emphasised, home emphasised)
std::pair<bool, bool> leading_sides(const QxScore& score);
std::int32_t draw_score_status(PaintContext& ctx, const QxScore& score, const Rect& rect);
void draw_score_side(PaintContext& ctx, const QxSide& side, const Rect& row, float size, bool emphasis);
void draw_score_sides(PaintContext& ctx, const QxScore& score, const Rect& rect, float size);
void draw_bar_content(PaintContext& ctx, std::int32_t left, std::int32_t right, std::int32_t top,
                      std::int32_t height);
// The whole content of the card for the snapshot's placement.
void draw_placement_content(PaintContext& ctx);

}  // namespace qx
