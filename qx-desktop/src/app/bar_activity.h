// Whether the bar is shown right now: the user's show/hide choice, "Hide for an hour", quiet
// hours and presentations. Runs with the state lock held by the caller (or on a snapshot).
#pragma once

#include <cstdint>
#include <optional>

#include "app/app_state.h"

namespace qx {

// The deadline is set and still ahead.
bool deadline_pending(std::optional<Instant> deadline, Instant now);

bool is_bar_active(const AppState& s, Instant now);

// Recomputes quiet_now for the minute of the local day (0..1439); quiet hours may wrap past
// midnight. Leaving quiet hours forgets "shown in quiet"; a passed hide deadline is cleared.
// Returns is_bar_active.
bool update_quiet_state(AppState& s, std::uint16_t minute_of_day, Instant now);

// Shows the bar again (the menu's "Show", a second instance starting): shown, no hide deadline,
// shown through quiet hours, not presenting.
void show_again_now(AppState& s);

}  // namespace qx
