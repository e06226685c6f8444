// The menu in the program itself: APP_STATE, the Windows popup menu and message box, the
// registry's autostart value, the workers, and the window and shell through the menu wiring.
#include <windows.h>


#include "app/add_feed.h"
#include "app/detached_thread.h"
#include "app/fetchers.h"
#include "app/picture_cache.h"
#include "app/refresh.h"
#include "app/self_update.h"
#include "app/settings.h"
#include "menu/menu_runner.h"
#include "menu/menu_wiring.h"
#include "menu/popup_menu_win.h"
#include "render/repaint.h"

namespace qx {

MenuWiring& menu_wiring() {
  static MenuWiring* wiring = new MenuWiring();  // read by the window thread until exit
  return *wiring;
}

namespace {

static_assert((TPM_RETURNCMD | TPM_NONOTIFY) == 0x180);

template <class R, class... Args>
R call_or(const std::function<R(Args...)>& f, R fallback, Args... args) {
  return f ? f(std::forward<Args>(args)...) : fallback;
}
template <class... Args>
void call_if_set(const std::function<void(Args...)>& f, Args... args) {
  if (f) f(std::forward<Args>(args)...);
}

std::uint16_t local_minute_now() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return static_cast<std::uint16_t>(t.wHour * 60 + t.wMinute);
}

class PlatformMenuHost final : public MenuHost {
 public:
  explicit PlatformMenuHost(const MenuWiring& w) : w_(w) {}

  Instant now() override { return SteadyClock::now(); }
  std::size_t monitor_count() override { return call_or<std::size_t>(w_.monitor_count, 1); }
  bool autostart_on() override {
    return RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Zelvarons",
                        RRF_RT_REG_SZ, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }
  std::vector<LeagueTeams> teams() override {
    return TEAMS_CACHE.with([](const std::vector<LeagueTeams>& t) { return t; }).value_or(std::vector<LeagueTeams>{});
  }
  std::uint32_t track_menu(WindowHandle window, const std::vector<MenuEntry>& entries,
                           std::vector<MenuAction>& actions) override {
    return track_popup_menu(static_cast<HWND>(window), entries, actions);
  }
  std::optional<std::string> open_file_dialog(WindowHandle window, FileChoice choice) override {
    return call_or<std::optional<std::string>>(w_.open_file_dialog, std::nullopt, window, choice);
  }
  std::optional<std::string> clipboard_text(WindowHandle window) override {
    return call_or<std::optional<std::string>>(w_.clipboard_text, std::nullopt, window);
  }
  void open_https_link(std::string_view address) override { call_if_set(w_.open_https_link, address); }
  void set_autostart(bool on) override { call_if_set(w_.set_autostart, on); }
  std::uint16_t local_minutes_of_day() override {
    return w_.local_minutes_of_day ? w_.local_minutes_of_day() : local_minute_now();
  }
  void save_settings(const AppState& s) override { qx::save_settings(s); }
  void remove_app_bar(WindowHandle window) override { call_if_set(w_.remove_app_bar, window); }
  void start_orb_animation(WindowHandle window) override {
    Win32WindowPoster poster(window);
    Win32AnimationHost animation(window);
    qx::start_orb_animation(poster, animation, APP_STATE, now());
  }
  void sync_playback(WindowHandle window) override { call_if_set(w_.sync_playback, window); }
  void place_window(WindowHandle window) override { call_if_set(w_.place_window, window); }
  void prefetch_pictures(WindowHandle window) override { qx::prefetch_pictures(window); }
  void destroy_window(WindowHandle window) override { DestroyWindow(static_cast<HWND>(window)); }
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

 private:
  const MenuWiring& w_;
};

}  // namespace

void run_context_menu(WindowHandle window) {
  PlatformMenuHost host(menu_wiring());
  run_context_menu(window, host, APP_STATE);
}

}  // namespace qx
