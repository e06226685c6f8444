#include "render/repaint.h"

#include <cmath>
#include <optional>

#include "app/orb_zoom.h"

namespace qx {

std::atomic<bool> REPAINT_PENDING{false};
std::atomic<bool> FRAME_PENDING{false};
std::atomic<bool> FULLSCREEN_APP{false};
std::atomic<bool> ANIMATION_ON{false};
std::atomic<bool> APPBAR_REGISTERED{false};

void request_repaint(WindowPoster& window) {
  if (!REPAINT_PENDING.exchange(true)) window.post(WM_APP_REPAINT);
}

// The lock is held only for the zoom itself: posting and arming the timer happen after it.
void start_orb_animation(WindowPoster& window, AnimationHost& host, Guarded<AppState>& state, Instant now) {
  const std::optional<float> gap =
      state.with([&](AppState& s) { return target_orb_zoom(s, now) - s.shown_zoom; });
  if (!gap || !(std::fabs(*gap) > ORB_SETTLED_GAP)) return;
  if (host.client_area_animation()) {
    if (!ANIMATION_ON.exchange(true)) host.set_animate_timer();
    return;
  }
  state.with([&](AppState& s) { s.shown_zoom = target_orb_zoom(s, now); });
  request_repaint(window);
}

void orb_animation_step(WindowPoster& window, AnimationHost& host, Guarded<AppState>& state, Instant now) {
  const std::optional<bool> moving = state.with([&](AppState& s) {
    const float target = target_orb_zoom(s, now);
    const float gap = target - s.shown_zoom;
    if (std::fabs(gap) >= ORB_SETTLED_GAP) {
      s.shown_zoom += gap * ORB_EASING;
      return true;
    }
    s.shown_zoom = target;
    return false;
  });
  if (!moving.value_or(false)) {
    host.kill_animate_timer();
    ANIMATION_ON.exchange(false);
  }
  request_repaint(window);
}

}  // namespace qx
