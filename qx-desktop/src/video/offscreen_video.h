// The video of "--render": an off-screen player plays the orb's source into the painted video
// targets until enough frames have come, the source failed, or the time is up.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "render/bar_layout.h"
#include "video/media_engine.h"

namespace qx {

struct OffscreenVideoWait {
  std::chrono::milliseconds poll{30};
  std::uint64_t min_frames = 70;  // frame sets stored before the frame is taken
  std::chrono::seconds limit{20};  // given up once this many whole seconds have passed
};

// Starts an off-screen player, sends it the target sizes, then the source (muted and silent),
// polls its frames and returns the last ones (none when it could not start or never delivered),
// and shuts it down.
std::vector<VideoFrame> offscreen_video_frames(const std::string& source, std::vector<VideoTargetSize> targets,
                                               const MediaPlatformFactory& make_platform = make_platform_media,
                                               const OffscreenVideoWait& wait = {});

}  // namespace qx
