// Writes animated GIFs of solid-colour frames for tests: any size, any delays. The image data is
// stored without compression (a clear code every 100 pixels keeps every code 8 bits wide).
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace qx::test {

struct GifRecipe {
  std::uint16_t width = 8;
  std::uint16_t height = 4;
  std::vector<std::uint32_t> colours;            // 0xRRGGBB per frame; frame f shows colours[f % 128]
  std::vector<std::uint16_t> delays;             // hundredths of a second per frame
};

inline std::vector<unsigned char> make_gif(const GifRecipe& recipe) {
  std::vector<unsigned char> out;
  auto u8 = [&](unsigned v) { out.push_back(static_cast<unsigned char>(v)); };
  auto u16 = [&](unsigned v) {
    u8(v & 0xFF);
    u8((v >> 8) & 0xFF);
  };
  for (char c : std::string("GIF89a")) u8(static_cast<unsigned char>(c));
  u16(recipe.width);
  u16(recipe.height);
  u8(0xF6);  // a global table of 128 colours
  u8(0);
  u8(0);
  for (int i = 0; i < 128; ++i) {
    const std::uint32_t c = i < static_cast<int>(recipe.colours.size()) ? recipe.colours[i] : 0;
    u8((c >> 16) & 0xFF);
    u8((c >> 8) & 0xFF);
    u8(c & 0xFF);
  }
  // Loop for ever.
  u8(0x21), u8(0xFF), u8(11);
  for (char c : std::string("NETSCAPE2.0")) u8(static_cast<unsigned char>(c));
  u8(3), u8(1), u16(0), u8(0);

  const std::size_t pixels = static_cast<std::size_t>(recipe.width) * recipe.height;
  for (std::size_t f = 0; f < recipe.colours.size(); ++f) {
    u8(0x21), u8(0xF9), u8(4), u8(0x04), u16(recipe.delays[f]), u8(0), u8(0);
    u8(0x2C), u16(0), u16(0), u16(recipe.width), u16(recipe.height), u8(0);
    u8(7);  // minimum code size: codes 0..127, clear 128, end 129
    std::vector<unsigned char> codes;
    for (std::size_t i = 0; i < pixels; ++i) {
      if (i % 100 == 0) codes.push_back(128);
      codes.push_back(static_cast<unsigned char>(f % 128));
    }
    codes.push_back(129);
    for (std::size_t i = 0; i < codes.size(); i += 255) {
      const std::size_t n = std::min<std::size_t>(255, codes.size() - i);
      u8(static_cast<unsigned>(n));
      out.insert(out.end(), codes.begin() + static_cast<std::ptrdiff_t>(i), codes.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    u8(0);
  }
  u8(0x3B);
  return out;
}

inline void write_gif(const std::string& path, const GifRecipe& recipe) {
  const std::vector<unsigned char> bytes = make_gif(recipe);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace qx::test
