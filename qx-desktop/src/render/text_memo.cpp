#include "render/text_memo.h"

#include <algorithm>
#include <cstring>

namespace qx {
namespace {

bool same_drawing(const TextJob& a, const TextJob& b) {
  return same_layout(a, b) && a.plan.brush_argb == b.plan.brush_argb;
}

// Calls copy(surface_row, stored_row, width) for each row of the region.
template <class Copy>
void for_region_rows(const Rect& region, PixelView surface, Copy&& copy) {
  const auto w = static_cast<std::size_t>(region.width());
  for (std::int32_t y = region.top; y < region.bottom; ++y) {
    std::uint32_t* row = surface.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(surface.width) +
                         static_cast<std::size_t>(region.left);
    if (!copy(row, static_cast<std::size_t>(y - region.top) * w, w)) return;
  }
}

bool region_holds(const Rect& region, PixelView surface, const std::vector<std::uint32_t>& stored) {
  bool same = true;
  for_region_rows(region, surface, [&](const std::uint32_t* row, std::size_t at, std::size_t w) {
    same = std::memcmp(row, stored.data() + at, w * sizeof(std::uint32_t)) == 0;
    return same;
  });
  return same;
}

}  // namespace

bool same_layout(const TextJob& a, const TextJob& b) {
  const TextPlan& p = a.plan;
  const TextPlan& q = b.plan;
  return a.size == b.size && a.text == b.text && p.script == q.script && p.family == q.family && p.bold == q.bold &&
         p.rendering_hint == q.rendering_hint && p.format_flags == q.format_flags && p.align == q.align &&
         p.line_align == q.line_align && p.box_x == q.box_x && p.box_y == q.box_y && p.box_width == q.box_width &&
         p.box_height == q.box_height;
}

Rect visible_part(const Rect& box, std::int32_t surface_width, std::int32_t surface_height) {
  const Rect r{std::max(box.left, 0), std::max(box.top, 0), std::min(box.right, surface_width),
               std::min(box.bottom, surface_height)};
  if (r.left >= r.right || r.top >= r.bottom) return {};
  return r;
}

TextMemo::TextMemo(std::size_t max_drawings, std::size_t max_bytes, std::size_t max_sizes)
    : max_drawings_(max_drawings), max_bytes_(max_bytes), max_sizes_(max_sizes) {}

std::optional<TextSize> TextMemo::measured(const TextJob& job) {
  for (Sized& s : sized_) {
    if (same_layout(s.job, job)) {
      s.used = ++clock_;
      return s.size;
    }
  }
  return std::nullopt;
}

void TextMemo::remember_size(const TextJob& job, TextSize size) {
  for (Sized& s : sized_) {
    if (same_layout(s.job, job)) {
      s.size = size;
      s.used = ++clock_;
      return;
    }
  }
  if (max_sizes_ == 0) return;
  if (sized_.size() >= max_sizes_) {
    sized_.erase(std::min_element(sized_.begin(), sized_.end(),
                                  [](const Sized& a, const Sized& b) { return a.used < b.used; }));
  }
  sized_.push_back({job, size, ++clock_});
}

std::optional<TextSize> TextMemo::replay(const TextJob& job, const Rect& box, PixelView surface) {
  const Rect region = visible_part(box, surface.width, surface.height);
  for (Drawn& d : drawn_) {
    if (d.region != region || !same_drawing(d.job, job) || !region_holds(region, surface, d.before)) continue;
    for_region_rows(region, surface, [&](std::uint32_t* row, std::size_t at, std::size_t w) {
      std::memcpy(row, d.after.data() + at, w * sizeof(std::uint32_t));
      return true;
    });
    d.used = ++clock_;
    return d.size;
  }
  return std::nullopt;
}

std::vector<std::uint32_t> TextMemo::pixels_under(const Rect& box, PixelView surface) const {
  const Rect region = visible_part(box, surface.width, surface.height);
  const std::size_t count = static_cast<std::size_t>(region.width()) * static_cast<std::size_t>(region.height());
  // Not kept anyway when too large: spare the copy.
  if (count * 2 * sizeof(std::uint32_t) > max_bytes_ / 4) return {};
  std::vector<std::uint32_t> pixels(count);
  for_region_rows(region, surface, [&](const std::uint32_t* row, std::size_t at, std::size_t w) {
    std::memcpy(pixels.data() + at, row, w * sizeof(std::uint32_t));
    return true;
  });
  return pixels;
}

void TextMemo::remember_drawing(const TextJob& job, const Rect& box, std::vector<std::uint32_t> before,
                                PixelView surface, TextSize size) {
  const Rect region = visible_part(box, surface.width, surface.height);
  const std::size_t count = static_cast<std::size_t>(region.width()) * static_cast<std::size_t>(region.height());
  if (count == 0 || before.size() != count || count * 2 * sizeof(std::uint32_t) > max_bytes_ / 4 ||
      max_drawings_ == 0) {
    return;
  }
  Drawn entry{job, region, std::move(before), std::vector<std::uint32_t>(count), size, ++clock_};
  for_region_rows(region, surface, [&](const std::uint32_t* row, std::size_t at, std::size_t w) {
    std::memcpy(entry.after.data() + at, row, w * sizeof(std::uint32_t));
    return true;
  });
  while (!drawn_.empty() && (drawn_.size() >= max_drawings_ || bytes_ + entry.bytes() > max_bytes_)) {
    const auto oldest = std::min_element(drawn_.begin(), drawn_.end(),
                                         [](const Drawn& a, const Drawn& b) { return a.used < b.used; });
    bytes_ -= oldest->bytes();
    drawn_.erase(oldest);
  }
  bytes_ += entry.bytes();
  drawn_.push_back(std::move(entry));
}

}  // namespace qx
