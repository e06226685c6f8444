// The GDI+ flat API (Gdiplus::DllExports) and small owners for its objects. Windows only.
#pragma once

#include <windows.h>
#include <objidl.h>  // IStream, which gdiplus.h expects to be declared
#include <gdiplus.h>

#include <utility>

namespace qx::gdip {

using namespace Gdiplus::DllExports;
using Gdiplus::GpBitmap;
using Gdiplus::GpBrush;
using Gdiplus::GpFont;
using Gdiplus::GpFontCollection;
using Gdiplus::GpFontFamily;
using Gdiplus::GpGraphics;
using Gdiplus::GpImage;
using Gdiplus::GpSolidFill;
using Gdiplus::GpStatus;
using Gdiplus::GpStringFormat;
using Gdiplus::Ok;

// Owns one GDI+ object and frees it with its delete function.
template <class T, GpStatus (*Free)(T*)>
class Owned {
 public:
  Owned() = default;
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ~Owned() { reset(); }

  T* get() const noexcept { return p_; }
  // For the out parameter of a create function; frees what was held.
  T** put() noexcept {
    reset();
    return &p_;
  }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept {
    if (p_) Free(p_);
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

inline GpStatus free_brush(GpSolidFill* brush) { return GdipDeleteBrush(brush); }
inline GpStatus free_bitmap(GpBitmap* bitmap) { return GdipDisposeImage(bitmap); }

using Graphics = Owned<GpGraphics, GdipDeleteGraphics>;
using FontFamily = Owned<GpFontFamily, GdipDeleteFontFamily>;
using Font = Owned<GpFont, GdipDeleteFont>;
using StringFormat = Owned<GpStringFormat, GdipDeleteStringFormat>;
using SolidFill = Owned<GpSolidFill, free_brush>;
using Bitmap = Owned<GpBitmap, free_bitmap>;

}  // namespace qx::gdip
