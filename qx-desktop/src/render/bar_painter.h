// One complete frame of the bar, painted off screen from a copy of the state: background and
// skin, brand side, orb, the placement's content, icon buttons, action button and the
// premultiplied alpha (with the island's shadow). Nothing is painted in WM_PAINT.
#pragma once

#include <optional>
#include <vector>

#include "app/app_state.h"
#include "render/bar_layout.h"
#include "render/date_labels.h"
#include "render/dib_surface.h"
#include "render/pictures.h"
#include "render/text.h"

namespace qx {

// What a frame needs of the platform: text, scaled pictures, the local clock and "now".
struct PaintTools {
  TextRenderer& text;
  PictureSource& pictures;
  LocalClock& clock;
  Instant now;
};

// The platform's tools with the current time (Windows only).
PaintTools platform_paint_tools();

struct PaintedFrame {
  DibSurface surface;
  std::vector<VideoTarget> video_targets;  // in the order they were painted
};

// None when the surface cannot be created; the caller then presents nothing.
std::optional<PaintedFrame> paint_bar(const ViewSnapshot& view, const BarLayout& layout, const PaintTools& tools);

}  // namespace qx
