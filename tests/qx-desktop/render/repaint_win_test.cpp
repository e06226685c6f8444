#include <windows.h>

#include <gtest/gtest.h>

#include "render/repaint.h"

namespace qx {
namespace {

// A message-only window: enough for posted messages and timers without a display.
class MessageWindow {
 public:
  MessageWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZelvaronRepaintTest";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  }
  ~MessageWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

int count_queued(HWND hwnd, UINT message) {
  int n = 0;
  MSG msg;
  while (PeekMessageW(&msg, hwnd, message, message, PM_REMOVE)) ++n;
  return n;
}

// Waits up to the time-out for a WM_TIMER of the animation timer.
bool animate_tick_arrives(HWND hwnd, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  MSG msg;
  while (GetTickCount64() < end) {
    while (PeekMessageW(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE)) {
      if (msg.wParam == TIMER_ANIMATE) return true;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_TIMER);
  }
  return false;
}

TEST(RepaintOnWindows, TwoRequestsQueueOneMessage) {
  MessageWindow window;
  ASSERT_TRUE(window.get());
  REPAINT_PENDING = false;
  Win32WindowPoster poster(window.get());
  request_repaint(poster);
  request_repaint(poster);
  EXPECT_EQ(count_queued(window.get(), WM_APP_REPAINT), 1);
}

TEST(RepaintOnWindows, TheAnimateTimerTicksUntilKilled) {
  MessageWindow window;
  ASSERT_TRUE(window.get());
  Win32AnimationHost host(window.get());
  host.client_area_animation();  // either answer is fine; the query must not fail the program
  host.set_animate_timer();
  EXPECT_TRUE(animate_tick_arrives(window.get(), 3000));
  host.kill_animate_timer();
  count_queued(window.get(), WM_TIMER);
  EXPECT_FALSE(animate_tick_arrives(window.get(), 200));
}

}  // namespace
}  // namespace qx
