// One row of a rounded shape cut into its outline and the run between that is fully covered,
// so that the run is filled in one go and only outline pixels get coverage work.
#pragma once

#include <algorithm>
#include <cstdint>

#include "render/pixels.h"

namespace qx {

// Columns [inside_from, inside_to) of a row, fully covered; the columns beside them are outline.
struct RowParts {
  std::int32_t inside_from = 0;
  std::int32_t inside_to = 0;
};

// Walks row y of the rounded rectangle over columns [x0, x1) from both ends inwards, calling
// edge(x, coverage) for every pixel whose coverage is below 1, and gives the fully covered
// run left between. Coverage only grows towards the middle of a row, so the walk stops at the
// first fully covered pixel from each side; columns the row span already knows to be inside
// are never worked out. The run's pixels are exactly those a coverage of 1 would give.
template <class Edge>  // void(std::int32_t x, float coverage)
RowParts walk_row_outline(const Rect& rect, float radius, std::int32_t y, std::int32_t x0, std::int32_t x1,
                          Edge&& edge) {
  if (x0 >= x1) return {x1, x1};
  const RowSpan span = rounded_row_span(rect, radius, y);
  const std::int32_t known_from = std::clamp(span.x0, x0, x1);
  const std::int32_t known_to = std::clamp(span.x1, known_from, x1);
  const bool known = known_from < known_to;
  const float cy = static_cast<float>(y) + 0.5f;
  auto coverage = [&](std::int32_t x) { return rounded_rect_coverage(rect, radius, static_cast<float>(x) + 0.5f, cy); };

  std::int32_t from = x0;
  for (const std::int32_t end = known ? known_from : x1; from < end; ++from) {
    const float c = coverage(from);
    if (c >= 1.0f) break;
    edge(from, c);
  }
  if (from == x1) return {x1, x1};
  std::int32_t to = x1;
  for (const std::int32_t end = known ? known_to : from + 1; to > end; --to) {
    const float c = coverage(to - 1);
    if (c >= 1.0f) break;
    edge(to - 1, c);
  }
  return {from, to};
}

}  // namespace qx
