// The bar painter: skin, card, brand side, edge line, orb, icon buttons, action button and the
// alpha pass. The placement's content is in bar_content.cpp.
#include "render/bar_painter.h"

#include <algorithm>
#include <cmath>

#include "app/feed_slots.h"
#include "app/state_media.h"
#include "render/bar_content.h"
#include "render/row_parts.h"
#include "render/upper_case_table.h"
#include "unicode_text.h"
#include "world/translations.h"

namespace qx {

namespace {

constexpr std::array<Skin, SKIN_COUNT> SKINS{{
    {"Graphite", {"#1b1d22", "#131418", "#ffffff", "#b4bac6", "#2563eb"}, false},
    {"Paper", {"#ffffff", "#f3f4f7", "#14161a", "#5a6070", "#1d4ed8"}, true},
    {"Midnight", {"#131a33", "#0b1022", "#ffffff", "#aeb9dc", "#7c8cff"}, false},
    {"Pitch", {"#0f2a1e", "#0a1c14", "#ffffff", "#a9cbb8", "#34d399"}, false},
    {"Claret", {"#35101d", "#230a13", "#ffffff", "#e0b4c0", "#fb7185"}, false},
}};

constexpr Colour BAR_IMAGE_DARK{30, 30, 30};
constexpr Colour BAR_IMAGE_TEXT{255, 255, 255};
constexpr Colour BAR_IMAGE_SECONDARY{226, 226, 226};
constexpr float TEAM_COLOUR_MIN_CONTRAST = 1.4f;
constexpr float SHADOW_LIGHT = 0.28f;
constexpr float SHADOW_DARK = 0.5f;

const char* const GLYPH_MORE = "\xEE\x9C\x92";           // U+E712
const char* const GLYPH_PREVIOUS = "\xEE\x9D\xAB";       // U+E76B
const char* const GLYPH_NEXT = "\xEE\x9D\xAC";           // U+E76C
const char* const GLYPH_DOCK_CHEVRON = "\xEE\xA2\xA0";   // U+E8A0
const char* const GLYPH_CHEVRON_DOWN = "\xEE\x9C\x8D";   // U+E70D
const char* const GLYPH_CHEVRON_UP = "\xEE\x9C\x8E";     // U+E70E
const char* const GLYPH_AUDIO = "\xEE\x9D\xA7";          // U+E767
const char* const GLYPH_VIDEO = "\xEE\x9D\xA8";          // U+E768

std::array<Colour, 4> skin_main(const Skin& skin) {
  return parse_colour_pairs({skin.colours[0], skin.colours[1], skin.colours[2], skin.colours[3]});
}

BrandColours from_array(const std::array<Colour, 4>& c) { return {c[0], c[1], c[2], c[3]}; }

bool is_bar(Placement p) { return p == Placement::SignalBarBottom || p == Placement::SignalBarTop; }

float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

std::uint32_t premultiplied(std::uint32_t pixel, float c, float a) {
  if (c <= 0.0f && a <= 0.0f) return 0;
  auto alpha_byte = [](float v) { return static_cast<std::uint32_t>(std::min(255.0f, std::max(0.0f, std::round(v * 255.0f)))); };
  // Off the card (the shadow) every channel scales to 0 and only the alpha is left.
  if (c == 0.0f) return alpha_byte(a) << 24;
  auto channel = [&](int shift) {
    const float v = std::round(static_cast<float>((pixel >> shift) & 0xFF) * c);
    return static_cast<std::uint32_t>(std::min(255.0f, std::max(0.0f, v))) << shift;
  };
  return channel(16) | channel(8) | channel(0) | alpha_byte(a) << 24;
}

// The rectangle grown by `by` on every side.
Rect grown(const Rect& r, std::int32_t by) { return {r.left - by, r.top - by, r.right + by, r.bottom + by}; }

// A pixel whose centre lies a pixel or more outside a rectangle has no coverage of any rounded
// shape inside it; checking that first spares the distance computation for most of the frame.
bool within_reach(const Rect& r, std::int32_t x, std::int32_t y) {
  return x >= r.left - 1 && x <= r.right && y >= r.top - 1 && y <= r.bottom;
}

// Every pixel of the surface outside the rectangle set to one colour.
void fill_outside(PixelView px, const Rect& inner, std::uint32_t colour) {
  const std::int32_t top = std::clamp(inner.top, 0, px.height);
  const std::int32_t bottom = std::clamp(inner.bottom, top, px.height);
  const std::int32_t left = std::clamp(inner.left, 0, px.width);
  const std::int32_t right = std::clamp(inner.right, left, px.width);
  const auto w = static_cast<std::size_t>(px.width);
  std::fill(px.pixels, px.pixels + static_cast<std::size_t>(top) * w, colour);
  for (std::int32_t y = top; y < bottom; ++y) {
    std::uint32_t* row = px.pixels + static_cast<std::size_t>(y) * w;
    std::fill(row, row + left, colour);
    std::fill(row + right, row + w, colour);
  }
  std::fill(px.pixels + static_cast<std::size_t>(bottom) * w, px.pixels + static_cast<std::size_t>(px.height) * w,
            colour);
}

// Step 12: every pixel gets its coverage of the card as alpha, colours premultiplied; the
// island's shadow darkens what lies outside the card.
void alpha_pass(PaintContext& ctx, float card_radius) {
  const BarLayout& layout = ctx.layout;
  const Placement placement = ctx.view.placement;
  const Rect card = layout.card;
  const bool orb_term = is_bar(placement) && layout.orb.present && ctx.view.orb_size != OrbSize::Tiny;
  const Rect orb = layout.orb.rect;
  const float orb_radius = static_cast<float>(orb.width()) / 2.0f;
  const bool island = placement == Placement::Island;
  const Rect shadow{card.left, card.top + ctx.s(4), card.right, card.bottom + ctx.s(4)};
  // A shadow reach of 0 would divide by zero at tiny scales: no shadow then.
  const std::int32_t reach_px = ctx.s(22);
  const float reach = static_cast<float>(reach_px);
  const Rect shadow_reach = grown(shadow, std::max(0, reach_px));
  const float k = ctx.skin.light ? SHADOW_LIGHT : SHADOW_DARK;
  // A whole-pixel rectangle with square corners covers its pixels' centres fully and no others.
  const bool square = card_radius <= 0.0f;
  const PixelView px = ctx.pixels;
  // Off the card a shadow pixel depends on its distance alone, which runs of pixels share.
  float last_shadow_d = std::nanf("");
  std::uint32_t last_shadow_pixel = 0;
  for (std::int32_t y = 0; y < px.height; ++y) {
    std::uint32_t* row = px.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(px.width);
    const float cy = static_cast<float>(y) + 0.5f;
    auto edge = [&](std::int32_t x) {
      const float cx = static_cast<float>(x) + 0.5f;
      // Square corners: the span below holds every pixel of the card, the rest is outside.
      float c = square ? 0.0f : within_reach(card, x, y) ? rounded_rect_coverage(card, card_radius, cx, cy) : 0.0f;
      if (orb_term && c < 1.0f && within_reach(orb, x, y)) c = std::max(c, rounded_rect_coverage(orb, orb_radius, cx, cy));
      float a = c;
      if (island && c < 1.0f && reach > 0.0f && within_reach(shadow_reach, x, y)) {
        const float d = std::max(0.0f, rounded_rect_distance(shadow, card_radius, cx, cy)) / reach;
        if (c == 0.0f && d == last_shadow_d) {
          row[x] = last_shadow_pixel;
          return;
        }
        const float f = clamp01(1.0f - d);
        a = c + (1.0f - c) * k * f * f * f;
        if (c == 0.0f) {
          last_shadow_d = d;
          last_shadow_pixel = row[x] = premultiplied(row[x], c, a);
          return;
        }
      }
      row[x] = premultiplied(row[x], c, a);
    };
    // Columns that no shape reaches are cleared at once; only the others are worked out.
    std::int32_t reach_left = px.width, reach_right = 0;
    auto reaches = [&](const Rect& r, bool used) {
      if (!used || y < r.top - 1 || y > r.bottom) return;
      reach_left = std::min(reach_left, std::max(0, r.left - 1));
      reach_right = std::max(reach_right, std::min(px.width, r.right + 1));
    };
    reaches(card, true);
    reaches(orb, orb_term);
    reaches(shadow_reach, island && reach > 0.0f);
    if (reach_left >= reach_right) {
      std::fill(row, row + px.width, 0u);
      continue;
    }
    std::fill(row, row + reach_left, 0u);
    std::fill(row + reach_right, row + px.width, 0u);
    // The columns surely inside the card keep their colour and become opaque.
    const RowSpan span = !square ? rounded_row_span(card, card_radius, y)
                         : y >= card.top && y < card.bottom ? RowSpan{card.left, card.right}
                                                            : RowSpan{};
    const std::int32_t x0 = std::clamp(span.x0, reach_left, reach_right);
    const std::int32_t x1 = std::clamp(span.x1, x0, reach_right);
    for (std::int32_t x = reach_left; x < x0; ++x) edge(x);
    for (std::int32_t x = x0; x < x1; ++x) row[x] |= 0xFF000000u;
    for (std::int32_t x = x1; x < reach_right; ++x) edge(x);
  }
}

Rect brand_rect(const PaintContext& ctx) {
  const BarLayout& l = ctx.layout;
  const Rect card = l.card;
  switch (ctx.view.placement) {
    case Placement::SignalBarBottom:
    case Placement::SignalBarTop: {
      const std::int32_t x =
          l.orb.present ? (l.orb.rect.left + l.orb.rect.right) / 2 : (card.left + card.right) / 2;
      return {card.left, card.top, x, card.bottom};
    }
    case Placement::BarLeft:
    case Placement::BarRight: {
      if (!l.orb.present) return {card.left, card.top, card.right, card.bottom};
      const std::int32_t extra = card.right - l.orb.rect.right < ctx.s(120) ? ctx.s(62) : ctx.s(14);
      return {card.left, card.top, card.right, l.orb.rect.bottom + extra};
    }
    case Placement::Island:
      if (ctx.view.expanded) return {card.left, card.top, card.right, card.top + ctx.s(48)};
      return {card.left, card.top, card.left + ctx.s(46), card.bottom};
  }
  return card;
}

Rect edge_line_rect(const PaintContext& ctx, std::int32_t thickness) {
  const Rect card = ctx.layout.card;
  switch (ctx.view.placement) {
    case Placement::SignalBarBottom: return {0, card.top, card.right, card.top + thickness};
    case Placement::SignalBarTop: return {0, card.bottom - thickness, card.right, card.bottom};
    case Placement::BarLeft: return {card.right - thickness, 0, card.right, card.bottom};
    case Placement::BarRight: return {0, 0, thickness, card.bottom};
    case Placement::Island: break;
  }
  return {};
}

const char* chevron_glyph(const ViewSnapshot& view) {
  switch (view.placement) {
    case Placement::BarLeft:
    case Placement::BarRight: return GLYPH_DOCK_CHEVRON;
    case Placement::SignalBarBottom: return view.expanded ? GLYPH_CHEVRON_DOWN : GLYPH_CHEVRON_UP;
    case Placement::SignalBarTop:
    case Placement::Island: break;
  }
  return view.expanded ? GLYPH_CHEVRON_UP : GLYPH_CHEVRON_DOWN;
}

void draw_bar_orb(PaintContext& ctx, Colour line_colour) {
  const ViewSnapshot& view = ctx.view;
  const Rect orb = ctx.layout.orb.rect;
  const bool tiny = view.orb_size == OrbSize::Tiny;
  const float radius = tiny ? 0.0f : static_cast<float>(orb.width()) / 2.0f;
  fill_rounded_rect(ctx.pixels, orb, radius, line_colour);

  const std::int32_t ring = std::max(1, tiny ? ctx.s(1) : ctx.s(3));
  const Rect inner{orb.left + ring, orb.top + ring, orb.right - ring, orb.bottom - ring};
  const float inner_radius = std::max(0.0f, radius - static_cast<float>(ring));
  const Colour dark = mix_colour(ctx.accent, BLACK, 0.35f);
  fill_gradient_rect(ctx.pixels, inner, inner_radius, ctx.accent, dark);

  const Fit fit = view.fit.value_or(Fit{});
  PixelBuffer picture;
  if (view.orb_image && inner.width() > 0 && inner.height() > 0) {
    picture = ctx.tools.pictures.cached_scaled_picture(*view.orb_image, inner.width(), inner.height(), dark, fit);
  }
  const bool video = is_video_showing(view);
  if (video || (view.orb_image && is_film_file(*view.orb_image))) {
    ctx.video_targets.push_back({inner, inner_radius, video ? Fit{FitMode::Fill, 100, 50, 33} : fit});
  }
  if (picture && !picture->empty()) {
    draw_pixels_rounded(ctx.pixels, picture->data(), picture->size(), inner, inner_radius);
    return;
  }
  std::int32_t size = 12;
  if (!tiny) {
    // Small orbs never go below 11 px before scaling.
    size = std::max(11, round_saturate(std::trunc(static_cast<float>(orb.height()) * 0.27f / ctx.scale)));
  }
  paint_text(ctx, feed_monogram(view), inner, ctx.s(static_cast<float>(size)), text_colour_for(dark), 1, 1, 2);
}

void draw_action_button(PaintContext& ctx) {
  const ViewSnapshot& view = ctx.view;
  const Rect rect = ctx.layout.action.rect;
  const std::optional<std::string> media = current_media_url(view);
  const bool stream = view.playing && view.playing->is_stream;
  const bool has_link = current_link(view).has_value();
  const bool enabled = has_link || view.default_feeds || media || stream;
  const Colour fill = enabled ? ctx.accent : mix_colour(ctx.background, ctx.text, 0.08f);
  const Colour label_colour = enabled ? text_colour_for(ctx.accent) : ctx.secondary;
  fill_rounded_rect(ctx.pixels, rect, static_cast<float>(rect.height()) / 2.0f, fill);

  const bool playing = is_current_media_selected(view) && view.playing && !view.playing->paused &&
                       !view.playing->silent &&
                       (view.playing->status == PlayerStatus::Opening || view.playing->status == PlayerStatus::Playing);
  const QxItem* story = current_story(view);
  const std::string_view kind = story && story->media ? std::string_view(story->media->kind) : std::string_view();
  std::string_view label = "Open story";
  if (view.default_feeds) {
    label = "Choose a team";
  } else if (stream || media) {
    label = playing ? "Pause" : "Play";
  } else if (!has_link) {
    label = "No link";
  } else if (kind == "audio") {
    label = "Listen";
  } else if (kind == "video") {
    label = "Watch";
  } else if (current_feed(view).score) {
    label = "Game details";
  }
  paint_text(ctx, translate(view.lang, label), rect, ctx.s(14), label_colour, 1, 1, 1);
}

}  // namespace

const Skin& skin_row(std::uint64_t skin) { return SKINS[skin % SKIN_COUNT]; }

BrandColours main_colours(const ViewSnapshot& view) {
  if (view.bar_image) return {BAR_IMAGE_DARK, BAR_IMAGE_DARK, BAR_IMAGE_TEXT, BAR_IMAGE_SECONDARY};
  return from_array(skin_main(skin_row(view.skin)));
}

BrandColours brand_colours(const ViewSnapshot& view, const BrandColours& main, Colour accent) {
  switch (view.left.kind) {
    case LeftStyle::Kind::Same: return main;
    case LeftStyle::Kind::Team: {
      const Colour text = text_colour_for(accent);
      const Colour toward = text.r > 128.0f ? BLACK : WHITE;
      return {accent, mix_colour(accent, toward, 0.16f), text, mix_colour(text, accent, 0.06f)};
    }
    case LeftStyle::Kind::Theme: return from_array(skin_main(skin_row(view.left.theme)));
    case LeftStyle::Kind::Picture: break;
  }
  return {BAR_IMAGE_DARK, BAR_IMAGE_DARK, BAR_IMAGE_TEXT, BAR_IMAGE_SECONDARY};
}

Colour accent_colour(const ViewSnapshot& view) {
  const Skin& skin = skin_row(view.skin);
  const Colour accent = parse_hex_colour(skin.colours[4]);
  if (view.feeds.empty() || !view.team_colours) return accent;
  const FeedSlot& slot = current_feed(view);
  if (!slot.accent_hex) return accent;
  const Colour team = parse_hex_colour(*slot.accent_hex);
  return contrast_ratio(team, parse_hex_colour(skin.colours[0])) >= TEAM_COLOUR_MIN_CONTRAST ? team : accent;
}

TextSize paint_text(PaintContext& ctx, std::string_view text, const Rect& box, std::int32_t size_px, Colour colour,
                    std::int32_t align, std::int32_t lines, std::uint8_t weight) {
  const TextStyle style{size_px, colour, align, lines, weight};
  return ctx.tools.text.draw_text(ctx.surface, text, box, style, true);
}

TextSize measure_line(PaintContext& ctx, std::string_view text, std::int32_t size_px, std::uint8_t weight) {
  const TextStyle style{size_px, ctx.text, 0, 1, weight};
  return ctx.tools.text.draw_text(ctx.surface, text, Rect{0, 0, 4000, 200}, style, false);
}

void draw_icon_glyph(PaintContext& ctx, std::string_view glyph, const Rect& rect, float size, Colour colour) {
  paint_text(ctx, glyph, rect, ctx.s(size), colour, 1, 1, 3);
}

void fill_gradient_rect(PixelView surface, const Rect& rect, float radius, Colour top, Colour bottom) {
  const std::int32_t y0 = std::max(rect.top, 0);
  const std::int32_t y1 = std::min(rect.bottom, surface.height);
  const std::int32_t x0 = std::max(rect.left, 0);
  const std::int32_t x1 = std::min(rect.right, surface.width);
  if (x0 >= x1) return;
  const float h = static_cast<float>(std::max(1, rect.height()));
  for (std::int32_t y = y0; y < y1; ++y) {
    const Colour colour = mix_colour(top, bottom, static_cast<float>(y - rect.top) / h);
    const std::uint32_t packed = pack_rgb(colour);
    if (radius <= 0.0f) {
      // Square corners cover every pixel centre inside fully: no edge to blend.
      std::fill(surface.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(surface.width) + x0,
                surface.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(surface.width) + x1, packed);
      continue;
    }
    std::uint32_t* row = surface.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(surface.width);
    const RowParts run = walk_row_outline(rect, radius, y, x0, x1, [&](std::int32_t x, float c) {
      if (c > 0.0f) blend_pixel(row[x], colour, c);
    });
    std::fill(row + run.inside_from, row + run.inside_to, packed);
  }
}

std::optional<PaintedFrame> paint_bar(const ViewSnapshot& view, const BarLayout& layout, const PaintTools& tools) {
  const Skin& skin = skin_row(view.skin);
  const BrandColours main = main_colours(view);
  const Colour accent = accent_colour(view);
  const BrandColours brand = brand_colours(view, main, accent);
  std::optional<DibSurface> surface = create_dib_surface(layout.width, layout.height);
  if (!surface) return std::nullopt;
  PaintContext ctx{{},   skin,        view,    *surface, dib_pixels(*surface), layout.scale, main.background,
                   main.text, main.secondary, accent, main.deeper, brand,       layout,   tools};
  const Placement placement = view.placement;
  const Rect card = layout.card;
  const float card_radius = placement == Placement::Island ? static_cast<float>(ctx.s(24)) : 0.0f;

  // Background and card; the card's square gradient covers its rectangle whole, so the
  // background goes only where the card is not.
  fill_outside(ctx.pixels, card, pack_rgb(main.background));
  fill_gradient_rect(ctx.pixels, card, 0.0f, main.background, main.deeper);
  if (view.bar_image) draw_dimmed_picture(ctx.pixels, tools.pictures, *view.bar_image, card);

  // The brand side.
  if (view.left.kind == LeftStyle::Kind::Picture) {
    draw_dimmed_picture(ctx.pixels, tools.pictures, view.left.picture, brand_rect(ctx));
  } else if (view.left.kind != LeftStyle::Kind::Same) {
    fill_gradient_rect(ctx.pixels, brand_rect(ctx), 0.0f, brand.background, brand.deeper);
  }

  // The edge line facing the screen, or the island's border.
  const std::int32_t line = ctx.s(2) < 2 ? 1 : ctx.s(2);
  const Colour line_colour = readable_colour(accent, main.background);
  if (placement != Placement::Island) {
    fill_gradient_rect(ctx.pixels, edge_line_rect(ctx, line), 0.0f, line_colour, line_colour);
  } else if (view.left.kind == LeftStyle::Kind::Same && !view.bar_image) {
    fill_rounded_rect(ctx.pixels, card, card_radius, mix_colour(main.background, main.text, 0.2f));
    const std::int32_t border = std::max(1, ctx.s(1));
    const Rect inset{card.left + border, card.top + border, card.right - border, card.bottom - border};
    fill_gradient_rect(ctx.pixels, inset, card_radius - static_cast<float>(border), main.background, main.deeper);
  }

  if (layout.orb.present) draw_bar_orb(ctx, line_colour);

  draw_placement_content(ctx);

  // Icon buttons, then the action button.
  const Colour icon = mix_colour(main.background, main.text, 0.62f);
  draw_icon_glyph(ctx, GLYPH_MORE, layout.more_cell, 15, icon);
  draw_icon_glyph(ctx, chevron_glyph(view), layout.chevron_cell, 13, icon);
  if (layout.previous.present) draw_icon_glyph(ctx, GLYPH_PREVIOUS, layout.previous.rect, 12, icon);
  if (layout.next.present) draw_icon_glyph(ctx, GLYPH_NEXT, layout.next.rect, 12, icon);
  if (layout.action.present) draw_action_button(ctx);

  alpha_pass(ctx, card_radius);
  return PaintedFrame{std::move(*surface), std::move(ctx.video_targets)};
}

void draw_story_dots(PaintContext& ctx, std::int32_t centre_x, std::int32_t top) {
  const ViewSnapshot& view = ctx.view;
  const std::size_t count = story_count(view);
  if (view.default_feeds || count < 2) return;
  const std::int32_t n = static_cast<std::int32_t>(std::min<std::size_t>(count, 8));
  const std::int32_t d = ctx.s(5);
  const std::int32_t gap = ctx.s(6);
  const std::int32_t total = n * d + (n - 1) * gap;
  const std::int32_t current = static_cast<std::int32_t>(current_feed(view).current % static_cast<std::size_t>(n));
  const Colour other = mix_colour(ctx.background, ctx.text, 0.28f);
  std::int32_t x = centre_x - total / 2;
  for (std::int32_t i = 0; i < n; ++i) {
    fill_rounded_rect(ctx.pixels, {x, top, x + d, top + d}, static_cast<float>(d) * 0.5f,
                      i == current ? ctx.text : other);
    x += d + gap;
  }
}

bool draw_orb(PaintContext& ctx, const Rect& rect, float radius, bool video) {
  const ViewSnapshot& view = ctx.view;
  const Colour fill = mix_colour(ctx.background, ctx.text, 0.1f);
  const Fit framing{FitMode::Fill, 100, 50, 33};
  PixelBuffer picture;
  if (const auto path = current_picture_path(view); path && rect.width() > 0 && rect.height() > 0) {
    picture = ctx.tools.pictures.cached_scaled_picture(*path, rect.width(), rect.height(), fill, framing);
  }
  if (picture && picture->empty()) picture.reset();
  const char* mark = nullptr;
  if (const QxItem* story = current_story(view); story && story->media && !video) {
    if (story->media->kind == "audio") mark = GLYPH_AUDIO;
    if (story->media->kind == "video") mark = GLYPH_VIDEO;
  }
  if (!video && !picture && !mark) return false;

  const float r = static_cast<float>(ctx.s(radius));
  fill_rounded_rect(ctx.pixels, rect, r, fill);
  if (picture) draw_pixels_rounded(ctx.pixels, picture->data(), picture->size(), rect, r);
  if (video) ctx.video_targets.push_back({rect, r, Fit{FitMode::BestFit, 100, 50, 33}});
  if (mark) {
    const std::int32_t u = std::max(ctx.s(20), std::min(rect.height() * 46 / 100, ctx.s(56)));
    const std::int32_t cx = (rect.left + rect.right) / 2;
    const std::int32_t cy = (rect.top + rect.bottom) / 2;
    const Rect disc{cx - u / 2, cy - u / 2, cx + u / 2, cy + u / 2};
    const float disc_radius = static_cast<float>(disc.width()) / 2.0f;
    const Colour shade{10, 12, 16};
    for (std::int32_t y = std::max(disc.top, 0); y < std::min(disc.bottom, ctx.pixels.height); ++y) {
      std::uint32_t* row = ctx.pixels.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(ctx.pixels.width);
      auto shade_pixel = [&](std::int32_t x, float c) {
        if (c > 0.0f) blend_pixel(row[x], shade, c * 0.72f);
      };
      const RowParts run =
          walk_row_outline(disc, disc_radius, y, std::max(disc.left, 0), std::min(disc.right, ctx.pixels.width),
                           shade_pixel);
      for (std::int32_t x = run.inside_from; x < run.inside_to; ++x) shade_pixel(x, 1.0f);
    }
    const float size = std::trunc(static_cast<float>(u) * 0.42f / ctx.scale);
    draw_icon_glyph(ctx, mark, disc, size, WHITE);
  }
  return true;
}

bool draw_orb_for_view(PaintContext& ctx, const Rect& rect, float radius) {
  return draw_orb(ctx, rect, radius, is_video_showing(ctx.view));
}

std::optional<std::string_view> next_title_word(std::string_view& rest) {
  std::size_t pos = 0;
  while (pos < rest.size()) {
    const Utf8Step step = utf8_decode(rest, pos);
    if (!is_unicode_whitespace(step.cp)) break;
    pos += step.len;
  }
  if (pos >= rest.size()) {
    rest = {};
    return std::nullopt;
  }
  std::size_t end = pos;
  while (end < rest.size()) {
    const Utf8Step step = utf8_decode(rest, end);
    if (is_unicode_whitespace(step.cp)) break;
    end += step.len;
  }
  const std::string_view word = rest.substr(pos, end - pos);
  rest.remove_prefix(end);
  return word;
}

std::string feed_monogram(const ViewSnapshot& view) {
  std::string_view rest = view.feeds.empty() ? std::string_view() : std::string_view(current_feed(view).title);
  std::vector<std::string_view> words;
  while (words.size() < 2) {
    const auto word = next_title_word(rest);
    if (!word) break;
    if (*word == "of" || *word == "the" || *word == "on") continue;
    words.push_back(*word);
  }
  if (words.empty()) return "S";
  if (words.size() == 1) return upper_case_simple(utf8_prefix_chars(words[0], 3));
  std::string mark(utf8_prefix_chars(words[0], 1));
  mark += utf8_prefix_chars(words[1], 1);
  return upper_case_simple(mark);
}

std::string upper_case_simple(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const Utf8Step step = utf8_decode(text, pos);
    append_utf8(out, simple_upper_case(step.cp));
    pos += step.len;
  }
  return out;
}

}  // namespace qx
