#include "app/render_mode.h"

#include <limits>

#include "app/feed_slots.h"
#include "app/orb_zoom.h"
#include "win_ui/video_blit.h"

namespace qx {

namespace {

const char* const RENDER_FAILED = "render failed: ";
const char* const NO_FRAME = "could not allocate frame";

// The file is 54 + W × H × 4 bytes and its size field a signed 32-bit number.
bool has_bitmap(std::int64_t width, std::int64_t height) {
  if (width < 1 || height < 1) return false;
  const std::int64_t limit = std::numeric_limits<std::int32_t>::max();
  return height <= (limit - BITMAP_HEADER_SIZE) / 4 / width;
}

void put_u16(std::string& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}

void put_u32(std::string& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

int fail(const RenderSystem& system, std::string_view error) {
  system.write_stderr(std::string(RENDER_FAILED) + std::string(error) + "\n");
  return 1;
}

// Blends the player's last frames into the places the painter left for video.
void add_video(const OrbMediaSource& source, PaintedFrame& frame, const RenderSystem& system) {
  if (!system.video_frames) return;
  const std::vector<VideoFrame> frames =
      system.video_frames(source.source, video_target_sizes(frame.video_targets));
  std::vector<PictureView> views;
  for (const VideoFrame& f : frames) {
    // A frame without (enough) pixels gets no size, so it matches no target and is left out.
    const bool whole = f.pixels && f.width > 0 && f.height > 0 &&
                       f.pixels->size() >= static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height);
    views.push_back(whole ? PictureView{f.pixels->data(), f.width, f.height} : PictureView{});
  }
  blit_video_frame(dib_pixels(frame.surface), frame.video_targets, views);
}

}  // namespace

std::optional<std::pair<std::int32_t, std::int32_t>> render_size(const CommandLineOptions& options) {
  const auto size = options.size.value_or(std::pair{RENDER_DEFAULT_WIDTH, RENDER_DEFAULT_HEIGHT});
  if (!has_bitmap(size.first, size.second)) return std::nullopt;
  return size;
}

std::string bitmap_file_bytes(PixelView pixels) {
  if (!has_bitmap(pixels.width, pixels.height) || pixels.pixels == nullptr) return {};
  const std::size_t count = static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height);
  std::string out(BITMAP_HEADER_SIZE + count * 4, '\0');
  out[0] = 'B';
  out[1] = 'M';
  put_u32(out, 2, static_cast<std::uint32_t>(out.size()));
  put_u32(out, 10, BITMAP_HEADER_SIZE);
  put_u32(out, 14, 40);
  put_u32(out, 18, static_cast<std::uint32_t>(pixels.width));
  put_u32(out, 22, static_cast<std::uint32_t>(-pixels.height));  // negative: rows top to bottom
  put_u16(out, 26, 1);
  put_u16(out, 28, 32);
  // Blue, green, red, alpha is the little-endian order of the packed 0xAARRGGBB pixels.
  for (std::size_t i = 0; i < count; ++i) put_u32(out, BITMAP_HEADER_SIZE + i * 4, pixels.pixels[i]);
  return out;
}

std::optional<std::string> write_bitmap_file(const std::string& path, DibSurface& surface,
                                             const RenderSystem& system) {
  const std::string bytes = bitmap_file_bytes(dib_pixels(surface));
  if (bytes.empty()) return std::string(NO_FRAME);
  return system.write_file(path, bytes);
}

int run_render(const CommandLineOptions& options, AppState state, const RenderSystem& system) {
  // The feed as it loads now; a failure is shown by the frame, not reported.
  const std::string address = current_feed(state).url;
  apply_feed_result(state.feeds, address, system.load_feed(address), system.now());
  // Reduced while unsigned: a step of 2^63 or more would turn negative as a signed step.
  if (const std::size_t count = story_count(state)) {
    advance_story(state, static_cast<std::int64_t>(options.item.value_or(0) % count));
  }

  if (const auto picture = current_picture_url(state)) {
    if (const auto file = system.cached_picture(*picture)) state.pictures[*picture] = *file;
  }
  const Instant now = system.now();
  if (state.playing) {
    state.playing->has_video = true;
    state.playing->status = PlayerStatus::Playing;
    state.shown_zoom = target_orb_zoom(state, now);
  }

  const auto size = render_size(options);
  if (!size) return fail(system, NO_FRAME);
  const float scale = options.scale.value_or(1.0f);
  const BarLayout layout = layout_bar(state, size->first, size->second, scale);
  if (!has_bitmap(layout.width, layout.height)) return fail(system, NO_FRAME);
  const PaintTools tools = system.paint_tools();
  std::optional<PaintedFrame> frame = paint_bar(state, layout, tools);
  if (!frame) return fail(system, NO_FRAME);

  if (const auto source = orb_media_source(state, now); source && !frame->video_targets.empty()) {
    add_video(*source, *frame, system);
  }

  if (const auto error = write_bitmap_file(options.render.value_or(""), frame->surface, system)) return fail(system, *error);
  return 0;
}

}  // namespace qx
