#include "video/playback_sync.h"

#include <utility>

#include "app/feed_slots.h"
#include "app/state_texts.h"

namespace qx {

// Allocated once and never destroyed, so that exit cannot race a thread that still uses them.
Guarded<std::optional<PlayerHandle>>& CURRENT_PLAYER =
    *new Guarded<std::optional<PlayerHandle>>(std::optional<PlayerHandle>{});
Guarded<std::optional<OrbMediaSource>>& PLAYER_SOURCE =
    *new Guarded<std::optional<OrbMediaSource>>(std::optional<OrbMediaSource>{});

void apply_silent_clips(AppState& s) {
  std::optional<std::string> clip = current_media_url(s);
  if (clip) {
    const QxItem* story = current_story(s);
    const bool audio = story && story->media && story->media->kind == "audio";
    if (audio || !is_media_link(*clip)) clip.reset();
  }
  if (s.playing && s.playing->silent && (!clip || *clip != s.playing->url)) s.playing.reset();
  if (clip && s.clips && !s.default_feeds && !s.playing) {
    PlayingMedia item;
    item.url = *clip;
    item.title = caption_text(s);
    item.silent = true;
    item.muted = true;
    item.status = PlayerStatus::Opening;
    s.playing = std::move(item);
  }
}

PlaybackPlan plan_playback(const std::optional<OrbMediaSource>& desired, const std::optional<OrbMediaSource>& last,
                           bool has_player) {
  using Step = PlaybackPlan::Step;
  PlaybackPlan plan;
  if (desired == last) return plan;
  if (!has_player) {
    if (desired) plan = {Step::Start, std::nullopt, std::nullopt, true};
    return plan;
  }
  plan.store_source = true;
  if (!desired) {
    plan.step = Step::Stop;
  } else if (last && last->source == desired->source && last->silent == desired->silent) {
    plan.step = Step::Adjust;
    if (last->muted != desired->muted) plan.set_muted = desired->muted;
    if (last->paused != desired->paused) plan.set_paused = desired->paused;
  } else {
    plan.step = Step::Open;
  }
  return plan;
}

void sync_playback(Guarded<AppState>& state, Guarded<std::optional<OrbMediaSource>>& source,
                   Guarded<std::optional<PlayerHandle>>& player, const PlayerStarter& start, Instant now) {
  const std::optional<std::optional<OrbMediaSource>> wanted = state.with([&](AppState& s) {
    apply_silent_clips(s);
    return orb_media_source(s, now);
  });
  if (!wanted) return;
  const std::optional<OrbMediaSource>& desired = *wanted;

  source.with([&](std::optional<OrbMediaSource>& last) {
    if (desired == last) return;
    player.with([&](std::optional<PlayerHandle>& current) {
      using Step = PlaybackPlan::Step;
      const PlaybackPlan plan = plan_playback(desired, last, current.has_value());
      switch (plan.step) {
        case Step::Nothing:
          break;
        case Step::Stop:
          current->send(player_command::Stop{});
          break;
        case Step::Adjust:
          if (plan.set_muted) current->send(player_command::SetMuted{*plan.set_muted});
          if (plan.set_paused) current->send(player_command::SetPaused{*plan.set_paused});
          break;
        case Step::Open:
          player_open(*current, desired->source, desired->muted, desired->silent);
          break;
        case Step::Start:
          current = start();
          // Without a thread nothing was sent: the source stays unsent, so a later call tries again.
          if (!current) return;
          player_open(*current, desired->source, desired->muted, desired->silent);
          break;
      }
      if (plan.store_source) last = desired;
    });
  });
}

void shut_down_current_player() {
  std::optional<PlayerHandle> handle;
  CURRENT_PLAYER.with([&](std::optional<PlayerHandle>& current) { handle.swap(current); });
  if (handle) player_shutdown_join(*handle);
}

}  // namespace qx
