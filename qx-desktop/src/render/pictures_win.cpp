// Pictures decoded and scaled by GDI+ for the process-wide cache.
#include <array>
#include <memory>

#include "render/gdiplus_win.h"
#include "render/picture_cache.h"
#include "render/picture_header.h"
#include "render/pictures.h"
#include "win_util.h"

namespace qx {
namespace {

using namespace gdip;

// load_gdiplus_bitmap: none when GDI+ does not run or the file cannot be decoded.
Bitmap load_gdiplus_bitmap(const std::string& path) {
  Bitmap bitmap;
  if (!gdiplus_startup_once()) return bitmap;
  const std::optional<std::wstring> wide = wide_path(path);
  if (!wide) return bitmap;
  if (GdipCreateBitmapFromFile(wide->c_str(), bitmap.put()) != Ok) bitmap.reset();
  return bitmap;
}

std::array<std::optional<std::uint32_t>, 4> corner_pixels(GpBitmap* bitmap, UINT width, UINT height) {
  std::array<std::optional<std::uint32_t>, 4> corners;
  const INT right = static_cast<INT>(width) - 1;
  const INT bottom = static_cast<INT>(height) - 1;
  const std::array<POINT, 4> at{{{0, 0}, {right, 0}, {0, bottom}, {right, bottom}}};
  for (std::size_t i = 0; i < at.size(); ++i) {
    Gdiplus::ARGB argb = 0;
    if (GdipBitmapGetPixel(bitmap, at[i].x, at[i].y, &argb) == Ok) corners[i] = argb;
  }
  return corners;
}

PixelBuffer scale_picture_file(const std::string& path, std::int32_t width, std::int32_t height, Colour padding,
                               const Fit& fit) {
  // A decoder allocates for the declared size before it reads a single pixel.
  if (!picture_within_bounds(read_picture_file_header(path))) return nullptr;
  const Bitmap bitmap = load_gdiplus_bitmap(path);
  if (!bitmap) return nullptr;
  UINT pw = 0;
  UINT ph = 0;
  GdipGetImageWidth(bitmap.get(), &pw);
  GdipGetImageHeight(bitmap.get(), &ph);
  if (width < 1 || height < 1 || pw == 0 || ph == 0) return nullptr;

  bool cut_out = false;
  if (fit.mode == FitMode::BestFit && pw >= 2 && ph >= 2) {
    cut_out = is_cut_out(pw, ph, corner_pixels(bitmap.get(), pw, ph));
  }
  const ScalePlan plan = plan_scaled_picture(pw, ph, width, height, fit, cut_out);

  std::optional<DibSurface> surface = create_dib_surface(width, height);
  if (!surface) return nullptr;
  fill_rounded_rect(dib_pixels(*surface), {0, 0, width, height}, 0.0f, padding);
  {
    Graphics graphics;
    if (GdipCreateFromHDC(static_cast<HDC>(surface->memory_dc()), graphics.put()) != Ok) return nullptr;
    GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
    GdipSetPixelOffsetMode(graphics.get(), Gdiplus::PixelOffsetModeHalf);
    GdipDrawImageRectRect(graphics.get(), bitmap.get(), static_cast<Gdiplus::REAL>(plan.dst_x),
                          static_cast<Gdiplus::REAL>(plan.dst_y), static_cast<Gdiplus::REAL>(plan.dst_width),
                          static_cast<Gdiplus::REAL>(plan.dst_height), plan.src_x, plan.src_y, plan.src_width,
                          plan.src_height, Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
  }  // the graphics go first, so that everything it drew is in the bitmap
  const PixelView view = dib_pixels(*surface);
  auto buffer = std::make_shared<std::vector<std::uint32_t>>(view.pixels, view.pixels + std::size_t(width) * height);
  for (std::uint32_t& p : *buffer) p &= 0x00FFFFFFu;  // packed pixels carry no alpha
  return buffer;
}

std::optional<std::int64_t> last_write_time(const std::string& path) {
  const std::optional<std::wstring> wide = wide_path(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!wide || !GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return static_cast<std::int64_t>(std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32 |
                                   data.ftLastWriteTime.dwLowDateTime);
}

}  // namespace

PictureSource& platform_pictures() {
  // Never destroyed: detached workers and the window may still ask for pictures at exit.
  static ScaledPictureCache* const cache = new ScaledPictureCache(scale_picture_file, last_write_time);
  return *cache;
}

}  // namespace qx
