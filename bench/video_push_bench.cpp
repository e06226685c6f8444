// Cost of one new video frame in the bar: the dirty rectangle restored from the clean copy, the
// frame blended into the orb's rounded target, and (on Windows with a screen) the dirty-rectangle
// push. The orb of a bottom bar playing video, at scale 1.0 and 1.5. A plain copy of the same
// rectangle's rows runs in the same process as the baseline.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/feed_slots.h"
#include "render/bar_layout.h"
#include "render/dib_surface.h"
#include "win_ui/video_blit.h"

#ifdef _WIN32
#include <windows.h>

#include "win_ui/bar_window_win.h"
#endif

namespace {

using namespace qx;
using Clock = std::chrono::steady_clock;

constexpr int ROUNDS = 2000;

// A bottom bar, expanded while a clip plays in the orb, at the largest orb size.
BarLayout video_bar_layout(float scale) {
  AppState s = initial_app_state("https://example.org/feed");
  s.default_feeds = false;
  s.expanded = true;
  s.orb_size = OrbSize::XL;
  s.playing = PlayingMedia{"https://example.org/clip.mp4", "Clip", true, false, false, false, true, PlayerStatus::Playing};
  return layout_bar(s, 1920, scale_design(52, scale), scale);
}

template <class F>
double micros_per_round(F&& f, int rounds = ROUNDS) {
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < rounds; ++i) f();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / rounds;
}

void run(float scale) {
  const BarLayout layout = video_bar_layout(scale);
  const Rect orb = layout.orb.rect;
  const std::vector<VideoTarget> targets{VideoTarget{orb, static_cast<float>(orb.width()) / 2, Fit{}}};
  std::optional<DibSurface> surface = create_dib_surface(layout.width, layout.height);
  if (!surface) {
    std::printf("scale %.2f: no surface\n", scale);
    return;
  }
  PixelView px = dib_pixels(*surface);
  std::fill(px.pixels, px.pixels + static_cast<std::size_t>(px.width) * px.height, 0xFF1E1E1Eu);
  const std::vector<std::uint32_t> clean(px.pixels, px.pixels + static_cast<std::size_t>(px.width) * px.height);
  std::vector<std::uint32_t> frame(static_cast<std::size_t>(orb.width()) * orb.height());
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
  const PictureView frames[] = {PictureView{frame.data(), orb.width(), orb.height()}};
  const Rect dirty = *video_dirty_rect(targets, px.width, px.height);

  const double copy = micros_per_round([&] {
    for (std::int32_t y = dirty.top; y < dirty.bottom; ++y) {
      const std::size_t at = static_cast<std::size_t>(y) * px.width + dirty.left;
      std::memcpy(px.pixels + at, clean.data() + at, static_cast<std::size_t>(dirty.width()) * 4);
    }
  });
  const double restore_blit = micros_per_round([&] {
    restore_clean_pixels(px, clean, dirty);
    blit_video_frame(px, targets, frames);
  });
  std::printf("scale %.2f: surface %dx%d, orb %dx%d, dirty %dx%d\n", scale, px.width, px.height, orb.width(),
              orb.height(), dirty.width(), dirty.height());
  std::printf("  plain copy of the dirty rows (baseline)  %8.2f us/frame\n", copy);
  std::printf("  restore + blend                          %8.2f us/frame  (%.1fx baseline)\n", restore_blit,
              restore_blit / std::max(copy, 1e-3));

#ifdef _WIN32
  // The push itself, where a screen exists (under Xvfb, say).
  register_bar_class(DefWindowProcW);
  UniqueWindow window = create_bar_window();
  if (!window) {
    std::printf("  push: no window (no screen)\n");
    return;
  }
  Win32LayeredWindow layered(window.get());
  layered.push(*surface, ScreenPoint{0, 0}, px.width, px.height);
  // The platform's pushes are slow under Wine: fewer rounds. The whole-frame push shows whether
  // the dirty rectangle saves anything there.
  const double push = micros_per_round([&] { layered.push_dirty(*surface, ScreenPoint{0, 0}, dirty); }, 200);
  const double whole = micros_per_round([&] { layered.push(*surface, ScreenPoint{0, 0}, px.width, px.height); }, 200);
  std::printf("  dirty-rectangle push alone               %8.2f us/frame\n", push);
  std::printf("  whole-frame push, for comparison         %8.2f us/frame\n", whole);
#endif
}

}  // namespace

int main() {
  std::printf("video frame into the bar, %d rounds each\n", ROUNDS);
  run(1.0f);
  run(1.5f);
  return 0;
}
