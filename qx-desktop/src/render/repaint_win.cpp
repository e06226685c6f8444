#include <windows.h>

#include "render/repaint.h"

namespace qx {

bool Win32AnimationHost::client_area_animation() {
  BOOL on = TRUE;  // a failed query leaves it on
  SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &on, 0);
  return on != FALSE;
}

void Win32AnimationHost::set_animate_timer() {
  SetTimer(static_cast<HWND>(window_), TIMER_ANIMATE, TIMER_ANIMATE_MS, nullptr);
}

void Win32AnimationHost::kill_animate_timer() { KillTimer(static_cast<HWND>(window_), TIMER_ANIMATE); }

}  // namespace qx
