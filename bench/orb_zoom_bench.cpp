// Painting time of the orb's whole animation after one wheel notch, with a 4000 × 3000 photo in the
// orb and, in the same run, a 64 × 64 one as the baseline. Each picture is shown once at the
// starting zoom (its file is decoded then), then five notches zoom in one after another: after
// each, every TIMER_ANIMATE step is laid out and painted until the zoom settles, as the window does,
// and every step asks for an orb size not painted before. A 1920 × 1080 photo, the largest kind
// that is scaled whole, shows the cost below that. Pictures are JPEG files written by GDI+, so
// this runs on Windows (and under Wine) only.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include "app/orb_zoom.h"
#include "render/bar_layout.h"
#include "render/bar_painter.h"
#include "picture_files_win.h"
#include "render/repaint.h"
#include "unicode_text.h"

namespace {

using namespace qx;
using Clock = std::chrono::steady_clock;

// A photo-like gradient of w × h pixels as a JPEG file; an empty path on failure.
std::filesystem::path write_jpeg(const char* name, std::int32_t w, std::int32_t h) {
  const auto path = std::filesystem::temp_directory_path() / name;
  const bool written = zvtest::write_picture(path, L"image/jpeg", w, h, [w, h](std::int32_t x, std::int32_t y) {
    return 0xFF000000u | static_cast<std::uint32_t>(x * 255 / w) << 16 | static_cast<std::uint32_t>(y * 255 / h) << 8 |
           0x60u;
  });
  return written ? path : std::filesystem::path();
}

struct NoWindow : WindowPoster {
  void post(std::uint32_t) override {}
};
struct Timer : AnimationHost {
  bool armed = false;
  bool client_area_animation() override { return true; }
  void set_animate_timer() override { armed = true; }
  void kill_animate_timer() override { armed = false; }
};

AppState bench_state(const std::string& orb_picture) {
  AppState s;
  FeedSlot slot;
  slot.url = "https://example.org/feeds/harbour";
  slot.title = "Harbour Gazette";
  slot.status = "Updated just now";
  QxItem item;
  item.title = "Lighthouse reopens after a year of repairs";
  item.url = "https://example.org/n/1";
  slot.items.push_back(item);
  s.feeds.push_back(slot);
  s.default_feeds = false;
  s.orb_image = orb_picture;
  return s;
}

bool paint(Guarded<AppState>& state, const PaintTools& tools) {
  const std::optional<ViewSnapshot> view = view_snapshot(state);
  if (!view) return false;
  const BarLayout layout = layout_bar(*view, 1920, 1032, 1.0f);
  return paint_bar(*view, layout, tools).has_value();
}

struct Figures {
  double first_ms = 0;  // the first frame, which decodes the file
  double notch_ms = 0;  // painting one notch's whole animation, averaged over the notches
  double frames = 0;    // frames per notch
};

Figures time_orb_zoom(const std::string& picture, const PaintTools& tools) {
  constexpr int NOTCHES = 5;
  Guarded<AppState> state(bench_state(picture));
  NoWindow window;
  Timer timer;
  Figures f;
  const auto first = Clock::now();
  if (!paint(state, tools)) std::exit(1);
  f.first_ms = std::chrono::duration<double, std::milli>(Clock::now() - first).count();
  double painting = 0;
  int frames = 0;
  for (int notch = 0; notch < NOTCHES; ++notch) {
    state.with([](AppState& s) { scale_orb_zoom(s, 1.12f); });
    start_orb_animation(window, timer, state, Clock::now());
    while (timer.armed) {
      orb_animation_step(window, timer, state, Clock::now());
      REPAINT_PENDING = false;
      const auto start = Clock::now();
      if (!paint(state, tools)) std::exit(1);
      painting += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      ++frames;
    }
  }
  f.notch_ms = painting / NOTCHES;
  f.frames = static_cast<double>(frames) / NOTCHES;
  return f;
}

}  // namespace

int main() {
  const std::filesystem::path small = write_jpeg("zv-orb-bench-64.jpg", 64, 64);
  const std::filesystem::path large = write_jpeg("zv-orb-bench-4000.jpg", 4000, 3000);
  const std::filesystem::path whole = write_jpeg("zv-orb-bench-1920.jpg", 1920, 1080);
  if (small.empty() || large.empty() || whole.empty()) return 1;
  const PaintTools tools = platform_paint_tools();
  const Figures base = time_orb_zoom(wide_to_utf8(small.wstring()), tools);
  const Figures big = time_orb_zoom(wide_to_utf8(large.wstring()), tools);
  const Figures kept_whole = time_orb_zoom(wide_to_utf8(whole.wstring()), tools);
  std::printf("%-28s %14s %16s %14s %12s\n", "orb picture", "first frame", "notch animation", "frames/notch",
              "ms / frame");
  std::printf("%-28s %11.1f ms %13.1f ms %14.1f %12.2f\n", "64 x 64 (baseline)", base.first_ms, base.notch_ms,
              base.frames, base.notch_ms / base.frames);
  std::printf("%-28s %11.1f ms %13.1f ms %14.1f %12.2f\n", "4000 x 3000", big.first_ms, big.notch_ms, big.frames,
              big.notch_ms / big.frames);
  std::printf("%-28s %11.1f ms %13.1f ms %14.1f %12.2f\n", "1920 x 1080 (scaled whole)", kept_whole.first_ms,
              kept_whole.notch_ms, kept_whole.frames, kept_whole.notch_ms / kept_whole.frames);
  std::printf("notch animation, 4000 x 3000 / 64 x 64: %.2fx\n", big.notch_ms / base.notch_ms);
  std::filesystem::remove(small);
  std::filesystem::remove(large);
  std::filesystem::remove(whole);
  return 0;
}

#else
int main() {
  std::puts("orb_zoom_bench decodes pictures with GDI+: run the Windows build (under Wine).");
  return 0;
}
#endif
