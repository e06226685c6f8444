// The rotation tick of the bar: every few seconds the next story, and with "Take turns" the
// next feed after the active one has shown its stories; "Live games first" jumps to a live game.
#pragma once

#include "app/app_state.h"

namespace qx {

inline constexpr std::uint32_t TIMER_ROTATE_MS = 9000;
inline constexpr std::size_t TAKE_TURNS_MAX_TICKS = 4;

// Whether a tick may touch the state at all: not while the cursor rests on the bar, another
// program runs full screen, the bar is inactive or only the starting default feeds are shown.
bool rotation_may_run(bool cursor_over_bar, bool fullscreen_app, bool bar_active, bool default_feeds);

// One tick on the state (the caller holds the lock): a user's clip holds everything, a recent
// user choice only steps stories, otherwise live-first, take-turns and the story step.
void rotation_tick(AppState& s, Instant now);

}  // namespace qx
