// Real decoding and scaling through GDI+. The pictures are made in a temporary folder by
// GDI+'s own encoders (PNG, JPEG) or by hand (GIF). Scaling filters differ between Wine and Windows, so colours are compared
// well inside flat areas with a tolerance (8 per channel, 48 for JPEG's lossy blocks).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "render/gdiplus_win.h"  // windows.h first, which psapi.h needs
#include <psapi.h>

#include "picture_files_win.h"
#include "render/pictures.h"
#include "unicode_text.h"
#include "video/media_engine.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t RED = 0xFFFF0000u;
constexpr std::uint32_t BLUE = 0xFF0000FFu;
constexpr std::uint32_t GREEN = 0xFF00C000u;
constexpr std::uint32_t CLEAR = 0x00000000u;

using zvtest::write_picture;

// A two-colour GIF written by hand (Wine's GIF encoder writes files its decoder refuses). The
// LZW stream restarts after every two pixels, so its codes stay 3 bits wide.
void write_two_colour_gif(const fs::path& file, std::uint16_t w, std::uint16_t h, std::uint32_t colour0,
                          std::uint32_t colour1, const std::function<int(std::int32_t, std::int32_t)>& index) {
  std::vector<unsigned char> bytes{'G', 'I', 'F', '8', '9', 'a'};
  const auto u16 = [&](std::uint16_t v) {
    bytes.push_back(static_cast<unsigned char>(v & 0xFF));
    bytes.push_back(static_cast<unsigned char>(v >> 8));
  };
  const auto rgb = [&](std::uint32_t c) {
    for (int shift : {16, 8, 0}) bytes.push_back(static_cast<unsigned char>((c >> shift) & 0xFF));
  };
  u16(w);
  u16(h);
  bytes.insert(bytes.end(), {0x80, 0, 0});  // a global table of 2 colours
  rgb(colour0);
  rgb(colour1);
  bytes.push_back(0x2C);
  u16(0);
  u16(0);
  u16(w);
  u16(h);
  bytes.insert(bytes.end(), {0, 2});  // no local table; LZW minimum code size 2
  std::vector<unsigned char> data;
  std::uint32_t bits = 0;
  int held = 0;
  const auto code = [&](std::uint32_t c) {
    bits |= c << held;
    held += 3;
    while (held >= 8) {
      data.push_back(static_cast<unsigned char>(bits & 0xFF));
      bits >>= 8;
      held -= 8;
    }
  };
  int since_clear = 2;
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      if (since_clear == 2) {
        code(4);
        since_clear = 0;
      }
      code(static_cast<std::uint32_t>(index(x, y)));
      ++since_clear;
    }
  }
  code(5);
  if (held > 0) data.push_back(static_cast<unsigned char>(bits & 0xFF));
  for (std::size_t i = 0; i < data.size(); i += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - i);
    bytes.push_back(static_cast<unsigned char>(n));
    bytes.insert(bytes.end(), data.begin() + i, data.begin() + i + n);
  }
  bytes.insert(bytes.end(), {0, 0x3B});
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// An 8-bit run-length BMP of w × h whose data ends the picture at once: about 1 KB.
std::string empty_rle_bmp(std::uint32_t w, std::uint32_t h) {
  const auto le32 = [](std::uint32_t v) {
    return std::string{char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
  };
  const std::uint32_t data = 14 + 40 + 1024;
  return "BM" + le32(data + 2) + le32(0) + le32(data) + le32(40) + le32(w) + le32(h) + std::string("\x01\0\x08\0", 4) +
         le32(1) + le32(2) + le32(2835) + le32(2835) + le32(256) + le32(0) + std::string(1024, '\0') +
         std::string("\0\x01", 2);
}

std::size_t peak_working_set() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

int channel(std::uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }

::testing::AssertionResult near_colour(std::uint32_t actual, std::uint32_t expected, int tolerance) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(channel(actual, shift) - channel(expected, shift)) > tolerance) {
      return ::testing::AssertionFailure() << std::hex << "0x" << actual << " is not within " << std::dec
                                           << tolerance << " of 0x" << std::hex << (expected & 0xFFFFFF);
    }
  }
  if ((actual >> 24) != 0) return ::testing::AssertionFailure() << "alpha byte set: 0x" << std::hex << actual;
  return ::testing::AssertionSuccess();
}

class PicturesOnWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("zv-pictures-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  std::string path_of(const char* name) const { return wide_to_utf8((dir / name).wstring()); }

  fs::path dir;
};

