// The off-screen 32-bit surface every frame is painted into: on Windows a top-down DIB section
// selected into a memory DC (GDI+ draws text and pictures through that DC); in the native build
// plain memory, so the painter can be tested without Win32.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "render/pixels.h"

namespace qx {

// Starts GDI+ on the first call of the process and tells whether it runs; never shut down.
// Always false in the native build.
bool gdiplus_startup_once();

// Move-only owner of one surface; used by one thread at a time.
class DibSurface {
 public:
  DibSurface(DibSurface&& other) noexcept;
  DibSurface& operator=(DibSurface&& other) noexcept;
  DibSurface(const DibSurface&) = delete;
  DibSurface& operator=(const DibSurface&) = delete;
  ~DibSurface();  // drop_dib_surface

  std::int32_t width() const noexcept { return width_; }
  std::int32_t height() const noexcept { return height_; }
  // The memory DC (an HDC) that holds the bitmap; null in the native build.
  void* memory_dc() const noexcept { return dc_; }

 private:
  friend std::optional<DibSurface> create_dib_surface(std::int32_t width, std::int32_t height);
  friend PixelView dib_pixels(DibSurface& surface);
  DibSurface() = default;
  void release() noexcept;

  void* dc_ = nullptr;        // HDC
  void* bitmap_ = nullptr;    // HBITMAP
  void* previous_ = nullptr;  // HGDIOBJ the DC held before
  std::uint32_t* pixels_ = nullptr;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::vector<std::uint32_t> memory_;  // native build only
};

// None for a width or height below 1, when GDI+ cannot start (Windows) or GDI refuses.
std::optional<DibSurface> create_dib_surface(std::int32_t width, std::int32_t height);
// Finishes queued GDI drawing (GdiFlush) and gives the pixels.
PixelView dib_pixels(DibSurface& surface);

}  // namespace qx
