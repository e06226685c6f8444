// The real bar window under Wine on an X screen: creation, placement at every edge and as an
// island, app-bar registration, frame and video pushes checked on a screenshot, the tray and the
// clipboard.
#include <windows.h>

#include <gtest/gtest.h>

#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/feed_slots.h"
#include "render/repaint.h"
#include "screen_shot_win.h"
#include "state_test_helpers.h"
#include "win_ui/bar_frames_win.h"
#include "win_ui/bar_window_win.h"
#include "win_ui/shell_services.h"
#include "win_ui/window_proc_win.h"

namespace qx {
namespace {

constexpr std::uint32_t OPAQUE_RED = 0xFFFF0000;
constexpr std::uint32_t HALF_RED = 0x80800000;  // premultiplied: half of full red at half alpha

std::vector<WPARAM> app_bar_notices;  // what the shell sent with WM_APP_APPBAR

LRESULT CALLBACK test_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  if (message == WM_APP_APPBAR) app_bar_notices.push_back(w);
  return DefWindowProcW(window, message, w, l);
}

void pump(int ms = 150) {
  const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(ms);
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  } while (GetTickCount64() < until);
}

// A frame of a fixed size (or the window's), left half opaque red, right half half-transparent red.
class TwoHalvesPainter final : public FramePainter {
 public:
  std::int32_t width = 0, height = 0;  // 0: the window rectangle's
  std::vector<VideoTarget> targets;
  BarLayout layout(const ViewSnapshot&, std::int32_t w, std::int32_t h, float scale) override {
    BarLayout l;
    l.width = width ? width : w;
    l.height = height ? height : h;
    l.scale = scale;
    return l;
  }
  std::optional<PaintedFrame> paint(const ViewSnapshot&, const BarLayout& l) override {
    std::optional<DibSurface> s = create_dib_surface(l.width, l.height);
    if (!s) return std::nullopt;
    PixelView px = dib_pixels(*s);
    for (std::int32_t y = 0; y < px.height; ++y)
      for (std::int32_t x = 0; x < px.width; ++x) px.pixels[y * px.width + x] = x < px.width / 2 ? OPAQUE_RED : HALF_RED;
    return PaintedFrame{std::move(*s), targets};
  }
};

class SolidPlayer final : public PlayerLink {
 public:
  bool running = false;
  std::vector<std::uint32_t> pixels;
  std::int32_t w = 0, h = 0;
  std::optional<VideoFrameSet> set_targets_and_snapshot(const std::vector<VideoTargetSize>&) override {
    return snapshot();
  }
  std::optional<VideoFrameSet> snapshot() override {
    if (!running) return std::nullopt;
    VideoFrameSet set;
    if (!pixels.empty()) set.frames.push_back(PictureView{pixels.data(), w, h});
    return set;
  }
  void frame(std::int32_t width, std::int32_t height, std::uint32_t colour) {
    running = true;
    w = width;
    h = height;
    pixels.assign(static_cast<std::size_t>(width * height), colour);
  }
};

RECT window_rect_of(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

Rect rect_of(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

class BarWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(register_bar_class(test_procedure)); }
  void SetUp() override {
    APPBAR_REGISTERED.store(false);
    FULLSCREEN_APP.store(false);
    WINDOW_RECT.clear();
    PRESENTED_FRAME.clear();
    window = create_bar_window();
    ASSERT_TRUE(window) << GetLastError();
  }
  void TearDown() override {
    remove_app_bar(window.get());
    PRESENTED_FRAME.clear();
    window.reset();
  }
  AppState view(Placement placement, bool reserve) {
    AppState s = test::state_with({"https://a.example/rss"});
    apply_feed_result(s.feeds, "https://a.example/rss", test::feed("News", {"Top story"}), SteadyClock::now());
    s.placement = placement;
    s.reserve = reserve;
    return s;
  }
  // Places and pushes one frame for the placement; gives the stored window rectangle.
  std::optional<Rect> place(Placement placement, bool reserve) {
    const AppState s = view(placement, reserve);
    Win32PlacementHost host(window.get());
    const std::optional<Rect> rect = place_bar(s, SteadyClock::now(), host, WINDOW_RECT);
    if (rect) {
      EXPECT_TRUE(present_frame(window.get(), s, painter, player));
    }
    pump();
    return rect;
  }

  UniqueWindow window;
  TwoHalvesPainter painter;
  SolidPlayer player;
};

