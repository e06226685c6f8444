#include "win_ui/window_proc_win.h"

#include <shellapi.h>

#include "app/app_messages.h"
#include "app/picture_cache.h"
#include "app/settings.h"
#include "menu/menu_runner.h"
#include "render/repaint.h"
#include "video/playback_sync.h"
#include "win_ui/bar_events.h"
#include "win_ui/bar_frames_win.h"
#include "win_ui/bar_window_win.h"
#include "win_ui/frame_push.h"
#include "win_ui/rotation.h"
#include "win_ui/window_proc.h"

namespace qx {

std::atomic<std::uint32_t> TASKBAR_CREATED{0};

namespace {

static_assert(WM_LBUTTONUP == 0x0202 && WM_RBUTTONUP == 0x0205);
static_assert(ABN_POSCHANGED == APPBAR_POS_CHANGED && ABN_FULLSCREENAPP == APPBAR_FULLSCREEN_APP);
static_assert(MA_NOACTIVATE == 3);

class Win32BarWindowHost final : public BarWindowHost {
 public:
  explicit Win32BarWindowHost(HWND window) : window_(window), poster_(window), animation_(window) {}

  Instant now() override { return SteadyClock::now(); }
  void place_window() override { qx::place_window(window_); }
  void present_frame(const ViewSnapshot& view) override { qx::present_frame(window_, view); }
  void push_video_frame() override { qx::push_video_frame(window_); }
  void request_repaint() override { qx::request_repaint(poster_); }
  void start_orb_animation() override { qx::start_orb_animation(poster_, animation_, APP_STATE, now()); }
  void orb_animation_step() override { qx::orb_animation_step(poster_, animation_, APP_STATE, now()); }
  void hide_window() override {
    ShowWindow(window_, SW_HIDE);
    forget_frame_on_screen(PRESENTED_FRAME);
  }
  void remove_app_bar() override { qx::remove_app_bar(window_); }
  void rearm_rotate_timer() override { SetTimer(window_, TIMER_ROTATE, TIMER_ROTATE_MS, nullptr); }
  void post_quit() override { PostQuitMessage(0); }
  std::optional<Rect> placed_rect() override { return WINDOW_RECT.load(); }
  float scale() override { return dpi_scale(); }
  BarLayout layout(const ViewSnapshot& view, std::int32_t width, std::int32_t height, float scale) override {
    return layout_bar(view, width, height, scale);
  }
  bool cursor_over_window() override {
    POINT cursor{};
    RECT rect{};
    if (!GetCursorPos(&cursor) || !GetWindowRect(window_, &rect)) return false;
    return cursor.x >= rect.left && cursor.x < rect.right && cursor.y >= rect.top && cursor.y < rect.bottom;
  }

  void sync_playback() override { qx::sync_playback(window_); }
  std::optional<PlayerReport> player_report() override {
    // CURRENT_PLAYER, then PLAYER_SOURCE, one after the other.
    std::optional<PlayerSnapshot> snapshot;
    CURRENT_PLAYER.with([&](std::optional<PlayerHandle>& player) {
      if (player) snapshot = player_snapshot(player->shared());
    });
    if (!snapshot) return std::nullopt;
    PlayerReport report{snapshot->has_video, snapshot->status, std::nullopt};
    PLAYER_SOURCE.with([&](std::optional<OrbMediaSource>& source) {
      if (source) report.source = source->source;
    });
    return report;
  }
  void shut_down_player() override { shut_down_current_player(); }

  void tray_icon(TrayCommand command, std::string_view tip) override { platform_shell().tray_icon(window_, command, tip); }
  void open_https_link(std::string_view address) override { platform_shell().open_https_link(address); }
  void run_context_menu() override { qx::run_context_menu(window_); }
  void prefetch_pictures() override { qx::prefetch_pictures(window_); }
  bool file_exists(const std::string& path) override { return platform_file_ops().exists(path); }
  std::optional<int> notification_state() override {
    QUERY_USER_NOTIFICATION_STATE state{};
    if (FAILED(SHQueryUserNotificationState(&state))) return std::nullopt;
    return static_cast<int>(state);
  }
  std::uint16_t local_minutes_of_day() override { return platform_shell().local_minutes_of_day(); }
  void save_settings(const AppState& s) override { qx::save_settings(s); }

 private:
  HWND window_;
  Win32WindowPoster poster_;
  Win32AnimationHost animation_;
};

// The wheel's point comes in screen coordinates: it is taken relative to the window.
ClientPoint wheel_point(HWND window, LPARAM lparam) {
  ClientPoint point = point_from_lparam(static_cast<std::uint32_t>(lparam));
  RECT rect{};
  GetWindowRect(window, &rect);
  point.x -= rect.left;
  point.y -= rect.top;
  return point;
}

}  // namespace

void on_taskbar_created(HWND window) {
  Win32BarWindowHost host(window);
  on_taskbar_created(host);
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  Win32BarWindowHost host(window);
  Guarded<AppState>& state = APP_STATE;
  switch (message) {
    case WM_APP_DATA:
      on_app_data(state, host);
      return 0;
    case WM_APP_TRAY:
      on_tray(state, host, LOWORD(lparam));
      return 0;
    case WM_APP_APPBAR:
      on_app_bar(host, wparam, lparam);
      return 0;
    case WM_APP_SHOW:
      on_show(state, host);
      return 0;
    case WM_APP_REPAINT:
      on_repaint(state, host);
      return 0;
    case WM_APP_VIDEO_FRAME:
      on_video_frame(host);
      return 0;
    case WM_APP_PLAYER_STATUS:
      on_player_status(state, host);
      return 0;
    case 0:
      return DefWindowProcW(window, message, wparam, lparam);
    case WM_DESTROY:
      on_destroy(host);
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;  // a click never activates the bar
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED:
      host.place_window();
      return 0;
    case WM_TIMER:
      on_timer(state, host, wparam);
      return 0;
    case WM_RBUTTONUP:
      host.run_context_menu();
      return 0;
    case WM_MOUSEWHEEL:
      on_wheel(state, host, wheel_point(window, lparam), wheel_delta_from_wparam(wparam));
      return 0;
    case WM_LBUTTONUP:
      on_click(state, host, point_from_lparam(static_cast<std::uint32_t>(lparam)));
      return 0;
    default:
      if (message == TASKBAR_CREATED.load()) {
        on_taskbar_created(host);
        return 0;
      }
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace qx
