#include "render/pictures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "deflated_bytes.h"
#include "fuzz_mutation.h"
#include "render/picture_cache.h"
#include "render/picture_header.h"
#include "render/working_copy.h"

namespace qx {
namespace {

Fit fit_of(FitMode mode, std::uint16_t zoom = 100, std::uint8_t x = 50, std::uint8_t y = 50) {
  return {mode, zoom, x, y};
}

// --- framing --------------------------------------------------------------------------------

TEST(FitPicture, BestFitFillsAWidePictureInASquareByCroppingAroundTheFocus) {
  // 1000 × 500 in 200 × 200: the ratio is 2, so it fills at scale 0.4 and the width is cropped.
  struct Case {
    std::uint8_t focus_x;
    float src_x0, src_x1;
  };
  for (const Case c : {Case{50, 0.25f, 0.75f}, Case{0, 0.0f, 0.5f}, Case{100, 0.5f, 1.0f}}) {
    const FittedPicture f = fit_picture(1000, 500, 200, 200, fit_of(FitMode::BestFit, 100, c.focus_x));
    EXPECT_FLOAT_EQ(f.src_x0, c.src_x0) << int{c.focus_x};
    EXPECT_FLOAT_EQ(f.src_x1, c.src_x1) << int{c.focus_x};
    EXPECT_EQ(f.dst_x0, 0);
    EXPECT_EQ(f.dst_x1, 200);
    EXPECT_FLOAT_EQ(f.src_y0, 0.0f);
    EXPECT_FLOAT_EQ(f.src_y1, 1.0f);
    EXPECT_EQ(f.dst_y0, 0);
    EXPECT_EQ(f.dst_y1, 200);
  }
}

TEST(FitPicture, TheAspectTestIncludesBothBounds) {
  struct Case {
    float pw, ph, bw, bh;
    bool fills;
  };
  const Case cases[] = {
      {420, 1000, 100, 100, true},  {419, 1000, 100, 100, false}, {2400, 1000, 100, 100, true},
      {2401, 1000, 100, 100, false}, {3000, 500, 200, 200, false}, {1000, 500, 200, 200, true},
      {300, 100, 400, 100, true},   {100, 100, 400, 100, false},
  };
  for (const auto& c : cases) EXPECT_EQ(best_fit_fills(c.pw, c.ph, c.bw, c.bh), c.fills) << c.pw << 'x' << c.ph;
}

TEST(FitPicture, ShowAllCentresTheWholePicture) {
  // 3000 × 500 in 200 × 200 shows whole (ratio 6): 200 × 33.3, centred vertically.
  const FittedPicture f = fit_picture(3000, 500, 200, 200, fit_of(FitMode::BestFit));
  EXPECT_EQ(f.dst_x0, 0);
  EXPECT_EQ(f.dst_x1, 200);
  EXPECT_EQ(f.dst_y0, 83);
  EXPECT_EQ(f.dst_y1, 116);
  EXPECT_FLOAT_EQ(f.src_x0, 0.0f);
  EXPECT_FLOAT_EQ(f.src_y1, 1.0f);
  // Fill and show all regardless of the ratio.
  EXPECT_EQ(fit_picture(3000, 500, 200, 200, fit_of(FitMode::Fill)).dst_y1, 200);
  EXPECT_EQ(fit_picture(1000, 500, 200, 200, fit_of(FitMode::ShowAll)).dst_y0, 50);
}

TEST(FitPicture, ZoomScalesAndFocusMovesTheCrop) {
  // A square in a square at 150 %: cropped to the middle two thirds on both axes.
  const FittedPicture f = fit_picture(100, 100, 100, 100, fit_of(FitMode::Fill, 150, 50, 0));
  EXPECT_NEAR(f.src_x0, 1.0f / 6.0f, 1e-6f);
  EXPECT_NEAR(f.src_x1, 5.0f / 6.0f, 1e-6f);
  EXPECT_FLOAT_EQ(f.src_y0, 0.0f);
  // At 50 % it is padded instead.
  const FittedPicture half = fit_picture(100, 100, 100, 100, fit_of(FitMode::Fill, 50));
  EXPECT_EQ(half.dst_x0, 25);
  EXPECT_EQ(half.dst_x1, 75);
}

TEST(FitAxis, FitsWithinHalfAPixelAndCropsBeyond) {
  const AxisFit fits = fit_axis(1.0f, 100.4f, 100.0f, 50);
  EXPECT_EQ(fits.dst0, 0);
  EXPECT_EQ(fits.dst1, 100);
  EXPECT_FLOAT_EQ(fits.src0, 0.0f);
  EXPECT_FLOAT_EQ(fits.src1, 1.0f);
  const AxisFit crops = fit_axis(1.0f, 101.0f, 100.0f, 0);
  EXPECT_EQ(crops.dst0, 0);
  EXPECT_EQ(crops.dst1, 100);
  EXPECT_FLOAT_EQ(crops.src0, 0.0f);
  EXPECT_NEAR(crops.src1, 100.0f / 101.0f, 1e-6f);
  const AxisFit odd = fit_axis(1.0f, 7.0f, 10.0f, 50);  // (10 − 7) / 2 = 1.5 rounds away from zero
  EXPECT_EQ(odd.dst0, 2);
  EXPECT_EQ(odd.dst1, 9);
}

TEST(FitPicture, DegenerateSizesSaturateInsteadOfOverflowing) {
  const FittedPicture huge = fit_picture(1, 1, 3e9f, 3e9f, fit_of(FitMode::ShowAll, 50));
  EXPECT_NEAR(huge.dst_x0, 750000000, 128);  // single precision: 64 apart at this size
  EXPECT_EQ(huge.dst_x1, INT32_MAX);  // 2.25e9
  const FittedPicture empty = fit_picture(0, 0, 0, 0, fit_of(FitMode::BestFit));
  EXPECT_EQ(empty.dst_x0, 0);
  EXPECT_EQ(empty.dst_x1, 0);
  EXPECT_EQ(empty.dst_y1, 0);
  const FittedPicture nothing_wide = fit_picture(0, 10, 20, 20, fit_of(FitMode::BestFit));
  EXPECT_EQ(nothing_wide.dst_x0, nothing_wide.dst_x1);
}

// --- the plan for scaling a file -------------------------------------------------------------

TEST(IsCutOut, TwoTransparentCornersOfAtLeast2x2MakeALogo) {
  using Corners = std::array<std::optional<std::uint32_t>, 4>;
  struct Case {
    std::uint32_t w, h;
    Corners corners;
    bool cut_out;
  };
  const auto opaque = std::optional<std::uint32_t>(0xFF112233u);
  const auto clear = std::optional<std::uint32_t>(0x00FFFFFFu);
  const auto faint = std::optional<std::uint32_t>(0x17000000u);  // alpha 23
  const auto limit = std::optional<std::uint32_t>(0x18000000u);  // alpha 24 is not transparent
  const std::optional<std::uint32_t> unread;
  const Case cases[] = {
      {40, 20, {clear, clear, clear, clear}, true},  {40, 20, {clear, opaque, opaque, faint}, true},
      {40, 20, {clear, opaque, opaque, opaque}, false}, {40, 20, {clear, limit, limit, opaque}, false},
      {40, 20, {clear, unread, unread, unread}, false}, {1, 20, {clear, clear, clear, clear}, false},
      {2, 2, {clear, clear, opaque, opaque}, true},
  };
  for (const auto& c : cases) EXPECT_EQ(is_cut_out(c.w, c.h, c.corners), c.cut_out) << c.w << 'x' << c.h;
}

TEST(PlanScaledPicture, AWholePictureInASquareIsShownAt76PercentOfTheZoom) {
  const ScalePlan plan = plan_scaled_picture(3000, 500, 200, 200, fit_of(FitMode::BestFit), false);
  // Zoom 76: 152 × 25.3 centred.
  EXPECT_EQ(plan.dst_x, 24);
  EXPECT_EQ(plan.dst_width, 152);
  EXPECT_EQ(plan.dst_y, 87);
  EXPECT_EQ(plan.dst_height, 25);
  EXPECT_FLOAT_EQ(plan.src_x, 0.0f);
  EXPECT_FLOAT_EQ(plan.src_width, 3000.0f);
  EXPECT_FLOAT_EQ(plan.src_height, 500.0f);
  // The zoom keeps its integer part: 101 × 0.76 = 76.76 draws 76 pixels, not 77.
  EXPECT_EQ(plan_scaled_picture(100, 100, 100, 100, fit_of(FitMode::ShowAll, 101), false).dst_width, 76);
  // 65535 × 0.76 = 49806.6 stays within the zoom's range: the picture is 49806 pixels wide, 100 seen.
  const ScalePlan big = plan_scaled_picture(10, 10, 100, 100, fit_of(FitMode::ShowAll, 65535), false);
  EXPECT_NEAR(big.src_width, 10.0f * 100.0f / 49806.0f, 1e-6f);
  // A box that is not square keeps the zoom.
  const ScalePlan oblong = plan_scaled_picture(3000, 500, 300, 200, fit_of(FitMode::BestFit), false);
  EXPECT_EQ(oblong.dst_width, 300);
}

TEST(PlanScaledPicture, ACutOutLogoIsShownWholeUnderBestFitOnly) {
  // 400 × 200 in 200 × 150 would fill (ratio 1.5) and lose a third of its width.
  const ScalePlan photo = plan_scaled_picture(400, 200, 200, 150, fit_of(FitMode::BestFit), false);
  EXPECT_EQ(photo.dst_height, 150);
  EXPECT_NEAR(photo.src_width, 400.0f * 2.0f / 3.0f, 1e-3f);
  const ScalePlan logo = plan_scaled_picture(400, 200, 200, 150, fit_of(FitMode::BestFit), true);
  EXPECT_FLOAT_EQ(logo.src_width, 400.0f);
  EXPECT_EQ(logo.dst_y, 25);
  EXPECT_EQ(logo.dst_height, 100);
  const ScalePlan filled = plan_scaled_picture(400, 200, 200, 150, fit_of(FitMode::Fill), true);
  EXPECT_EQ(filled.dst_height, 150);
}

TEST(PlanScaledPicture, TheSourceRectangleIsInPicturePixels) {
  const ScalePlan plan = plan_scaled_picture(1000, 500, 200, 200, fit_of(FitMode::Fill, 100, 0), false);
  EXPECT_FLOAT_EQ(plan.src_x, 0.0f);
  EXPECT_FLOAT_EQ(plan.src_width, 500.0f);
  EXPECT_FLOAT_EQ(plan.src_height, 500.0f);
  EXPECT_EQ(plan.dst_width, 200);
}

// --- the cache ------------------------------------------------------------------------------

struct FakeFiles {
  std::map<std::string, std::optional<std::int64_t>> times;
  std::map<std::string, bool> broken;
  std::atomic<int> decodes{0};
  std::chrono::milliseconds delay{0};