TEST_F(BarWindow, IsALayeredTopmostToolWindowThatNeverTakesActivation) {
  wchar_t name[64] = {};
  GetClassNameW(window.get(), name, 64);
  EXPECT_STREQ(name, L"ZelvaronBarClass");
  // Over the bar the pointer is the hand: every part of it reacts to a click.
  EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(window.get(), GCLP_HCURSOR)), LoadCursorW(nullptr, IDC_HAND));
  wchar_t title[64] = {};
  GetWindowTextW(window.get(), title, 64);
  EXPECT_STREQ(title, L"Zelvarons");
  const LONG_PTR ex = GetWindowLongPtrW(window.get(), GWL_EXSTYLE);
  for (LONG_PTR bit : {LONG_PTR{WS_EX_LAYERED}, LONG_PTR{WS_EX_TOPMOST}, LONG_PTR{WS_EX_NOACTIVATE}, LONG_PTR{WS_EX_TOOLWINDOW}}) EXPECT_TRUE(ex & bit) << bit;
  EXPECT_FALSE(IsWindowVisible(window.get()));

  ASSERT_TRUE(place(Placement::SignalBarBottom, false));
  EXPECT_TRUE(IsWindowVisible(window.get()));
  EXPECT_NE(GetForegroundWindow(), window.get());
  GetWindowTextW(window.get(), title, 64);
  EXPECT_STREQ(title, L"News: Top story (Updated just now)");
}

TEST_F(BarWindow, TheDisplayIsOneMonitorOfTheWholeScreen) {
  const std::vector<MonitorRects> monitors = list_monitors();
  ASSERT_EQ(monitors.size(), 1u);
  const ScreenSize screen = screen_size();
  EXPECT_EQ(monitors[0].monitor, (Rect{0, 0, screen.width, screen.height}));
  EXPECT_GT(screen.width, 0);
  EXPECT_FLOAT_EQ(dpi_scale(), static_cast<float>(GetDpiForSystem()) / 96.0f);
}

TEST_F(BarWindow, EachEdgeIsAnAppBarOfItsThicknessAndTheFrameIsAnchoredInIt) {
  const Rect screen = list_monitors().at(0).monitor;
  struct Case {
    Placement placement;
    AppBarEdge edge;
  } cases[] = {{Placement::SignalBarBottom, AppBarEdge::Bottom},
               {Placement::SignalBarTop, AppBarEdge::Top},
               {Placement::BarLeft, AppBarEdge::Left},
               {Placement::BarRight, AppBarEdge::Right}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.placement));
    painter.width = painter.height = 0;
    const std::optional<Rect> rect = place(c.placement, true);
    ASSERT_TRUE(rect);
    EXPECT_TRUE(APPBAR_REGISTERED.load());
    const std::int32_t thickness = app_bar_thickness(c.edge, dpi_scale());
    const bool across = c.edge == AppBarEdge::Top || c.edge == AppBarEdge::Bottom;
    EXPECT_EQ(across ? rect->height() : rect->width(), thickness);
    const std::int32_t near_side[] = {rect->left, rect->top, rect->right, rect->bottom};
    const std::int32_t screen_side[] = {screen.left, screen.top, screen.right, screen.bottom};
    const auto e = static_cast<std::size_t>(c.edge);
    EXPECT_EQ(near_side[e], screen_side[e]);
    EXPECT_EQ(rect_of(window_rect_of(window.get())), *rect);

    // A frame larger than the reserved rectangle grows away from the edge.
    painter.width = rect->width() + (across ? 0 : 40);
    painter.height = rect->height() + (across ? 30 : 0);
    ASSERT_TRUE(present_frame(window.get(), view(c.placement, true), painter, player));
    pump();
    const ScreenPoint at = push_position(c.placement, *rect, painter.width, painter.height, dpi_scale());
    EXPECT_EQ(rect_of(window_rect_of(window.get())),
              (Rect{at.x, at.y, at.x + painter.width, at.y + painter.height}));
  }
}

