// Picture files made for tests: by GDI+'s own encoders, or by hand where a test needs a file that
// declares far more pixels than it holds (a decoder allocates for the declared size). For test
// programs that link the program's library (GDI+ is started through it).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "render/gdiplus_win.h"
#include "render/dib_surface.h"

namespace zvtest {

inline bool encoder_for(const wchar_t* mime, CLSID& clsid) {
  namespace gdip = qx::gdip;
  UINT count = 0;
  UINT bytes = 0;
  if (gdip::GdipGetImageEncodersSize(&count, &bytes) != gdip::Ok || bytes == 0) return false;
  std::vector<unsigned char> memory(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(memory.data());
  if (gdip::GdipGetImageEncoders(count, bytes, codecs) != gdip::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (wcscmp(codecs[i].MimeType, mime) == 0) {
      clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

// Writes w × h ARGB pixels as a file of the given type ("image/png", "image/jpeg").
inline bool write_picture(const std::filesystem::path& file, const wchar_t* mime, std::int32_t w, std::int32_t h,
                          const std::function<std::uint32_t(std::int32_t, std::int32_t)>& pixel) {
  namespace gdip = qx::gdip;
  if (!qx::gdiplus_startup_once()) return false;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) pixels[static_cast<std::size_t>(y) * w + x] = pixel(x, y);
  }
  gdip::Bitmap bitmap;
  if (gdip::GdipCreateBitmapFromScan0(w, h, w * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(pixels.data()),
                                      bitmap.put()) != gdip::Ok) {
    return false;
  }
  CLSID clsid;
  return encoder_for(mime, clsid) &&
         gdip::GdipSaveImageToFile(bitmap.get(), file.wstring().c_str(), &clsid, nullptr) == gdip::Ok;
}

inline std::string be32_bytes(std::uint64_t v) {
  return {char(v >> 24 & 0xFF), char(v >> 16 & 0xFF), char(v >> 8 & 0xFF), char(v & 0xFF)};
}
inline std::string le_bytes(std::uint32_t v, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
  return out;
}

// A zlib stream of `length` zero bytes in one fixed-code deflate block: a literal 0, then copies
// of the 258 bytes before, 13 bits each.
inline std::string zlib_of_zeros(std::uint64_t length) {
  std::string z = "\x78\x01";
  std::uint32_t bits = 0;
  int held = 0;
  const auto code = [&](std::uint32_t c, int n) {  // Huffman codes go most significant bit first
    for (int i = n - 1; i >= 0; --i, ++held) bits |= (c >> i & 1) << held;
    for (; held >= 8; held -= 8, bits >>= 8) z += static_cast<char>(bits & 0xFF);
  };
  code(0b110, 3);  // the last block, fixed codes
  code(0x30, 8);   // a literal 0
  std::uint64_t left = length - 1;
  for (; left >= 258; left -= 258) code(0xC5 << 5, 13);  // length 258, distance 1
  for (; left > 0; --left) code(0x30, 8);
  code(0, 7);  // the end of the block
  if (held > 0) z += static_cast<char>(bits & 0xFF);
  return z + be32_bytes((length % 65521) << 16 | 1);  // Adler-32 of zeros
}

// A 1-bit grey PNG of w × h black pixels: 20000 × 20000 takes 315 KB.
inline std::string black_png(std::uint32_t w, std::uint32_t h) {
  const auto chunk = [](const std::string& type, const std::string& data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : type + data) {
      crc ^= b;
      for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return be32_bytes(data.size()) + type + data + be32_bytes(~crc);
  };
  const std::uint64_t length = std::uint64_t{(w + 7) / 8 + 1} * h;  // each row: a filter byte, then its bits
  return std::string("\x89PNG\r\n\x1A\n", 8) +
         chunk("IHDR", be32_bytes(w) + be32_bytes(h) + std::string("\x01\0\0\0\0", 5)) +
         chunk("IDAT", zlib_of_zeros(length)) + chunk("IEND", "");
}

// The JPEG with `count` stray zero bytes after its first segment, as edited photos have them
// (decoders pass over them); the JPEG unchanged when it has no such segment.
inline std::string jpeg_with_stray_bytes(const std::string& jpeg, std::size_t count) {
  if (jpeg.size() < 6 || jpeg.compare(0, 3, "\xFF\xD8\xFF") != 0) return jpeg;
  const std::size_t after_first = 4 + (static_cast<unsigned char>(jpeg[4]) << 8 | static_cast<unsigned char>(jpeg[5]));
  if (after_first > jpeg.size()) return jpeg;
  return jpeg.substr(0, after_first) + std::string(count, '\0') + jpeg.substr(after_first);
}

// An icon file of one image (a PNG, or a DIB with its info header).
inline std::string icon_holding(const std::string& image) {
  return std::string("\0\0\x01\0\x01\0\0\0\0\0\x01\0\x20\0", 14) + le_bytes(static_cast<std::uint32_t>(image.size()), 4) +
         le_bytes(22, 4) + image;
}

// An RGBA TIFF of w × h transparent pixels in one deflated strip, little-endian: 12000 × 12000
// takes 3.6 MB and decodes to 576 MB.
inline std::string clear_rgba_tiff(std::uint32_t w, std::uint32_t h) {
  const std::string strip = zlib_of_zeros(std::uint64_t{w} * h * 4);
  struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
  };
  const std::uint32_t entries = 11;
  const std::uint32_t samples_at = 8 + 2 + 12 * entries + 4;
  const std::uint32_t strip_at = samples_at + 8;
  const Entry directory[] = {{256, 4, 1, w},          {257, 4, 1, h},
                             {258, 3, 4, samples_at},  // 8 bits in each of 4 samples
                             {259, 3, 1, 8},           // deflate
                             {262, 3, 1, 2},           // RGB
                             {273, 4, 1, strip_at},    {277, 3, 1, 4},
                             {278, 4, 1, h},           {279, 4, 1, static_cast<std::uint32_t>(strip.size())},
                             {284, 3, 1, 1},           // samples interleaved
                             {338, 3, 1, 2}};          // the fourth sample is unassociated alpha
  std::string t = std::string("II*\0", 4) + le_bytes(8, 4) + le_bytes(entries, 2);
  for (const Entry& e : directory) {
    t += le_bytes(e.tag, 2) + le_bytes(e.type, 2) + le_bytes(e.count, 4);
    t += e.type == 3 && e.count == 1 ? le_bytes(e.value, 2) + std::string(2, '\0') : le_bytes(e.value, 4);
  }
  t += le_bytes(0, 4);  // no further directory
  for (int i = 0; i < 4; ++i) t += le_bytes(8, 2);
  return t + strip;
}

}  // namespace zvtest
