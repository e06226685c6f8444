// The bar window on Windows: its class and creation, the display it lives on, the app-bar and
// layered-window calls behind the placement and frame-push seams, and the entry points the window
// procedure and the menu runner call with the window handle. Windows only.
#pragma once

#include <windows.h>

#include <vector>

#include "app/app_state.h"
#include "win_ui/frame_push.h"
#include "win_ui/placement.h"

namespace qx {

inline constexpr wchar_t BAR_WINDOW_CLASS[] = L"ZelvaronBarClass";
inline constexpr wchar_t BAR_WINDOW_TITLE[] = L"Zelvarons";
inline constexpr DWORD BAR_WINDOW_EX_STYLE = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_NOACTIVATE;

// The program's icon resource 1, or the system's application icon.
HICON load_app_icon();
// The monitors with the primary first (see sort_monitors); monitors the system cannot describe
// are left out.
std::vector<MonitorRects> list_monitors();
ScreenSize screen_size();
// System DPI / 96.
float dpi_scale();

// Owns one window and destroys it when it goes.
class UniqueWindow {
 public:
  UniqueWindow() = default;
  explicit UniqueWindow(HWND h) : h_(h) {}
  UniqueWindow(const UniqueWindow&) = delete;
  UniqueWindow& operator=(const UniqueWindow&) = delete;
  UniqueWindow(UniqueWindow&& o) noexcept : h_(o.release()) {}
  UniqueWindow& operator=(UniqueWindow&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  ~UniqueWindow() { reset(); }
  HWND get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  HWND release() {
    HWND h = h_;
    h_ = nullptr;
    return h;
  }
  void reset(HWND h = nullptr) {
    if (h_ != nullptr) DestroyWindow(h_);
    h_ = h;
  }

 private:
  HWND h_ = nullptr;
};

// Registers "ZelvaronBarClass" with the procedure and the program's icon; true when registered
// (also when it was registered already).
bool register_bar_class(WNDPROC procedure);
// The layered, topmost, no-activate tool window, 10 × 10 at (0, 0), not shown yet.
UniqueWindow create_bar_window();

// SHAppBarMessage for one window, and hiding it.
class Win32PlacementHost final : public PlacementHost {
 public:
  explicit Win32PlacementHost(HWND window) : window_(window) {}
  void app_bar_new() override;
  Rect app_bar_query_pos(AppBarEdge edge, const Rect& rc) override;
  Rect app_bar_set_pos(AppBarEdge edge, const Rect& rc) override;
  void app_bar_remove() override;
  std::vector<MonitorRects> monitors() override { return list_monitors(); }
  ScreenSize screen() override { return screen_size(); }
  float scale() override { return dpi_scale(); }
  void hide_window() override;

 private:
  HWND window_;
};

// UpdateLayeredWindow and friends for one window.
class Win32LayeredWindow final : public LayeredWindow {
 public:
  explicit Win32LayeredWindow(HWND window) : window_(window) {}
  bool push(DibSurface& surface, ScreenPoint position, std::int32_t width, std::int32_t height) override;
  bool push_dirty(DibSurface& surface, ScreenPoint position, const Rect& dirty) override;
  void set_text(const std::string& text) override;
  void show_without_activation() override;

 private:
  HWND window_;
};

// What the window procedure, main and the menu runner call. The painter and the player link come
// from the caller (the bar painter and the current media player in the program).
void remove_app_bar(HWND window);
void place_window(HWND window, FramePainter& painter, PlayerLink& player);
bool present_frame(HWND window, const ViewSnapshot& view, FramePainter& painter, PlayerLink& player);
bool push_video_frame(HWND window, FramePainter& painter, PlayerLink& player);

}  // namespace qx
