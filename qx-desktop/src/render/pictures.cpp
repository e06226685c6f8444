#include "render/pictures.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "render/coverage_walk.h"
#include "render/picture_cache.h"
#include "render/saturate.h"

namespace qx {

AxisFit fit_axis(float scale, float picture_extent, float box_extent, float focus) {
  const float e = scale * picture_extent;
  AxisFit axis;
  if (box_extent + 0.5f >= e) {
    // The picture fits on this axis: centred, padding on both sides.
    const float start = round_half_away((box_extent - e) / 2.0f);
    axis.dst0 = saturate_i32(start);
    axis.dst1 = saturate_i32(round_half_away(start + e));
    return axis;
  }
  const float visible = box_extent / e;
  axis.src0 = focus * (1.0f - visible) / 100.0f;
  axis.src1 = axis.src0 + visible;
  axis.dst0 = 0;
  axis.dst1 = saturate_i32(box_extent);
  return axis;
}

bool best_fit_fills(float picture_width, float picture_height, float box_width, float box_height) {
  const float ratio = (picture_width / picture_height) / (box_width / box_height);
  return ratio >= BEST_FIT_MIN_RATIO && ratio <= BEST_FIT_MAX_RATIO;
}

FittedPicture fit_picture(float picture_width, float picture_height, float box_width, float box_height,
                          const Fit& fit) {
  const float sx = box_width / picture_width;
  const float sy = box_height / picture_height;
  bool fills = false;
  switch (fit.mode) {
    case FitMode::BestFit: fills = best_fit_fills(picture_width, picture_height, box_width, box_height); break;
    case FitMode::Fill: fills = true; break;
    default: fills = false; break;
  }
  const float base = fills ? std::max(sx, sy) : std::min(sx, sy);
  const float scale = static_cast<float>(fit.zoom) * base / 100.0f;
  const AxisFit x = fit_axis(scale, picture_width, box_width, static_cast<float>(fit.x));
  const AxisFit y = fit_axis(scale, picture_height, box_height, static_cast<float>(fit.y));
  return {x.src0, y.src0, x.src1, y.src1, x.dst0, y.dst0, x.dst1, y.dst1};
}

bool is_cut_out(std::uint32_t picture_width, std::uint32_t picture_height,
                const std::array<std::optional<std::uint32_t>, 4>& corners) {
  if (picture_width < 2 || picture_height < 2) return false;
  const auto transparent = std::count_if(corners.begin(), corners.end(), [](const auto& argb) {
    return argb && (*argb >> 24) < CORNER_ALPHA_LIMIT;
  });
  return transparent >= 2;
}

ScalePlan plan_scaled_picture(std::uint32_t picture_width, std::uint32_t picture_height, std::int32_t width,
                              std::int32_t height, const Fit& fit, bool cut_out) {
  const auto pw = static_cast<float>(picture_width);
  const auto ph = static_cast<float>(picture_height);
  const auto bw = static_cast<float>(width);
  const auto bh = static_cast<float>(height);
  bool fills = false;
  switch (fit.mode) {
    case FitMode::Fill: fills = true; break;
    case FitMode::BestFit: fills = best_fit_fills(pw, ph, bw, bh) && !cut_out; break;
    default: fills = false; break;
  }
  Fit used = fit;
  used.mode = fills ? FitMode::Fill : FitMode::ShowAll;
  if (!fills && width == height) {
    // In single precision on purpose: 100 × 0.76f is 76 there, 75.99… in double.
    const float zoom = static_cast<float>(fit.zoom) * SHOW_ALL_SQUARE_ZOOM;
    used.zoom = static_cast<std::uint16_t>(std::trunc(std::clamp(zoom, 0.0f, 65535.0f)));
  }
  const FittedPicture f = fit_picture(pw, ph, bw, bh, used);
  return {f.src_x0 * pw,       f.src_y0 * ph,       (f.src_x1 - f.src_x0) * pw, (f.src_y1 - f.src_y0) * ph,
          f.dst_x0,            f.dst_y0,            f.dst_x1 - f.dst_x0,        f.dst_y1 - f.dst_y0};
}

ScaledPictureCache::ScaledPictureCache(ScalePictureFile scale, ReadFileTime file_time)
    : scale_(std::move(scale)), file_time_(std::move(file_time)) {}

PixelBuffer ScaledPictureCache::cached_scaled_picture(const std::string& path, std::int32_t width,
                                                      std::int32_t height, Colour padding, const Fit& fit) {
  // The file time is part of the key, so a picture rewritten in place is decoded again.
  Entry key{path, width, height, pack_rgb(padding), fit, file_time_(path), nullptr};
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Entry& e : entries_) {
    if (e.path == key.path && e.width == key.width && e.height == key.height && e.padding == key.padding &&
        e.fit == key.fit && e.modified == key.modified) {
      return e.result;
    }
  }
  // Loading and scaling happen under the lock: two frames asking for the same picture decode it once.
  if (width >= 1 && height >= 1) {
    try {
      key.result = scale_(path, width, height, padding, fit);
    } catch (...) {
      key.result = nullptr;  // out of memory: recorded like any other failure
    }
    if (key.result && key.result->size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
      key.result = nullptr;  // never hand out a buffer that callers would read past
    }
  }
  if (entries_.size() >= MAX_SCALED_PICTURES) entries_.erase(entries_.begin());
  entries_.push_back(std::move(key));
  return entries_.back().result;
}