  ScaledPictureCache cache() {
    return ScaledPictureCache(
        [this](const std::string& path, std::int32_t w, std::int32_t h, Colour padding, const Fit&) -> PixelBuffer {
          ++decodes;
          if (delay.count() > 0) std::this_thread::sleep_for(delay);
          if (broken[path]) return nullptr;
          return std::make_shared<const std::vector<std::uint32_t>>(static_cast<std::size_t>(w) * h,
                                                                     pack_rgb(padding));
        },
        [this](const std::string& path) { return times[path]; });
  }
};

const Colour PAD{30, 30, 30};

TEST(PictureCache, AskingTwiceDecodesOnce) {
  FakeFiles files;
  files.times["a.png"] = 1;
  auto cache = files.cache();
  const PixelBuffer first = cache.cached_scaled_picture("a.png", 4, 3, PAD, fit_of(FitMode::BestFit));
  const PixelBuffer second = cache.cached_scaled_picture("a.png", 4, 3, PAD, fit_of(FitMode::BestFit));
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size(), 12u);
  EXPECT_EQ(first, second);
  EXPECT_EQ(files.decodes, 1);
}

TEST(PictureCache, EveryPartOfTheKeyCounts) {
  FakeFiles files;
  auto cache = files.cache();
  cache.cached_scaled_picture("a.png", 4, 3, PAD, fit_of(FitMode::BestFit));
  cache.cached_scaled_picture("b.png", 4, 3, PAD, fit_of(FitMode::BestFit));
  cache.cached_scaled_picture("a.png", 5, 3, PAD, fit_of(FitMode::BestFit));
  cache.cached_scaled_picture("a.png", 4, 2, PAD, fit_of(FitMode::BestFit));
  cache.cached_scaled_picture("a.png", 4, 3, WHITE, fit_of(FitMode::BestFit));
  cache.cached_scaled_picture("a.png", 4, 3, PAD, fit_of(FitMode::Fill));
  cache.cached_scaled_picture("a.png", 4, 3, PAD, fit_of(FitMode::BestFit, 101));
  cache.cached_scaled_picture("a.png", 4, 3, PAD, fit_of(FitMode::BestFit, 100, 49));
  cache.cached_scaled_picture("a.png", 4, 3, PAD, fit_of(FitMode::BestFit, 100, 50, 51));
  EXPECT_EQ(files.decodes, 9);
  // The padding is compared packed: a shade that rounds the same is the same entry.
  cache.cached_scaled_picture("a.png", 4, 3, {30.2f, 29.9f, 30}, fit_of(FitMode::BestFit));
  EXPECT_EQ(files.decodes, 9);
}

TEST(PictureCache, TheThirteenthRequestEvictsTheFirstAndHitsDoNotReorder) {
  FakeFiles files;
  auto cache = files.cache();
  const auto ask = [&](int n) {
    return cache.cached_scaled_picture("p" + std::to_string(n), 2, 2, PAD, fit_of(FitMode::Fill));
  };
  const PixelBuffer kept = ask(1);
  for (int n = 2; n <= 12; ++n) ask(n);
  ask(1);  // a hit, which does not make picture 1 any younger
  EXPECT_EQ(files.decodes, 12);
  ask(13);  // evicts picture 1, the oldest entry
  EXPECT_EQ(files.decodes, 13);
  ask(2);
  EXPECT_EQ(files.decodes, 13);
  ask(1);
  EXPECT_EQ(files.decodes, 14);
  ASSERT_TRUE(kept);  // the caller's buffer outlives its entry
  EXPECT_EQ(kept->size(), 4u);
}

TEST(PictureCache, AFileRewrittenInPlaceIsDecodedAgain) {
  FakeFiles files;
  files.times["a.png"] = 100;
  auto cache = files.cache();
  cache.cached_scaled_picture("a.png", 4, 3, PAD, fit_of(FitMode::Fill));
  files.times["a.png"] = 200;
  cache.cached_scaled_picture("a.png", 4, 3, PAD, fit_of(FitMode::Fill));
  EXPECT_EQ(files.decodes, 2);
  // Two unreadable times are equal.
  files.times["b.png"] = std::nullopt;
  cache.cached_scaled_picture("b.png", 4, 3, PAD, fit_of(FitMode::Fill));
  cache.cached_scaled_picture("b.png", 4, 3, PAD, fit_of(FitMode::Fill));
  EXPECT_EQ(files.decodes, 3);
}

TEST(PictureCache, FailuresAreCachedToo) {
  FakeFiles files;
  files.broken["bad.png"] = true;
  auto cache = files.cache();
  EXPECT_FALSE(cache.cached_scaled_picture("bad.png", 4, 3, PAD, fit_of(FitMode::Fill)));
  EXPECT_FALSE(cache.cached_scaled_picture("bad.png", 4, 3, PAD, fit_of(FitMode::Fill)));
  EXPECT_EQ(files.decodes, 1);
  // An empty box is a failure without any decoding.
  EXPECT_FALSE(cache.cached_scaled_picture("a.png", 0, 3, PAD, fit_of(FitMode::Fill)));
  EXPECT_FALSE(cache.cached_scaled_picture("a.png", 3, -1, PAD, fit_of(FitMode::Fill)));
  EXPECT_EQ(files.decodes, 1);
}

TEST(PictureCache, ABufferOfTheWrongSizeIsNeverHandedOut) {
  ScaledPictureCache cache(
      [](const std::string&, std::int32_t, std::int32_t, Colour, const Fit&) -> PixelBuffer {
        return std::make_shared<const std::vector<std::uint32_t>>(3, 0u);
      },
      [](const std::string&) { return std::optional<std::int64_t>(); });
  EXPECT_FALSE(cache.cached_scaled_picture("a.png", 2, 2, PAD, fit_of(FitMode::Fill)));
}

TEST(PictureCache, TwoThreadsAskingAtOnceDecodeOnce) {
  FakeFiles files;
  files.delay = std::chrono::milliseconds(50);
  auto cache = files.cache();
  PixelBuffer a, b;
  std::thread first([&] { a = cache.cached_scaled_picture("slow.png", 8, 8, PAD, fit_of(FitMode::Fill)); });
  std::thread second([&] { b = cache.cached_scaled_picture("slow.png", 8, 8, PAD, fit_of(FitMode::Fill)); });
  first.join();
  second.join();
  EXPECT_EQ(files.decodes, 1);
  EXPECT_EQ(a, b);
}

// --- picture headers ------------------------------------------------------------------------

std::string bytes_of(std::uint32_t v, int n, bool big_endian) {
  std::string out;
  for (int i = 0; i < n; ++i) out += static_cast<char>(v >> (8 * (big_endian ? n - 1 - i : i)) & 0xFF);
  return out;
}
std::string be(std::uint32_t v, int n) { return bytes_of(v, n, true); }
std::string le(std::uint32_t v, int n) { return bytes_of(v, n, false); }

std::string png_header(std::uint32_t w, std::uint32_t h) {
  return std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) + be(w, 4) + be(h, 4) + std::string("\x08\x06\0\0\0crc!", 9);
}

