#include "render/dib_surface.h"

#include <gtest/gtest.h>

#include <utility>

namespace qx {
namespace {

TEST(CreateDibSurface, RefusesSizesBelowOne) {
  const std::pair<std::int32_t, std::int32_t> sizes[] = {{0, 1}, {1, 0}, {0, 0}, {1, -5}, {-5, 1}, {INT32_MIN, 3}};
  for (const auto& [w, h] : sizes) EXPECT_FALSE(create_dib_surface(w, h).has_value()) << w << " x " << h;
}

TEST(CreateDibSurface, GivesOnePixelFor1x1) {
  auto surface = create_dib_surface(1, 1);
  ASSERT_TRUE(surface.has_value());
  EXPECT_EQ(surface->width(), 1);
  EXPECT_EQ(surface->height(), 1);
  const PixelView view = dib_pixels(*surface);
  ASSERT_NE(view.pixels, nullptr);
  EXPECT_EQ(view.width, 1);
  EXPECT_EQ(view.height, 1);
  view.pixels[0] = 0x00ABCDEFu;
  EXPECT_EQ(dib_pixels(*surface).pixels[0], 0x00ABCDEFu);
}

TEST(CreateDibSurface, GivesWidthTimesHeightPixelsThatStayWithTheOwnerWhenMoved) {
  auto made = create_dib_surface(7, 3);
  ASSERT_TRUE(made.has_value());
  PixelView view = dib_pixels(*made);
  for (std::int32_t i = 0; i < 21; ++i) view.pixels[i] = static_cast<std::uint32_t>(i);

  DibSurface moved = std::move(*made);
  EXPECT_EQ(made->width(), 0);
  EXPECT_EQ(moved.width(), 7);
  EXPECT_EQ(moved.height(), 3);
  view = dib_pixels(moved);
  for (std::int32_t i = 0; i < 21; ++i) ASSERT_EQ(view.pixels[i], static_cast<std::uint32_t>(i));

  auto other = create_dib_surface(2, 2);
  ASSERT_TRUE(other.has_value());
  *other = std::move(moved);  // the 2 × 2 surface is released, the 7 × 3 one taken over
  EXPECT_EQ(other->width(), 7);
  EXPECT_EQ(dib_pixels(*other).pixels[20], 20u);
}

}  // namespace
}  // namespace qx