TEST_F(PicturesOnWindows, DecodesPngJpegAndGif) {
  struct Case {
    const char* name;
    const wchar_t* mime;
    int tolerance;
    std::int32_t width = 16;
  };
  // The large one is more than 2 Mi pixels, so it is scaled from halvings of it.
  const Case cases[] = {{"halves.png", L"image/png", 8}, {"halves.jpg", L"image/jpeg", 48},
                        {"halves.gif", nullptr, 8}, {"halves-large.png", L"image/png", 8, 2400}};
  for (const auto& c : cases) {
    // 16 × 8, red on the left, blue on the right: JPEG's 8 × 8 blocks stay one colour each.
    const std::int32_t w = c.width;
    if (c.mime == nullptr) {
      write_two_colour_gif(dir / c.name, 16, 8, RED, BLUE, [](auto x, auto) { return x < 8 ? 0 : 1; });
    } else {
      ASSERT_TRUE(write_picture(dir / c.name, c.mime, w, w / 2, [w](auto x, auto) { return x < w / 2 ? RED : BLUE; }))
          << c.name;
    }
    const PixelBuffer same_size =
        platform_pictures().cached_scaled_picture(path_of(c.name), 16, 8, BLACK, {FitMode::Fill, 100, 50, 50});
    ASSERT_TRUE(same_size) << c.name;
    ASSERT_EQ(same_size->size(), 128u);
    EXPECT_TRUE(near_colour((*same_size)[4 * 16 + 2], RED, c.tolerance)) << c.name;
    EXPECT_TRUE(near_colour((*same_size)[4 * 16 + 13], BLUE, c.tolerance)) << c.name;
    // Enlarged four times into a box of the same shape.
    const PixelBuffer large =
        platform_pictures().cached_scaled_picture(path_of(c.name), 64, 32, BLACK, {FitMode::BestFit, 100, 50, 50});
    ASSERT_TRUE(large) << c.name;
    EXPECT_TRUE(near_colour((*large)[16 * 64 + 8], RED, c.tolerance)) << c.name;
    EXPECT_TRUE(near_colour((*large)[16 * 64 + 56], BLUE, c.tolerance)) << c.name;
  }
}

TEST_F(PicturesOnWindows, ShowsAWholeWidePictureInASquareWithPadding) {
  ASSERT_TRUE(write_picture(dir / "wide.png", L"image/png", 60, 10, [](auto, auto) { return GREEN; }));
  // Ratio 6: shown whole at 76 %: 45.6 × 7.6 pixels centred in 60 × 60.
  const PixelBuffer box =
      platform_pictures().cached_scaled_picture(path_of("wide.png"), 60, 60, {200, 0, 200}, {FitMode::BestFit, 100, 50, 50});
  ASSERT_TRUE(box);
  EXPECT_TRUE(near_colour((*box)[30 * 60 + 30], GREEN, 8));
  EXPECT_TRUE(near_colour((*box)[10 * 60 + 30], 0xC800C8u, 0));  // padding above
  EXPECT_TRUE(near_colour((*box)[30 * 60 + 2], 0xC800C8u, 0));   // padding beside: 76 % leaves 7 px
}

TEST_F(PicturesOnWindows, ALogoWithTransparentCornersIsShownWhole) {
  // 40 × 20 with clear 4 × 4 corners; in a 30 × 20 box best fit would otherwise crop its sides.
  const auto logo = [](std::int32_t x, std::int32_t y) {
    const bool corner = (x < 4 || x >= 36) && (y < 4 || y >= 16);
    return corner ? CLEAR : GREEN;
  };
  const auto photo = [](std::int32_t, std::int32_t) { return GREEN; };
  ASSERT_TRUE(write_picture(dir / "logo.png", L"image/png", 40, 20, logo));
  ASSERT_TRUE(write_picture(dir / "photo.png", L"image/png", 40, 20, photo));
  const Colour padding{200, 0, 200};
  const Fit best{FitMode::BestFit, 100, 50, 50};
  const PixelBuffer whole = platform_pictures().cached_scaled_picture(path_of("logo.png"), 30, 20, padding, best);
  const PixelBuffer cropped = platform_pictures().cached_scaled_picture(path_of("photo.png"), 30, 20, padding, best);
  ASSERT_TRUE(whole);
  ASSERT_TRUE(cropped);
  // Shown whole: 30 × 15 from row 3, so the top row is padding and the middle of the left edge is logo.
  EXPECT_TRUE(near_colour((*whole)[0 * 30 + 15], 0xC800C8u, 0));
  EXPECT_TRUE(near_colour((*whole)[10 * 30 + 1], GREEN, 8));
  EXPECT_TRUE(near_colour((*whole)[19 * 30 + 15], 0xC800C8u, 0));
  // The opaque picture fills the box.
  EXPECT_TRUE(near_colour((*cropped)[0 * 30 + 15], GREEN, 8));
  EXPECT_TRUE(near_colour((*cropped)[19 * 30 + 15], GREEN, 8));
}

