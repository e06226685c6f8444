// Decoded pictures kept to be scaled into new boxes. The orb easing to a new size asks for a new
// box at every step; decoding the file again for each costs far more than the scaling itself, and
// scaling a large picture into a small box costs in proportion to the picture. So each file is
// decoded once per file time into a working copy of bounded size, with halvings of it for small
// boxes, and only a few copies are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render/picture_cache.h"
#include "render/picture_header.h"

namespace qx {

// A picture of up to 2 Mi pixels (1920 × 1080, 1600 × 1200) is kept whole and scaled exactly as
// it always was; a larger one is halved until it fits (8 MiB of pixels at most).
inline constexpr std::uint64_t WORKING_COPY_MAX_PIXELS = 2ull << 20;
inline constexpr std::size_t MAX_WORKING_COPIES = 4;
inline constexpr std::size_t WORKING_COPIES_MAX_BYTES = 32u << 20;
// Files that could not be decoded are remembered apart, so that they never push a good copy out.
inline constexpr std::size_t MAX_REMEMBERED_FAILURES = 16;

// Rows of ARGB pixels (not premultiplied), `stride` bytes apart, as a decoder hands them over.
struct ArgbRows {
  const std::uint8_t* first = nullptr;
  std::ptrdiff_t stride = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

struct PictureLevel {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;  // ARGB, not premultiplied
  ArgbRows rows() const;
};

// Half the size, rounded up; each pixel the average of up to 2 × 2, weighted by alpha so that
// transparent pixels lend no colour.
PictureLevel halve_picture(const ArgbRows& picture);

struct WorkingCopy {
  std::uint32_t width = 0;  // the picture as decoded
  std::uint32_t height = 0;
  bool cut_out = false;  // is_cut_out of its corners
  // The first level is the picture itself, or its largest halving within WORKING_COPY_MAX_PIXELS;
  // a halved picture also has its further halvings, down to 32 pixels on the longer side.
  std::vector<PictureLevel> levels;
  std::size_t bytes() const;
};

// The copy of a decoded picture of at least 1 × 1 pixels.
WorkingCopy make_working_copy(const ArgbRows& picture);

// The level to scale a plan from and the plan's source rectangle in that level's pixels: the
// smallest level whose part still has at least as many pixels as the box on both axes, so that the
// scaler never shrinks by much more than half.
struct LevelPlan {
  std::size_t level = 0;
  float src_x = 0, src_y = 0, src_width = 0, src_height = 0;
};
LevelPlan plan_level(const WorkingCopy& copy, const ScalePlan& plan);

// The scaled-picture cache's loader: decodes each file once per file time (a file whose header
// is unknown or declares a size beyond the bounds is never decoded), keeps the last
// MAX_WORKING_COPIES copies within WORKING_COPIES_MAX_BYTES and the last MAX_REMEMBERED_FAILURES
// failures, and scales every box from them. It has no lock of its own: the cache calls it with its
// lock held.
class WorkingCopies {
 public:
  using ReadHeader = std::function<PictureHeader(const std::string& path)>;
  // None when the file cannot be decoded.
  using Decode = std::function<std::optional<WorkingCopy>(const std::string& path)>;
  // The width × height buffer of the padding colour with the source rectangle of the level drawn
  // at the plan's destination; null on failure.
  using Draw = std::function<PixelBuffer(const PictureLevel& level, const LevelPlan& source, const ScalePlan& plan,
                                         std::int32_t width, std::int32_t height, Colour padding)>;

  WorkingCopies(ReadFileTime file_time, ReadHeader header, Decode decode, Draw draw);
  PixelBuffer scale(const std::string& path, std::int32_t width, std::int32_t height, Colour padding, const Fit& fit);

 private:
  struct Kept {
    std::string path;
    std::optional<std::int64_t> modified;
    std::shared_ptr<const WorkingCopy> copy;  // null: the file cannot be decoded
  };
  std::shared_ptr<const WorkingCopy> copy_of(const std::string& path);

  ReadFileTime file_time_;
  ReadHeader header_;
  Decode decode_;
  Draw draw_;
  std::list<Kept> kept_;    // decoded copies, least recently used first
  std::list<Kept> failed_;  // files that gave no copy, least recently used first
};

}  // namespace qx
