// The menu in the program itself: APP_STATE, the Windows popup menu and message box, the
// workers, the bar window and the shell services.
#include <windows.h>

#include "app/add_feed.h"
#include "app/detached_thread.h"
#include "app/fetchers.h"
#include "app/picture_cache.h"
#include "app/refresh.h"
#include "app/self_update.h"
#include "app/settings.h"
#include "menu/menu_runner.h"
#include "menu/popup_menu_win.h"
#include "render/repaint.h"
#include "video/playback_sync.h"
#include "win_ui/bar_frames_win.h"
#include "win_ui/bar_window_win.h"
#include "win_ui/shell_services.h"

namespace qx {

namespace {

static_assert((TPM_RETURNCMD | TPM_NONOTIFY) == 0x180);

HWND hwnd_of(WindowHandle window) { return static_cast<HWND>(window); }

const FileFilter& filter_of(FileChoice choice) {
  switch (choice) {
    case FileChoice::OrbSource:
      return PICTURES_AND_FILMS_FILTER;
    case FileChoice::Picture:
      return PICTURES_FILTER;
    case FileChoice::Film:
      break;
  }
  return FILMS_AND_SOUND_FILTER;
}

class PlatformMenuHost final : public MenuHost {
 public:
  Instant now() override { return SteadyClock::now(); }
  std::size_t monitor_count() override { return list_monitors().size(); }
  bool autostart_on() override { return platform_shell().autostart_on(); }
  std::vector<LeagueTeams> teams() override {
    return TEAMS_CACHE.with([](const std::vector<LeagueTeams>& t) { return t; }).value_or(std::vector<LeagueTeams>{});
  }
  std::uint32_t track_menu(WindowHandle window, const std::vector<MenuEntry>& entries,
                           std::vector<MenuAction>& actions) override {
    return track_popup_menu(hwnd_of(window), entries, actions);
  }
  std::optional<std::string> open_file_dialog(WindowHandle window, FileChoice choice) override {
    return platform_shell().open_file_dialog(window, filter_of(choice));
  }
  std::optional<std::string> clipboard_text(WindowHandle window) override {
    return platform_shell().clipboard_text(window);
  }
  void open_https_link(std::string_view address) override { platform_shell().open_https_link(address); }
  void set_autostart(bool on) override { platform_shell().set_autostart(on); }
  std::uint16_t local_minutes_of_day() override { return platform_shell().local_minutes_of_day(); }
  void save_settings(const AppState& s) override { qx::save_settings(s); }
  void remove_app_bar(WindowHandle window) override { qx::remove_app_bar(hwnd_of(window)); }
  void start_orb_animation(WindowHandle window) override {
    Win32WindowPoster poster(window);
    Win32AnimationHost animation(window);
    qx::start_orb_animation(poster, animation, APP_STATE, now());
  }
  void sync_playback(WindowHandle window) override { qx::sync_playback(window); }
  void place_window(WindowHandle window) override { qx::place_window(hwnd_of(window)); }
  void prefetch_pictures(WindowHandle window) override { qx::prefetch_pictures(window); }
  void destroy_window(WindowHandle window) override { DestroyWindow(hwnd_of(window)); }
  void spawn_refresh_now(WindowHandle window) override { qx::spawn_refresh_now(window); }
  void spawn_catalog_fetch() override { qx::spawn_catalog_fetch(); }
  void spawn_teams_fetch() override { qx::spawn_teams_fetch(); }
  void start_add_feed(std::string copied_text, WindowHandle window) override {
    spawn_detached([text = std::move(copied_text), window]() mutable { add_feed_from_clipboard(std::move(text), window); });
  }
  void start_self_update(WindowHandle window) override {
    spawn_detached([window] { self_update_thread(window); });
  }
  void start_stream_hint() override { spawn_detached(stream_hint_thread); }
};

}  // namespace

void run_context_menu(WindowHandle window) {
  PlatformMenuHost host;
  run_context_menu(window, host, APP_STATE);
}

}  // namespace qx
