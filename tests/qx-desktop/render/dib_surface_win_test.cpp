#include <windows.h>

#include <gtest/gtest.h>

#include "render/dib_surface.h"

namespace qx {
namespace {

TEST(DibSurfaceOnWindows, IsTopDownMemoryThatGdiDrawsInto) {
  auto surface = create_dib_surface(4, 3);
  ASSERT_TRUE(surface.has_value());
  ASSERT_NE(surface->memory_dc(), nullptr);
  HDC dc = static_cast<HDC>(surface->memory_dc());
  // Fill the top row red through GDI; the pixels must show it once flushed, in row 0.
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  const RECT top_row{0, 0, 4, 1};
  FillRect(dc, &top_row, red);
  DeleteObject(red);
  const PixelView view = dib_pixels(*surface);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(view.pixels[x] & 0x00FFFFFFu, 0x00FF0000u) << x;
    EXPECT_EQ(view.pixels[4 * 2 + x], 0u) << x;
  }
}

TEST(DibSurfaceOnWindows, ReleasesItsHandlesWhenDropped) {
  const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  for (int i = 0; i < 200; ++i) {
    auto surface = create_dib_surface(64, 16);
    ASSERT_TRUE(surface.has_value());
  }
  const DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  EXPECT_LT(after, before + 20);
}

}  // namespace
}  // namespace qx
