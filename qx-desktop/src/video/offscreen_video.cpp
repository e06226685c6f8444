#include "video/offscreen_video.h"

#include <thread>

#include "video/player.h"

namespace qx {

std::vector<VideoFrame> offscreen_video_frames(const std::string& source, std::vector<VideoTargetSize> targets,
                                               const MediaPlatformFactory& make_platform,
                                               const OffscreenVideoWait& wait) {
  std::optional<PlayerHandle> player = start_player(PlayerNotices{}, make_platform);
  if (!player) return {};
  player_set_targets(*player, std::move(targets));
  player_open(*player, source, true, true);
  const auto start = SteadyClock::now();
  PlayerSnapshot snap;
  for (;;) {
    snap = player_snapshot(player->shared());
    if (snap.serial >= wait.min_frames || snap.status == PlayerStatus::Failed) break;
    if (std::chrono::duration_cast<std::chrono::seconds>(SteadyClock::now() - start) >= wait.limit) break;
    std::this_thread::sleep_for(wait.poll);
  }
  player_shutdown_join(*player);
  return std::move(snap.frames);
}

}  // namespace qx
