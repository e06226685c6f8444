#include "render/bar_layout.h"

#include <algorithm>
#include <cmath>

#include "app/feed_slots.h"
#include "app/state_media.h"
#include "render/saturate.h"

namespace qx {

namespace {

using I64 = std::int64_t;

// Sums of saturated terms are formed in 64 bits and clamped once, so a huge scale or window
// size gives a clamped rectangle instead of overflowing.
Rect rect_of(I64 left, I64 top, I64 right, I64 bottom) {
  return Rect{clamp_i32(left), clamp_i32(top), clamp_i32(right), clamp_i32(bottom)};
}

HitRect hit(const Rect& r) { return HitRect{true, r}; }

struct Scaler {
  float scale;
  I64 operator()(float n) const { return scale_design(n, scale); }
};

// The orb's size in surface pixels: the zoom is applied at 96 DPI first, then the result is scaled.
I64 orb_width(const ViewSnapshot& view, float scale) {
  const float zoom = view.orb_size == OrbSize::Tiny ? 1.0f : view.shown_zoom;
  const float h = static_cast<float>(orb_size_height(view.orb_size));
  const std::int32_t zoomed = round_saturate(h * zoom);
  return scale_design(static_cast<float>(zoomed), scale);
}

void layout_bars(const ViewSnapshot& view, I64 width, bool pages, bool video, BarLayout& out) {
  const Scaler S{out.scale};
  const bool tiny = view.orb_size == OrbSize::Tiny;
  const bool bottom = view.placement == Placement::SignalBarBottom;
  const I64 panel = !view.expanded ? S(52) : video ? S(320) : S(176);
  const I64 half = orb_width(view, out.scale) / 2;
  const I64 tuck = std::min(half, panel - S(2));
  const I64 overhang = tiny ? 0 : 2 * half - tuck;
  const I64 cx = width * 12 / 100;

  out.card = bottom ? rect_of(0, overhang, width, overhang + panel) : rect_of(0, 0, width, panel);
  if (tiny) {
    const I64 t = S(52) / 2;
    out.orb = hit(rect_of(cx - S(34), t - S(14), cx + S(34), t + S(14)));
  } else {
    const I64 cy = bottom ? half : half + panel - tuck;
    out.orb = hit(rect_of(cx - half, cy - half, cx + half, cy + half));
  }

  const std::int32_t w32 = clamp_i32(width);
  out.more_cell = bar_button_cell(w32, out.card, 0, out.scale);
  out.chevron_cell = bar_button_cell(w32, out.card, 1, out.scale);
  if (pages) {
    out.next = hit(bar_button_cell(w32, out.card, 2, out.scale));
    out.previous = hit(bar_button_cell(w32, out.card, 3, out.scale));
  }
  if (view.expanded) {
    const I64 y0 = bottom ? S(116) + overhang : S(116);
    out.action = hit(rect_of(width - S(148), y0, width - S(18), y0 + S(40)));
  }
  out.width = w32;
  out.height = clamp_i32(panel + overhang);
}

void layout_dock(const ViewSnapshot& view, I64 height, bool pages, BarLayout& out) {
  const Scaler S{out.scale};
  const I64 dock = view.expanded ? S(360) : S(252);
  out.card = rect_of(0, 0, dock, height);
  if (view.orb_size == OrbSize::Tiny) {
    out.orb = hit(rect_of(S(18), S(22), S(86), S(22) + S(28)));
  } else {
    const I64 side = std::min({orb_width(view, out.scale), dock - S(48), height / 6});
    out.orb = hit(rect_of(S(18), S(22), S(18) + side, S(22) + side));
  }

  const std::int32_t d32 = clamp_i32(dock);
  const std::int32_t h32 = clamp_i32(height);
  out.more_cell = dock_button_cell(d32, h32, 0, out.scale);
  out.chevron_cell = dock_button_cell(d32, h32, 1, out.scale);
  if (pages) {
    out.next = hit(dock_button_cell(d32, h32, 2, out.scale));
    out.previous = hit(dock_button_cell(d32, h32, 3, out.scale));
  }
  out.action = hit(rect_of(S(18), height - S(104), dock - S(18), height - S(62)));
  out.width = d32;
  out.height = h32;
}

void layout_island(const ViewSnapshot& view, I64 width, bool pages, bool video, BarLayout& out) {
  const Scaler S{out.scale};
  const I64 margin = S(22);
  const I64 wanted = !view.expanded ? S(440) : video ? S(560) : S(460);
  const I64 card_w = std::min(wanted, width - 2 * margin);
  // The height follows the content only; the given window height never limits it.
  const I64 card_h = !view.expanded                  ? S(48)
                     : video                         ? S(460)
                     : current_picture_path(view)    ? S(352)
                                                     : S(176);
  out.card = rect_of(margin, margin, margin + card_w, margin + card_h);
  out.more_cell = island_button_cell(out.card, 0, out.scale);
  out.chevron_cell = island_button_cell(out.card, 1, out.scale);
  if (pages && view.expanded) {
    out.previous = hit(island_lower_button_cell(out.card, 1, out.scale));
    out.next = hit(island_lower_button_cell(out.card, 0, out.scale));
  }
  if (view.expanded) {
    const I64 r = out.card.right;
    const I64 b = out.card.bottom;
    out.action = hit(rect_of(r - S(150), b - S(54), r - S(16), b - S(14)));
  }
  out.width = clamp_i32(card_w + 2 * margin);
  out.height = clamp_i32(card_h + 2 * margin);
}

}  // namespace

std::int32_t round_saturate(float value) { return saturate_i32(round_half_away(value)); }

std::int32_t scale_design(float n, float scale) { return round_saturate(n * scale); }

Rect button_cell_rect(std::int32_t right, std::int32_t index, std::int32_t top, std::int32_t cell_height,
                      float scale) {
  const I64 c = scale_design(40, scale);
  const I64 r = right;
  return rect_of(r - (I64{index} + 1) * c, top, r - I64{index} * c, I64{top} + cell_height);
}

Rect bar_button_cell(std::int32_t width, const Rect& card, std::int32_t index, float scale) {
  return button_cell_rect(clamp_i32(I64{width} - scale_design(6, scale)), index, card.top, scale_design(52, scale),
                          scale);
}

Rect dock_button_cell(std::int32_t dock_width, std::int32_t height, std::int32_t index, float scale) {
  return button_cell_rect(clamp_i32(I64{dock_width} - scale_design(12, scale)), index,
                          clamp_i32(I64{height} - scale_design(54, scale)), scale_design(44, scale), scale);
}

Rect island_button_cell(const Rect& card, std::int32_t index, float scale) {
  return button_cell_rect(clamp_i32(I64{card.right} - scale_design(8, scale)), index, card.top,
                          scale_design(48, scale), scale);
}

Rect island_lower_button_cell(const Rect& card, std::int32_t index, float scale) {
  return button_cell_rect(clamp_i32(I64{card.right} - scale_design(160, scale)), index,
                          clamp_i32(I64{card.bottom} - scale_design(54, scale)), scale_design(40, scale), scale);
}

BarLayout layout_bar(const ViewSnapshot& view, std::int32_t width, std::int32_t height, float scale) {
  BarLayout out;
  out.scale = scale;
  const bool pages = story_count(view) >= 2 && !view.default_feeds;
  const bool video = is_video_running(view);
  switch (view.placement) {
    case Placement::SignalBarBottom:
    case Placement::SignalBarTop:
      layout_bars(view, width, pages, video, out);
      break;
    case Placement::BarLeft:
    case Placement::BarRight:
      layout_dock(view, height, pages, out);
      break;
    case Placement::Island:
      layout_island(view, width, pages, video, out);
      break;
  }
  return out;
}

std::vector<VideoTargetSize> video_target_sizes(const std::vector<VideoTarget>& targets) {
  std::vector<VideoTargetSize> sizes;
  sizes.reserve(targets.size());
  for (const VideoTarget& t : targets) {
    sizes.push_back({clamp_i32(I64{t.rect.right} - t.rect.left), clamp_i32(I64{t.rect.bottom} - t.rect.top), t.fit});
  }
  return sizes;
}

}  // namespace qx
