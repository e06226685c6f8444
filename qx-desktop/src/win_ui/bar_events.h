// State changes of the bar window's events that need no Win32: a second instance asking to be
// shown, and the status tick's presentation and quiet-hours check. The caller holds the lock.
#pragma once

#include <cstdint>

#include "app/app_state.h"

namespace qx {

inline constexpr std::uintptr_t TIMER_STATUS = 1;
inline constexpr std::uint32_t TIMER_STATUS_MS = 15000;
inline constexpr std::uintptr_t TIMER_ROTATE = 2;

// SHQueryUserNotificationState's answer: presenting when the call worked and a full-screen
// Direct3D program or a presentation runs.
bool is_presenting(bool call_succeeded, int notification_state);

// Stores the presenting flag and recomputes quiet hours; whether the bar's activity changed
// (the window is then shown or hidden, else only repainted). A hide deadline that has passed
// but is still set hid the bar at the last tick, so its end is a change.
bool status_tick_changes_activity(AppState& s, bool presenting, std::uint16_t minute_of_day, Instant now);

}  // namespace qx
