// The "--render" console mode: one frame of the bar, painted off screen from a state built from
// the defaults and the command line, written to a 32-bit bitmap file. No window, mutex, tray or
// timer; the only other thread is an off-screen player when the orb or the story shows video.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/state_media.h"
#include "feed_records.h"
#include "render/bar_layout.h"
#include "render/bar_painter.h"
#include "result.h"
#include "video/media_engine.h"

namespace qx {

inline constexpr std::int32_t RENDER_DEFAULT_WIDTH = 1920;
inline constexpr std::int32_t RENDER_DEFAULT_HEIGHT = 1032;
inline constexpr std::int32_t BITMAP_HEADER_SIZE = 54;

// What the mode needs of the system, so that it can run against fakes.
struct RenderSystem {
  std::function<Result<QxFeedV1, std::string>(std::string_view source)> load_feed;
  // The picture's cached file, downloading it when needed.
  std::function<std::optional<std::string>(std::string_view address)> cached_picture;
  std::function<PaintTools()> paint_tools;
  // The last frames of an off-screen player that played the source (muted and silent) into
  // targets of these sizes, one per target; empty when it delivered none.
  std::function<std::vector<VideoFrame>(const std::string& source, std::vector<VideoTargetSize> sizes)>
      video_frames;
  std::function<Instant()> now;
  // Creates or truncates the file and writes the bytes in one piece; the error text on failure.
  std::function<std::optional<std::string>(std::string_view path, std::string_view bytes)> write_file;
  std::function<void(std::string_view)> write_stderr;
};

// Runs the mode on main's own state (never shared); the exit code, 0 or 1.
int run_render(const CommandLineOptions& options, AppState state, const RenderSystem& system);
// The same with this machine's feeds, pictures, GDI+ and disk (Windows only).
int run_render(const CommandLineOptions& options, AppState state);

// The size to lay out for: "--size" or the default. None when the size has no bitmap: a side
// below 1, or a file larger than a signed 32-bit size field can state.
std::optional<std::pair<std::int32_t, std::int32_t>> render_size(const CommandLineOptions& options);

// The whole bitmap file of the pixels: 54-byte header (rows top to bottom), then the pixels as
// stored, 4 bytes each (blue, green, red, alpha). Empty when the size has no bitmap.
std::string bitmap_file_bytes(PixelView pixels);
// Writes that file in one piece; the error text on failure.
std::optional<std::string> write_bitmap_file(const std::string& path, DibSurface& surface,
                                             const RenderSystem& system);

}  // namespace qx
