#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstring>
#include <string>

#include "unicode_text.h"
#include "win_ui/bar_window_win.h"
#include "win_ui/shell_services.h"

namespace qx {

static_assert(sizeof(NOTIFYICONDATAW) == 976);
static_assert(sizeof(OPENFILENAMEW) == 152);
static_assert(sizeof(wchar_t) == sizeof(char16_t));

namespace {

const wchar_t* wide(std::u16string_view units) { return reinterpret_cast<const wchar_t*>(units.data()); }

// The running program's full path; none when the system cannot give it whole.
std::optional<std::u16string> program_path() {
  std::u16string path(MAX_PATH, u'\0');
  for (int attempt = 0; attempt < 6; ++attempt) {
    const DWORD n = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(path.data()), static_cast<DWORD>(path.size()));
    if (n == 0) return std::nullopt;
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);  // cut short: try a larger buffer
  }
  return std::nullopt;
}

class Win32Shell final : public ShellServices {
 public:
  bool tray_icon(WindowHandle window, TrayCommand command, std::string_view tip) override {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = static_cast<HWND>(window);
    nid.uID = TRAY_ICON_ID;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_APP_TRAY;
    nid.hIcon = load_app_icon();
    const std::u16string units = tray_tip_units(tip);
    std::memcpy(nid.szTip, units.data(), units.size() * sizeof(char16_t));  // szTip holds 128: the rest stays 0
    return Shell_NotifyIconW(static_cast<DWORD>(command), &nid) != 0;
  }

  void set_autostart(bool on) override {
    if (!on) {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, wide(AUTOSTART_KEY), wide(AUTOSTART_VALUE));
      return;
    }
    const std::optional<std::u16string> path = program_path();
    if (!path) return;
    const std::u16string data = autostart_data(*path);
    RegSetKeyValueW(HKEY_CURRENT_USER, wide(AUTOSTART_KEY), wide(AUTOSTART_VALUE), REG_SZ, data.data(),
                    static_cast<DWORD>(data.size() * sizeof(char16_t)));
  }

  bool autostart_on() override {
    DWORD size = 0;
    return RegGetValueW(HKEY_CURRENT_USER, wide(AUTOSTART_KEY), wide(AUTOSTART_VALUE), RRF_RT_REG_SZ, nullptr,
                        nullptr, &size) == ERROR_SUCCESS;
  }

  void open_https_link(std::string_view text) override {
    if (!is_https_link(text)) return;
    ShellExecuteW(nullptr, L"open", utf8_to_wide(text).c_str(), nullptr, nullptr, SW_SHOW);
  }

  std::optional<std::string> open_file_dialog(WindowHandle owner, const FileFilter& filter) override {
    const std::u16string filter_units = file_filter_units(filter);
    std::u16string buffer(FILE_DIALOG_UNITS, u'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = static_cast<HWND>(owner);
    ofn.lpstrFilter = wide(filter_units);
    ofn.nFilterIndex = 0;
    ofn.lpstrFile = reinterpret_cast<wchar_t*>(buffer.data());
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn)) return std::nullopt;
    return text_before_nul(buffer.data(), buffer.size());
  }

  std::optional<std::string> clipboard_text(WindowHandle window) override {
    if (!OpenClipboard(static_cast<HWND>(window))) return std::nullopt;
    std::optional<std::string> text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      if (const void* units = GlobalLock(data)) {
        text = clipboard_units_to_text(static_cast<const char16_t*>(units), GlobalSize(data) / sizeof(char16_t));
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
    return text;
  }

  std::uint16_t local_minutes_of_day() override {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return minute_of_day(now.wHour, now.wMinute);
  }
};

}  // namespace

ShellServices& platform_shell() {
  static Win32Shell* shell = new Win32Shell();  // stateless; kept for the life of the process
  return *shell;
}

}  // namespace qx
