#include <windows.h>

#include <thread>

#include "app/check_update.h"
#include "app/console_win.h"
#include "version.h"

namespace qx {

namespace {

// The variable as the system holds it, so that an unpaired surrogate can be told from U+FFFD.
std::optional<std::u16string> raw_environment_variable(const wchar_t* name) {
  std::wstring value(256, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::u16string();
    }
    if (n < value.size()) return std::u16string(reinterpret_cast<const char16_t*>(value.data()), n);
    value.assign(n, L'\0');  // n counts the terminating NUL when the buffer was too small
  }
}

}  // namespace

std::string update_base_url() { return update_base_url(raw_environment_variable(L"ZELVARON_UPDATE_BASE")); }

UpdateSource platform_update_source() {
  return UpdateSource{&platform_http_client(), update_base_url(), UPDATE_PUBLIC_KEY, APP_VERSION};
}

int run_check_update() {
  attach_parent_console();
  const UpdateCheck check = check_for_update(platform_update_source());
  write_stdout(check_update_line(check, APP_VERSION));
  return check_update_exit_code(check);
}

void update_check_loop(WindowHandle window) {
  Win32WindowPoster poster(window);
  update_check_loop([] { return check_for_update(platform_update_source()); }, APP_STATE, poster,
                    [](std::chrono::seconds pause) { std::this_thread::sleep_for(pause); });
}

}  // namespace qx
