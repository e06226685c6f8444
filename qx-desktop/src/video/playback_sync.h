// Deciding from the application state what the player should play, and telling it. Called by
// the window procedure, the timers, the menu and main whenever that may have changed.
#pragma once

#include <functional>
#include <optional>

#include "app/app_messages.h"
#include "app/app_state.h"
#include "app/guarded.h"
#include "app/state_media.h"
#include "video/player.h"

namespace qx {

// The one player thread, and the source last sent to it. Lock order: PLAYER_SOURCE before
// CURRENT_PLAYER; neither is held with the state lock.
extern Guarded<std::optional<PlayerHandle>>& CURRENT_PLAYER;
extern Guarded<std::optional<OrbMediaSource>>& PLAYER_SOURCE;

// Silent clips: a silent item that is no longer the current story's clip is dropped; with
// "clips" on and no item playing, the current story's video clip starts muted and silent.
void apply_silent_clips(AppState& s);

// What to tell the player when the desired source differs from the one last sent.
struct PlaybackPlan {
  enum class Step { Nothing, Stop, Adjust, Open, Start };
  Step step = Step::Nothing;
  std::optional<bool> set_muted;   // Adjust only
  std::optional<bool> set_paused;  // Adjust only
  bool store_source = false;       // PLAYER_SOURCE becomes the desired source
};
PlaybackPlan plan_playback(const std::optional<OrbMediaSource>& desired, const std::optional<OrbMediaSource>& last,
                           bool has_player);

// Starts the player thread for the window; none when it cannot be started.
using PlayerStarter = std::function<std::optional<PlayerHandle>()>;

void sync_playback(Guarded<AppState>& state, Guarded<std::optional<OrbMediaSource>>& source,
                   Guarded<std::optional<PlayerHandle>>& player, const PlayerStarter& start, Instant now);
// On the process-wide state, source and player, with a player that reports to the window.
void sync_playback(WindowHandle window);

// Takes the player out of CURRENT_PLAYER and shuts it down outside the lock (on WM_DESTROY).
void shut_down_current_player();

}  // namespace qx
