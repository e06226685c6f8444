// What the bar window does with each of its messages, apart from Win32: the handlers take the
// state holder and a BarWindowHost for everything the window, the shell and the player do, so
// tests drive them with a fake. window_proc_win.cpp only decodes messages and calls these.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "app/guarded.h"
#include "render/bar_layout.h"
#include "win_ui/bar_input.h"
#include "win_ui/placement.h"
#include "win_ui/shell_services.h"

namespace qx {

// After the user stepped a story, rotation only steps stories for this long.
inline constexpr std::chrono::seconds USER_STEP_HOLD{60};

// ABN_POSCHANGED and ABN_FULLSCREENAPP, the app-bar notices the window acts on.
inline constexpr std::uint64_t APPBAR_POS_CHANGED = 1;
inline constexpr std::uint64_t APPBAR_FULLSCREEN_APP = 2;

// The player's report for WM_APP_PLAYER_STATUS: its video flag and status, and the source last
// sent to it (taken one lock after the other, never with the state lock).
struct PlayerReport {
  bool has_video = false;
  PlayerStatus status = PlayerStatus::None;
  std::optional<std::string> source;
};

class BarWindowHost {
 public:
  virtual ~BarWindowHost() = default;
  virtual Instant now() = 0;

  // The frame road and the window.
  virtual void place_window() = 0;
  virtual void present_frame(const ViewSnapshot& view) = 0;
  virtual void push_video_frame() = 0;
  virtual void request_repaint() = 0;
  virtual void start_orb_animation() = 0;
  virtual void orb_animation_step() = 0;
  virtual void hide_window() = 0;
  virtual void remove_app_bar() = 0;
  virtual void rearm_rotate_timer() = 0;  // TIMER_ROTATE again from now
  virtual void post_quit() = 0;
  // WINDOW_RECT; none before the first placement.
  virtual std::optional<Rect> placed_rect() = 0;
  virtual float scale() = 0;
  virtual BarLayout layout(const ViewSnapshot& view, std::int32_t width, std::int32_t height, float scale) = 0;
  // Whether the cursor lies in the window's rectangle (half-open).
  virtual bool cursor_over_window() = 0;

  // The player.
  virtual void sync_playback() = 0;
  virtual std::optional<PlayerReport> player_report() = 0;  // none without a player
  virtual void shut_down_player() = 0;

  // The shell and the rest of the program.
  virtual void tray_icon(TrayCommand command, std::string_view tip) = 0;
  virtual void open_https_link(std::string_view address) = 0;
  virtual void run_context_menu() = 0;
  virtual void prefetch_pictures() = 0;
  virtual bool file_exists(const std::string& path) = 0;
  virtual std::optional<int> notification_state() = 0;  // SHQueryUserNotificationState; none when it failed
  virtual std::uint16_t local_minutes_of_day() = 0;
  virtual void save_settings(const AppState& s) = 0;  // with the state lock held
};

// The tray tip after new data: the active feed's title, ": " and the bar's caption.
std::string tray_tip_text(const AppState& s);

// Copies the player's report into the playing item when the player plays that item's address;
// an ended item counts as paused. The caller holds the state lock.
void merge_player_report(AppState& s, const PlayerReport& report);

void step_story(Guarded<AppState>& state, BarWindowHost& host, std::int64_t delta);
// Whether it played or paused something; nothing when `suppress` (the default feeds are shown).
bool toggle_play_pause(Guarded<AppState>& state, BarWindowHost& host, bool suppress);

void on_app_data(Guarded<AppState>& state, BarWindowHost& host);
void on_tray(Guarded<AppState>& state, BarWindowHost& host, std::uint32_t mouse_message);
void on_app_bar(BarWindowHost& host, std::uint64_t code, std::int64_t lparam);
void on_show(Guarded<AppState>& state, BarWindowHost& host);
void on_repaint(Guarded<AppState>& state, BarWindowHost& host);
void on_video_frame(BarWindowHost& host);
void on_player_status(Guarded<AppState>& state, BarWindowHost& host);
void on_destroy(BarWindowHost& host);
void on_taskbar_created(BarWindowHost& host);
void on_timer(Guarded<AppState>& state, BarWindowHost& host, std::uintptr_t id);
void on_status_tick(Guarded<AppState>& state, BarWindowHost& host);
void on_rotate_tick(Guarded<AppState>& state, BarWindowHost& host);
// A left click at a client point.
void on_click(Guarded<AppState>& state, BarWindowHost& host, ClientPoint point);
// A wheel turn; `point` is relative to the window's top-left corner.
void on_wheel(Guarded<AppState>& state, BarWindowHost& host, ClientPoint point, std::int16_t delta);

}  // namespace qx
