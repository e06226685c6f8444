#include <memory>

#include "render/repaint.h"
#include "video/playback_sync.h"

namespace qx {

void sync_playback(WindowHandle window) {
  const PlayerStarter start = [window] {
    auto poster = std::make_shared<Win32WindowPoster>(window);
    return start_player(PlayerNotices{poster.get(), &FRAME_PENDING}, make_platform_media, poster);
  };
  sync_playback(APP_STATE, PLAYER_SOURCE, CURRENT_PLAYER, start, SteadyClock::now());
}

}  // namespace qx
