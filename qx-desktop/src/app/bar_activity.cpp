#include "app/bar_activity.h"

namespace qx {

bool deadline_pending(std::optional<Instant> deadline, Instant now) { return deadline && *deadline > now; }

bool is_bar_active(const AppState& s, Instant now) {
  return s.shown && !deadline_pending(s.hidden_until, now) && !(s.quiet_now && !s.shown_in_quiet) &&
         !(s.hide_presenting && s.presenting);
}

bool update_quiet_state(AppState& s, std::uint16_t minute_of_day, Instant now) {
  const std::uint16_t m = minute_of_day;
  if (s.quiet) {
    const std::uint16_t start = s.quiet->start;
    const std::uint16_t end = s.quiet->end;
    s.quiet_now = start > end ? (m >= start || m < end) : (start <= m && m < end);
  } else {
    s.quiet_now = false;
  }
  if (!s.quiet_now) s.shown_in_quiet = false;
  if (s.hidden_until && !deadline_pending(s.hidden_until, now)) s.hidden_until = std::nullopt;
  return is_bar_active(s, now);
}

void show_again_now(AppState& s) {
  s.shown = true;
  s.hidden_until.reset();
  s.shown_in_quiet = true;
  s.presenting = false;
}

}  // namespace qx
