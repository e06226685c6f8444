#include "win_ui/rotation.h"

#include <algorithm>

#include "app/bar_activity.h"
#include "app/feed_slots.h"

namespace qx {

bool rotation_may_run(bool cursor_over_bar, bool fullscreen_app, bool bar_active, bool default_feeds) {
  return !cursor_over_bar && !fullscreen_app && bar_active && !default_feeds;
}

namespace {

// A clip the user started, still opening or playing, is not interrupted.
bool user_clip_playing(const AppState& s) {
  if (!s.playing) return false;
  const PlayingMedia& p = *s.playing;
  const bool running = p.status == PlayerStatus::Opening || p.status == PlayerStatus::Playing;
  return !p.is_stream && !p.silent && running && !p.paused;
}

}  // namespace

void rotation_tick(AppState& s, Instant now) {
  if (user_clip_playing(s)) return;
  if (deadline_pending(s.rotation_hold_until, now)) {
    advance_story(s, 1);
    return;
  }
  const std::vector<std::size_t> live = live_feeds(s.feeds);
  const bool live_only = s.live_first && !live.empty();
  if (live_only && std::find(live.begin(), live.end(), s.active) == live.end()) {
    s.active = live.front();
    s.rotation_ticks = 0;
    return;
  }
  s.rotation_ticks += 1;
  const std::size_t count = s.feeds.size();
  if (s.rotate && count >= 2) {
    const std::size_t stories = story_count(s);
    const std::size_t limit = stories == 0 ? 1 : std::min(stories, TAKE_TURNS_MAX_TICKS);
    if (s.rotation_ticks >= limit) {
      for (std::size_t k = 1; k < count; ++k) {
        const std::size_t candidate = (s.active + k) % count;
        const bool qualifies =
            !live_only || std::find(live.begin(), live.end(), candidate) != live.end();
        if (s.feeds[candidate].last_success && qualifies) {
          s.active = candidate;
          s.rotation_ticks = 0;
          return;
        }
      }
      s.rotation_ticks = 0;
    }
  }
  advance_story(s, 1);
}

}  // namespace qx
