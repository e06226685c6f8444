#include "video/media_engine.h"

#include <algorithm>

#include "unicode_text.h"

namespace qx {

std::optional<VideoSize> gif_frame_size(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  const std::int64_t longer = std::max(width, height);
  if (longer <= GIF_MAX_SIDE) return VideoSize{width, height};
  // n × (240 / longer) cut to whole pixels, in integers so that exact sizes stay exact.
  const auto side = [&](std::int64_t n) { return static_cast<std::int32_t>(std::max<std::int64_t>(n * GIF_MAX_SIDE / longer, 1)); };
  return VideoSize{side(width), side(height)};
}

std::chrono::milliseconds gif_frame_delay(std::optional<std::uint32_t> hundredths) {
  if (!hundredths || *hundredths < 2) return GIF_DEFAULT_DELAY;
  // 64-bit, so that the largest value cannot wrap into a short delay.
  return std::chrono::milliseconds(static_cast<std::int64_t>(*hundredths) * 10);
}

std::vector<std::chrono::milliseconds> gif_frame_delays(const unsigned char* values, std::size_t value_bytes,
                                                        std::size_t frame_count) {
  std::vector<std::chrono::milliseconds> delays;
  delays.reserve(frame_count);
  const std::size_t present = values ? value_bytes / 4 : 0;
  for (std::size_t i = 0; i < frame_count; ++i) {
    std::optional<std::uint32_t> value;
    if (i < present) {
      const unsigned char* p = values + 4 * i;
      value = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
              static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    }
    delays.push_back(gif_frame_delay(value));
  }
  return delays;
}

bool is_local_gif(const std::string& source) {
  return !source.starts_with("https://") && ascii_lower(source).ends_with(".gif");
}

}  // namespace qx
