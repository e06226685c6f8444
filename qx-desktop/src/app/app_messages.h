// The private window messages of the bar window, and the one way workers report to it: posting
// such a message without parameters. The window then re-reads the state.
#pragma once

#include <cstdint>

namespace qx {

// WM_APP of the platform; checked against the Windows headers in app_messages_win.cpp.
inline constexpr std::uint32_t APP_MESSAGE_BASE = 0x8000;

inline constexpr std::uint32_t WM_APP_DATA = APP_MESSAGE_BASE + 1;  // a feed, picture or update offer arrived
inline constexpr std::uint32_t WM_APP_TRAY = APP_MESSAGE_BASE + 2;
inline constexpr std::uint32_t WM_APP_APPBAR = APP_MESSAGE_BASE + 3;
inline constexpr std::uint32_t WM_APP_SHOW = APP_MESSAGE_BASE + 4;  // a second instance asks to be shown
inline constexpr std::uint32_t WM_APP_REPAINT = APP_MESSAGE_BASE + 5;
inline constexpr std::uint32_t WM_APP_VIDEO_FRAME = APP_MESSAGE_BASE + 6;
inline constexpr std::uint32_t WM_APP_PLAYER_STATUS = APP_MESSAGE_BASE + 7;

// A window handle for code that must not see Win32 (an HWND on Windows).
using WindowHandle = void*;

// Somewhere to post a message without parameters. Tests use their own; the program posts to the
// bar window.
class WindowPoster {
 public:
  virtual ~WindowPoster() = default;
  virtual void post(std::uint32_t message) = 0;
};

// Posts with PostMessageW (wParam and lParam 0), ignoring a failure: a window that is gone
// needs no news (Windows only).
class Win32WindowPoster final : public WindowPoster {
 public:
  explicit Win32WindowPoster(WindowHandle window) : window_(window) {}
  void post(std::uint32_t message) override;

 private:
  WindowHandle window_;
};

}  // namespace qx
