// Visits the pixels of a rounded rectangle that lie on the surface, with the coverage of each:
// 1 inside the row span without any distance work, the outline's coverage elsewhere. Pixels
// with coverage 0 are not visited.
#pragma once

#include <algorithm>

#include "render/pixels.h"

namespace qx {

template <class Visit>  // void(std::uint32_t& pixel, float coverage)
void walk_rounded_rect(PixelView surface, const Rect& rect, float radius, Visit&& visit) {
  const std::int32_t y0 = std::max(rect.top, 0);
  const std::int32_t y1 = std::min(rect.bottom, surface.height);
  const std::int32_t x0 = std::max(rect.left, 0);
  const std::int32_t x1 = std::min(rect.right, surface.width);
  for (std::int32_t y = y0; y < y1; ++y) {
    std::uint32_t* line = surface.pixels + static_cast<std::ptrdiff_t>(y) * surface.width;
    const RowSpan span = rounded_row_span(rect, radius, y);
    const float cy = static_cast<float>(y) + 0.5f;
    for (std::int32_t x = x0; x < x1; ++x) {
      if (span.contains(x)) {
        visit(line[x], 1.0f);
        continue;
      }
      const float coverage = rounded_rect_coverage(rect, radius, static_cast<float>(x) + 0.5f, cy);
      if (coverage > 0.0f) visit(line[x], coverage);
    }
  }
}

}  // namespace qx
