// The real program in its "--render" mode: the bitmap file it writes, its failures, and frames
// compared with stored references.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/decode_notes.h"
#include "app/file_ops.h"
#include "app/picture_cache.h"
#include "picture_files_win.h"
#include "program_run_win.h"
#include "repo_file.h"
#include "temp_folder_win.h"
#include "unicode_text.h"

namespace {

using zvtest::ProgramRun;

// A fixture as a Windows path (the Linux root is drive Z: under Wine).
std::string fixture(const std::string& name) { return zv_test::fixture_windows_path("render/" + name); }

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t u32_at(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return v;
}

struct Frame {
  ProgramRun run;
  std::string bytes;
  std::int32_t width() const { return static_cast<std::int32_t>(u32_at(bytes, 18)); }
  std::int32_t height() const { return -static_cast<std::int32_t>(u32_at(bytes, 22)); }
  // Where the pixel's blue byte lies: after the 54-byte headers, rows top to bottom.
  std::size_t offset(std::int32_t x, std::int32_t y) const {
    return 54 + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width()) + static_cast<std::size_t>(x)) * 4;
  }
};

// Runs the program with "--render" into a fresh folder; English and one country, so that the
// texts do not follow the machine's settings.
Frame render(std::vector<std::string> args) {
  zvtest::TempFolder folder(L"render");
  const std::wstring out = folder.child(L"frame.bmp");
  std::string out_utf8 = folder.utf8() + "\\frame.bmp";
  args.insert(args.begin(), {"--render", out_utf8, "--lang", "en", "--country", "GB"});
  Frame f;
  f.run = zvtest::run_program(ZV_EXE_PATH, args, std::chrono::seconds(60));
  f.bytes = read_file(std::filesystem::path(out));
  return f;
}

