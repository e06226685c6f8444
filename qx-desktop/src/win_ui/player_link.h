// The frame push's view of the media player: the one player in CURRENT_PLAYER, its target sizes
// and its current frames.
#pragma once

#include <optional>

#include "app/guarded.h"
#include "video/player.h"
#include "win_ui/frame_push.h"

namespace qx {

// The snapshot's frames as views, in target order; the views keep the snapshot alive. A frame
// without pixels gives an empty view, which the blit skips.
VideoFrameSet frames_of(PlayerSnapshot snapshot);

// A player held in a lock such as CURRENT_PLAYER; each call takes that lock for its own work.
class CurrentPlayerLink final : public PlayerLink {
 public:
  explicit CurrentPlayerLink(Guarded<std::optional<PlayerHandle>>& player) : player_(player) {}
  std::optional<VideoFrameSet> set_targets_and_snapshot(const std::vector<VideoTargetSize>& sizes) override;
  std::optional<VideoFrameSet> snapshot() override;

 private:
  Guarded<std::optional<PlayerHandle>>& player_;
};

}  // namespace qx
