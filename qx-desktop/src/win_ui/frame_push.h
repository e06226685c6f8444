// Frames handed to the layered bar window: present_frame lays out, paints, blends the current
// video in and pushes the whole frame; push_video_frame blends a new video frame into the last
// presented one and pushes only its dirty rectangle. The window, the painter and the player are
// seams (LayeredWindow, FramePainter, PlayerLink), so the logic runs natively in tests.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "render/bar_layout.h"
#include "render/bar_painter.h"
#include "render/dib_surface.h"
#include "win_ui/locked_value.h"

namespace qx {

struct ScreenPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// Where a frame of the layout's size is pushed in the window rectangle: on the bottom edge for a
// bottom bar, the top edge for the top bar and the left dock, the right edge for the right dock,
// centred and lifted by 12 × scale for the island.
ScreenPoint push_position(Placement placement, const Rect& window, std::int32_t layout_width,
                          std::int32_t layout_height, float scale);

// "{title}: {caption} ({status})".
std::string bar_window_text(const ViewSnapshot& view, Instant now);

// The last frame pushed, kept so that video can be blended over its clean pixels.
struct PresentedFrame {
  std::vector<std::uint32_t> base_pixels;  // the painted pixels before video; empty without targets
  std::vector<VideoTarget> targets;
  DibSurface surface;
  ScreenPoint position;
  bool pushed = false;      // the window took it: what the window shows now
  std::string window_text;  // the window's text as last set with this frame or after it
};

// Never destroyed: it outlives every thread.
extern LockedOptional<PresentedFrame>& PRESENTED_FRAME;

// The player's current frames, one per target in target order; `owner` keeps their pixels alive.
struct VideoFrameSet {
  std::vector<PictureView> frames;
  std::shared_ptr<const void> owner;
};

// What the frame push needs of the media player. Each call takes the player lock for itself.
class PlayerLink {
 public:
  virtual ~PlayerLink() = default;
  // Without a player: none. Else sends the target sizes (an empty list too) and gives the frames.
  virtual std::optional<VideoFrameSet> set_targets_and_snapshot(const std::vector<VideoTargetSize>& sizes) = 0;
  virtual std::optional<VideoFrameSet> snapshot() = 0;
};

// The bar window as the push sees it.
class LayeredWindow {
 public:
  virtual ~LayeredWindow() = default;
  // UpdateLayeredWindow with per-pixel alpha, the frame at `position` with the given size.
  virtual bool push(DibSurface& surface, ScreenPoint position, std::int32_t width, std::int32_t height) = 0;
  // UpdateLayeredWindowIndirect for the dirty rectangle only.
  virtual bool push_dirty(DibSurface& surface, ScreenPoint position, const Rect& dirty) = 0;
  virtual void set_text(const std::string& text) = 0;
  virtual void show_without_activation() = 0;
};

class FramePainter {
 public:
  virtual ~FramePainter() = default;
  virtual BarLayout layout(const ViewSnapshot& view, std::int32_t width, std::int32_t height, float scale) = 0;
  virtual std::optional<PaintedFrame> paint(const ViewSnapshot& view, const BarLayout& layout) = 0;
};

// Everything one push needs. The program passes WINDOW_RECT and PRESENTED_FRAME.
struct FramePush {
  FramePainter& painter;
  LayeredWindow& window;
  PlayerLink& player;
  LockedOptional<Rect>& window_rect;
  LockedOptional<PresentedFrame>& presented;
  float scale = 1.0f;
};

// Paints and pushes one frame; false when there was nothing to show (bar inactive, window not
// placed, no frame painted). The window is shown unless a full-screen program runs. A frame without
// video that the window already shows, pixel for pixel at the same place, and a window text it
// already has are not handed to the window again (the timers repaint when nothing changed).
bool present_frame(const ViewSnapshot& view, Instant now, FramePush& push);

// The window was hidden: its next frame is pushed even when it looks the same, so that showing
// it never relies on the system keeping a hidden window's last image.
void forget_frame_on_screen(LockedOptional<PresentedFrame>& presented);

// On WM_APP_VIDEO_FRAME: clears FRAME_PENDING, restores the dirty rectangle from the clean copy,
// blends the player's frames and pushes that rectangle; false when nothing was pushed.
bool push_video_frame(FramePush& push);

}  // namespace qx