TEST_F(BarWindow, AnotherAppBarAtTheSameEdgeLiftsTheBarAndMovesAreReported) {
  // Another program's bar, 40 px at the bottom, like a taskbar.
  UniqueWindow other = create_bar_window();
  ASSERT_TRUE(other);
  APPBARDATA abd{};
  abd.cbSize = sizeof abd;
  abd.hWnd = other.get();
  abd.uEdge = ABE_BOTTOM;
  ASSERT_TRUE(SHAppBarMessage(ABM_NEW, &abd));
  const Rect screen = list_monitors().at(0).monitor;
  abd.rc = RECT{screen.left, screen.bottom - 40, screen.right, screen.bottom};
  SHAppBarMessage(ABM_SETPOS, &abd);

  const std::optional<Rect> rect = place(Placement::SignalBarBottom, true);
  ASSERT_TRUE(rect);
  const std::int32_t thickness = app_bar_thickness(AppBarEdge::Bottom, dpi_scale());
  EXPECT_EQ(*rect, (Rect{screen.left, screen.bottom - 40 - thickness, screen.right, screen.bottom - 40}));

  app_bar_notices.clear();
  abd.rc = RECT{screen.left, screen.bottom - 60, screen.right, screen.bottom};
  SHAppBarMessage(ABM_SETPOS, &abd);
  pump();
  EXPECT_NE(std::find(app_bar_notices.begin(), app_bar_notices.end(), WPARAM{ABN_POSCHANGED}), app_bar_notices.end());
  SHAppBarMessage(ABM_REMOVE, &abd);
}

TEST_F(BarWindow, TheIslandAndThePlainPathSpanTheWorkAreaWithoutAnAppBar) {
  ASSERT_TRUE(place(Placement::SignalBarBottom, true));
  ASSERT_TRUE(APPBAR_REGISTERED.load());
  const Rect work = list_monitors().at(0).work;

  painter.width = 460;
  painter.height = 92;
  const std::optional<Rect> island = place(Placement::Island, true);
  ASSERT_TRUE(island);
  EXPECT_EQ(*island, work);
  EXPECT_FALSE(APPBAR_REGISTERED.load()) << "the island is never an app bar";
  const ScreenPoint at = push_position(Placement::Island, work, 460, 92, dpi_scale());
  EXPECT_EQ(at.x, work.left + (work.width() - 460) / 2);
  EXPECT_EQ(rect_of(window_rect_of(window.get())), (Rect{at.x, at.y, at.x + 460, at.y + 92}));

  EXPECT_EQ(place(Placement::BarLeft, false), work);
  EXPECT_FALSE(APPBAR_REGISTERED.load());
}

TEST_F(BarWindow, AHiddenBarIsHiddenAndUnregistered) {
  ASSERT_TRUE(place(Placement::SignalBarTop, true));
  AppState hidden = view(Placement::SignalBarTop, true);
  hidden.shown = false;
  Win32PlacementHost host(window.get());
  EXPECT_EQ(place_bar(hidden, SteadyClock::now(), host, WINDOW_RECT), std::nullopt);
  pump();
  EXPECT_FALSE(IsWindowVisible(window.get()));
  EXPECT_FALSE(APPBAR_REGISTERED.load());
  EXPECT_TRUE(WINDOW_RECT.load().has_value());
}

TEST_F(BarWindow, TheScreenShowsThePushedFrameAndTheVideoBlendedIntoIt) {
  if (!test::screen_shot_available()) GTEST_SKIP() << "xwd is not installed";
  painter.width = 200;
  painter.height = 60;
  painter.targets = {VideoTarget{Rect{10, 10, 50, 50}, 0, Fit{}}};
  player.frame(40, 40, 0x0000FF00);
  const std::optional<Rect> rect = place(Placement::SignalBarBottom, false);
  ASSERT_TRUE(rect);
  pump(300);
  const RECT r = window_rect_of(window.get());
  ASSERT_EQ(r.right - r.left, 200);

  std::optional<test::ScreenShot> shot = test::take_screen_shot();
  ASSERT_TRUE(shot);
  ASSERT_GE(shot->width, r.right);
  EXPECT_EQ(shot->at(r.left + 70, r.top + 30), 0xFF0000u);   // opaque half
  EXPECT_EQ(shot->at(r.left + 30, r.top + 30), 0x00FF00u);   // video in its target
  const std::uint32_t half = shot->at(r.left + 150, r.top + 30);
  EXPECT_NEAR(static_cast<int>(half >> 16), 128, 3) << std::hex << half;  // over the black root
  EXPECT_EQ(half & 0xFFFF, 0u);

  player.frame(40, 40, 0x000000FF);
  ASSERT_TRUE(push_video_frame(window.get(), painter, player));
  pump(300);
  shot = test::take_screen_shot();
  ASSERT_TRUE(shot);
  EXPECT_EQ(shot->at(r.left + 30, r.top + 30), 0x0000FFu);
  EXPECT_EQ(shot->at(r.left + 70, r.top + 30), 0xFF0000u);
}