struct GifFrame {
  std::uint16_t x, y, w, h;
};
std::string gif_header(std::uint16_t w, std::uint16_t h, std::initializer_list<GifFrame> frames) {
  std::string g = "GIF89a" + le(w, 2) + le(h, 2) + std::string("\x81\0\0", 3) + std::string(12, '\x7F');
  g += std::string("\x21\xF9\x04\0\x0A\0\0\0", 8);  // a frame delay, as an extension
  for (const GifFrame& f : frames) {
    // A local table of 2 colours, then LZW data in two sub-blocks.
    g += "\x2C" + le(f.x, 2) + le(f.y, 2) + le(f.w, 2) + le(f.h, 2) + "\x80" + std::string(6, '\x11');
    g += std::string("\x02\x03\x44\x01\x00\x02\x01\x02\x00", 9);
  }
  return g + ";";
}

std::string jpeg_header(std::uint16_t w, std::uint16_t h, char frame_marker = '\xC0') {
  return std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20) +  // APP0
         std::string("\xFF\xC4\0\x04\0\0", 6) +                                           // a table before the frame
         "\xFF\xFF\xFF" + frame_marker + be(11, 2) + "\x08" + be(h, 2) + be(w, 2) + std::string("\x01\x01\x11\0", 4) +
         std::string("\xFF\xDA\0\x02", 4);
}

std::string bmp_header(std::int32_t w, std::int32_t h) {
  return "BM" + le(0, 4) + le(0, 4) + le(54, 4) + le(40, 4) + le(static_cast<std::uint32_t>(w), 4) +
         le(static_cast<std::uint32_t>(h), 4) + le(1, 2) + le(32, 2) + std::string(24, '\0');
}

// An icon (type 1) or cursor (type 2) whose images follow the directory in the order given.
std::string icon_file(const std::vector<std::string>& images, std::uint16_t type = 1) {
  std::string directory = le(0, 2) + le(type, 2) + le(static_cast<std::uint32_t>(images.size()), 2);
  std::string data;
  std::uint32_t at = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (const std::string& image : images) {
    directory += std::string("\x10\x10\0\0\x01\0\x20\0", 8) + le(static_cast<std::uint32_t>(image.size()), 4) + le(at, 4);
    at += static_cast<std::uint32_t>(image.size());
    data += image;
  }
  return directory + data;
}

// An icon image as a DIB: its info header (the stored height counts the mask too) and a few bytes.
std::string icon_dib(std::int32_t w, std::int32_t stored_h) { return bmp_header(w, stored_h).substr(14) + std::string(8, '\0'); }

// A TIFF whose first directory holds the given entries (tag, type, count, value); one- and
// two-byte values sit at the start of their field.
struct TiffEntry {
  std::uint16_t tag, type;
  std::uint32_t count, value;
};
std::string tiff_file(bool big, std::initializer_list<TiffEntry> entries) {
  std::string t = std::string(big ? "MM\0*" : "II*\0", 4) + bytes_of(8, 4, big) +
                  bytes_of(static_cast<std::uint32_t>(entries.size()), 2, big);
  for (const TiffEntry& e : entries) {
    t += bytes_of(e.tag, 2, big) + bytes_of(e.type, 2, big) + bytes_of(e.count, 4, big);
    const int width = e.type == 1 || e.type == 6 ? 1 : e.type == 3 || e.type == 8 ? 2 : 4;
    t += bytes_of(e.value, width, big) + std::string(4 - width, '\0');
  }
  return t + bytes_of(0, 4, big);
}

// A PNG chunk of `length` data bytes that start with `start`.
std::string png_chunk(const char* type, std::uint32_t length, const std::string& start = "") {
  return be(length, 4) + type + start + std::string(length - start.size(), 'x') + "crc!";
}

// A PNG chunk holding these bytes.
std::string png_data_chunk(const char* type, const std::string& data) {
  return be(static_cast<std::uint32_t>(data.size()), 4) + type + data + "crc!";
}

std::string deflated_zeros(std::size_t count) { return zvtest::deflated(std::string(count, '\0')); }

// A PNG of this pixel format (bit depth, colour type, interlace) whose chunks follow IHDR.
std::string png_file(std::uint32_t w, std::uint32_t h, const std::string& format, const std::string& chunks) {
  return png_header(w, h).substr(0, 24) + format + "crc!" + chunks + png_chunk("IEND", 0);
}
const std::string RGBA = std::string("\x08\x06\0\0\0", 5);
const std::string RGBA_INTERLACED = std::string("\x08\x06\0\0\x01", 5);
const std::string GREY_1_BIT = std::string("\x01\0\0\0\0", 5);

// A 1 × 1 GIF: its screen, with a table of 2 colours or none, then these blocks.
std::string small_gif(bool screen_colours, const std::string& blocks) {
  return "GIF89a" + le(1, 2) + le(1, 2) + (screen_colours ? std::string("\x80\0\0", 3) + std::string(6, '\x11') : std::string(3, '\0')) +
         blocks + ";";
}
// A 1 × 1 frame, with a table of 2 colours or none, and one sub-block of data.
std::string gif_frame(bool own_colours) {
  return "\x2C" + le(0, 4) + le(1, 2) + le(1, 2) + (own_colours ? "\x80" + std::string(6, '\x11') : std::string(1, '\0')) +
         std::string("\x02\x02\x44\x01\0", 5);
}
// A comment of this many sub-blocks of this many bytes.
std::string gif_comment(std::uint32_t sub_blocks, std::uint8_t bytes = 1) {
  std::string c = "\x21\xFE";
  const std::string sub_block = static_cast<char>(bytes) + std::string(bytes, 'x');
  for (std::uint32_t i = 0; i < sub_blocks; ++i) c += sub_block;
  return c + std::string(1, '\0');
}
std::string repeated(const std::string& s, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}

// A progressive JPEG of this many scans, each with data that holds a stuffed FF and a restart
// marker, and a table between scans; together more than the header reader's window.
std::string progressive_jpeg(std::uint32_t scans, std::uint16_t w = 640, std::uint16_t h = 480) {
  const std::string data = std::string(400, 'x') + std::string("\xFF\0\xFF\xD3", 4);
  std::string j = jpeg_header(w, h, '\xC2') + data;
  for (std::uint32_t i = 1; i < scans; ++i) j += std::string("\xFF\xC4\0\x04\0\0\xFF\xDA\0\x02", 10) + data;
  return j + "\xFF\xD9";
}

