// What a picture costs the bar before it is shown: pictures that declare a huge size in their
// header (an icon holding a 20000 × 20000 PNG, a 12000 × 12000 RGBA TIFF named ".png"), pictures
// that declare a small one but cost far more (a 64 × 64 TIFF in one 16384 × 16384 tile, a 64 × 64
// PNG with text that inflates to 512 MB, a 4096 × 4096 progressive JPEG with 3,000 scans), and a
// JPEG with stray bytes between its segments, each beside its plain counterpart, in one run:
// 1. In this process, the picture cache's load and scaling into an orb-sized box (each round a
//    new copy of the file, so that nothing is cached), and how far the peak working set rose.
//    The peak only rises, so the pictures go from the baseline up, the largest plain one last: a
//    figure near 0 after a large one means this picture cost no more than the largest before it.
//    Beside the load, the header check alone (`read_picture_file_header`): its cost on an ordinary
//    PNG, small and photo-sized, against the load.
// 2. The real program: "--render" of a live game with the picture in the orb, 1280 × 300.
// Run under Wine as: build/wine-run.sh build/bench/picture_load_bench.exe [ROUNDS]
#ifdef _WIN32

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "picture_files_win.h"
#include "program_run_win.h"
#include "render/picture_header.h"
#include "render/pictures.h"
#include "repo_file.h"
#include "temp_folder_win.h"
#include "unicode_text.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::size_t peak_working_set() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

struct Picture {
  const char* label;
  std::string name;  // the file's name; its content decides what it is
  std::string bytes;
  std::size_t beside = 0;  // the plain counterpart, by its place in the list
};

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  zvtest::TempFolder folder(L"picture-bench");
  const fs::path dir(folder.wide());
  if (!zvtest::write_picture(dir / "baseline.png", L"image/png", 64, 64, [](std::int32_t x, std::int32_t y) {
        return 0xFF000080u | static_cast<std::uint32_t>(x * 4) << 16 | static_cast<std::uint32_t>(y * 4) << 8;
      }) ||
      !zvtest::write_picture(dir / "plain.jpg", L"image/jpeg", 64, 48, [](std::int32_t x, std::int32_t y) {
        return 0xFF000080u | static_cast<std::uint32_t>(x * 4) << 16 | static_cast<std::uint32_t>(y * 5) << 8;
      }) ||
      // Gradients with a little noise: it deflates to about half, as photos do.
      !zvtest::write_picture(dir / "photo.png", L"image/png", 4096, 3072, [](std::int32_t x, std::int32_t y) {
        const std::uint32_t noise = (static_cast<std::uint32_t>(x) * 2654435761u ^ static_cast<std::uint32_t>(y) * 40503u) >> 27;
        return 0xFF000000u | (static_cast<std::uint32_t>(x / 16) + noise) % 256 << 16 |
               (static_cast<std::uint32_t>(y / 12) + noise) % 256 << 8 | (static_cast<std::uint32_t>((x + y) / 28) + noise) % 256;
      })) {
    std::fprintf(stderr, "could not write the pictures\n");
    return 1;
  }
  const auto read = [&](const char* name) {
    std::ifstream in(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string jpeg = read("plain.jpg");
  const std::string png = read("baseline.png");
  const std::vector<Picture> pictures{
      {"64 x 64 PNG (baseline)", "baseline.png", png},
      {"64 x 48 JPEG", "plain.jpg", jpeg},
      {"the same JPEG, 8 stray bytes", "padded.jpg", zvtest::jpeg_with_stray_bytes(jpeg, 8), 1},
      {"icon holding 20000 x 20000 PNG", "huge.ico", zvtest::icon_holding(zvtest::black_png(20000, 20000))},
      {"12000 x 12000 TIFF named .png", "huge-tiff.png", zvtest::clear_rgba_tiff(12000, 12000)},
      {"64 x 64 TIFF, 16384 x 16384 tile", "huge-tile.png", zvtest::clear_rgba_tiff(64, 64, 16384, 16384)},
      {"the PNG, text of 512 MB", "huge-text.png", zvtest::png_with_text(png, zvtest::zlib_of_zeros(512u << 20))},
      {"4096 x 4096 JPEG, 3,000 scans", "scans.jpg", zvtest::grey_progressive_jpeg(4096, 4096, 3000), 8},
      {"4096 x 4096 progressive JPEG", "progressive.jpg", zvtest::grey_progressive_jpeg(4096, 4096, 0), 8},
      {"4096 x 3072 photo-like PNG", "photo.png", read("photo.png")},
  };

  struct Figures {
    double header_ms, load_ms, peak_mb, render_ms;
    bool shown;
  };
  std::vector<Figures> figures;
  const qx::Fit fill{qx::FitMode::Fill, 100, 50, 50};
  for (const Picture& p : pictures) {
    std::vector<double> headers, loads, renders;
    bool shown = false;
    const std::size_t peak_before = peak_working_set();
    for (int i = 0; i < rounds; ++i) {
      const fs::path file = dir / (std::to_string(i) + "-" + p.name);
      std::ofstream(file, std::ios::binary) << p.bytes;
      const Clock::time_point header_start = Clock::now();
      qx::read_picture_file_header(qx::wide_to_utf8(file.wstring()));
      headers.push_back(ms_since(header_start));
      const Clock::time_point start = Clock::now();
      shown = qx::platform_pictures().cached_scaled_picture(qx::wide_to_utf8(file.wstring()), 56, 56, {20, 20, 20}, fill) != nullptr;
      loads.push_back(ms_since(start));
    }
    const double peak_mb = static_cast<double>(peak_working_set() - peak_before) / (1 << 20);
    for (int i = 0; i < rounds; ++i) {
      const Clock::time_point start = Clock::now();
      const zvtest::ProgramRun run = zvtest::run_program(
          ZV_EXE_PATH, {"--render", folder.utf8() + "\\frame.bmp", "--lang", "en", "--country", "GB", "--feed",
                        zv_test::fixture_windows_path("render/live-game.json"), "--size", "1280x300", "--orb-image",
                        folder.utf8() + "\\0-" + p.name},
          std::chrono::minutes(10));
      renders.push_back(ms_since(start));
      if (run.exit_code != 0) std::fprintf(stderr, "%s: render failed: %s", p.label, run.err.c_str());
    }
    figures.push_back({median(headers), median(loads), peak_mb, median(renders), shown});
  }

  std::printf("%-34s %10s %10s %12s %12s %8s %10s\n", "picture", "file KB", "header ms", "load ms", "peak +MB", "shown",
              "render ms");
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const Picture& p = pictures[i];
    const Figures& f = figures[i];
    std::printf("%-34s %10.1f %10.2f %12.2f %12.1f %8s %10.1f", p.label, p.bytes.size() / 1024.0, f.header_ms, f.load_ms,
                f.peak_mb, f.shown ? "yes" : "no", f.render_ms);
    if (p.beside != i) std::printf("  (%.2fx %s)", f.render_ms / figures[p.beside].render_ms, pictures[p.beside].label);
    std::printf("\n");
  }
  return 0;
}

#else
int main() { return 0; }  // GDI+ and the program: Windows only
#endif