TEST_F(BarWindow, TrayCallsSucceed) {
  ShellServices& shell = platform_shell();
  EXPECT_TRUE(shell.tray_icon(window.get(), TrayCommand::Add, TRAY_TIP_AT_START));
  EXPECT_TRUE(shell.tray_icon(window.get(), TrayCommand::Modify, std::string(300, 'x')));
  EXPECT_TRUE(shell.tray_icon(window.get(), TrayCommand::Delete, ""));
}

void put_clipboard_text(HWND window, const std::wstring& text) {
  ASSERT_TRUE(OpenClipboard(window));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  auto* units = static_cast<wchar_t*>(GlobalLock(block));
  std::copy(text.c_str(), text.c_str() + text.size() + 1, units);
  GlobalUnlock(block);
  SetClipboardData(CF_UNICODETEXT, block);
  CloseClipboard();
}

TEST_F(BarWindow, ClipboardTextIsReadTrimmed) {
  ShellServices& shell = platform_shell();
  put_clipboard_text(window.get(), L"  https://example.org/feed \u00E9\r\n");
  EXPECT_EQ(shell.clipboard_text(window.get()), "https://example.org/feed \xC3\xA9");
  put_clipboard_text(window.get(), L" \t\r\n ");
  EXPECT_EQ(shell.clipboard_text(window.get()), "");
  ASSERT_TRUE(OpenClipboard(window.get()));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(shell.clipboard_text(window.get()), std::nullopt);
}

// The shared state is set once per process, so this one test covers every entry point on it.
TEST_F(BarWindow, PlaceWindowAndAShellRestartUseTheSharedState) {
  ASSERT_TRUE(APP_STATE.set(view(Placement::SignalBarTop, true)));
  place_window(window.get(), painter, player);
  pump();
  EXPECT_TRUE(IsWindowVisible(window.get()));
  const std::optional<Rect> rect = WINDOW_RECT.load();
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect_of(window_rect_of(window.get())), *rect);
  EXPECT_TRUE(APPBAR_REGISTERED.load());

  // The program's own painter and player, after the shell came back.
  EXPECT_NE(taskbar_created_message(), 0u);
  ShowWindow(window.get(), SW_HIDE);
  FULLSCREEN_APP.store(true);  // a notice the old shell can no longer clear
  on_taskbar_created(window.get());
  pump();
  EXPECT_FALSE(FULLSCREEN_APP.load());
  EXPECT_TRUE(APPBAR_REGISTERED.load());
  EXPECT_TRUE(IsWindowVisible(window.get()));
  EXPECT_EQ(WINDOW_RECT.load(), rect);

  // A change of the display or of its DPI reaches the program's window procedure, which places
  // the bar again: shown, registered and stored anew.
  for (const UINT message : {UINT{WM_DISPLAYCHANGE}, UINT{WM_DPICHANGED}}) {
    remove_app_bar(window.get());
    ShowWindow(window.get(), SW_HIDE);
    WINDOW_RECT.clear();
    RECT suggested{rect->left, rect->top, rect->right, rect->bottom};
    const bool dpi = message == WM_DPICHANGED;
    window_proc(window.get(), message, dpi ? MAKEWPARAM(96, 96) : 32,
                dpi ? reinterpret_cast<LPARAM>(&suggested) : MAKELPARAM(rect->width(), rect->height()));
    pump();
    EXPECT_TRUE(IsWindowVisible(window.get())) << message;
    EXPECT_TRUE(APPBAR_REGISTERED.load()) << message;
    EXPECT_EQ(WINDOW_RECT.load(), rect) << message;
  }
  platform_shell().tray_icon(window.get(), TrayCommand::Delete, "");
}

}  // namespace
}  // namespace qx