void draw_dimmed_picture(PixelView surface, PictureSource& pictures, const std::string& path, const Rect& rect) {
  const Fit fill{FitMode::Fill, 100, 50, 50};
  const PixelBuffer buffer = pictures.cached_scaled_picture(path, rect.width(), rect.height(), DIM_PADDING_COLOUR, fill);
  if (!buffer) {
    fill_rounded_rect(surface, rect, 0.0f, DIM_PADDING_COLOUR);
    return;
  }
  draw_pixels_rounded(surface, buffer->data(), buffer->size(), rect, 0.0f);
  walk_rounded_rect(surface, rect, 0.0f, [](std::uint32_t& pixel, float coverage) {
    blend_pixel(pixel, BLACK, DIM_WEIGHT * coverage);
  });
}

std::vector<std::uint32_t> fill_and_place_picture(PictureView picture, std::int32_t width, std::int32_t height,
                                                  const Fit& fit, Colour background) {
  if (width < 1 || height < 1) return {};
  std::vector<std::uint32_t> out(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                                 pack_rgb(background));
  // Sampling needs a pixel to clamp to; an empty picture leaves the background alone.
  if (picture.pixels == nullptr || picture.width < 1 || picture.height < 1) return out;
  const auto pw = static_cast<float>(picture.width);
  const auto ph = static_cast<float>(picture.height);
  const FittedPicture f = fit_picture(pw, ph, static_cast<float>(width), static_cast<float>(height), fit);
  const float span_x = f.src_x1 - f.src_x0;
  const float span_y = f.src_y1 - f.src_y0;
  const auto dst_w = static_cast<float>(std::max<std::int64_t>(1, std::int64_t{f.dst_x1} - f.dst_x0));
  const auto dst_h = static_cast<float>(std::max<std::int64_t>(1, std::int64_t{f.dst_y1} - f.dst_y0));
  const std::int32_t x_end = std::min(f.dst_x1, width);
  const std::int32_t y_end = std::min(f.dst_y1, height);
  for (std::int32_t y = std::max(f.dst_y0, 0); y < y_end; ++y) {
    const float sv = ((static_cast<float>(std::int64_t{y} - f.dst_y0) + 0.5f) * span_y / dst_h + f.src_y0) * ph - 0.5f;
    const float b = sv - std::floor(sv);
    std::uint32_t* line = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (std::int32_t x = std::max(f.dst_x0, 0); x < x_end; ++x) {
      const float u = ((static_cast<float>(std::int64_t{x} - f.dst_x0) + 0.5f) * span_x / dst_w + f.src_x0) * pw - 0.5f;
      const float a = u - std::floor(u);
      const std::uint32_t p00 = clamped_pixel(picture, 0, 0, u, sv);
      const std::uint32_t p10 = clamped_pixel(picture, 1, 0, u, sv);
      const std::uint32_t p01 = clamped_pixel(picture, 0, 1, u, sv);
      const std::uint32_t p11 = clamped_pixel(picture, 1, 1, u, sv);
      std::uint32_t pixel = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const auto c = [shift](std::uint32_t p) { return static_cast<float>((p >> shift) & 0xFF); };
        const float top = c(p00) * (1.0f - a) + c(p10) * a;
        const float bottom = c(p01) * (1.0f - a) + c(p11) * a;
        const float value = top * (1.0f - b) + bottom * b;
        pixel |= static_cast<std::uint32_t>(std::clamp(round_half_away(value), 0.0f, 255.0f)) << shift;
      }
      line[x] = pixel;
    }
  }
  return out;
}

}  // namespace qx
