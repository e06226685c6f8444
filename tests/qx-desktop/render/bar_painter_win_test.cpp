// Repaints with the real GDI+ text: a frame painted again, in any order with other frames,
// is the same to the byte as when it was first painted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "paint_fakes.h"
#include "render/bar_layout.h"
#include "render/bar_painter.h"

namespace qx {
namespace {

using test::news_state;

struct Frame {
  const char* name;
  Placement placement;
  bool expanded;
  std::uint64_t skin;
  float scale;
  const char* accent = nullptr;  // the team colour, when the feed has one
};

std::vector<std::uint32_t> paint_bytes(const Frame& f) {
  AppState s = news_state({"Lighthouse reopens after a year of repairs", "Ferry timetable changes for winter",
                           "Harbour festival draws record crowds"},
                          f.placement);
  s.expanded = f.expanded;
  s.skin = f.skin;
  if (f.accent) s.feeds[0].accent_hex = f.accent;
  const BarLayout layout = layout_bar(s, 1280, 720, f.scale);
  std::optional<PaintedFrame> frame = paint_bar(s, layout, platform_paint_tools());
  if (!frame) return {};
  const PixelView v = dib_pixels(frame->surface);
  return {v.pixels, v.pixels + static_cast<std::size_t>(v.width) * static_cast<std::size_t>(v.height)};
}

TEST(BarRepaint, EveryFrameRepaintsToTheSameBytes) {
  // Two skins put the same texts on different backgrounds, frame after frame; two dark team
  // colours put the action button's white label on two different fills.
  const Frame frames[] = {
      {"bar", Placement::SignalBarBottom, false, 0, 1.0f},
      {"bar on paper", Placement::SignalBarBottom, false, 1, 1.0f},
      {"expanded bar", Placement::SignalBarBottom, true, 0, 1.5f},
      {"expanded bar on pitch", Placement::SignalBarBottom, true, 3, 1.5f},
      {"island", Placement::Island, true, 0, 1.0f},
      {"island on claret", Placement::Island, true, 4, 1.0f},
      {"dock", Placement::BarLeft, false, 2, 1.0f},
      {"bar in red", Placement::SignalBarBottom, false, 0, 1.0f, "#8a1c1c"},
      {"bar in blue", Placement::SignalBarBottom, false, 0, 1.0f, "#1c3f8a"},
  };
  std::vector<std::vector<std::uint32_t>> first;
  for (const Frame& f : frames) {
    first.push_back(paint_bytes(f));
    ASSERT_FALSE(first.back().empty()) << f.name;
  }
  for (int round = 0; round < 3; ++round) {
    for (std::size_t i = 0; i < std::size(frames); ++i) {
      EXPECT_TRUE(paint_bytes(frames[i]) == first[i]) << frames[i].name << ", round " << round;
    }
  }
}

}  // namespace
}  // namespace qx
