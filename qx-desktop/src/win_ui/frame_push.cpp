#include "win_ui/frame_push.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/bar_activity.h"
#include "app/feed_slots.h"
#include "app/state_texts.h"
#include "render/repaint.h"
#include "render/saturate.h"
#include "win_ui/video_blit.h"

namespace qx {

LockedOptional<PresentedFrame>& PRESENTED_FRAME = *new LockedOptional<PresentedFrame>();

namespace {


// The window already shows exactly this frame: the last push took it, at the same place, with
// the same size and pixels, and neither frame has video drawn over it.
bool shown_already(PresentedFrame& kept, PaintedFrame& painted, ScreenPoint position) {
  if (!kept.pushed || !kept.targets.empty() || !painted.video_targets.empty() || kept.position != position)
    return false;
  const PixelView shown = dib_pixels(kept.surface);
  const PixelView fresh = dib_pixels(painted.surface);
  if (shown.width != fresh.width || shown.height != fresh.height) return false;
  if (shown.pixels == nullptr || fresh.pixels == nullptr) return false;
  return std::memcmp(shown.pixels, fresh.pixels,
                     static_cast<std::size_t>(shown.width) * static_cast<std::size_t>(shown.height) *
                         sizeof(std::uint32_t)) == 0;
}

// Setting the same text again costs a round through the window system for nothing.
void set_window_text(const ViewSnapshot& view, Instant now, FramePush& push) {
  std::string text = bar_window_text(view, now);
  const bool changed = push.presented.with([&](std::optional<PresentedFrame>& kept) {
    if (!kept) return true;
    if (kept->window_text == text) return false;
    kept->window_text = text;
    return true;
  });
  if (changed) push.window.set_text(text);
}

}  // namespace

ScreenPoint push_position(Placement placement, const Rect& window, std::int32_t layout_width,
                          std::int32_t layout_height, float scale) {
  switch (placement) {
    case Placement::SignalBarBottom: return {window.left, clamp_i32(std::int64_t{window.bottom} - layout_height)};
    case Placement::SignalBarTop:
    case Placement::BarLeft: return {window.left, window.top};
    case Placement::BarRight: return {clamp_i32(std::int64_t{window.right} - layout_width), window.top};
    case Placement::Island: {
      const std::int64_t width = std::int64_t{window.right} - window.left;
      return {clamp_i32(window.left + (width - layout_width) / 2),
              clamp_i32(std::int64_t{window.top} - saturate_i32(12.0f * scale))};
    }
  }
  return {window.left, window.top};
}

std::string bar_window_text(const ViewSnapshot& view, Instant now) {
  return current_feed(view).title + ": " + caption_text(view) + " (" + status_text(view, now) + ")";
}

bool present_frame(const ViewSnapshot& view, Instant now, FramePush& push) {
  if (!is_bar_active(view, now)) return false;
  const std::optional<Rect> rect = push.window_rect.load();
  if (!rect) return false;
  const BarLayout layout = push.painter.layout(view, rect->width(), rect->height(), push.scale);
  std::optional<PaintedFrame> painted = push.painter.paint(view, layout);
  if (!painted) return false;

  const ScreenPoint position = push_position(view.placement, *rect, layout.width, layout.height, push.scale);
  const bool on_screen = push.presented.with(
      [&](std::optional<PresentedFrame>& kept) { return kept && shown_already(*kept, *painted, position); });
  PixelView pixels = dib_pixels(painted->surface);
  std::vector<std::uint32_t> base;
  if (!painted->video_targets.empty() && pixels.pixels != nullptr) {
    base.assign(pixels.pixels, pixels.pixels + static_cast<std::size_t>(pixels.width) * pixels.height);
  }
  if (const std::optional<VideoFrameSet> frames =
          push.player.set_targets_and_snapshot(video_target_sizes(painted->video_targets))) {
    blit_video_frame(pixels, painted->video_targets, frames->frames);
  }
  if (!on_screen) {
    const bool pushed = push.window.push(painted->surface, position, layout.width, layout.height);
    push.presented.with([&](std::optional<PresentedFrame>& kept) {
      std::string text = kept ? std::move(kept->window_text) : std::string();
      kept.reset();  // the old surface goes before the new one is stored
      kept.emplace(PresentedFrame{std::move(base), std::move(painted->video_targets), std::move(painted->surface),
                                  position, pushed, std::move(text)});
    });
  }
  set_window_text(view, now, push);
  if (!FULLSCREEN_APP.load()) push.window.show_without_activation();
  return true;
}

void forget_frame_on_screen(LockedOptional<PresentedFrame>& presented) {
  presented.with([](std::optional<PresentedFrame>& kept) {
    if (kept) kept->pushed = false;
  });
}

bool push_video_frame(FramePush& push) {
  FRAME_PENDING.store(false);
  const std::optional<VideoFrameSet> frames = push.player.snapshot();
  if (!frames) return false;
  return push.presented.with([&](std::optional<PresentedFrame>& kept) {
    if (!kept || kept->targets.empty() || frames->frames.empty()) return false;
    PixelView pixels = dib_pixels(kept->surface);
    const std::optional<Rect> dirty = video_dirty_rect(kept->targets, pixels.width, pixels.height);
    if (!dirty) return false;  // every target lies outside the surface: nothing to push
    restore_clean_pixels(pixels, kept->base_pixels, *dirty);
    blit_video_frame(pixels, kept->targets, frames->frames);
    return push.window.push_dirty(kept->surface, kept->position, *dirty);
  });
}

}  // namespace qx
