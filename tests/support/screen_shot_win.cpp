#include "screen_shot_win.h"

#include <windows.h>

#include <bit>
#include <fstream>
#include <iterator>
#include <string>

namespace qx::test {

namespace {

std::uint32_t be32(const std::vector<unsigned char>& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

std::vector<unsigned char> read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

std::optional<ScreenShot> read_xwd(const std::vector<unsigned char>& b) {
  if (b.size() < 100) return std::nullopt;
  const std::uint32_t header_size = be32(b, 0);
  if (be32(b, 4) != 7 || header_size < 100 || header_size > b.size()) return std::nullopt;
  const std::uint32_t width = be32(b, 16), height = be32(b, 20);
  const std::uint32_t byte_order = be32(b, 28);
  const std::uint32_t bits_per_pixel = be32(b, 44), bytes_per_line = be32(b, 48);
  const std::uint32_t visual_class = be32(b, 52);
  const std::uint32_t red = be32(b, 56), green = be32(b, 60), blue = be32(b, 64);
  const std::uint32_t colours = be32(b, 76);
  if (width == 0 || height == 0 || width > 16384 || height > 16384) return std::nullopt;
  if (visual_class != 4 && visual_class != 5) return std::nullopt;  // TrueColor or DirectColor only
  // Depth 24 comes as 32 bits per pixel or packed in 3 bytes (rows may be padded beyond that).
  if (bits_per_pixel != 32 && bits_per_pixel != 24) return std::nullopt;
  const std::uint32_t step = bits_per_pixel / 8;
  const std::size_t map_start = header_size;
  const std::size_t start = map_start + std::size_t{colours} * 12;
  if (bytes_per_line < width * step || start + std::size_t{bytes_per_line} * height > b.size()) return std::nullopt;

  // DirectColor looks each channel up in the colour map (16-bit entries; the high byte is kept).
  auto lookup = [&](std::uint32_t index, std::size_t field) -> std::uint32_t {
    if (visual_class != 5 || index >= colours) return index;
    return b[map_start + std::size_t{index} * 12 + 4 + field * 2];
  };
  auto channel_value = [&](std::uint32_t pixel, std::uint32_t mask, std::size_t field) -> std::uint32_t {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const std::uint32_t index = (pixel & mask) >> shift;
    if (visual_class == 5) return lookup(index, field);
    return index * 255 / (mask >> shift);
  };

  ScreenShot shot;
  shot.width = static_cast<std::int32_t>(width);
  shot.height = static_cast<std::int32_t>(height);
  shot.rgb.resize(std::size_t{width} * height);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::size_t at = start + std::size_t{y} * bytes_per_line + std::size_t{x} * step;
      std::uint32_t p = 0;
      for (std::uint32_t i = 0; i < step; ++i) {
        const std::uint32_t byte = b[at + i];
        p |= byte_order == 0 ? byte << (8 * i) : byte << (8 * (step - 1 - i));
      }
      shot.rgb[std::size_t{y} * width + x] =
          (channel_value(p, red, 0) << 16) | (channel_value(p, green, 1) << 8) | channel_value(p, blue, 2);
    }
  }
  return shot;
}

bool screen_shot_available() { return exists(L"Z:\\usr\\bin\\xwd") && exists(L"Z:\\bin\\sh"); }

std::optional<ScreenShot> take_screen_shot() {
  // Wine starts host programs but gives no handle to wait on: the script renames its output when
  // xwd is done, and the test waits for that name.
  const std::string stem = "/tmp/zv-shot-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
  const std::string script = stem + ".sh", part = stem + ".part", done = stem + ".xwd";
  {
    std::ofstream out("Z:" + script, std::ios::binary);
    out << "xwd -root -silent > " << part << " && mv " << part << " " << done << "\n";
  }
  std::wstring command = L"Z:\\bin\\sh " + std::wstring(script.begin(), script.end());
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return std::nullopt;
  if (pi.hThread) CloseHandle(pi.hThread);
  if (pi.hProcess) CloseHandle(pi.hProcess);
  const std::wstring done_w = L"Z:" + std::wstring(done.begin(), done.end());
  for (int i = 0; i < 300 && !exists(done_w.c_str()); ++i) Sleep(50);
  std::optional<ScreenShot> shot = read_xwd(read_all("Z:" + done));
  DeleteFileW(done_w.c_str());
  const std::wstring script_w = L"Z:" + std::wstring(script.begin(), script.end());
  DeleteFileW(script_w.c_str());
  return shot;
}

}  // namespace qx::test
