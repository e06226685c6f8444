// The surface as a top-down 32-bit DIB section selected into a memory DC.
#include "render/dib_surface.h"

#include <utility>

#include "render/gdiplus_win.h"

namespace qx {

static_assert(sizeof(BITMAPINFOHEADER) == 40);

bool gdiplus_startup_once() {
  // Started once for the process and never shut down: detached threads may still draw at exit.
  static const bool running = [] {
    ULONG_PTR token = 0;
    const Gdiplus::GdiplusStartupInput input;  // version 1, no callback, nothing suppressed
    return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  }();
  return running;
}

DibSurface::DibSurface(DibSurface&& other) noexcept
    : dc_(std::exchange(other.dc_, nullptr)),
      bitmap_(std::exchange(other.bitmap_, nullptr)),
      previous_(std::exchange(other.previous_, nullptr)),
      pixels_(std::exchange(other.pixels_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)) {}

DibSurface& DibSurface::operator=(DibSurface&& other) noexcept {
  if (this != &other) {
    release();
    dc_ = std::exchange(other.dc_, nullptr);
    bitmap_ = std::exchange(other.bitmap_, nullptr);
    previous_ = std::exchange(other.previous_, nullptr);
    pixels_ = std::exchange(other.pixels_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
  }
  return *this;
}

DibSurface::~DibSurface() { release(); }

// drop_dib_surface
void DibSurface::release() noexcept {
  if (dc_) {
    if (previous_) SelectObject(static_cast<HDC>(dc_), static_cast<HGDIOBJ>(previous_));
    if (bitmap_) DeleteObject(static_cast<HGDIOBJ>(bitmap_));
    DeleteDC(static_cast<HDC>(dc_));
  }
  dc_ = bitmap_ = previous_ = nullptr;
  pixels_ = nullptr;
  width_ = height_ = 0;
}

std::optional<DibSurface> create_dib_surface(std::int32_t width, std::int32_t height) {
  if (width < 1 || height < 1) return std::nullopt;
  // Text and pictures reach the surface through GDI+, so a surface without it is of no use.
  if (!gdiplus_startup_once()) return std::nullopt;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return std::nullopt;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(dc);
    return std::nullopt;
  }
  DibSurface surface;
  surface.dc_ = dc;
  surface.bitmap_ = bitmap;
  surface.previous_ = SelectObject(dc, bitmap);
  surface.pixels_ = static_cast<std::uint32_t*>(bits);
  surface.width_ = width;
  surface.height_ = height;
  return surface;
}

PixelView dib_pixels(DibSurface& surface) {
  GdiFlush();
  return {surface.pixels_, surface.width_, surface.height_};
}

}  // namespace qx
