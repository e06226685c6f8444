// The surface as plain memory, so that painting can be tested without Win32.
#include "render/dib_surface.h"

#include <new>
#include <utility>

namespace qx {

bool gdiplus_startup_once() { return false; }

DibSurface::DibSurface(DibSurface&& other) noexcept
    : pixels_(std::exchange(other.pixels_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      memory_(std::move(other.memory_)) {}

DibSurface& DibSurface::operator=(DibSurface&& other) noexcept {
  if (this != &other) {
    release();
    pixels_ = std::exchange(other.pixels_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    memory_ = std::move(other.memory_);
  }
  return *this;
}

DibSurface::~DibSurface() { release(); }

void DibSurface::release() noexcept {
  memory_ = {};
  pixels_ = nullptr;
  width_ = 0;
  height_ = 0;
}

std::optional<DibSurface> create_dib_surface(std::int32_t width, std::int32_t height) {
  if (width < 1 || height < 1) return std::nullopt;
  DibSurface surface;
  try {
    surface.memory_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u);
  } catch (const std::bad_alloc&) {
    return std::nullopt;  // as GDI refuses a section it cannot back
  }
  surface.pixels_ = surface.memory_.data();
  surface.width_ = width;
  surface.height_ = height;
  return surface;
}

PixelView dib_pixels(DibSurface& surface) { return {surface.pixels_, surface.width_, surface.height_}; }

}  // namespace qx