TEST(RenderProgram, WritesTheBitmapHeaderByteForByteAndNothingElse) {
  Frame f = render({"--feed", fixture("news-story.json"), "--size", "800x200"});
  EXPECT_EQ(f.run.exit_code, 0u) << f.run.err;
  EXPECT_EQ(f.run.out, "");
  EXPECT_EQ(f.run.err, "");
  // A collapsed bottom bar 800 wide: the 52 px card and the 28 px the Regular orb stands out above it.
  const std::int32_t w = 800, h = 80;
  const std::uint32_t size = 54 + w * h * 4;
  const unsigned char header[54] = {
      'B', 'M', static_cast<unsigned char>(size), static_cast<unsigned char>(size >> 8),
      static_cast<unsigned char>(size >> 16), 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
      0x20, 0x03, 0, 0,        // 800
      0xB0, 0xFF, 0xFF, 0xFF,  // -80
      1, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(f.bytes.size(), size);
  EXPECT_EQ(std::memcmp(f.bytes.data(), header, 54), 0);
}

TEST(RenderProgram, SizeOptionSetsTheWidthOfABarAndTheHeightOfADockElseTheDefault) {
  struct Row {
    const char* size;
    std::int32_t bar_width;
    std::int32_t dock_height;
  };
  for (const Row& r : {Row{"800x200", 800, 200}, Row{"800X200", 1920, 1032}, Row{"800", 1920, 1032}}) {
    Frame bar = render({"--feed", fixture("news-story.json"), "--size", r.size});
    ASSERT_EQ(bar.run.exit_code, 0u) << bar.run.err;
    EXPECT_EQ(bar.width(), r.bar_width) << r.size;
    Frame dock = render({"--feed", fixture("news-story.json"), "--size", r.size, "--mode", "bar", "--edge", "left"});
    ASSERT_EQ(dock.run.exit_code, 0u) << dock.run.err;
    EXPECT_EQ(dock.width(), 252) << r.size;
    EXPECT_EQ(dock.height(), r.dock_height) << r.size;
    EXPECT_EQ(dock.bytes.size(), 54u + 252u * static_cast<std::uint32_t>(r.dock_height) * 4u);
  }
}

TEST(RenderProgram, FailuresAreReportedOnStandardErrorWithExitCodeOne) {
  zvtest::TempFolder folder(L"render-fail");
  const std::string missing = folder.utf8() + "\\no such folder\\frame.bmp";
  ProgramRun unwritable =
      zvtest::run_program(ZV_EXE_PATH, {"--render", missing, "--feed", fixture("news-story.json")});
  EXPECT_EQ(unwritable.exit_code, 1u);
  EXPECT_EQ(unwritable.err.rfind("render failed: ", 0), 0u) << unwritable.err;
  EXPECT_GT(unwritable.err.size(), std::string("render failed: \n").size()) << "the system's reason follows";
  EXPECT_EQ(unwritable.err.back(), '\n');
  EXPECT_EQ(unwritable.err.find('\n'), unwritable.err.size() - 1);

  ProgramRun empty = zvtest::run_program(
      ZV_EXE_PATH, {"--render", folder.utf8() + "\\x.bmp", "--feed", fixture("news-story.json"), "--size", "0x200"});
  EXPECT_EQ(empty.exit_code, 1u);
  EXPECT_EQ(empty.err, "render failed: could not allocate frame\n");
}

TEST(RenderProgram, AGifOrbPictureShowsOneOfItsFramesInTheOrb) {
  Frame f = render({"--feed", fixture("news-story.json"), "--size", "720x140", "--orb-image", fixture("loop.gif")});
  ASSERT_EQ(f.run.exit_code, 0u) << f.run.err;
  ASSERT_EQ(f.height(), 80);
  // The orb's middle (12 % of the width, half the orb above the card): whichever frame came last.
  const std::size_t at = f.offset(720 * 12 / 100, 28);
  const int b = static_cast<unsigned char>(f.bytes[at]), g = static_cast<unsigned char>(f.bytes[at + 1]),
            r = static_cast<unsigned char>(f.bytes[at + 2]), a = static_cast<unsigned char>(f.bytes[at + 3]);
  EXPECT_EQ(a, 255);
  auto close_to = [&](int er, int eg, int eb) { return std::abs(r - er) + std::abs(g - eg) + std::abs(b - eb) <= 12; };
  EXPECT_TRUE(close_to(200, 40, 160) || close_to(40, 200, 160)) << r << "," << g << "," << b;
}

TEST(RenderProgram, AnOrbPictureIsShownAsItsDecoderShowsItAndOneDeclaredHugeGivesTheFallback) {
  zvtest::TempFolder folder(L"render-pictures");
  const std::filesystem::path dir(folder.wide());
  ASSERT_TRUE(zvtest::write_picture(dir / "plain.jpg", L"image/jpeg", 64, 48, [](std::int32_t x, std::int32_t y) {
    return 0xFF000080u | static_cast<std::uint32_t>(x * 4) << 16 | static_cast<std::uint32_t>(y * 5) << 8;
  }));
  // Edited photos may hold stray bytes between segments: here 8 zeros after the first one.
  const std::string jpeg = read_file(dir / "plain.jpg");
  const std::string padded = zvtest::jpeg_with_stray_bytes(jpeg, 8);
  ASSERT_EQ(padded.size(), jpeg.size() + 8);
  std::ofstream(dir / "padded.jpg", std::ios::binary) << padded;
  // Decoded, these take gigabytes or a minute; the last three declare a small size.
  const std::pair<const char*, std::string> costly[] = {
      {"huge.ico", zvtest::icon_holding(zvtest::black_png(20000, 20000))},
      {"huge-tiff.png", zvtest::clear_rgba_tiff(12000, 12000)},
      {"huge-tile.png", zvtest::clear_rgba_tiff(64, 64, 16384, 16384)},
      {"huge-text.png", zvtest::png_with_text(zvtest::black_png(64, 64), zvtest::zlib_of_zeros(512u << 20))},
      {"scans.jpg", zvtest::grey_progressive_jpeg(4096, 4096, 3000)}};
  for (const auto& [name, bytes] : costly) std::ofstream(dir / name, std::ios::binary) << bytes;

  const auto frame_with = [&](const char* name) {
    Frame f = render({"--feed", fixture("news-story.json"), "--size", "720x140", "--orb", "XL", "--orb-image",
                      folder.utf8() + "\\" + name});
    EXPECT_EQ(f.run.exit_code, 0u) << name << ": " << f.run.err;
    return f.bytes;
  };
  const std::string fallback = frame_with("missing.png");
  const std::string plain = frame_with("plain.jpg");
  ASSERT_FALSE(fallback.empty());
  EXPECT_FALSE(plain == fallback) << "the JPEG is shown";
  EXPECT_TRUE(frame_with("padded.jpg") == plain);
  for (const auto& [name, bytes] : costly) EXPECT_TRUE(frame_with(name) == fallback) << name;
}

// The status under the feed's title is 12 px text in a 17 px box, lower than a line of the
// Devanagari and Telugu fonts: it shows all the same.
TEST(RenderProgram, TheStatusUnderTheFeedTitleShowsInEveryLanguage) {
  for (const char* lang : {"en", "hi", "te"}) {
    Frame f = render({"--feed", fixture("news-story.json"), "--size", "1200x140", "--left", "team", "--lang", lang});
    ASSERT_EQ(f.run.exit_code, 0u) << lang << ": " << f.run.err;
    ASSERT_EQ(f.height(), 80) << lang;
    // The status box starts 18 px in, 27 px below the card's top (28 px down the frame), and is
    // 17 px high; the brand side behind it shades from top to bottom only, so every row's colour
    // is that of its pixel 4 px in.
    int ink = 0;
    for (std::int32_t y = 55; y < 72; ++y) {
      for (std::int32_t x = 18; x < 100; ++x) {
        for (std::size_t c = 0; c < 3; ++c) {
          if (std::abs(static_cast<unsigned char>(f.bytes[f.offset(x, y) + c]) -
                       static_cast<unsigned char>(f.bytes[f.offset(4, y) + c])) > 40) {
            ++ink;
            break;
          }
        }
      }
    }
    EXPECT_GE(ink, 40) << lang;
  }
}

// A note left in the picture folder by a decode that never returned (a crash) keeps the file
// from the decoder; a note that a running program holds does not.
TEST(RenderProgram, APictureLeftNotedByACrashedDecodeIsNotDecodedAgain) {
  zvtest::TempFolder folder(L"render-noted");
  const std::filesystem::path dir(folder.wide());
  ASSERT_TRUE(zvtest::write_picture(dir / "plain.png", L"image/png", 64, 48, [](std::int32_t x, std::int32_t) {
    return 0xFF2040C0u | static_cast<std::uint32_t>(x * 3) << 16;
  }));
  const std::string picture = folder.utf8() + "\\plain.png";
  const std::string local = folder.utf8() + "\\local";
  const std::optional<std::string> pictures = qx::picture_cache_folder(local);
  ASSERT_TRUE(pictures && qx::platform_file_ops().create_folders(*pictures));
  struct NoFiles final : qx::NoteFiles {
    std::vector<std::string> abandoned(const std::string&) override { return {}; }
    std::unique_ptr<Held> hold(const std::string&) override { return nullptr; }
  } none;
  // A note of any program and either decoder counts: this one names the GIF decoder of process 1.
  const std::string note =
      qx::join_path(*pictures, qx::DecodeNotes(none, pictures, "1").note_name(qx::Decoder::Gif, picture));

  wchar_t saved[1024];
  const DWORD saved_size = GetEnvironmentVariableW(L"LOCALAPPDATA", saved, 1024);
  SetEnvironmentVariableW(L"LOCALAPPDATA", qx::utf8_to_wide(local).c_str());
  const auto frame_with = [&](const std::string& orb) {
    Frame f = render({"--feed", fixture("news-story.json"), "--size", "720x140", "--orb", "XL", "--orb-image", orb});
    EXPECT_EQ(f.run.exit_code, 0u) << f.run.err;
    return f.bytes;
  };
  const std::string fallback = frame_with(folder.utf8() + "\\missing.png");
  const std::string shown = frame_with(picture);
  std::string held_frame;
  {
    const std::unique_ptr<qx::NoteFiles::Held> held = qx::disk_note_files()->hold(note);
    ASSERT_TRUE(held);
    held_frame = frame_with(picture);
  }
  EXPECT_FALSE(qx::platform_file_ops().exists(note)) << "a held note goes when it is let go";
  std::ofstream(std::filesystem::path(qx::utf8_to_wide(note)), std::ios::binary) << "";
  const std::string noted = frame_with(picture);
  SetEnvironmentVariableW(L"LOCALAPPDATA", saved_size > 0 && saved_size < 1024 ? saved : nullptr);

  ASSERT_FALSE(shown.empty());
  EXPECT_FALSE(shown == fallback) << "the picture is shown";
  EXPECT_TRUE(held_frame == shown) << "another program's decode in progress stops nothing";
  EXPECT_TRUE(noted == fallback) << "the noted picture is not decoded";
  EXPECT_TRUE(qx::platform_file_ops().exists(note)) << "the note stays for the next start";
}

// --- frames compared with references ---

// GDI+ anti-aliasing and font hinting differ a little between Wine builds and font packages,
// so a pixel may differ by up to 40 in a channel, and up to 1.5 % of the pixels (glyph edges
// shifted by a pixel) may differ by more. Shapes, colours and placement must match.
constexpr int CHANNEL_TOLERANCE = 40;
constexpr double OUTLIER_SHARE = 0.015;
// The icon buttons and media marks come from one font file that the test runner installs
// (tools/zelvarons-test-icons.ttf), so their areas must match almost exactly: a wrong or
// mirrored glyph changes a few dozen pixels, far below the share allowed for the whole frame.
constexpr std::size_t ICON_AREA_OUTLIERS = 2;

// A part of the frame that holds icons and shapes only, no text: {left, top, right, bottom}.
struct Area {
  std::int32_t left, top, right, bottom;
};

struct Golden {
  const char* name;
  std::vector<std::string> args;
  std::vector<Area> icons;
};

// Icon areas: the bars' button row is the four 40 px cells ending 6 px left of the right edge,
// over the 52 px card row; the docks' is the four cells ending 12 px left of the dock's right
// edge, 44 px high from 54 px above its bottom; the island's upper cells end 8 px inside the
// card and its page buttons 160 px inside, 54 px above the card's bottom; media marks sit on a
// disc in the middle of the picture tile. All are scaled with the frame.
std::vector<Golden> goldens() {
  return {
      {"live-game", {"--feed", fixture("live-game.json"), "--size", "720x140"}, {{554, 28, 714, 80}}},
      {"live-game-expanded",
       {"--feed", fixture("live-game.json"), "--size", "720x140", "--expanded", "--skin", "2"},
       {{554, 28, 714, 80}}},
      {"news-picture",
       {"--feed", fixture("news-story.json"), "--size", "720x140", "--orb-image", fixture("harbour.png"), "--orb",
        "XL"},
       {{554, 44, 714, 96}}},
      {"failed-feed",
       {"--feed", fixture("broken.xml"), "--size", "720x140", "--mode", "island", "--skin", "1"},
       {{374, 22, 454, 70}}},
      {"rtl-title",
       {"--feed", fixture("rtl-title.json"), "--size", "720x140", "--mode", "bar", "--edge", "top", "--left", "team"},
       {{554, 0, 714, 52}}},
      {"cjk-title",
       {"--feed", fixture("cjk-title.json"), "--size", "720x140", "--mode", "island", "--expanded"},
       {{394, 22, 474, 70}, {242, 144, 322, 184}}},
      {"left-dock",
       {"--feed", fixture("news-story.json"), "--size", "720x420", "--mode", "bar", "--edge", "left", "--skin", "3"},
       {{80, 366, 240, 410}}},
      {"right-dock-expanded",
       {"--feed", fixture("media-stories.json"), "--size", "720x420", "--mode", "bar", "--edge", "right",
        "--expanded", "--skin", "4"},
       {{188, 366, 348, 410}, {152, 159, 208, 215}}},
      {"bottom-bar-scale-150",
       {"--feed", fixture("media-stories.json"), "--size", "1080x210", "--expanded", "--scale", "1.5", "--item", "1"},
       {{831, 42, 1071, 120}, {293, 180, 359, 246}}},
  };
}

void PrintTo(const Golden& g, std::ostream* os) { *os << g.name; }

class GoldenFrame : public testing::TestWithParam<Golden> {};

TEST_P(GoldenFrame, MatchesItsReference) {
  const Golden& g = GetParam();
  Frame f = render(g.args);
  ASSERT_EQ(f.run.exit_code, 0u) << f.run.err;
  const std::filesystem::path reference = std::string(ZV_FIXTURES_DIR) + "/render/" + g.name + ".bmp";
  if (std::getenv("ZV_UPDATE_RENDER_REFERENCES")) {
    std::ofstream(reference, std::ios::binary) << f.bytes;
    GTEST_SKIP() << "reference written: " << reference.string();
  }
  const std::string expected = read_file(reference);
  ASSERT_GE(expected.size(), 54u) << "missing reference " << reference.string();
  ASSERT_EQ(f.bytes.substr(0, 54), expected.substr(0, 54)) << "size differs";
  ASSERT_EQ(f.bytes.size(), expected.size());
  const std::int32_t width = f.width();
  auto pixel_diff = [&](std::size_t at) {
    int diff = 0;
    for (std::size_t c = 0; c < 4; ++c) {
      diff = std::max(diff, std::abs(static_cast<unsigned char>(f.bytes[at + c]) -
                                     static_cast<unsigned char>(expected[at + c])));
    }
    return diff;
  };
  std::size_t outliers = 0;
  int worst = 0;
  for (std::size_t i = 54; i < expected.size(); i += 4) {
    const int diff = pixel_diff(i);
    worst = std::max(worst, diff);
    if (diff > CHANNEL_TOLERANCE) ++outliers;
  }
  const std::size_t pixels = (expected.size() - 54) / 4;
  EXPECT_LE(static_cast<double>(outliers), OUTLIER_SHARE * static_cast<double>(pixels))
      << outliers << " of " << pixels << " pixels differ by more than " << CHANNEL_TOLERANCE << " (worst " << worst
      << ")";
  for (const Area& a : g.icons) {
    ASSERT_TRUE(a.left >= 0 && a.top >= 0 && a.left < a.right && a.top < a.bottom && a.right <= width &&
                a.bottom <= f.height());
    std::size_t wrong = 0;
    for (std::int32_t y = a.top; y < a.bottom; ++y) {
      for (std::int32_t x = a.left; x < a.right; ++x) {
        if (pixel_diff(f.offset(x, y)) > CHANNEL_TOLERANCE) ++wrong;
      }
    }
    EXPECT_LE(wrong, ICON_AREA_OUTLIERS) << "icons in {" << a.left << ", " << a.top << ", " << a.right << ", "
                                         << a.bottom << "}";
  }
}

INSTANTIATE_TEST_SUITE_P(Frames, GoldenFrame, testing::ValuesIn(goldens()),
                         [](const testing::TestParamInfo<Golden>& info) {
                           std::string name = info.param.name;
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

}  // namespace
