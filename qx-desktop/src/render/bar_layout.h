// Where the card, the orb, the action button and the icon buttons of the bar lie for one frame,
// and how large the painted surface is. Recomputed from the snapshot for every frame and every
// click; never stored.
#pragma once

#include <cstdint>
#include <vector>

#include "app/app_state.h"
#include "render/pixels.h"

namespace qx {

// round(n × scale) half away from zero, saturated to a signed 32-bit integer (NaN gives 0).
std::int32_t scale_design(float n, float scale);
// The same saturating conversion of an already scaled value.
std::int32_t round_saturate(float value);

// An optional rectangle. Hit tests are half-open: left <= x < right, top <= y < bottom.
struct HitRect {
  bool present = false;
  Rect rect;
  bool contains(std::int32_t x, std::int32_t y) const {
    return present && x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
  }
  friend bool operator==(const HitRect&, const HitRect&) = default;
};

struct BarLayout {
  HitRect orb;  // absent in the island
  HitRect action;
  HitRect previous;
  HitRect next;
  std::int32_t width = 0;  // the painted surface and the pushed window
  std::int32_t height = 0;
  Rect card;
  Rect chevron_cell;  // always set
  Rect more_cell;     // always set
  float scale = 1.0f;
  friend bool operator==(const BarLayout&, const BarLayout&) = default;
};

// One area of a painted frame where video is shown.
struct VideoTarget {
  Rect rect;
  float radius = 0;
  Fit fit;
  friend bool operator==(const VideoTarget&, const VideoTarget&) = default;
};

// What the media player scales its frames for, one per VideoTarget.
struct VideoTargetSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  Fit fit;
  friend bool operator==(const VideoTargetSize&, const VideoTargetSize&) = default;
};

BarLayout layout_bar(const ViewSnapshot& view, std::int32_t width, std::int32_t height, float scale);

Rect button_cell_rect(std::int32_t right, std::int32_t index, std::int32_t top, std::int32_t cell_height,
                      float scale);
Rect bar_button_cell(std::int32_t width, const Rect& card, std::int32_t index, float scale);
Rect dock_button_cell(std::int32_t dock_width, std::int32_t height, std::int32_t index, float scale);
Rect island_button_cell(const Rect& card, std::int32_t index, float scale);
Rect island_lower_button_cell(const Rect& card, std::int32_t index, float scale);

std::vector<VideoTargetSize> video_target_sizes(const std::vector<VideoTarget>& targets);

}  // namespace qx
