// Pictures decoded and scaled by GDI+ for the process-wide cache.
#include <array>
#include <memory>

#include "app/decode_notes.h"
#include "render/gdiplus_win.h"
#include "render/picture_cache.h"
#include "render/picture_header.h"
#include "render/pictures.h"
#include "render/working_copy.h"
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

// The decoded pixels as ARGB, read while the bits are locked; the file is let go at once.
std::optional<WorkingCopy> decode_unnoted(const std::string& path) {
  const Bitmap bitmap = load_gdiplus_bitmap(path);
  if (!bitmap) return std::nullopt;
  UINT pw = 0;
  UINT ph = 0;
  GdipGetImageWidth(bitmap.get(), &pw);
  GdipGetImageHeight(bitmap.get(), &ph);
  // A kind whose header was not read before decoding is held to the same bounds now.
  if (!picture_size_within_bounds(pw, ph)) return std::nullopt;
  const Gdiplus::GpRect all{0, 0, static_cast<INT>(pw), static_cast<INT>(ph)};
  Gdiplus::BitmapData data{};
  if (GdipBitmapLockBits(bitmap.get(), &all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Ok) {
    return std::nullopt;
  }
  struct Unlock {
    GpBitmap* bitmap;
    Gdiplus::BitmapData* data;
    ~Unlock() { GdipBitmapUnlockBits(bitmap, data); }
  } unlock{bitmap.get(), &data};
  return make_working_copy({static_cast<const std::uint8_t*>(data.Scan0), data.Stride, static_cast<std::int32_t>(pw),
                            static_cast<std::int32_t>(ph)});
}

// A file that crashed the decoder is noted, so that it does so once, not at every start.
std::optional<WorkingCopy> decode_picture_file(const std::string& path) {
  return platform_decode_notes().run(Decoder::Picture, path, [&] { return decode_unnoted(path); });
}

PixelBuffer draw_picture_level(const PictureLevel& level, const LevelPlan& source, const ScalePlan& plan,
                               std::int32_t width, std::int32_t height, Colour padding) {
  if (!gdiplus_startup_once()) return nullptr;
  // GDI+ only reads these pixels: the bitmap is used for drawing and released here.
  Bitmap bitmap;
  if (GdipCreateBitmapFromScan0(level.width, level.height, level.width * 4, PixelFormat32bppARGB,
                                reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(level.pixels.data())),
                                bitmap.put()) != Ok) {
    return nullptr;
  }
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
                          static_cast<Gdiplus::REAL>(plan.dst_height), source.src_x, source.src_y, source.src_width,
                          source.src_height, Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
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
  // Never destroyed: detached workers and the window may still ask for pictures at exit. The
  // working copies are only reached through the cache, under its lock.
  static WorkingCopies* const copies =
      new WorkingCopies(last_write_time, read_picture_file_header, decode_picture_file, draw_picture_level);
  static ScaledPictureCache* const cache = new ScaledPictureCache(
      [](const std::string& path, std::int32_t width, std::int32_t height, Colour padding, const Fit& fit) {
        return copies->scale(path, width, height, padding, fit);
      },
      last_write_time);
  return *cache;
}

}  // namespace qx
