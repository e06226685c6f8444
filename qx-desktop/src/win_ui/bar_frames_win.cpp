#include "win_ui/bar_frames_win.h"

#include "render/bar_painter.h"
#include "video/playback_sync.h"
#include "win_ui/bar_window_win.h"
#include "win_ui/player_link.h"

namespace qx {

namespace {

class BarFramePainter final : public FramePainter {
 public:
  BarLayout layout(const ViewSnapshot& view, std::int32_t width, std::int32_t height, float scale) override {
    return layout_bar(view, width, height, scale);
  }
  std::optional<PaintedFrame> paint(const ViewSnapshot& view, const BarLayout& layout) override {
    return paint_bar(view, layout, platform_paint_tools());
  }
};

}  // namespace

FramePainter& bar_frame_painter() {
  static BarFramePainter* painter = new BarFramePainter();  // stateless; kept for the process
  return *painter;
}

PlayerLink& current_player_link() {
  static CurrentPlayerLink* link = new CurrentPlayerLink(CURRENT_PLAYER);
  return *link;
}

void place_window(HWND window) { place_window(window, bar_frame_painter(), current_player_link()); }

bool present_frame(HWND window, const ViewSnapshot& view) {
  return present_frame(window, view, bar_frame_painter(), current_player_link());
}

bool push_video_frame(HWND window) { return push_video_frame(window, bar_frame_painter(), current_player_link()); }

UINT taskbar_created_message() { return RegisterWindowMessageW(L"TaskbarCreated"); }

}  // namespace qx
