#include "win_ui/bar_events.h"

#include "app/bar_activity.h"

namespace qx {

bool is_presenting(bool call_succeeded, int notification_state) {
  constexpr int RUNNING_D3D_FULL_SCREEN = 3;
  constexpr int PRESENTATION_MODE = 4;
  return call_succeeded && (notification_state == RUNNING_D3D_FULL_SCREEN || notification_state == PRESENTATION_MODE);
}

bool status_tick_changes_activity(AppState& s, bool presenting, std::uint16_t minute_of_day, Instant now) {
  // A "Hide for an hour" that ran out since the last tick still counts as hiding: the bar comes
  // back through a placement (its app bar, its playback), not through a plain repaint.
  const bool before = is_bar_active(s, now) && !s.hidden_until;
  s.presenting = presenting;
  update_quiet_state(s, minute_of_day, now);
  return is_bar_active(s, now) != before;
}

}  // namespace qx
