#include "win_ui/window_proc.h"

#include "app/bar_activity.h"
#include "app/feed_slots.h"
#include "app/orb_zoom.h"
#include "app/picture_cache.h"
#include "app/state_media.h"
#include "app/state_texts.h"
#include "menu/menu_action.h"
#include "menu/menu_actions.h"
#include "render/repaint.h"
#include "win_ui/bar_events.h"
#include "win_ui/rotation.h"

namespace qx {

namespace {

// The mouse messages the tray icon reports in lParam (WM_LBUTTONUP, WM_RBUTTONUP).
constexpr std::uint32_t TRAY_LEFT_UP = 0x0202;
constexpr std::uint32_t TRAY_RIGHT_UP = 0x0205;

// The layout of the placed window for a snapshot; none before the first placement.
std::optional<BarLayout> placed_layout(BarWindowHost& host, const ViewSnapshot& view) {
  const std::optional<Rect> rect = host.placed_rect();
  if (!rect) return std::nullopt;
  return host.layout(view, rect->right - rect->left, rect->bottom - rect->top, host.scale());
}

// Presents the frame; a picture whose file has gone is dropped from the map (true), to be fetched
// again.
bool present_checking_picture(Guarded<AppState>& state, BarWindowHost& host, const ViewSnapshot& view) {
  host.present_frame(view);
  return drop_missing_picture(state, view, [&](const std::string& path) { return host.file_exists(path); });
}

void toggle_expanded(Guarded<AppState>& state, BarWindowHost& host) {
  state.with([](AppState& s) { s.expanded = !s.expanded; });
  host.request_repaint();
}

}  // namespace

std::string tray_tip_text(const AppState& s) {
  const std::string& title = s.active < s.feeds.size() ? s.feeds[s.active].title : std::string();
  return title + ": " + caption_text(s);
}

void merge_player_report(AppState& s, const PlayerReport& report) {
  if (!s.playing || !report.source || *report.source != s.playing->url) return;
  s.playing->has_video = report.has_video;
  s.playing->status = report.status;
  if (report.status == PlayerStatus::Ended) s.playing->paused = true;
}

void step_story(Guarded<AppState>& state, BarWindowHost& host, std::int64_t delta) {
  const Instant now = host.now();
  state.with([&](AppState& s) {
    advance_story(s, delta);
    s.rotation_hold_until = now + USER_STEP_HOLD;
  });
  host.sync_playback();
  host.rearm_rotate_timer();
  host.request_repaint();
  host.prefetch_pictures();
}

bool toggle_play_pause(Guarded<AppState>& state, BarWindowHost& host, bool suppress) {
  if (suppress) return false;
  if (!state.with([](AppState& s) { return toggle_play_pause_in(s); }).value_or(false)) return false;
  host.sync_playback();
  host.request_repaint();
  return true;
}

void on_app_data(Guarded<AppState>& state, BarWindowHost& host) {
  const std::optional<ViewSnapshot> view = view_snapshot(state);
  if (!view) return;
  host.tray_icon(TrayCommand::Modify, tray_tip_text(*view));
  host.start_orb_animation();
  host.sync_playback();
  if (present_checking_picture(state, host, *view)) host.request_repaint();
  host.prefetch_pictures();
}

void on_tray(Guarded<AppState>& state, BarWindowHost& host, std::uint32_t mouse_message) {
  if (mouse_message == TRAY_LEFT_UP) {
    const Instant now = host.now();
    // Showing or hiding is no setting, so the effect (a save) is left undone.
    state.with([&](AppState& s) { apply_menu_action(s, MenuAction{MenuAction::ToggleVisible{}}, false, now); });
    host.sync_playback();
    host.place_window();
  } else if (mouse_message == TRAY_RIGHT_UP) {
    host.run_context_menu();
  }
}

void on_app_bar(BarWindowHost& host, std::uint64_t code, std::int64_t lparam) {
  if (code == APPBAR_POS_CHANGED) {
    host.place_window();
  } else if (code == APPBAR_FULLSCREEN_APP) {
    const bool full_screen = lparam != 0;
    FULLSCREEN_APP.exchange(full_screen);
    if (full_screen) {
      host.hide_window();
    } else {
      host.request_repaint();
    }
  }
}

void on_show(Guarded<AppState>& state, BarWindowHost& host) {
  state.with([](AppState& s) { show_again_now(s); });
  host.place_window();
}

void on_repaint(Guarded<AppState>& state, BarWindowHost& host) {
  REPAINT_PENDING.exchange(false);
  const std::optional<ViewSnapshot> view = view_snapshot(state);
  if (view && present_checking_picture(state, host, *view)) {
    host.request_repaint();
    host.prefetch_pictures();
  }
}

void on_video_frame(BarWindowHost& host) { host.push_video_frame(); }

void on_player_status(Guarded<AppState>& state, BarWindowHost& host) {
  const std::optional<PlayerReport> report = host.player_report();
  if (!report) return;
  state.with([&](AppState& s) { merge_player_report(s, *report); });
  host.start_orb_animation();
  host.request_repaint();
}

void on_destroy(BarWindowHost& host) {
  host.remove_app_bar();
  host.shut_down_player();
  host.tray_icon(TrayCommand::Delete, "");
  host.post_quit();
}

void on_taskbar_created(BarWindowHost& host) {
  // The new shell knows nothing of the old app bar, and a full-screen mark from it would never
  // be cleared.
  forget_app_bar_registration();
  host.tray_icon(TrayCommand::Add, TRAY_TIP_AT_START);
  host.place_window();
}

void on_timer(Guarded<AppState>& state, BarWindowHost& host, std::uintptr_t id) {
  if (id == TIMER_ROTATE) {
    on_rotate_tick(state, host);
  } else if (id == TIMER_ANIMATE) {
    host.orb_animation_step();
  } else {
    on_status_tick(state, host);
  }
}

void on_status_tick(Guarded<AppState>& state, BarWindowHost& host) {
  const std::optional<int> notification = host.notification_state();
  const bool presenting = is_presenting(notification.has_value(), notification.value_or(0));
  const std::uint16_t minute = host.local_minutes_of_day();
  const Instant now = host.now();
  const std::optional<bool> changed =
      state.with([&](AppState& s) { return status_tick_changes_activity(s, presenting, minute, now); });
  if (changed.value_or(false)) {
    host.sync_playback();
    host.place_window();
  } else {
    host.request_repaint();  // the age on the bar stays current
  }
}

void on_rotate_tick(Guarded<AppState>& state, BarWindowHost& host) {
  host.start_orb_animation();
  if (host.cursor_over_window() || FULLSCREEN_APP.load()) return;
  const Instant now = host.now();
  const bool may_run =
      state.with([&](AppState& s) { return rotation_may_run(false, false, is_bar_active(s, now), s.default_feeds); })
          .value_or(false);
  if (!may_run) return;
  state.with([&](AppState& s) { rotation_tick(s, now); });
  host.sync_playback();
  host.request_repaint();
  host.prefetch_pictures();
}

void on_click(Guarded<AppState>& state, BarWindowHost& host, ClientPoint point) {
  const std::optional<ViewSnapshot> view = view_snapshot(state);
  if (!view) return;
  const std::optional<BarLayout> layout = placed_layout(host, *view);
  if (!layout) return;
  switch (click_target(*view, *layout, point)) {
    case ClickTarget::ChooseTeam:
    case ClickTarget::More:
      host.run_context_menu();
      return;
    case ClickTarget::Orb:
      if (!toggle_play_pause(state, host, view->default_feeds)) toggle_expanded(state, host);
      return;
    case ClickTarget::Action:
      if (!toggle_play_pause(state, host, view->default_feeds)) {
        if (const std::optional<std::string> link = current_link(*view)) host.open_https_link(*link);
      }
      return;
    case ClickTarget::Previous:
      step_story(state, host, -1);
      return;
    case ClickTarget::Next:
      step_story(state, host, 1);
      return;
    case ClickTarget::Elsewhere:
      toggle_expanded(state, host);
      return;
    case ClickTarget::Outside:
      return;
  }
}

void on_wheel(Guarded<AppState>& state, BarWindowHost& host, ClientPoint point, std::int16_t delta) {
  const std::optional<ViewSnapshot> view = view_snapshot(state);
  std::optional<BarLayout> layout;
  if (view) layout = placed_layout(host, *view);
  // Without a snapshot there is nothing to lay out: the wheel only steps stories.
  const WheelAction action = view ? wheel_action(*view, layout ? &*layout : nullptr, point, delta)
                                  : (delta > 0 ? WheelAction::PreviousStory : WheelAction::NextStory);
  switch (action) {
    case WheelAction::GrowOrb:
    case WheelAction::ShrinkOrb: {
      const float factor = action == WheelAction::GrowOrb ? WHEEL_GROW : WHEEL_SHRINK;
      state.with([&](AppState& s) {
        scale_orb_zoom(s, factor);
        host.save_settings(s);
      });
      host.start_orb_animation();
      return;
    }
    case WheelAction::PreviousStory:
      step_story(state, host, -1);
      return;
    case WheelAction::NextStory:
      step_story(state, host, 1);
      return;
  }
}

}  // namespace qx
