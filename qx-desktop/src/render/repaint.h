// Repaints on request through one coalesced message, and the orb's drawn size easing toward its
// target on a short timer. The flags are shared by the window, the frame push, the placement
// code and the player thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "app/app_messages.h"
#include "app/app_state.h"

namespace qx {

extern std::atomic<bool> REPAINT_PENDING;    // a WM_APP_REPAINT is queued
extern std::atomic<bool> FRAME_PENDING;      // a WM_APP_VIDEO_FRAME is queued
extern std::atomic<bool> FULLSCREEN_APP;     // another program runs full screen
extern std::atomic<bool> ANIMATION_ON;       // TIMER_ANIMATE is armed
extern std::atomic<bool> APPBAR_REGISTERED;  // the window is registered as an app bar

inline constexpr std::uintptr_t TIMER_ANIMATE = 3;
inline constexpr std::uint32_t TIMER_ANIMATE_MS = 16;
inline constexpr float ORB_EASING = 0.26f;
inline constexpr float ORB_SETTLED_GAP = 0.012f;

// Posts WM_APP_REPAINT unless one is queued already. Any thread.
void request_repaint(WindowPoster& window);

// What the orb animation needs of the window: the animation setting and its timer.
class AnimationHost {
 public:
  virtual ~AnimationHost() = default;
  virtual bool client_area_animation() = 0;  // SPI_GETCLIENTAREAANIMATION; a failed call counts as on
  virtual void set_animate_timer() = 0;      // TIMER_ANIMATE, 16 ms
  virtual void kill_animate_timer() = 0;
};

// The bar window's animation setting and its TIMER_ANIMATE (Windows only).
class Win32AnimationHost final : public AnimationHost {
 public:
  explicit Win32AnimationHost(WindowHandle window) : window_(window) {}
  bool client_area_animation() override;
  void set_animate_timer() override;
  void kill_animate_timer() override;

 private:
  WindowHandle window_;
};

void start_orb_animation(WindowPoster& window, AnimationHost& host, Guarded<AppState>& state, Instant now);
// One TIMER_ANIMATE tick.
void orb_animation_step(WindowPoster& window, AnimationHost& host, Guarded<AppState>& state, Instant now);

}  // namespace qx
