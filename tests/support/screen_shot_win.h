// A picture of the whole X screen the Wine test runs on, taken from outside Wine with xwd, so
// that a test sees what the X server composed rather than what Wine believes it drew.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace qx::test {

struct ScreenShot {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> rgb;  // 0x00RRGGBB, rows top-down
  std::uint32_t at(std::int32_t x, std::int32_t y) const { return rgb[static_cast<std::size_t>(y * width + x)]; }
};

// Whether xwd is installed on the host.
bool screen_shot_available();
// None when xwd fails, takes more than 15 s or writes a form this reader does not know.
std::optional<ScreenShot> take_screen_shot();
// The X window dump format (32 bits per pixel, either byte order).
std::optional<ScreenShot> read_xwd(const std::vector<unsigned char>& bytes);

}  // namespace qx::test