TEST(PictureHeader, SizesAreReadFromEachKindAndBrokenHeadersGiveNone) {
  using K = PictureKind;
  const std::string png = png_header(640, 480);
  const std::string gif = gif_header(10, 10, {{0, 0, 10, 10}, {5, 8, 20, 4}});
  const std::string jpeg = jpeg_header(1200, 800);
  std::string not_ihdr = png;
  not_ihdr[12] = 'X';
  std::string bad_marker = jpeg;
  bad_marker[20] = 'x';
  // Compressed text comes to its bound in a zTXt and a compressed iTXt (keyword, flag, method,
  // language, translated keyword); an ICC profile and text that is not compressed do not count.
  const std::string png_with_text = png + png_chunk("iCCP", 65536, "ICC\0\0" + deflated_zeros(100000)) +
                                    png_data_chunk("zTXt", std::string("Raw profile type exif\0\0", 23) + deflated_zeros(1 << 20)) +
                                    png_chunk("iTXt", 100000, std::string("XML:com.adobe.xmp\0\0\0", 20)) +
                                    png_data_chunk("iTXt", std::string("Title\0\x01\0en\0Titel\0", 17) + deflated_zeros(MAX_PNG_TEXT_BYTES - (1 << 20)));
  std::string gif_blocks = repeated(gif_comment(0), MAX_GIF_BLOCKS - 1);
  // The directory at 4 overlaps the header: read from there, it would hold 640 × 480.
  const std::string tiff_inside_header = std::string("II*\0\x04\0\0\0", 8) + std::string(10, 'x') +
                                         tiff_file(false, {{256, 3, 1, 640}, {257, 3, 1, 480}}).substr(10, 24) +
                                         std::string(12, '\0');
  struct Case {
    const char* name;
    std::string bytes;
    PictureKind kind;
    std::optional<std::uint32_t> width, height;
  };
  const Case cases[] = {
      {"png", png, K::Png, 640, 480},
      {"png cut in IHDR", png.substr(0, 23), K::Png, {}, {}},
      {"png without IHDR first", not_ihdr, K::Png, {}, {}},
      {"png signature only", png.substr(0, 4), K::Png, {}, {}},
      // Compressed text before the pixels is inflated whole; after the first IDAT it is not.
      {"png whose compressed text is at its bound", png_with_text + png_chunk("IDAT", 8) + png_data_chunk("zTXt", std::string("a\0\0", 3) + deflated_zeros(1000)), K::Png, 640, 480},
      {"png whose compressed text is past its bound", png_with_text + png_data_chunk("zTXt", std::string("a\0\0", 3) + deflated_zeros(1)) + png_chunk("IDAT", 8), K::Png, {}, {}},
      // The pixel data may take the rows' bytes (with their filter bytes), an eighth more and the
      // slack, in all its IDATs.
      {"png whose pixel data takes as many bytes as allowed", png_file(1, 1, RGBA, png_chunk("IDAT", 5 + PNG_PIXEL_DATA_SLACK)), K::Png, 1, 1},
      {"png whose pixel data takes one byte more", png_file(1, 1, RGBA, png_chunk("IDAT", 9) + png_chunk("IDAT", PNG_PIXEL_DATA_SLACK - 3)), K::Png, {}, {}},
      {"png of 1-bit grey whose pixel data takes one byte more", png_file(16, 2, GREY_1_BIT, png_chunk("IDAT", 2 * 3 + 1 + PNG_PIXEL_DATA_SLACK)), K::Png, {}, {}},
      {"interlaced png whose seven passes' rows take 42 bytes", png_file(3, 3, RGBA_INTERLACED, png_chunk("IDAT", 42 + 5 + PNG_PIXEL_DATA_SLACK)), K::Png, 3, 3},
      {"the same pixel data in a png not interlaced", png_file(3, 3, RGBA, png_chunk("IDAT", 42 + 5 + PNG_PIXEL_DATA_SLACK)), K::Png, {}, {}},
      {"png of 640 × 480 whose pixel data takes an eighth more", png_file(640, 480, RGBA, png_chunk("IDAT", 480 * 2561 * 9 / 8 + PNG_PIXEL_DATA_SLACK)), K::Png, 640, 480},
      // Every chunk besides the pixel data counts, after it too; one that claims more than the
      // file holds is refused.
      {"png of as many chunks as allowed", png_file(1, 1, RGBA, repeated(png_chunk("prVt", 0), MAX_PNG_CHUNKS - 2) + png_chunk("IDAT", 8)), K::Png, 1, 1},
      {"png of one chunk more, after its pixel data", png_file(1, 1, RGBA, png_chunk("IDAT", 8) + repeated(png_chunk("prVt", 0), MAX_PNG_CHUNKS - 1)), K::Png, {}, {}},
      // Past a few thousand chunks of pixel data, each must carry 1 KiB on average.
      {"png of as many empty pixel chunks as are free", png_file(1, 1, RGBA, repeated(png_chunk("IDAT", 0), PNG_PIXEL_CHUNKS_FREE)), K::Png, 1, 1},
      {"png of one empty pixel chunk more", png_file(1, 1, RGBA, repeated(png_chunk("IDAT", 0), PNG_PIXEL_CHUNKS_FREE + 1)), K::Png, {}, {}},
      {"png of one more pixel chunk that carries 1 KiB", png_file(640, 480, RGBA, repeated(png_chunk("IDAT", 0), PNG_PIXEL_CHUNKS_FREE) + png_chunk("IDAT", PNG_PIXEL_CHUNK_BYTES)), K::Png, 640, 480},
      {"png whose last chunk's data ends the file", png + be(10, 4) + "tEXt" + std::string(10, 'x'), K::Png, 640, 480},
      {"png whose chunk runs one byte past the file", png + be(11, 4) + "tEXt" + std::string(10, 'x'), K::Png, {}, {}},
      {"png whose chunk claims 2 GB", png + be(0x7FFFFFFF, 4) + "tEXt" + "x", K::Png, {}, {}},
      // The box holding the screen and every frame: 5 + 20 wide, 8 + 4 high.
      {"gif", gif, K::Gif, 25, 12},
      {"gif cut in the second frame's data", gif.substr(0, gif.size() - 4), K::Gif, 25, 12},
      {"gif cut in the second descriptor", gif.substr(0, gif.size() - 20), K::Gif, 10, 10},
      {"gif cut in the screen", gif.substr(0, 12), K::Gif, {}, {}},
      // Every frame needs a table of colours, its own or the screen's.
      {"gif whose frame has no colour table", small_gif(false, gif_frame(false)), K::Gif, {}, {}},
      {"gif whose frames have their own tables", small_gif(false, gif_frame(true) + gif_frame(true)), K::Gif, 1, 1},
      {"gif whose frame uses the screen's table", small_gif(true, gif_frame(false)), K::Gif, 1, 1},
      // Extensions and frames count as blocks; every sub-block of either counts as one.
      {"gif of as many blocks as allowed", small_gif(true, gif_blocks + gif_frame(false)), K::Gif, 1, 1},
      {"gif of one block more", small_gif(true, gif_blocks + gif_comment(0) + gif_frame(false)), K::Gif, {}, {}},
      // Past 40,000 sub-blocks they must carry 128 bytes each on average: 40,314 carrying 40,315
      // bytes may pass, one more carrying one byte more may not; full ones pass however many.
      {"gif of as many short sub-blocks as allowed", small_gif(true, gif_comment(40'313) + gif_frame(false)), K::Gif, 1, 1},
      {"gif of one short sub-block more", small_gif(true, gif_frame(false) + gif_comment(40'314)), K::Gif, {}, {}},
      {"gif of many full sub-blocks", small_gif(true, gif_comment(60'000, 255) + gif_frame(false)), K::Gif, 1, 1},
      {"jpeg", jpeg, K::Jpeg, 1200, 800},
      {"progressive jpeg", jpeg_header(3, 2, '\xC2'), K::Jpeg, 3, 2},
      {"jpeg cut in the frame header", jpeg.substr(0, 35), K::Jpeg, {}, {}},
      {"jpeg cut in APP0", jpeg.substr(0, 10), K::Jpeg, {}, {}},
      // Decoders skip what is not a marker between segments; a stuffed FF 00 is not one either.
      {"jpeg with a stray byte between segments", bad_marker, K::Jpeg, 1200, 800},
      {"jpeg with zeros between APP0 and the next segment", jpeg.substr(0, 20) + std::string(8, '\0') + jpeg.substr(20), K::Jpeg, 1200, 800},
      {"jpeg with stray bytes right after its start", jpeg.substr(0, 2) + "abc\xFF" + std::string("\0", 1) + jpeg.substr(2), K::Jpeg, 1200, 800},
      {"jpeg with nothing but stray bytes", jpeg.substr(0, 20) + std::string(40000, 'x'), K::Jpeg, {}, {}},
      {"jpeg whose scan comes first", std::string("\xFF\xD8\xFF\xDA\0\x02", 6) + jpeg.substr(2), K::Jpeg, {}, {}},
      // Each scan costs a walk over the whole picture; what follows the end (a motion photo's
      // film, a second image) is not read.
      {"jpeg of as many scans as allowed, then another image", progressive_jpeg(MAX_JPEG_SCANS) + progressive_jpeg(2), K::Jpeg, 640, 480},
      {"jpeg of one scan more", progressive_jpeg(MAX_JPEG_SCANS + 1), K::Jpeg, {}, {}},
      // At the pixel bound, libjpeg's longest progression is as far as it goes.
      {"jpeg of 8192 × 8192 in 18 scans", progressive_jpeg(18, 8192, 8192), K::Jpeg, 8192, 8192},
      {"jpeg of 8192 × 8192 in 19 scans", progressive_jpeg(19, 8192, 8192), K::Jpeg, {}, {}},
      {"bmp", bmp_header(300, 200), K::Bmp, 300, 200},
      {"bmp stored top down", bmp_header(300, -200), K::Bmp, 300, 200},
      {"bmp of the oldest kind", "BM" + std::string(12, '\0') + le(12, 4) + le(70, 2) + le(50, 2) + std::string("\x01\0\x18\0", 4), K::Bmp, 70, 50},
      {"bmp cut short", bmp_header(300, 200).substr(0, 20), K::Bmp, {}, {}},
      // Every image of an icon counts, wherever it lies and whatever the directory says of it.
      {"icon holding a png", icon_file({png_header(256, 256)}), K::Icon, 256, 256},
      {"icon holding a dib", icon_file({icon_dib(48, 96)}), K::Icon, 48, 48},
      {"icon holding a dib of the oldest kind", icon_file({le(12, 4) + le(32, 2) + le(64, 2) + le(1, 2) + le(1, 2)}), K::Icon, 32, 32},
      {"icon whose image is shorter than an info header", icon_file({icon_dib(48, 96).substr(0, 11)}), K::Icon, {}, {}},
      {"cursor", icon_file({icon_dib(32, 64)}, 2), K::Unknown, {}, {}},
      {"icon whose later image is the largest", icon_file({icon_dib(16, 32), png_header(20000, 20000), icon_dib(32, 64)}), K::Icon, 20000, 20000},
      {"icon whose images differ in shape", icon_file({icon_dib(300, 20), icon_dib(10, 800)}), K::Icon, 300, 400},
      {"icon without images", icon_file({}), K::Icon, {}, {}},
      {"icon whose image reaches past the file", icon_file({png_header(16, 16)}).substr(0, 6 + 16 + 24), K::Icon, {}, {}},
      {"icon cut in its directory", icon_file({icon_dib(16, 32), icon_dib(16, 32)}).substr(0, 30), K::Icon, {}, {}},
      {"icon whose png is cut in IHDR", icon_file({png_header(16, 16).substr(0, 20)}), K::Icon, {}, {}},
      {"icon holding neither png nor dib", icon_file({icon_dib(16, 32), le(8, 4) + std::string(36, 'x')}), K::Icon, {}, {}},
      {"tiff, little-endian, SHORT sides", tiff_file(false, {{256, 3, 1, 640}, {257, 3, 1, 480}}), K::Tiff, 640, 480},
      {"tiff, big-endian, LONG sides", tiff_file(true, {{256, 4, 1, 12000}, {257, 4, 1, 9000}}), K::Tiff, 12000, 9000},
      {"tiff, big-endian, mixed sides", tiff_file(true, {{254, 4, 1, 0}, {256, 3, 1, 70000 & 0xFFFF}, {257, 4, 1, 70000}}), K::Tiff, 70000 & 0xFFFF, 70000},
      {"tiff, BYTE and SBYTE sides", tiff_file(true, {{256, 1, 1, 200}, {257, 6, 1, 100}}), K::Tiff, 200, 100},
      {"tiff, SSHORT and SLONG sides", tiff_file(true, {{256, 8, 1, 640}, {257, 9, 1, 480}}), K::Tiff, 640, 480},
      // Eight-byte values lie after the directory, here at 38 and 46.
      {"tiff, LONG8 and SLONG8 sides", tiff_file(false, {{256, 16, 1, 46}, {257, 17, 1, 38}}) + le(480, 4) + le(0, 4) + le(640, 4) + le(0, 4), K::Tiff, 640, 480},
      {"tiff, big-endian LONG8 sides", tiff_file(true, {{256, 16, 1, 38}, {257, 16, 1, 38}}) + be(0, 4) + be(640, 4), K::Tiff, 640, 640},
      {"tiff whose LONG8 width passes 32 bits", tiff_file(false, {{256, 16, 1, 38}, {257, 3, 1, 480}}) + le(640, 4) + le(1, 4), K::Tiff, {}, {}},
      {"tiff whose LONG8 width lies past the file", tiff_file(false, {{256, 16, 1, 38}, {257, 3, 1, 480}}) + le(640, 4), K::Tiff, {}, {}},
      {"tiff whose SSHORT width is negative", tiff_file(false, {{256, 8, 1, 0xFFC0}, {257, 3, 1, 480}}), K::Tiff, {}, {}},
      {"tiff whose SLONG length is negative", tiff_file(false, {{256, 3, 1, 640}, {257, 9, 1, 0xFFFFFE20}}), K::Tiff, {}, {}},
      {"tiff whose width is an IFD", tiff_file(false, {{256, 13, 1, 640}, {257, 3, 1, 480}}), K::Tiff, {}, {}},
      // Decoders differ in which of a repeated tag they take: the larger counts.
      {"tiff whose sides are repeated", tiff_file(false, {{256, 3, 1, 640}, {256, 3, 1, 700}, {257, 3, 1, 500}, {257, 3, 1, 480}}), K::Tiff, 700, 500},
      {"tiff without its length", tiff_file(false, {{256, 3, 1, 640}}), K::Tiff, {}, {}},
      {"tiff whose width is a RATIONAL", tiff_file(false, {{256, 5, 1, 8}, {257, 3, 1, 480}}), K::Tiff, {}, {}},
      // A decoder fills whole tiles: together at most 4 times the picture, or 4 Mi pixels.
      {"tiff in ordinary tiles", tiff_file(false, {{256, 4, 1, 1000}, {257, 4, 1, 800}, {322, 3, 1, 64}, {323, 3, 1, 64}}), K::Tiff, 1000, 800},
      {"tiff of 100 × 100 in one tile of 256 × 256", tiff_file(false, {{256, 3, 1, 100}, {257, 3, 1, 100}, {322, 3, 1, 256}, {323, 3, 1, 256}}), K::Tiff, 100, 100},
      {"tiff of 64 × 64 in one tile of 4 Mi pixels", tiff_file(false, {{256, 3, 1, 64}, {257, 3, 1, 64}, {322, 3, 1, 2048}, {323, 3, 1, 2048}}), K::Tiff, 64, 64},
      {"tiff of 64 × 64 in one tile of 16 rows more", tiff_file(false, {{256, 3, 1, 64}, {257, 3, 1, 64}, {322, 3, 1, 2048}, {323, 3, 1, 2064}}), K::Tiff, {}, {}},
      {"tiff of 2048 × 2048 in 4 times its pixels", tiff_file(false, {{256, 3, 1, 2048}, {257, 3, 1, 2048}, {322, 3, 1, 4096}, {323, 3, 1, 4096}}), K::Tiff, 2048, 2048},
      {"tiff of 2048 × 2048 in 16 rows more", tiff_file(false, {{256, 3, 1, 2048}, {257, 3, 1, 2048}, {322, 3, 1, 4096}, {323, 3, 1, 4112}}), K::Tiff, {}, {}},
      {"tiff of one row in tall tiles", tiff_file(false, {{256, 3, 1, 16384}, {257, 3, 1, 1}, {322, 3, 1, 16}, {323, 3, 1, 16384}}), K::Tiff, {}, {}},
      {"tiff whose tile is beyond the pixel bound", tiff_file(false, {{256, 3, 1, 8192}, {257, 3, 1, 8192}, {322, 4, 1, 16384}, {323, 4, 1, 16384}}), K::Tiff, {}, {}},
      {"tiff with a tile width only", tiff_file(false, {{256, 3, 1, 640}, {257, 3, 1, 480}, {322, 3, 1, 64}}), K::Tiff, {}, {}},
      {"tiff whose width has two values", tiff_file(false, {{256, 3, 2, 640}, {257, 3, 1, 480}}), K::Tiff, {}, {}},
      {"tiff cut in its directory", tiff_file(false, {{256, 3, 1, 640}, {257, 3, 1, 480}}).substr(0, 24), K::Tiff, {}, {}},
      {"tiff whose directory lies past the file", std::string("II*\0\xFF\0\0\0", 8), K::Tiff, {}, {}},
      {"tiff whose directory overlaps its start", tiff_inside_header, K::Tiff, {}, {}},
      {"emf", le(1, 4) + le(108, 4) + std::string(32, '\0') + " EMF", K::Unknown, {}, {}},
      {"text", "<html>", K::Unknown, {}, {}},
      {"nothing", "", K::Unknown, {}, {}},
  };
  for (const Case& c : cases) {
    const PictureHeader header = read_picture_header(c.bytes);
    EXPECT_EQ(header.kind, c.kind) << c.name;
    EXPECT_EQ(header.width, c.width) << c.name;
    EXPECT_EQ(header.height, c.height) << c.name;
  }
  EXPECT_EQ(read_picture_header(gif).frame_pixels, 10u * 10 + 20 * 4);
  EXPECT_EQ(read_picture_header(icon_file({icon_dib(300, 20), icon_dib(10, 800)})).frame_pixels, 300u * 10 + 10 * 400);
}

TEST(PictureHeader, OnlyKnownSizesWithinTheBoundsMayBeDecoded) {
  const auto gif_frames = [](std::uint64_t pixels) {
    PictureHeader h{PictureKind::Gif, 100, 100, pixels};
    return h;
  };
  struct Case {
    const char* name;
    PictureHeader header;
    bool allowed;
  };
  const Case cases[] = {
      {"a photo of 61 megapixels", read_picture_header(jpeg_header(9504, 6336)), true},
      {"the declared 20000 × 20000", read_picture_header(png_header(20000, 20000)), false},
      {"as many pixels as allowed", read_picture_header(png_header(8192, 8192)), true},
      {"one row more", read_picture_header(png_header(8192, 8193)), false},
      {"the widest panorama", read_picture_header(png_header(16384, 4096)), true},
      {"one column wider", read_picture_header(png_header(16385, 2)), false},
      {"a side of 2^32 - 1", read_picture_header(png_header(0xFFFFFFFFu, 1)), false},
      {"an empty picture", read_picture_header(png_header(0, 10)), false},
      {"a broken header", read_picture_header(png_header(1, 1).substr(0, 20)), false},
      {"a huge frame in a small gif", read_picture_header(gif_header(2, 2, {{0, 0, 2, 2}, {0, 0, 65535, 65535}})), false},
      {"gif frames within their budget", gif_frames(64ull << 20), true},
      {"gif frames past their budget", gif_frames((64ull << 20) + 1), false},
      {"an icon holding a huge png", read_picture_header(icon_file({icon_dib(16, 32), png_header(20000, 20000)})), false},
      {"an icon of small images", read_picture_header(icon_file({icon_dib(16, 32), png_header(256, 256)})), true},
      {"a huge tiff", read_picture_header(tiff_file(false, {{256, 4, 1, 12000}, {257, 4, 1, 12000}})), false},
      {"a tiff within the bounds", read_picture_header(tiff_file(true, {{256, 4, 1, 4000}, {257, 3, 1, 3000}})), true},
      {"a kind the header reader cannot size", read_picture_header(le(1, 4) + le(108, 4) + std::string(32, '\0') + " EMF"), false},
      {"a broken directory", read_picture_header("II*\0"), false},
  };
  for (const Case& c : cases) EXPECT_EQ(picture_within_bounds(c.header), c.allowed) << c.name;
}

TEST(PictureHeaderFuzz, DamagedHeadersAreReadWithoutReadingPastTheBytes) {
  zvtest::Mutator m(0x3109, {"\xFF\xC0", "\xFF\xDA", "\xFF\xFF", "\x2C", "\x21\xF9", "\xFF", ";", "IHDR", "\0",
                            "\x89PNG\r\n\x1A\n", "\x28\0\0\0", "\0\x01", "\x03\0\x01\0\0\0", "\xFF\xFF\xFF\x7F"});
  const std::vector<std::string> seeds{png_header(64, 64),
                                       gif_header(8, 8, {{0, 0, 8, 8}, {1, 1, 2, 2}}),
                                       jpeg_header(64, 48),
                                       bmp_header(5, 5),
                                       icon_file({icon_dib(16, 32), png_header(32, 32), icon_dib(48, 96)}),
                                       tiff_file(false, {{256, 3, 1, 64}, {257, 4, 1, 48}, {259, 3, 1, 1}}),
                                       tiff_file(true, {{256, 4, 1, 64}, {257, 3, 1, 48}}),
                                       tiff_file(false, {{256, 16, 1, 62}, {257, 9, 1, 48}, {322, 3, 1, 16}, {323, 8, 1, 16}}) + le(64, 4) + le(0, 4),
                                       png_header(64, 64) + png_chunk("zTXt", 40) + png_chunk("iTXt", 30, std::string("Title\0\x01\0", 8)),
                                       png_file(3, 3, RGBA_INTERLACED, png_data_chunk("zTXt", std::string("a\0\0", 3) + deflated_zeros(300)) +
                                                                         png_data_chunk("IDAT", deflated_zeros(42))),
                                       small_gif(false, gif_comment(3) + gif_frame(true) + gif_frame(false)),
                                       progressive_jpeg(3)};
  for (int i = 0; i < 20000; ++i) {
    // Copied into a buffer of exactly its size, so that a read past the end is a sanitizer error.
    const std::string mutated = m.mutate(m.pick(seeds));
    const std::unique_ptr<char[]> exact(new char[mutated.size() + 1]);
    std::copy(mutated.begin(), mutated.end(), exact.get());
    const PictureHeader header = read_picture_header(std::string_view(exact.get(), mutated.size()));
    // Nothing unsized reaches a decoder.
    if (!header.width || !header.height) {
      EXPECT_FALSE(picture_within_bounds(header));
    }
    if (header.kind == PictureKind::Unknown) {
      EXPECT_FALSE(header.width);
    } else if (header.kind == PictureKind::Gif && header.width) {
      EXPECT_LE(*header.width, 2u * 65535);
    }
  }
}

// --- working copies -------------------------------------------------------------------------

WorkingCopy copy_of_pixels(std::int32_t w, std::int32_t h, std::uint32_t argb = 0xFF336699u) {
  const std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h, argb);
  return make_working_copy({reinterpret_cast<const std::uint8_t*>(pixels.data()), w * 4, w, h});
}

TEST(WorkingCopy, APictureWithinTheBoundIsKeptWholeAndALargerOneIsHalvedWithItsHalvings) {
  std::vector<std::uint32_t> pixels(6 * 2);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | static_cast<std::uint32_t>(i);
  pixels[5] = 0x00FFFFFFu;  // a transparent corner, with row padding in the source
  std::vector<std::uint32_t> padded(8 * 2, 0xDEADBEEFu);
  std::copy(pixels.begin(), pixels.begin() + 6, padded.begin());
  std::copy(pixels.begin() + 6, pixels.end(), padded.begin() + 8);
  const WorkingCopy whole = make_working_copy({reinterpret_cast<const std::uint8_t*>(padded.data()), 32, 6, 2});
  ASSERT_EQ(whole.levels.size(), 1u);
  EXPECT_EQ(whole.levels[0].pixels, pixels);
  EXPECT_FALSE(whole.cut_out);

  // 2050 × 1024 is just past 2 Mi pixels: halved once, then down to 32 on the longer side.
  const WorkingCopy large = copy_of_pixels(2050, 1024, 0x00000000u);
  EXPECT_EQ(large.width, 2050u);
  EXPECT_TRUE(large.cut_out);
  std::vector<std::pair<std::int32_t, std::int32_t>> sizes;
  for (const PictureLevel& level : large.levels) sizes.emplace_back(level.width, level.height);
  const std::vector<std::pair<std::int32_t, std::int32_t>> expected{{1025, 512}, {513, 256}, {257, 128},
                                                                    {129, 64},   {65, 32},   {33, 16}, {17, 8}};
  EXPECT_EQ(sizes, expected);
}

TEST(WorkingCopy, HalvingAveragesByAlphaSoThatTransparentPixelsLendNoColour) {
  const std::uint32_t row[] = {0xFFFF0000u, 0x00FFFFFFu, 0xFF0000FFu};
  const PictureLevel half = halve_picture({reinterpret_cast<const std::uint8_t*>(row), 12, 3, 1});
  // Opaque red beside transparent white is half-transparent red; the odd last column stays blue.
  EXPECT_EQ(half.pixels, (std::vector<std::uint32_t>{0x80FF0000u, 0xFF0000FFu}));
}

TEST(WorkingCopy, EachBoxIsScaledFromTheSmallestLevelThatStillCoversIt) {
  WorkingCopy copy;
  copy.width = 4000;
  copy.height = 3000;
  for (std::int32_t w = 1000, h = 750; w >= 31; w /= 2, h /= 2) copy.levels.push_back({w, h, {}});
  struct Case {
    std::int32_t dst_width, dst_height;
    std::size_t level;
  };
  for (const Case c : {Case{100, 75, 3}, Case{125, 90, 3}, Case{126, 75, 2}, Case{2000, 1500, 0}, Case{20, 15, 5}}) {
    const ScalePlan plan{0, 0, 4000, 3000, 0, 0, c.dst_width, c.dst_height};
    const LevelPlan chosen = plan_level(copy, plan);
    EXPECT_EQ(chosen.level, c.level) << c.dst_width;
    EXPECT_FLOAT_EQ(chosen.src_width, static_cast<float>(copy.levels[c.level].width)) << c.dst_width;
  }
  // A picture kept whole is scaled by its plan unchanged.
  const WorkingCopy whole = copy_of_pixels(7, 3);
  const ScalePlan plan{1.25f, 0.5f, 3.75f, 2.5f, 0, 0, 9, 9};
  const LevelPlan same = plan_level(whole, plan);
  EXPECT_EQ(same.level, 0u);
  EXPECT_EQ(same.src_x, plan.src_x);
  EXPECT_EQ(same.src_width, plan.src_width);
  EXPECT_EQ(same.src_height, plan.src_height);
}

struct FakeDecoder {
  std::map<std::string, std::optional<std::int64_t>> times;
  std::map<std::string, std::string> header_bytes;  // the start of each file, when not a PNG of its size
  std::map<std::string, std::pair<std::int32_t, std::int32_t>> sizes;  // decodable files
  std::size_t level_pixels = 0;  // when set, every copy is one level of that many pixels
  std::map<std::string, int> decodes;
  int draws = 0;
  std::int32_t drawn_level_width = 0;

  WorkingCopies copies() {
    return WorkingCopies(
        [this](const std::string& path) { return times[path]; },
        [this](const std::string& path) {
          if (!header_bytes.count(path) && sizes.count(path)) return read_picture_header(png_header(sizes[path].first, sizes[path].second));
          return read_picture_header(header_bytes[path]);
        },
        [this](const std::string& path) -> std::optional<WorkingCopy> {
          ++decodes[path];
          if (!sizes.count(path)) return std::nullopt;
          if (level_pixels > 0) {
            return WorkingCopy{1, 1, false, {{static_cast<std::int32_t>(level_pixels), 1, std::vector<std::uint32_t>(level_pixels)}}};
          }
          return copy_of_pixels(sizes[path].first, sizes[path].second);
        },
        [this](const PictureLevel& level, const LevelPlan&, const ScalePlan&, std::int32_t w, std::int32_t h,
               Colour padding) -> PixelBuffer {
          ++draws;
          drawn_level_width = level.width;
          return std::make_shared<const std::vector<std::uint32_t>>(static_cast<std::size_t>(w) * h, pack_rgb(padding));
        });
  }
};

TEST(WorkingCopies, AnOrbEasingThroughNewSizesDecodesItsPictureOncePerFileTime) {
  FakeDecoder files;
  files.sizes["big.jpg"] = {2100, 1000};  // just past 2 Mi pixels
  files.times["big.jpg"] = 1;
  WorkingCopies copies = files.copies();
  for (std::int32_t side = 40; side < 60; ++side) {
    const PixelBuffer scaled = copies.scale("big.jpg", side, side, PAD, fit_of(FitMode::BestFit));
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->size(), static_cast<std::size_t>(side) * side);
  }
  EXPECT_EQ(files.decodes["big.jpg"], 1);
  EXPECT_EQ(files.draws, 20);
  EXPECT_EQ(files.drawn_level_width, 132);  // from a small halving, not the 1050-wide copy
  files.times["big.jpg"] = 2;
  copies.scale("big.jpg", 40, 40, PAD, fit_of(FitMode::BestFit));
  EXPECT_EQ(files.decodes["big.jpg"], 2);
}

TEST(WorkingCopies, APictureDeclaredHugeIsNeverDecodedAndAFailureIsNotRetriedPerBox) {
  FakeDecoder files;
  files.header_bytes["huge.png"] = png_header(20000, 20000);
  files.sizes["huge.png"] = {20000, 20000};
  files.sizes["fine.png"] = {64, 64};
  files.header_bytes["broken.png"] = png_header(64, 64);  // a good header, then data no decoder takes
  files.header_bytes["drawing.emf"] = le(1, 4) + le(108, 4) + std::string(32, '\0') + " EMF";
  files.sizes["drawing.emf"] = {64, 64};
  WorkingCopies copies = files.copies();
  EXPECT_FALSE(copies.scale("huge.png", 40, 40, PAD, fit_of(FitMode::Fill)));
  EXPECT_FALSE(copies.scale("drawing.emf", 40, 40, PAD, fit_of(FitMode::Fill)));
  EXPECT_FALSE(copies.scale("broken.png", 40, 40, PAD, fit_of(FitMode::Fill)));
  EXPECT_FALSE(copies.scale("broken.png", 41, 41, PAD, fit_of(FitMode::Fill)));
  EXPECT_TRUE(copies.scale("fine.png", 40, 40, PAD, fit_of(FitMode::Fill)));
  EXPECT_EQ(files.decodes["huge.png"], 0);
  EXPECT_EQ(files.decodes["drawing.emf"], 0);  // a size nobody can read before decoding
  EXPECT_EQ(files.decodes["broken.png"], 1);
  EXPECT_EQ(files.decodes["fine.png"], 1);
}

TEST(WorkingCopies, TheLeastRecentlyUsedCopiesGoBeyondFourOrBeyondTheirMemory) {
  FakeDecoder files;
  for (const char* name : {"a", "b", "c", "d", "e"}) files.sizes[name] = {64, 64};
  WorkingCopies copies = files.copies();
  const auto ask = [&](const char* name) { copies.scale(name, 8, 8, PAD, fit_of(FitMode::Fill)); };
  for (const char* name : {"a", "b", "c", "d", "a", "e", "a", "c", "d", "e", "b"}) ask(name);
  // e pushed out b, the least recently used; b came back in place of a.
  EXPECT_EQ(files.decodes["a"], 1);
  EXPECT_EQ(files.decodes["b"], 2);
  ask("a");
  EXPECT_EQ(files.decodes["a"], 2);

  // Two copies of 12 MiB fit in memory; a third pushes the oldest out.
  files.level_pixels = 3u << 20;
  for (const char* name : {"w", "x", "y"}) files.sizes[name] = {1, 1};
  for (const char* name : {"w", "x", "y", "x"}) ask(name);
  EXPECT_EQ(files.decodes["x"], 1);
  ask("w");
  EXPECT_EQ(files.decodes["w"], 2);
}

TEST(WorkingCopies, ARewrittenFileAndFailingFilesTakeNoGoodCopysPlace) {
  FakeDecoder files;
  for (const char* name : {"a", "b", "c", "d"}) files.sizes[name] = {64, 64};
  for (const char* name : {"x1", "x2", "x3", "x4", "x5"}) files.header_bytes[name] = png_header(64, 64);
  WorkingCopies copies = files.copies();
  const auto ask = [&](const char* name) { copies.scale(name, 8, 8, PAD, fit_of(FitMode::Fill)); };
  // a is rewritten after b was last used: its old copy must go, or d would push b out.
  for (const char* name : {"a", "b", "a"}) ask(name);
  files.times["a"] = 7;
  for (const char* name : {"a", "c", "d", "b"}) ask(name);
  EXPECT_EQ(files.decodes["a"], 2);
  EXPECT_EQ(files.decodes["b"], 1);
  // Five files that fail are remembered without pushing any of the four copies out.
  for (const char* name : {"x1", "x2", "x3", "x4", "x5", "x1", "a", "b", "c", "d"}) ask(name);
  for (const char* name : {"a", "b", "c", "d", "x1"}) EXPECT_EQ(files.decodes[name], name[0] == 'a' ? 2 : 1) << name;
}

TEST(WorkingCopies, TheLast16FilesThatFailedAreRemembered) {
  FakeDecoder files;
  const auto name = [](int i) { return std::to_string(i) + ".png"; };
  for (int i = 0; i <= 16; ++i) files.header_bytes[name(i)] = png_header(64, 64);
  WorkingCopies copies = files.copies();
  const auto ask = [&](int i) { copies.scale(name(i), 8, 8, PAD, fit_of(FitMode::Fill)); };
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 16; ++i) ask(i);
  }
  for (int i = 0; i < 16; ++i) EXPECT_EQ(files.decodes[name(i)], 1) << name(i);
  // A seventeenth pushes out the least recently used.
  ask(16);
  ask(0);
  ask(15);
  EXPECT_EQ(files.decodes[name(0)], 2);
  EXPECT_EQ(files.decodes[name(15)], 1);
}

// --- dimmed pictures ------------------------------------------------------------------------

struct FakeSource final : PictureSource {
  PixelBuffer answer;
  std::string path;
  std::int32_t width = 0, height = 0;
  Colour padding;
  Fit fit;
  PixelBuffer cached_scaled_picture(const std::string& p, std::int32_t w, std::int32_t h, Colour pad,
                                    const Fit& f) override {
    path = p;
    width = w;
    height = h;
    padding = pad;
    fit = f;
    return answer;
  }
};

TEST(DrawDimmedPicture, AMissingPictureIsAPlainFillThatIsNotDarkened) {
  std::vector<std::uint32_t> memory(6 * 4, 0xFF000000u);
  FakeSource source;
  draw_dimmed_picture({memory.data(), 6, 4}, source, "gone.png", {2, 1, 9, 3});
  EXPECT_EQ(source.path, "gone.png");
  EXPECT_EQ(source.width, 7);
  EXPECT_EQ(source.height, 2);
  EXPECT_EQ(source.padding, (Colour{30, 30, 30}));
  EXPECT_EQ(source.fit, fit_of(FitMode::Fill, 100, 50, 50));
  for (std::int32_t y = 0; y < 4; ++y) {
    for (std::int32_t x = 0; x < 6; ++x) {
      const bool inside = x >= 2 && y >= 1 && y < 3;
      EXPECT_EQ(memory[y * 6 + x], inside ? 0x001E1E1Eu : 0xFF000000u) << x << ',' << y;
    }
  }
}

TEST(DrawDimmedPicture, APictureIsCopiedAndDarkenedBy60Percent) {
  std::vector<std::uint32_t> memory(4 * 3, 0xFF000000u);
  FakeSource source;
  source.answer = std::make_shared<const std::vector<std::uint32_t>>(
      std::vector<std::uint32_t>{0xC8C8C8u, 0xFF6432u, 0x0A0A0Au, 0x000000u});
  draw_dimmed_picture({memory.data(), 4, 3}, source, "p.png", {1, 1, 3, 3});
  EXPECT_EQ(memory[1 * 4 + 1], 0x00505050u);  // 200 × 0.4 = 80
  EXPECT_EQ(memory[1 * 4 + 2], 0x00662814u);  // 255, 100, 50 → 102, 40, 20
  EXPECT_EQ(memory[2 * 4 + 1], 0x00040404u);  // 10 × 0.4 = 4
  EXPECT_EQ(memory[2 * 4 + 2], 0x00000000u);
  EXPECT_EQ(memory[0], 0xFF000000u);
  EXPECT_EQ(memory[2 * 4 + 3], 0xFF000000u);
}

// --- placing a frame ------------------------------------------------------------------------

TEST(FillAndPlacePicture, AOnePixelPictureFillsItsDestinationWithItsColour) {
  const std::uint32_t one = 0xFF336699u;
  const PictureView picture{&one, 1, 1};
  const auto filled = fill_and_place_picture(picture, 4, 2, fit_of(FitMode::BestFit), {1, 2, 3});
  for (std::uint32_t p : filled) EXPECT_EQ(p, 0x00336699u);
  const auto whole = fill_and_place_picture(picture, 4, 2, fit_of(FitMode::ShowAll), {1, 2, 3});
  const std::vector<std::uint32_t> expected{0x010203, 0x336699, 0x336699, 0x010203,
                                            0x010203, 0x336699, 0x336699, 0x010203};
  EXPECT_EQ(whole, expected);
}

TEST(FillAndPlacePicture, EnlargesBilinearly) {
  const std::uint32_t pixels[] = {0x000000u, 0xFFFFFFu};
  const auto out = fill_and_place_picture({pixels, 2, 1}, 4, 1, fit_of(FitMode::Fill), BLACK);
  // Samples at −0.25, 0.25, 0.75 and 1.25 picture pixels, clamped at both ends.
  const std::vector<std::uint32_t> expected{0x000000u, 0x404040u, 0xBFBFBFu, 0xFFFFFFu};
  EXPECT_EQ(out, expected);
}

TEST(FillAndPlacePicture, CropsAroundTheFocus) {
  const std::uint32_t pixels[] = {0x0A0A0Au, 0x141414u, 0x1E1E1Eu, 0x282828u};
  EXPECT_EQ(fill_and_place_picture({pixels, 4, 1}, 2, 1, fit_of(FitMode::Fill), BLACK),
            (std::vector<std::uint32_t>{0x141414u, 0x1E1E1Eu}));
  EXPECT_EQ(fill_and_place_picture({pixels, 4, 1}, 2, 1, fit_of(FitMode::Fill, 100, 0), BLACK),
            (std::vector<std::uint32_t>{0x0A0A0Au, 0x141414u}));
}

TEST(FillAndPlacePicture, EmptyInputGivesOnlyTheBackground) {
  EXPECT_TRUE(fill_and_place_picture({nullptr, 0, 0}, 0, 5, fit_of(FitMode::Fill), WHITE).empty());
  const auto out = fill_and_place_picture({nullptr, 0, 0}, 2, 2, fit_of(FitMode::Fill), WHITE);
  EXPECT_EQ(out, std::vector<std::uint32_t>(4, 0xFFFFFFu));
}

}  // namespace
}  // namespace qx
