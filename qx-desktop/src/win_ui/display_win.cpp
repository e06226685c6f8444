#include <windows.h>

#include "win_ui/bar_window_win.h"
#include "win_util.h"

namespace qx {

static_assert(sizeof(MONITORINFO) == 40);

namespace {

Rect rect_of(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

BOOL CALLBACK monitor_enum_proc(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* found = reinterpret_cast<std::vector<MonitorInfo>*>(data);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) {
    found->push_back({rect_of(info.rcMonitor), rect_of(info.rcWork), (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
  }
  return TRUE;  // one monitor that cannot be described does not end the list
}

}  // namespace

HICON load_app_icon() {
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  return icon != nullptr ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

std::vector<MonitorRects> list_monitors() {
  std::vector<MonitorInfo> found;
  EnumDisplayMonitors(nullptr, nullptr, monitor_enum_proc, reinterpret_cast<LPARAM>(&found));
  return sort_monitors(std::move(found));
}

ScreenSize screen_size() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

// GetDpiForSystem came with Windows 10 1607; before it the screen DC's DPI is the system DPI.
float dpi_scale() {
  using DpiFn = UINT(WINAPI*)();
  static const DpiFn for_system = system_function<DpiFn>(L"user32.dll", "GetDpiForSystem");
  UINT dpi = 0;
  if (for_system) {
    dpi = for_system();
  } else if (HDC screen = GetDC(nullptr)) {
    dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
  }
  return static_cast<float>(dpi == 0 ? 96 : dpi) / 96.0f;
}

}  // namespace qx
