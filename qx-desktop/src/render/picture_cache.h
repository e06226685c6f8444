// The framing maths behind fit_picture, the plan for scaling one picture into a box, and the
// first-in-first-out cache of scaled pictures with its loading and file-time reading passed in,
// so that everything but the decoding itself is tested without Win32.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "render/pictures.h"

namespace qx {

// One axis of a fitted picture: the source as fractions, the destination in box pixels.
struct AxisFit {
  float src0 = 0, src1 = 1;
  std::int32_t dst0 = 0, dst1 = 0;
};
AxisFit fit_axis(float scale, float picture_extent, float box_extent, float focus);

// Best fit's aspect test: true when the picture fills the box, false when it is shown whole.
bool best_fit_fills(float picture_width, float picture_height, float box_width, float box_height);

// At least 2 of the 4 corner pixels known and with alpha below CORNER_ALPHA_LIMIT, in a picture
// of at least 2 × 2: a cut-out logo that best fit shows whole. Corners are ARGB; none when
// they could not be read.
bool is_cut_out(std::uint32_t picture_width, std::uint32_t picture_height,
                const std::array<std::optional<std::uint32_t>, 4>& corners);

// Where a picture is drawn when scaled into a w × h box: the source rectangle in picture pixels
// and the destination in box pixels.
struct ScalePlan {
  float src_x = 0, src_y = 0, src_width = 0, src_height = 0;
  std::int32_t dst_x = 0, dst_y = 0, dst_width = 0, dst_height = 0;
};
ScalePlan plan_scaled_picture(std::uint32_t picture_width, std::uint32_t picture_height, std::int32_t width,
                              std::int32_t height, const Fit& fit, bool cut_out);

// Decodes and scales a file into a width × height buffer filled with the padding colour; null
// on failure. Called with the cache's lock held.
using ScalePictureFile =
    std::function<PixelBuffer(const std::string& path, std::int32_t width, std::int32_t height, Colour padding,
                              const Fit& fit)>;
// The file's last-modified time in any fixed unit; none when it cannot be read.
using ReadFileTime = std::function<std::optional<std::int64_t>(const std::string& path)>;

class ScaledPictureCache final : public PictureSource {
 public:
  ScaledPictureCache(ScalePictureFile scale, ReadFileTime file_time);
  PixelBuffer cached_scaled_picture(const std::string& path, std::int32_t width, std::int32_t height,
                                    Colour padding, const Fit& fit) override;

 private:
  struct Entry {
    std::string path;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t padding = 0;
    Fit fit;
    std::optional<std::int64_t> modified;
    PixelBuffer result;  // null records a failure
  };

  ScalePictureFile scale_;
  ReadFileTime file_time_;
  std::mutex mutex_;
  std::vector<Entry> entries_;  // oldest first
};

}  // namespace qx