TEST_F(PicturesOnWindows, AMissingOrBrokenFileGivesNothing) {
  {
    std::ofstream text(dir / "not-a-picture.png", std::ios::binary);
    text << "this is not a picture";
  }
  const Fit fill{FitMode::Fill, 100, 50, 50};
  EXPECT_FALSE(platform_pictures().cached_scaled_picture(path_of("missing.png"), 8, 8, BLACK, fill));
  EXPECT_FALSE(platform_pictures().cached_scaled_picture(path_of("not-a-picture.png"), 8, 8, BLACK, fill));
  EXPECT_FALSE(platform_pictures().cached_scaled_picture(std::string("a\0b.png", 7), 8, 8, BLACK, fill));
}

TEST_F(PicturesOnWindows, APictureDeclaredHugeOrCostlyGivesNoPictureAndNoLargeAllocation) {
  // Decoded, the first seven take 0.1 to 3 GB or a minute each: three of them declare a small size
  // but hold a huge tile, text or scans. The next nine crash the decoder (a GIF frame without
  // colours) or cost it seconds through their many blocks, frames, chunks (empty ones of pixel
  // data too), a chunk claiming more than the file, pixel data inflating to 2 GB, or scans. A TIFF
  // reaches the decoder by its content, whatever its name; so does anything named ".gif" that the
  // player is given. Their ordinary kin are shown, and so is a photo's EXIF as text that
  // converters write (42 KB).
  const std::unique_ptr<MediaPlatform> player = make_platform_media();
  const std::string small_png = zvtest::black_png(64, 64);
  std::string private_chunks;
  for (int i = 0; i < 4000; ++i) private_chunks += zvtest::png_chunk("prVt", "");
  std::string empty_pixel_chunks;
  for (int i = 0; i < 600'000; ++i) empty_pixel_chunks += zvtest::png_chunk("IDAT", "");
  const std::string claims_2_gb = small_png.substr(0, 33) + zvtest::be32_bytes(0x7FFFFFFF) + std::string("tEXtComment", 12);
  ASSERT_EQ(claims_2_gb.size(), 49u);
  struct Case {
    const char* name;
    std::string bytes;
    bool shown;
  };
  const Case cases[] = {{"huge.png", zvtest::black_png(20000, 20000), false},
                        {"huge.bmp", empty_rle_bmp(20000, 20000), false},
                        {"huge.ico", zvtest::icon_holding(zvtest::black_png(20000, 20000)), false},
                        {"huge-tiff.png", zvtest::clear_rgba_tiff(12000, 12000), false},
                        {"huge-tile.png", zvtest::clear_rgba_tiff(64, 64, 16384, 16384), false},
                        {"huge-text.png", zvtest::png_with_text(small_png, zvtest::zlib_of_zeros(512u << 20)), false},
                        {"scans.jpg", zvtest::grey_progressive_jpeg(4096, 4096, 3000), false},
                        {"no-colours.gif", zvtest::gif_of(1, 1, false, 1), false},
                        {"comments.gif", zvtest::gif_of(1, 1, true, 1, 100'000), false},
                        {"sub-blocks.gif", zvtest::gif_of(1, 1, true, 1, 0, 4u << 20), false},
                        {"frames.gif", zvtest::gif_of(512, 512, true, 1024), false},
                        {"chunks.png", zvtest::png_with_chunks(small_png, private_chunks), false},
                        {"pixel-chunks.png", zvtest::png_with_chunks(small_png, empty_pixel_chunks), false},
                        {"claims-2-gb.png", claims_2_gb, false},
                        {"inflates-2-gb.png", zvtest::png_inflating_to(2ull << 30), false},
                        {"scans-8192.jpg", zvtest::grey_progressive_jpeg(8192, 8192, 61), false},
                        {"exif-text.png", zvtest::png_with_text(small_png, zvtest::deflated(zvtest::hex_exif_text()), "Raw profile type exif"), true},
                        {"tiles.tif", zvtest::clear_rgba_tiff(256, 192, 64, 64), true},
                        {"one-tile.tif", zvtest::clear_rgba_tiff(100, 100, 256, 256), true},
                        {"text.png", zvtest::png_with_text(small_png, zvtest::zlib_stored(std::string(4096, 'a'))), true},
                        {"progressive.jpg", zvtest::grey_progressive_jpeg(640, 480, 0), true}};
  for (const Case& c : cases) {
    const std::string gif = std::string(c.name) + ".gif";
    std::ofstream(dir / c.name, std::ios::binary) << c.bytes;
    std::ofstream(dir / gif, std::ios::binary) << c.bytes;
    const std::size_t before = peak_working_set();
    const PixelBuffer picture =
        platform_pictures().cached_scaled_picture(path_of(c.name), 40, 40, BLACK, {FitMode::Fill, 100, 50, 50});
    EXPECT_EQ(picture != nullptr, c.shown) << c.name;
    if (c.shown) continue;
    EXPECT_FALSE(player->decode_gif(path_of(gif.c_str()))) << c.name;
    EXPECT_LT(peak_working_set() - before, std::size_t{64} << 20) << c.name;
  }
  // At the side bound a picture is drawn; one pixel past it, a picture and a GIF for the player are not.
  ASSERT_TRUE(write_picture(dir / "widest.png", L"image/png", 16384, 2, [](auto, auto) { return RED; }));
  ASSERT_TRUE(write_picture(dir / "too-wide.png", L"image/png", 16385, 2, [](auto, auto) { return RED; }));
  EXPECT_TRUE(platform_pictures().cached_scaled_picture(path_of("widest.png"), 8, 8, BLACK, {}));
  EXPECT_FALSE(platform_pictures().cached_scaled_picture(path_of("too-wide.png"), 8, 8, BLACK, {}));
  write_two_colour_gif(dir / "widest.gif", 16384, 2, RED, BLUE, [](auto x, auto) { return x % 2; });
  write_two_colour_gif(dir / "too-wide.gif", 16385, 2, RED, BLUE, [](auto x, auto) { return x % 2; });
  EXPECT_TRUE(player->decode_gif(path_of("widest.gif")));
  EXPECT_FALSE(player->decode_gif(path_of("too-wide.gif")));
}

TEST_F(PicturesOnWindows, AFileRewrittenInPlaceIsDecodedAgain) {
  const fs::path file = dir / "changing.png";
  const Fit fill{FitMode::Fill, 100, 50, 50};
  ASSERT_TRUE(write_picture(file, L"image/png", 4, 4, [](auto, auto) { return RED; }));
  const PixelBuffer before = platform_pictures().cached_scaled_picture(path_of("changing.png"), 4, 4, BLACK, fill);
  ASSERT_TRUE(before);
  EXPECT_TRUE(near_colour((*before)[5], RED, 8));

  ASSERT_TRUE(write_picture(file, L"image/png", 4, 4, [](auto, auto) { return BLUE; }));
  // Make sure the time differs even on a file system with a coarse clock.
  fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(5));
  const PixelBuffer after = platform_pictures().cached_scaled_picture(path_of("changing.png"), 4, 4, BLACK, fill);
  ASSERT_TRUE(after);
  EXPECT_TRUE(near_colour((*after)[5], BLUE, 8));
}

TEST_F(PicturesOnWindows, ADimmedPictureIsDarkenedOnTheSurface) {
  ASSERT_TRUE(write_picture(dir / "grey.png", L"image/png", 8, 8, [](auto, auto) { return 0xFFC8C8C8u; }));
  auto surface = create_dib_surface(10, 10);
  ASSERT_TRUE(surface);
  const PixelView view = dib_pixels(*surface);
  draw_dimmed_picture(view, platform_pictures(), path_of("grey.png"), {1, 1, 9, 9});
  EXPECT_TRUE(near_colour(view.pixels[5 * 10 + 5], 0x505050u, 4));  // 200 × 0.4
  draw_dimmed_picture(view, platform_pictures(), path_of("none.png"), {1, 1, 9, 9});
  EXPECT_TRUE(near_colour(view.pixels[5 * 10 + 5], 0x1E1E1Eu, 0));
}

}  // namespace
}  // namespace qx
