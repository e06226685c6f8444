#include "win_ui/player_link.h"

#include <memory>

namespace qx {

VideoFrameSet frames_of(PlayerSnapshot snapshot) {
  auto kept = std::make_shared<const PlayerSnapshot>(std::move(snapshot));
  VideoFrameSet set;
  set.frames.reserve(kept->frames.size());
  for (const VideoFrame& f : kept->frames) {
    const bool whole = f.pixels && f.width > 0 && f.height > 0 &&
                       f.pixels->size() >= static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height);
    set.frames.push_back(whole ? PictureView{f.pixels->data(), f.width, f.height} : PictureView{});
  }
  set.owner = std::move(kept);
  return set;
}

std::optional<VideoFrameSet> CurrentPlayerLink::set_targets_and_snapshot(const std::vector<VideoTargetSize>& sizes) {
  std::optional<std::optional<PlayerSnapshot>> taken = player_.with([&](std::optional<PlayerHandle>& handle) {
    if (!handle) return std::optional<PlayerSnapshot>{};
    player_set_targets(*handle, sizes);
    return std::optional<PlayerSnapshot>{player_snapshot(handle->shared())};
  });
  if (!taken || !*taken) return std::nullopt;
  return frames_of(std::move(**taken));
}

std::optional<VideoFrameSet> CurrentPlayerLink::snapshot() {
  std::optional<std::optional<PlayerSnapshot>> taken = player_.with([](std::optional<PlayerHandle>& handle) {
    return handle ? std::optional<PlayerSnapshot>{player_snapshot(handle->shared())} : std::nullopt;
  });
  if (!taken || !*taken) return std::nullopt;
  return frames_of(std::move(**taken));
}

}  // namespace qx
