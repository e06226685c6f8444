#include "win_ui/video_blit.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qx {

namespace {

constexpr std::uint32_t OPAQUE = 0xFF000000u;

Colour colour_of(std::uint32_t pixel) {
  return Colour{static_cast<float>((pixel >> 16) & 0xFF), static_cast<float>((pixel >> 8) & 0xFF),
                static_cast<float>(pixel & 0xFF)};
}

// How each pixel of a target takes the video: 2 inside the row's sure span (replaced whatever was
// painted), else the shape's coverage at the pixel centre. The shape is the same for every frame
// of a clip, so it is kept for the last few targets rather than recomputed per pixel and frame.
constexpr float IN_SPAN = 2.0f;

struct TargetShape {
  Rect rect;
  std::uint32_t radius_bits = 0;
  std::vector<float> weight;  // width × height, rows top-down
};

const TargetShape& shape_of(const VideoTarget& target) {
  constexpr std::size_t KEPT = 4;
  thread_local std::vector<TargetShape> kept;
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(target.radius);
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (kept[i].rect == target.rect && kept[i].radius_bits == bits) {
      std::rotate(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(i), kept.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      return kept.front();
    }
  }
  const Rect& rc = target.rect;
  TargetShape shape{rc, bits, std::vector<float>(static_cast<std::size_t>(rc.width()) * static_cast<std::size_t>(rc.height()))};
  float* w = shape.weight.data();
  for (std::int32_t y = rc.top; y < rc.bottom; ++y) {
    const RowSpan span = rounded_row_span(rc, target.radius, y);
    for (std::int32_t x = rc.left; x < rc.right; ++x) {
      *w++ = span.contains(x) ? IN_SPAN
                              : rounded_rect_coverage(rc, target.radius, static_cast<float>(x) + 0.5f,
                                                      static_cast<float>(y) + 0.5f);
    }
  }
  if (kept.size() == KEPT) kept.pop_back();
  kept.insert(kept.begin(), std::move(shape));
  return kept.front();
}

void blit_one(PixelView surface, const VideoTarget& target, PictureView frame) {
  const Rect& rc = target.rect;
  const TargetShape& shape = shape_of(target);
  // Columns of the frame that land on the surface.
  const std::int32_t c0 = static_cast<std::int32_t>(std::max<std::int64_t>(0, -static_cast<std::int64_t>(rc.left)));
  const std::int32_t c1 = static_cast<std::int32_t>(
      std::min<std::int64_t>(frame.width, static_cast<std::int64_t>(surface.width) - rc.left));
  for (std::int32_t r = 0; r < frame.height; ++r) {
    const std::int64_t y = static_cast<std::int64_t>(rc.top) + r;
    if (y < 0 || y >= surface.height) continue;
    const std::size_t row_start = static_cast<std::size_t>(r) * static_cast<std::size_t>(frame.width);
    const std::uint32_t* src_row = frame.pixels + row_start;
    const float* weight_row = shape.weight.data() + row_start;
    std::uint32_t* dst_row = surface.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(surface.width);
    for (std::int32_t c = c0; c < c1; ++c) {
      const float weight = weight_row[c];
      std::uint32_t& dst = dst_row[rc.left + c];
      if (weight == IN_SPAN) {
        dst = src_row[c] | OPAQUE;
        continue;
      }
      // Painted transparent or soft edge, or outside the shape: the video stays inside.
      if (!(weight > 0.0f) || (dst & OPAQUE) != OPAQUE) continue;
      if (weight >= 1.0f) {
        dst = src_row[c] | OPAQUE;  // the blend at full coverage is the video pixel itself
        continue;
      }
      blend_pixel(dst, colour_of(src_row[c]), weight);
      dst |= OPAQUE;
    }
  }
}

}  // namespace

void blit_video_frame(PixelView surface, std::span<const VideoTarget> targets, std::span<const PictureView> frames) {
  if (surface.pixels == nullptr || surface.width < 1 || surface.height < 1) return;
  const std::size_t pairs = std::min(targets.size(), frames.size());
  for (std::size_t i = 0; i < pairs; ++i) {
    const VideoTarget& target = targets[i];
    const PictureView& frame = frames[i];
    if (frame.pixels == nullptr || frame.width < 1 || frame.height < 1) continue;
    const std::int64_t target_w = static_cast<std::int64_t>(target.rect.right) - target.rect.left;
    const std::int64_t target_h = static_cast<std::int64_t>(target.rect.bottom) - target.rect.top;
    if (frame.width != target_w || frame.height != target_h) continue;
    blit_one(surface, target, frame);
  }
}

std::optional<Rect> video_dirty_rect(std::span<const VideoTarget> targets, std::int32_t surface_width,
                                     std::int32_t surface_height) {
  Rect d{surface_width, surface_height, 0, 0};
  for (const VideoTarget& t : targets) {
    d.left = std::min(d.left, std::max(t.rect.left, 0));
    d.top = std::min(d.top, std::max(t.rect.top, 0));
    d.right = std::max(d.right, std::min(t.rect.right, surface_width));
    d.bottom = std::max(d.bottom, std::min(t.rect.bottom, surface_height));
  }
  if (d.left >= d.right || d.top >= d.bottom) return std::nullopt;
  return d;
}

void restore_clean_pixels(PixelView surface, const std::vector<std::uint32_t>& clean, const Rect& area) {
  if (surface.pixels == nullptr || surface.width < 1 || surface.height < 1) return;
  const std::size_t w = static_cast<std::size_t>(surface.width);
  if (clean.size() != w * static_cast<std::size_t>(surface.height)) return;
  const std::int32_t l = std::max(area.left, 0);
  const std::int32_t r = std::min(area.right, surface.width);
  const std::int32_t t = std::max(area.top, 0);
  const std::int32_t b = std::min(area.bottom, surface.height);
  if (l >= r) return;
  for (std::int32_t y = t; y < b; ++y) {
    const std::size_t at = static_cast<std::size_t>(y) * w + static_cast<std::size_t>(l);
    std::memcpy(surface.pixels + at, clean.data() + at, static_cast<std::size_t>(r - l) * sizeof(std::uint32_t));
  }
}

}  // namespace qx
