#include "win_ui/player_link.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace qx {
namespace {

PixelBuffer buffer(std::size_t n, std::uint32_t colour) {
  return std::make_shared<const std::vector<std::uint32_t>>(n, colour);
}

TEST(PlayerFrames, BecomeViewsInTargetOrderThatOutliveTheSnapshot) {
  VideoFrameSet set;
  {
    PlayerSnapshot snap;
    snap.frames.push_back(VideoFrame{buffer(6, 0x00112233), 3, 2});
    snap.frames.push_back(VideoFrame{nullptr, 3, 2});           // no pixels
    snap.frames.push_back(VideoFrame{buffer(5, 0x00445566), 3, 2});  // fewer pixels than its size says
    snap.frames.push_back(VideoFrame{buffer(4, 0x00778899), 2, 2});
    set = frames_of(std::move(snap));
  }
  ASSERT_EQ(set.frames.size(), 4u);
  EXPECT_EQ(set.frames[0].width, 3);
  EXPECT_EQ(set.frames[0].height, 2);
  EXPECT_EQ(set.frames[0].pixels[5], 0x00112233u);
  EXPECT_EQ(set.frames[1].pixels, nullptr);
  EXPECT_EQ(set.frames[2].pixels, nullptr) << "a short buffer is never read past its end";
  EXPECT_EQ(set.frames[3].pixels[3], 0x00778899u);
}

TEST(PlayerFrames, WithoutAPlayerThereAreNone) {
  Guarded<std::optional<PlayerHandle>> none{std::optional<PlayerHandle>{}};
  CurrentPlayerLink link(none);
  EXPECT_EQ(link.snapshot(), std::nullopt);
  EXPECT_EQ(link.set_targets_and_snapshot({VideoTargetSize{10, 10, Fit{}}}), std::nullopt);
  Guarded<std::optional<PlayerHandle>> unset;
  CurrentPlayerLink unset_link(unset);
  EXPECT_EQ(unset_link.snapshot(), std::nullopt);
}

}  // namespace
}  // namespace qx
