#include "win_ui/bar_window_win.h"

#include <shellapi.h>

#include "app/app_messages.h"
#include "render/bar_layout.h"
#include "unicode_text.h"

namespace qx {

static_assert(sizeof(APPBARDATA) == 48);
static_assert(sizeof(UPDATELAYEREDWINDOWINFO) == 80);
static_assert(WM_APP == APP_MESSAGE_BASE);

namespace {

RECT win_rect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
Rect rect_of(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

APPBARDATA app_bar_data(HWND window) {
  APPBARDATA abd{};
  abd.cbSize = sizeof abd;
  abd.hWnd = window;
  abd.uCallbackMessage = WM_APP_APPBAR;
  return abd;
}

Rect app_bar_position(HWND window, DWORD message, AppBarEdge edge, const Rect& rc) {
  APPBARDATA abd = app_bar_data(window);
  abd.uEdge = static_cast<UINT>(edge);
  abd.rc = win_rect(rc);
  SHAppBarMessage(message, &abd);
  return rect_of(abd.rc);
}

const BLENDFUNCTION PER_PIXEL_ALPHA{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

}  // namespace

bool register_bar_class(WNDPROC procedure) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = load_app_icon();
  wc.hCursor = LoadCursorW(nullptr, IDC_HAND);  // the whole bar is a thing to click
  wc.lpszClassName = BAR_WINDOW_CLASS;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

UniqueWindow create_bar_window() {
  return UniqueWindow(CreateWindowExW(BAR_WINDOW_EX_STYLE, BAR_WINDOW_CLASS, BAR_WINDOW_TITLE, WS_POPUP, 0, 0, 10,
                                      10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
}

void Win32PlacementHost::app_bar_new() {
  APPBARDATA abd = app_bar_data(window_);
  SHAppBarMessage(ABM_NEW, &abd);
}

Rect Win32PlacementHost::app_bar_query_pos(AppBarEdge edge, const Rect& rc) {
  return app_bar_position(window_, ABM_QUERYPOS, edge, rc);
}

Rect Win32PlacementHost::app_bar_set_pos(AppBarEdge edge, const Rect& rc) {
  return app_bar_position(window_, ABM_SETPOS, edge, rc);
}

void Win32PlacementHost::app_bar_remove() {
  APPBARDATA abd = app_bar_data(window_);
  SHAppBarMessage(ABM_REMOVE, &abd);
}

void Win32PlacementHost::hide_window() {
  ShowWindow(window_, SW_HIDE);
  forget_frame_on_screen(PRESENTED_FRAME);
}

bool Win32LayeredWindow::push(DibSurface& surface, ScreenPoint position, std::int32_t width, std::int32_t height) {
  POINT at{position.x, position.y};
  SIZE size{width, height};
  POINT source{0, 0};
  BLENDFUNCTION blend = PER_PIXEL_ALPHA;
  return UpdateLayeredWindow(window_, nullptr, &at, &size, static_cast<HDC>(surface.memory_dc()), &source, 0, &blend,
                             ULW_ALPHA) != 0;
}

bool Win32LayeredWindow::push_dirty(DibSurface& surface, ScreenPoint position, const Rect& dirty) {
  POINT at{position.x, position.y};
  SIZE size{surface.width(), surface.height()};
  POINT source{0, 0};
  BLENDFUNCTION blend = PER_PIXEL_ALPHA;
  RECT dirty_rect = win_rect(dirty);
  UPDATELAYEREDWINDOWINFO info{};
  info.cbSize = sizeof info;
  info.pptDst = &at;
  info.psize = &size;
  info.hdcSrc = static_cast<HDC>(surface.memory_dc());
  info.pptSrc = &source;
  info.pblend = &blend;
  info.dwFlags = ULW_ALPHA;
  info.prcDirty = &dirty_rect;
  return UpdateLayeredWindowIndirect(window_, &info) != 0;
}

void Win32LayeredWindow::set_text(const std::string& text) { SetWindowTextW(window_, utf8_to_wide(text).c_str()); }

void Win32LayeredWindow::show_without_activation() { ShowWindow(window_, SW_SHOWNOACTIVATE); }

void remove_app_bar(HWND window) {
  Win32PlacementHost host(window);
  remove_app_bar(host);
}

bool present_frame(HWND window, const ViewSnapshot& view, FramePainter& painter, PlayerLink& player) {
  Win32LayeredWindow layered(window);
  FramePush push{painter, layered, player, WINDOW_RECT, PRESENTED_FRAME, dpi_scale()};
  return present_frame(view, SteadyClock::now(), push);
}

bool push_video_frame(HWND window, FramePainter& painter, PlayerLink& player) {
  Win32LayeredWindow layered(window);
  FramePush push{painter, layered, player, WINDOW_RECT, PRESENTED_FRAME, dpi_scale()};
  return push_video_frame(push);
}

void place_window(HWND window, FramePainter& painter, PlayerLink& player) {
  const std::optional<ViewSnapshot> view = view_snapshot();
  if (!view) return;
  Win32PlacementHost host(window);
  if (place_bar(*view, SteadyClock::now(), host, WINDOW_RECT)) present_frame(window, *view, painter, player);
}

}  // namespace qx
