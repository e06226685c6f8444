#include "render/pixels.h"

#include <algorithm>
#include <cmath>

#include "render/coverage_walk.h"
#include "render/saturate.h"

namespace qx {
namespace {

// A channel value as a byte: rounded half away from zero, negative (or NaN) giving 0. Values
// above 255 are held at 255 so that they can never spill into the next channel or the alpha byte.
std::uint32_t channel_byte(float value) {
  if (!(value > 0.0f)) return 0;
  const float rounded = round_half_away(value);
  return rounded >= 255.0f ? 255u : static_cast<std::uint32_t>(rounded);
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

float linear_channel(float value) {
  const float s = value / 255.0f;
  return s <= 0.04045f ? s / 12.92f : std::pow((s + 0.055f) / 1.055f, 2.4f);
}

Colour colour_of(std::uint32_t pixel) {
  return {static_cast<float>((pixel >> 16) & 0xFF), static_cast<float>((pixel >> 8) & 0xFF),
          static_cast<float>(pixel & 0xFF)};
}

// floor() of a float as an int64, NaN giving 0; far out-of-range values stay far out of range.
std::int64_t floor_to_i64(float value) {
  if (std::isnan(value)) return 0;
  const float f = std::floor(value);
  if (f >= 9.0e18f) return INT64_MAX / 2;
  if (f <= -9.0e18f) return INT64_MIN / 2;
  return static_cast<std::int64_t>(f);
}

std::int32_t ceil_radius(float radius) { return radius > 0.0f ? saturate_i32(std::ceil(radius)) : 0; }

float centre(std::int32_t v) { return static_cast<float>(v) + 0.5f; }

}  // namespace

Colour parse_hex_colour(std::string_view text) {
  while (!text.empty() && text.front() == '#') text.remove_prefix(1);
  if (text.size() != 6) return FALLBACK_COLOUR;
  float channels[3];
  for (int i = 0; i < 3; ++i) {
    const int hi = hex_digit(text[2 * i]);
    const int lo = hex_digit(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return FALLBACK_COLOUR;
    channels[i] = static_cast<float>(hi * 16 + lo);
  }
  return {channels[0], channels[1], channels[2]};
}

std::array<Colour, 4> parse_colour_pairs(const std::array<std::string_view, 4>& texts) {
  return {parse_hex_colour(texts[0]), parse_hex_colour(texts[1]), parse_hex_colour(texts[2]),
          parse_hex_colour(texts[3])};
}

Colour mix_colour(Colour a, Colour b, float t) {
  const float u = 1.0f - t;
  return {a.r * u + b.r * t, a.g * u + b.g * t, a.b * u + b.b * t};
}

std::uint32_t pack_rgb(Colour colour) {
  return channel_byte(colour.r) << 16 | channel_byte(colour.g) << 8 | channel_byte(colour.b);
}

std::uint32_t blend_channel(std::uint32_t pixel, float t, int shift, float target) {
  const float c = static_cast<float>((pixel >> shift) & 0xFF);
  return channel_byte((1.0f - t) * c + t * target) << shift;
}

void blend_pixel(std::uint32_t& pixel, Colour colour, float t) {
  pixel = blend_channel(pixel, t, 16, colour.r) | blend_channel(pixel, t, 8, colour.g) |
          blend_channel(pixel, t, 0, colour.b);
}

float relative_luminance(Colour colour) {
  return 0.2126f * linear_channel(colour.r) + 0.7152f * linear_channel(colour.g) +
         0.0722f * linear_channel(colour.b);
}

float contrast_ratio(Colour a, Colour b) {
  const float la = relative_luminance(a);
  const float lb = relative_luminance(b);
  return (std::max(la, lb) + 0.05f) / (std::min(la, lb) + 0.05f);
}

Colour readable_colour(Colour colour, Colour background) {
  const Colour target = contrast_ratio(background, WHITE) > 4.5f ? WHITE : BLACK;
  for (int k = 0; k <= 10; ++k) {
    const Colour m = mix_colour(colour, target, 0.08f * static_cast<float>(k));
    if (contrast_ratio(m, background) >= 2.0f) return m;
  }
  return target;
}

Colour text_colour_for(Colour background) {
  return contrast_ratio(background, WHITE) >= 4.5f ? WHITE : DARK_TEXT;
}

float rounded_rect_distance(const Rect& rect, float radius, float x, float y) {
  const float hw = static_cast<float>(std::int64_t{rect.right} - rect.left) / 2.0f;
  const float hh = static_cast<float>(std::int64_t{rect.bottom} - rect.top) / 2.0f;
  const float r = std::min({radius, hw, hh});
  const float cx = (static_cast<float>(rect.left) + static_cast<float>(rect.right)) / 2.0f;
  const float cy = (static_cast<float>(rect.top) + static_cast<float>(rect.bottom)) / 2.0f;
  const float qx = std::fabs(x - cx) - hw + r;
  const float qy = std::fabs(y - cy) - hh + r;
  return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - r;
}

float rounded_rect_coverage(const Rect& rect, float radius, float x, float y) {
  return std::clamp(0.5f - rounded_rect_distance(rect, radius, x, y), 0.0f, 1.0f);
}

RowSpan rounded_row_span(const Rect& rect, float radius, std::int32_t row) {
  // 64-bit sums: rectangles near the ends of the int32 range must not wrap.
  const std::int64_t c = ceil_radius(radius);
  const std::int64_t y = row;
  std::int64_t inset = 0;
  if (y >= std::int64_t{rect.top} + c + 1 && y < std::int64_t{rect.bottom} - c - 1) {
    inset = 1;
  } else if (y > rect.top && y < std::int64_t{rect.bottom} - 1) {
    inset = c + 1;  // keeps clear of the corners
  } else {
    return {};
  }
  const std::int64_t x0 = std::int64_t{rect.left} + inset;
  const std::int64_t x1 = std::int64_t{rect.right} - inset;
  if (x0 >= x1) return {};
  return {static_cast<std::int32_t>(x0), static_cast<std::int32_t>(x1)};
}

void fill_rounded_rect(PixelView surface, const Rect& rect, float radius, Colour colour) {
  const std::uint32_t packed = pack_rgb(colour);
  walk_rounded_rect(surface, rect, radius, [&](std::uint32_t& pixel, float coverage) {
    if (coverage >= 1.0f) {
      pixel = packed;
    } else {
      blend_pixel(pixel, colour, coverage);
    }
  });
}

void draw_pixels_rounded(PixelView surface, const std::uint32_t* pixels, std::size_t count, const Rect& rect,
                         float radius) {
  const std::int64_t w = rect.width();
  if (w <= 0 || pixels == nullptr) return;
  const std::int64_t rows = (static_cast<std::int64_t>(count) + w - 1) / w;
  for (std::int64_t r = 0; r < rows; ++r) {
    const std::int64_t y = std::int64_t{rect.top} + r;
    if (y < 0 || y >= surface.height) continue;
    const std::int64_t row_count = std::min<std::int64_t>(w, static_cast<std::int64_t>(count) - r * w);
    const RowSpan span = rounded_row_span(rect, radius, static_cast<std::int32_t>(y));
    const std::uint32_t* src = pixels + r * w;
    std::uint32_t* line = surface.pixels + y * surface.width;
    const std::int64_t c0 = std::max<std::int64_t>(0, -std::int64_t{rect.left});
    const std::int64_t c1 = std::min<std::int64_t>(row_count, std::int64_t{surface.width} - rect.left);
    for (std::int64_t c = c0; c < c1; ++c) {
      const auto x = static_cast<std::int32_t>(std::int64_t{rect.left} + c);
      if (span.contains(x)) {
        // Full coverage: the blend gives the source colour with the alpha byte cleared.
        line[x] = src[c] & 0x00FFFFFFu;
      } else {
        const float coverage =
            rounded_rect_coverage(rect, radius, centre(x), static_cast<float>(y) + 0.5f);
        blend_pixel(line[x], colour_of(src[c]), coverage);
      }
    }
  }
}

std::uint32_t clamped_pixel(PictureView picture, std::int32_t x, std::int32_t y, float fx, float fy) {
  const std::int64_t column = std::clamp<std::int64_t>(x + floor_to_i64(fx), 0, picture.width - 1);
  const std::int64_t row = std::clamp<std::int64_t>(y + floor_to_i64(fy), 0, picture.height - 1);
  return picture.pixels[row * picture.width + column];
}

}  // namespace qx
