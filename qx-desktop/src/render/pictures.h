// Pictures framed into boxes by the Fit rules, the process-wide cache of scaled pictures,
// darkened background pictures, and the placing of a decoded picture or video frame into a
// buffer for the media player.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "render/dib_surface.h"
#include "render/pixels.h"

namespace qx {

inline constexpr float BEST_FIT_MIN_RATIO = 0.42f;
inline constexpr float BEST_FIT_MAX_RATIO = 2.4f;
inline constexpr std::uint32_t CORNER_ALPHA_LIMIT = 24;
inline constexpr float SHOW_ALL_SQUARE_ZOOM = 0.76f;
inline constexpr std::size_t MAX_SCALED_PICTURES = 12;
inline constexpr float DIM_WEIGHT = 0.6f;
inline constexpr Colour DIM_PADDING_COLOUR{30, 30, 30};

// Where a picture lands in a box: the source as fractions of the picture, the destination in box
// pixels (right and bottom exclusive).
struct FittedPicture {
  float src_x0 = 0, src_y0 = 0, src_x1 = 1, src_y1 = 1;
  std::int32_t dst_x0 = 0, dst_y0 = 0, dst_x1 = 0, dst_y1 = 0;
};
FittedPicture fit_picture(float picture_width, float picture_height, float box_width, float box_height,
                          const Fit& fit);

// Box width × box height packed pixels 0x00RRGGBB, shared by the cache and its callers.
using PixelBuffer = std::shared_ptr<const std::vector<std::uint32_t>>;

// Scaled pictures by path, box, padding and fit; none when the picture cannot be had.
class PictureSource {
 public:
  virtual ~PictureSource() = default;
  virtual PixelBuffer cached_scaled_picture(const std::string& path, std::int32_t width, std::int32_t height,
                                            Colour padding, const Fit& fit) = 0;
};

// The process-wide cache of at most 12 scaled pictures, decoded and scaled by GDI+ (Windows only).
PictureSource& platform_pictures();

// A darkened picture filling the rectangle; a plain (30, 30, 30) fill when there is none.
void draw_dimmed_picture(PixelView surface, PictureSource& pictures, const std::string& path, const Rect& rect);

// A new width × height buffer of the background colour with the picture placed by the fit
// (bilinear sampling). The picture has at least one pixel.
std::vector<std::uint32_t> fill_and_place_picture(PictureView picture, std::int32_t width, std::int32_t height,
                                                  const Fit& fit, Colour background);

}  // namespace qx
