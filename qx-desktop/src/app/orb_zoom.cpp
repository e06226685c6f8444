#include "app/orb_zoom.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "app/state_media.h"

namespace qx {

namespace {

float clamp_zoom(float z, float h) {
  if (std::isnan(z)) z = 1.0f;
  return std::clamp(z, 32.0f / h, 220.0f / h);
}

float orb_height(const AppState& s) { return static_cast<float>(orb_size_height(s.orb_size)); }

bool live_change_recent(const AppState& s, Instant now) {
  if (s.active >= s.feeds.size()) return false;
  const std::optional<Instant>& changed = s.feeds[s.active].live_change;
  if (!changed) return false;
  const auto whole_seconds = std::chrono::duration_cast<std::chrono::seconds>(now - *changed);
  return whole_seconds < LIVE_GROWTH_TIME;
}

}  // namespace

float target_orb_zoom(const AppState& s, Instant now) {
  const float h = orb_height(s);
  float z = s.orb_zoom;
  if (s.auto_grow) {
    if (is_video_running(s)) {
      z = std::max(z, 148.0f / h);
    } else if (live_change_recent(s, now)) {
      z = std::min(z * 1.5f, 220.0f / h);
    }
  }
  return clamp_zoom(z, h);
}

void scale_orb_zoom(AppState& s, float factor) { s.orb_zoom = clamp_zoom(s.orb_zoom * factor, orb_height(s)); }

}  // namespace qx
