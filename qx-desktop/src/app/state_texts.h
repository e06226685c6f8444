// The texts the bar shows for the active feed, in the state's language.
// Runs with the state lock held by the caller (or on a snapshot).
#pragma once

#include <string>

#include "app/app_state.h"

namespace qx {

// The invitation while the starting default feeds are shown; else the current story's title;
// else the active feed's status.
std::string caption_text(const AppState& s);

// "Connecting…" or "Offline" before the first load; then "Updated just now", "Updated 5 min ago",
// "Updated 2 h ago", or after a failure "Offline · 5 min ago".
std::string status_text(const AppState& s, Instant now);

}  // namespace qx
