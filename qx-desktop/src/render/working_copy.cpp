#include "render/working_copy.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <utility>

namespace qx {
namespace {

std::uint32_t pixel_at(const ArgbRows& rows, std::int32_t x, std::int32_t y) {
  std::uint32_t p = 0;
  std::memcpy(&p, rows.first + static_cast<std::ptrdiff_t>(y) * rows.stride + static_cast<std::ptrdiff_t>(x) * 4, 4);
  return p;
}

constexpr std::int32_t SMALLEST_LEVEL_SIDE = 32;

}  // namespace

ArgbRows PictureLevel::rows() const {
  return {reinterpret_cast<const std::uint8_t*>(pixels.data()), static_cast<std::ptrdiff_t>(width) * 4, width, height};
}

PictureLevel halve_picture(const ArgbRows& picture) {
  PictureLevel out;
  out.width = picture.width / 2 + picture.width % 2;
  out.height = picture.height / 2 + picture.height % 2;
  out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
  std::uint32_t* next = out.pixels.data();
  for (std::int32_t y = 0; y < out.height; ++y) {
    const std::int32_t y1 = std::min(2 * y + 1, picture.height - 1);
    for (std::int32_t x = 0; x < out.width; ++x) {
      const std::int32_t x1 = std::min(2 * x + 1, picture.width - 1);
      // At an odd edge the same pixel is taken twice, which keeps the average right.
      const std::array<std::uint32_t, 4> block{pixel_at(picture, 2 * x, 2 * y), pixel_at(picture, x1, 2 * y),
                                               pixel_at(picture, 2 * x, y1), pixel_at(picture, x1, y1)};
      std::uint32_t alpha = 0;
      std::array<std::uint32_t, 3> weighted{};
      for (const std::uint32_t p : block) {
        const std::uint32_t a = p >> 24;
        alpha += a;
        for (int c = 0; c < 3; ++c) weighted[c] += ((p >> (16 - 8 * c)) & 0xFF) * a;
      }
      std::uint32_t result = (alpha + 2) / 4 << 24;
      if (alpha > 0) {
        for (int c = 0; c < 3; ++c) result |= (weighted[c] + alpha / 2) / alpha << (16 - 8 * c);
      }
      *next++ = result;
    }
  }
  return out;
}

std::size_t WorkingCopy::bytes() const {
  std::size_t total = 0;
  for (const PictureLevel& level : levels) total += level.pixels.size() * sizeof(std::uint32_t);
  return total;
}

WorkingCopy make_working_copy(const ArgbRows& picture) {
  WorkingCopy copy;
  copy.width = static_cast<std::uint32_t>(picture.width);
  copy.height = static_cast<std::uint32_t>(picture.height);
  const std::int32_t right = picture.width - 1;
  const std::int32_t bottom = picture.height - 1;
  copy.cut_out = is_cut_out(copy.width, copy.height,
                            {pixel_at(picture, 0, 0), pixel_at(picture, right, 0), pixel_at(picture, 0, bottom),
                             pixel_at(picture, right, bottom)});
  if (std::uint64_t{copy.width} * copy.height <= WORKING_COPY_MAX_PIXELS) {
    PictureLevel whole{picture.width, picture.height, {}};
    whole.pixels.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    for (std::int32_t y = 0; y < picture.height; ++y) {
      std::memcpy(whole.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width),
                  picture.first + static_cast<std::ptrdiff_t>(y) * picture.stride,
                  static_cast<std::size_t>(picture.width) * 4);
    }
    copy.levels.push_back(std::move(whole));
    return copy;
  }
  PictureLevel level = halve_picture(picture);
  while (std::uint64_t(level.width) * std::uint64_t(level.height) > WORKING_COPY_MAX_PIXELS) {
    level = halve_picture(level.rows());
  }
  copy.levels.push_back(std::move(level));
  for (;;) {
    const PictureLevel& last = copy.levels.back();
    if (std::max(last.width, last.height) <= SMALLEST_LEVEL_SIDE || std::min(last.width, last.height) < 2) break;
    copy.levels.push_back(halve_picture(last.rows()));
  }
  return copy;
}

LevelPlan plan_level(const WorkingCopy& copy, const ScalePlan& plan) {
  LevelPlan chosen;
  for (std::size_t i = 0; i < copy.levels.size(); ++i) {
    // For a picture kept whole the factors are exactly 1, so its plan is used unchanged.
    const float fx = static_cast<float>(copy.levels[i].width) / static_cast<float>(copy.width);
    const float fy = static_cast<float>(copy.levels[i].height) / static_cast<float>(copy.height);
    const LevelPlan here{i, plan.src_x * fx, plan.src_y * fy, plan.src_width * fx, plan.src_height * fy};
    if (i > 0 && (here.src_width < static_cast<float>(plan.dst_width) ||
                  here.src_height < static_cast<float>(plan.dst_height))) {
      break;
    }
    chosen = here;
  }
  return chosen;
}

WorkingCopies::WorkingCopies(ReadFileTime file_time, ReadHeader header, Decode decode, Draw draw)
    : file_time_(std::move(file_time)), header_(std::move(header)), decode_(std::move(decode)), draw_(std::move(draw)) {}

std::shared_ptr<const WorkingCopy> WorkingCopies::copy_of(const std::string& path) {
  const std::optional<std::int64_t> modified = file_time_(path);
  for (std::list<Kept>* list : {&kept_, &failed_}) {
    for (auto it = list->begin(); it != list->end(); ++it) {
      if (it->path == path && it->modified == modified) {
        list->splice(list->end(), *list, it);
        return list->back().copy;
      }
    }
  }
  // The header first: a decoder allocates for the declared size before it reads any pixel.
  std::shared_ptr<const WorkingCopy> copy;
  if (picture_within_bounds(header_(path))) {
    try {
      if (std::optional<WorkingCopy> made = decode_(path); made && !made->levels.empty()) {
        copy = std::make_shared<const WorkingCopy>(std::move(*made));
      }
    } catch (const std::bad_alloc&) {
      copy = nullptr;  // out of memory: a failure like any other, remembered below
    }
  }
  // The same file under another time is stale; a failure is kept too, so it is not retried per box.
  const auto same_path = [&](const Kept& k) { return k.path == path; };
  std::erase_if(kept_, same_path);
  std::erase_if(failed_, same_path);
  if (!copy) {
    failed_.push_back({path, modified, nullptr});
    if (failed_.size() > MAX_REMEMBERED_FAILURES) failed_.pop_front();
    return copy;
  }
  kept_.push_back({path, modified, copy});
  std::size_t bytes = 0;
  for (const Kept& k : kept_) bytes += k.copy->bytes();
  while (kept_.size() > 1 && (kept_.size() > MAX_WORKING_COPIES || bytes > WORKING_COPIES_MAX_BYTES)) {
    bytes -= kept_.front().copy->bytes();
    kept_.pop_front();
  }
  return copy;
}

PixelBuffer WorkingCopies::scale(const std::string& path, std::int32_t width, std::int32_t height, Colour padding,
                                 const Fit& fit) {
  if (width < 1 || height < 1) return nullptr;
  const std::shared_ptr<const WorkingCopy> copy = copy_of(path);
  if (!copy || copy->width == 0 || copy->height == 0) return nullptr;
  const ScalePlan plan = plan_scaled_picture(copy->width, copy->height, width, height, fit, copy->cut_out);
  const LevelPlan source = plan_level(*copy, plan);
  return draw_(copy->levels[source.level], source, plan, width, height, padding);
}

}  // namespace qx
