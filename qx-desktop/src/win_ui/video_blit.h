// Video frames blended into the painted bar: each frame fills its target's rounded area, with
// anti-aliased edges and never outside the opaque shape that was painted there. Pure pixel code,
// used by the window's frame push and by the off-screen "--render" mode.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "render/bar_layout.h"
#include "render/pixels.h"

namespace qx {

// Target i takes frame i (frames beyond the targets, or targets beyond the frames, are left out).
// A frame whose size differs from its target's is skipped: the player has not yet caught up with
// a resize. Frame pixels are 0x00RRGGBB; their top byte is ignored.
void blit_video_frame(PixelView surface, std::span<const VideoTarget> targets, std::span<const PictureView> frames);

// The union of the targets clamped to the surface; none when it is empty, so that nothing is
// pushed for targets that lie wholly outside.
std::optional<Rect> video_dirty_rect(std::span<const VideoTarget> targets, std::int32_t surface_width,
                                     std::int32_t surface_height);

// Copies the rectangle's rows from the clean copy back over the surface. A clean copy of another
// size than the surface's is not used.
void restore_clean_pixels(PixelView surface, const std::vector<std::uint32_t>& clean, const Rect& area);

}  // namespace qx
