// Colours, packed pixels and anti-aliased rounded shapes over a plain 32-bit pixel view.
// Pure computations over memory the caller owns; the painter, the picture code and the video
// blit all draw through these.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qx {

// Red, green, blue in 0..255 (not clamped by these functions).
struct Colour {
  float r = 0;
  float g = 0;
  float b = 0;
  friend bool operator==(const Colour&, const Colour&) = default;
};

inline constexpr Colour WHITE{255, 255, 255};
inline constexpr Colour BLACK{0, 0, 0};
inline constexpr Colour DARK_TEXT{16, 16, 16};
inline constexpr Colour FALLBACK_COLOUR{0, 98, 204};

// Left, top, right, bottom in surface pixels; right and bottom exclusive.
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  std::int32_t width() const { return right - left; }
  std::int32_t height() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Width × height packed pixels 0x00RRGGBB (alpha in the top byte), rows top-down, no padding.
struct PixelView {
  std::uint32_t* pixels = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// A read-only picture of at least one pixel.
struct PictureView {
  const std::uint32_t* pixels = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// "#rrggbb" (any number of leading "#", hex digits in either case); anything else gives
// FALLBACK_COLOUR.
Colour parse_hex_colour(std::string_view text);
// The four colours of a skin row: background, deeper background, text, secondary text.
std::array<Colour, 4> parse_colour_pairs(const std::array<std::string_view, 4>& texts);

Colour mix_colour(Colour a, Colour b, float t);  // a × (1 − t) + b × t
std::uint32_t pack_rgb(Colour colour);           // rounded half away from zero, alpha 0
std::uint32_t blend_channel(std::uint32_t pixel, float t, int shift, float target);
void blend_pixel(std::uint32_t& pixel, Colour colour, float t);  // clears the alpha byte

float relative_luminance(Colour colour);
float contrast_ratio(Colour a, Colour b);
Colour readable_colour(Colour colour, Colour background);
Colour text_colour_for(Colour background);

// Signed distance to a rounded rectangle, negative inside.
float rounded_rect_distance(const Rect& rect, float radius, float x, float y);
// Coverage at a point (callers pass pixel centres), 0..1.
float rounded_rect_coverage(const Rect& rect, float radius, float x, float y);

// Columns [x0, x1) of a row that lie surely inside; empty when x0 >= x1.
struct RowSpan {
  std::int32_t x0 = 0;
  std::int32_t x1 = 0;
  bool contains(std::int32_t x) const { return x >= x0 && x < x1; }
};
RowSpan rounded_row_span(const Rect& rect, float radius, std::int32_t row);

void fill_rounded_rect(PixelView surface, const Rect& rect, float radius, Colour colour);
// Copies a row-major block (row length rect.width() > 0) into the rectangle, blending the
// rounded outline's edge pixels; positions outside the surface are skipped.
void draw_pixels_rounded(PixelView surface, const std::uint32_t* pixels, std::size_t count, const Rect& rect,
                         float radius);

// The picture's pixel at (x + floor(fx), y + floor(fy)), clamped to the picture.
std::uint32_t clamped_pixel(PictureView picture, std::int32_t x, std::int32_t y, float fx, float fy);

}  // namespace qx
