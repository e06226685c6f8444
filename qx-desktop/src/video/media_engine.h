// What the player thread needs of the platform: the media engine for streams, clips and films,
// and the decoding of animated GIFs. The thread makes its MediaPlatform itself and is the only
// one to touch it; tests drive the player with fakes.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render/bar_layout.h"
#include "render/pictures.h"

namespace qx {

// One frame's pixels for one video target: width × height values 0x00RRGGBB, shared with the
// window without copying.
struct VideoFrame {
  PixelBuffer pixels;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// Event codes of the media engine that the player acts on.
inline constexpr std::uint32_t ENGINE_EVENT_ERROR = 5;
inline constexpr std::uint32_t ENGINE_EVENT_LOADEDMETADATA = 10;
inline constexpr std::uint32_t ENGINE_EVENT_PLAYING = 13;
inline constexpr std::uint32_t ENGINE_EVENT_ENDED = 19;

struct VideoSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const VideoSize&, const VideoSize&) = default;
};

// One loaded source on the media engine. Dropping it shuts the engine down.
class MediaEngine {
 public:
  virtual ~MediaEngine() = default;
  // The event codes the engine reported since the last call, oldest first.
  virtual std::vector<std::uint32_t> take_events() = 0;
  virtual void set_muted(bool muted) = 0;
  virtual void play() = 0;
  virtual void pause() = 0;
  virtual bool is_ended() = 0;
  virtual void seek_to_start() = 0;
  virtual bool has_video() = 0;
  virtual VideoSize native_video_size() = 0;  // 0 × 0 when unknown
  // The presentation time of a frame ready to be taken; none when there is none.
  virtual std::optional<std::int64_t> video_stream_tick() = 0;
  // The current frame scaled for the target by its fit; none on any failure.
  virtual std::optional<VideoFrame> capture_frame(const VideoTargetSize& target) = 0;
};

// One decoded GIF frame, at most GIF_MAX_SIDE pixels on its longer side.
struct GifFrame {
  std::chrono::milliseconds delay{0};
  std::vector<std::uint32_t> pixels;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

inline constexpr std::int32_t GIF_MAX_SIDE = 240;
inline constexpr std::size_t GIF_MAX_FRAMES = 150;
inline constexpr std::uint32_t GIF_PROPERTY_MAX_BYTES = 1'048'575;
inline constexpr std::chrono::milliseconds GIF_DEFAULT_DELAY{100};

class MediaPlatform {
 public:
  virtual ~MediaPlatform() = default;
  // A media engine playing the source (https address or local path); none when it cannot be made.
  virtual std::unique_ptr<MediaEngine> open_engine(const std::string& source, bool muted, bool loop) = 0;
  // The frames of a local GIF in order (stopping at the first that cannot be decoded); none
  // when the file cannot be read as a picture.
  virtual std::optional<std::vector<GifFrame>> decode_gif(const std::string& path) = 0;
};

// Made on the player thread when it starts, dropped when it ends.
using MediaPlatformFactory = std::function<std::unique_ptr<MediaPlatform>()>;

// COM, Media Foundation, the imaging factory and GDI+ on Windows; natively a platform on which
// every source fails.
std::unique_ptr<MediaPlatform> make_platform_media();

// Frame size of a w × h GIF: scaled down to at most 240 on the longer side, cut to whole
// pixels, at least 1. Zero in either input gives none.
std::optional<VideoSize> gif_frame_size(std::int32_t width, std::int32_t height);
// Delay of one frame from its value in hundredths of a second: values below 2, and a missing
// value, give 100 ms.
std::chrono::milliseconds gif_frame_delay(std::optional<std::uint32_t> hundredths);
// The delays of `frame_count` frames from the raw values of the frame-delay property (32-bit
// little-endian values; fewer values than frames leave the rest missing).
std::vector<std::chrono::milliseconds> gif_frame_delays(const unsigned char* values, std::size_t value_bytes,
                                                        std::size_t frame_count);

// Local GIF files are decoded by the player itself; everything else goes to the media engine.
bool is_local_gif(const std::string& source);

}  // namespace qx
