// The orb's zoom: the user's factor, limited to what the orb size allows, and the zoom it is
// drawn at, which grows for a running video and briefly when a live game changes.
// Single-precision arithmetic throughout, as the painter uses it.
#pragma once

#include "app/app_state.h"

namespace qx {

// The zoom the orb eases towards.
float target_orb_zoom(const AppState& s, Instant now);

// orb_zoom × factor, limited to 32/h .. 220/h for the orb height h. A zoom that is not a number
// (a bad factor) falls back to 1.0 before the limits, so it never reaches the painter.
void scale_orb_zoom(AppState& s, float factor);

inline constexpr std::chrono::seconds LIVE_GROWTH_TIME{6};

}  // namespace qx
