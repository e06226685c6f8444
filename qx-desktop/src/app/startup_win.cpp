#include "app/startup_win.h"

#include <windows.h>

#include <utility>

#include "app/app_messages.h"
#include "app/bar_activity.h"
#include "app/check_update.h"
#include "app/detached_thread.h"
#include "app/fetchers.h"
#include "app/picture_cache.h"
#include "app/refresh.h"
#include "app/self_update.h"
#include "app/single_instance.h"
#include "render/repaint.h"
#include "video/playback_sync.h"
#include "win_ui/bar_events.h"
#include "win_ui/bar_frames_win.h"
#include "win_ui/bar_window_win.h"
#include "win_ui/rotation.h"
#include "win_ui/shell_services.h"
#include "win_ui/window_proc_win.h"
#include "win_util.h"

namespace qx {

namespace {

constexpr wchar_t SINGLE_INSTANCE_MUTEX[] = L"Local\\ZelvaronSingleInstance";
constexpr wchar_t RUN_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t OLDER_AUTOSTART_VALUE[] = L"Zelvaron";

// Windows 10 1703 and later; looked up so that the program still starts on the first release.
void set_system_dpi_awareness() {
  using SetContextFn = BOOL(WINAPI*)(HANDLE);
  static const SetContextFn set_context =
      system_function<SetContextFn>(L"user32.dll", "SetProcessDpiAwarenessContext");
  const HANDLE system_aware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-2));
  if (set_context) set_context(system_aware);
}

// The mutex stays open for the life of the process: the handle is leaked on purpose once this
// is the first instance. True when another instance holds it.
bool claim_single_instance(bool after_update) {
  UniqueHandle mutex;
  const auto create = [&] {
    HANDLE created = CreateMutexW(nullptr, FALSE, SINGLE_INSTANCE_MUTEX);
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;  // before anything else can change it
    mutex.reset(created);
    return existed;
  };
  const auto drop = [&] { mutex.reset(); };
  const auto pause = [] { Sleep(static_cast<DWORD>(SINGLE_INSTANCE_RETRY_MS.count())); };
  const bool another = another_instance_runs(after_update, create, drop, pause);
  if (!another) mutex.release();
  return another;
}

void wake_running_instance() {
  if (HWND running = FindWindowW(BAR_WINDOW_CLASS, nullptr)) PostMessageW(running, WM_APP_SHOW, 0, 0);
}

std::optional<std::string> program_path() {
  Result<std::string, std::string> path = platform_install_system()->program_path();
  if (!path) return std::nullopt;
  return std::move(*path);
}

int message_loop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {  // 0 is WM_QUIT, -1 a failure: both end it
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace

void migrate_autostart_value() {
  if (RegGetValueW(HKEY_CURRENT_USER, RUN_KEY, OLDER_AUTOSTART_VALUE, RRF_RT_REG_SZ, nullptr, nullptr, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegDeleteKeyValueW(HKEY_CURRENT_USER, RUN_KEY, OLDER_AUTOSTART_VALUE);
  platform_shell().set_autostart(true);
}

void remove_update_leftovers(std::string_view path) {
  for (const std::string& leftover : update_leftover_paths(path)) {
    if (const std::optional<std::wstring> wide = wide_path(leftover)) DeleteFileW(wide->c_str());
  }
}

int run_bar(const CommandLineOptions& options, AppState state) {
  APP_STATE.set(std::move(state));  // a second set keeps the first
  set_system_dpi_awareness();

  if (claim_single_instance(options.after_update)) {
    wake_running_instance();
    return 0;
  }

  register_bar_class(window_proc);
  TASKBAR_CREATED.store(taskbar_created_message());
  // The window lives until WM_DESTROY ends the loop; the owner only covers the roads out.
  UniqueWindow owned = create_bar_window();
  if (!owned) return 0;
  HWND window = owned.get();

  platform_shell().tray_icon(window, TrayCommand::Add, TRAY_TIP_AT_START);
  const std::uint16_t minute = platform_shell().local_minutes_of_day();
  APP_STATE.with([&](AppState& s) {
    update_quiet_state(s, minute, SteadyClock::now());
    s.expanded = s.expanded || s.default_feeds;  // the starting default feeds show expanded
  });
  place_window(window);
  SetTimer(window, TIMER_STATUS, TIMER_STATUS_MS, nullptr);
  SetTimer(window, TIMER_ROTATE, TIMER_ROTATE_MS, nullptr);
  migrate_autostart_value();

  spawn_teams_fetch();
  spawn_catalog_fetch();
  sync_playback(window);
  spawn_detached([window] { picture_cache_sweep_thread(window); });
  if (const std::optional<std::string> path = program_path()) remove_update_leftovers(*path);
  spawn_detached([window] { refresh_ticker_loop(window); });
  spawn_detached([window] { update_check_loop(window); });

  const int code = message_loop();
  owned.release();  // destroyed already (WM_DESTROY ended the loop)
  return code;
}

}  // namespace qx
