// The painter's platform tools: GDI+ text and pictures, the Windows clock, and now.
#include "render/bar_painter.h"

namespace qx {

PaintTools platform_paint_tools() {
  return PaintTools{platform_text(), platform_pictures(), system_local_clock(), SteadyClock::now()};
}

}  // namespace qx
