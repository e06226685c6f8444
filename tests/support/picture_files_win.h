// Picture files made for tests: by GDI+'s own encoders, or by hand where a test needs a file that
// declares far more pixels than it holds (a decoder allocates for the declared size). For test
// programs that link the program's library (GDI+ is started through it).
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "deflated_bytes.h"
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

// A zlib stream of `length` (at least 1) zero bytes in one deflate block with codes of its own, as
// the best compressors write it: a literal 0, then copies of the 258 bytes before, 2 bits each.
// 1 GiB takes 1 MB.
inline std::string zlib_of_zeros(std::uint64_t length) {
  std::string z = "\x78\x01";
  std::uint32_t bits = 0;
  int held = 0;
  const auto put = [&](std::uint32_t value, int n) {  // plain values go least significant bit first
    bits |= value << held;
    for (held += n; held >= 8; held -= 8, bits >>= 8) z += static_cast<char>(bits & 0xFF);
  };
  const auto code = [&](std::uint32_t c, int n) {  // Huffman codes go most significant bit first
    for (int i = n - 1; i >= 0; --i) put(c >> i & 1, 1);
  };
  put(0b101, 3);              // the last block, dynamic codes
  put(286 - 257, 5);          // literal and length codes up to 285 (a copy of 258)
  put(0, 5);                  // one distance code
  put(18 - 4, 4);             // code length codes, in their order 16 17 18 0 8 7 9 6 10 5 11 4 12 3 13 2 14 1
  for (std::uint32_t n : {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2}) put(n, 3);  // 18: "0", 1: "10", 2: "11"
  code(0b11, 2);              // the literal 0: 2 bits
  code(0, 1); put(138 - 11, 7);  // the literals 1 to 138, and
  code(0, 1); put(117 - 11, 7);  // 139 to 255: none
  code(0b11, 2);              // the end of the block: 2 bits
  code(0, 1); put(28 - 11, 7);   // the lengths 257 to 284: none
  code(0b10, 2);              // 285: 1 bit
  code(0b10, 2);              // the distance 1: 1 bit
  // So 285 is "0", the literal 0 "10", the end "11", and the distance "0".
  code(0b10, 2);
  std::uint64_t left = length - 1;
  for (; left >= 258; left -= 258) code(0b00, 2);
  for (; left > 0; --left) code(0b10, 2);
  code(0b11, 2);
  if (held > 0) z += static_cast<char>(bits & 0xFF);
  return z + be32_bytes((length % 65521) << 16 | 1);  // Adler-32 of zeros
}

// A zlib stream of the bytes (at most 65535) as they are, in one stored block.
inline std::string zlib_stored(const std::string& bytes) {
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : bytes) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  const auto n = static_cast<std::uint32_t>(bytes.size());
  return std::string("\x78\x01\x01", 3) + le_bytes(n, 2) + le_bytes(~n, 2) + bytes + be32_bytes(b << 16 | a);
}

inline std::string png_chunk(const std::string& type, const std::string& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : type + data) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return be32_bytes(data.size()) + type + data + be32_bytes(~crc);
}

// A 1-bit grey PNG of w × h black pixels: 20000 × 20000 takes 50 KB.
inline std::string black_png(std::uint32_t w, std::uint32_t h) {
  const std::uint64_t length = std::uint64_t{(w + 7) / 8 + 1} * h;  // each row: a filter byte, then its bits
  return std::string("\x89PNG\r\n\x1A\n", 8) +
         png_chunk("IHDR", be32_bytes(w) + be32_bytes(h) + std::string("\x01\0\0\0\0", 5)) +
         png_chunk("IDAT", zlib_of_zeros(length)) + png_chunk("IEND", "");
}

// The PNG with these chunks right after its header.
inline std::string png_with_chunks(const std::string& png, const std::string& chunks) {
  const std::size_t after_ihdr = 8 + 12 + 13;
  return png.substr(0, after_ihdr) + chunks + png.substr(after_ihdr);
}

// The PNG with a zTXt chunk of this zlib stream right after its header, where decoders inflate it
// as they read the header.
inline std::string png_with_text(const std::string& png, const std::string& zlib, const std::string& keyword = "Comment") {
  return png_with_chunks(png, png_chunk("zTXt", keyword + std::string("\0\0", 2) + zlib));
}

// The text that image converters write for a photo's EXIF (keyword "Raw profile type exif"): a
// line of its name, a line of its length, then its bytes in hex, 36 a line. These bytes are
// half a fixed pattern, as tags are: 45,000 of them come to 91 KB of text and deflate to 42 KB.
inline std::string hex_exif_text(std::size_t bytes = 45'000) {
  std::string text = "\nexif\n" + std::to_string(bytes) + "\n";
  std::uint32_t seed = 1;
  for (std::size_t i = 0; i < bytes; ++i) {
    seed = seed * 1103515245u + 12345u;
    const unsigned b = i % 2 == 0 ? seed >> 24 : static_cast<unsigned>(i % 9);
    text += "0123456789abcdef"[b >> 4 & 15];
    text += "0123456789abcdef"[b & 15];
    if (i % 36 == 35) text += '\n';
  }
  return text + '\n';
}

// A 1 × 1 grey PNG whose pixel data inflates to `length` zero bytes: 2 GiB take 2 MB.
inline std::string png_inflating_to(std::uint64_t length) {
  return std::string("\x89PNG\r\n\x1A\n", 8) + png_chunk("IHDR", be32_bytes(1) + be32_bytes(1) + std::string("\x01\0\0\0\0", 5)) +
         png_chunk("IDAT", zlib_of_zeros(length)) + png_chunk("IEND", "");
}

// LZW data (code size 2) of `pixels` pixels of colour 0, in sub-blocks: each code stands for one
// pixel more than the one before, so 512 × 512 take about 850 bytes.
inline std::string solid_gif_data(std::uint64_t pixels) {
  std::string data;
  std::uint32_t bits = 0, width = 3, next = 6;  // the first free code follows clear (4) and end (5)
  int held = 0;
  const auto put = [&](std::uint32_t code) {
    bits |= code << held;
    for (held += static_cast<int>(width); held >= 8; held -= 8, bits >>= 8) data += static_cast<char>(bits & 0xFF);
    // A decoder widens its codes once the codes it has read pass what the width holds.
    if (next < 4097 && ++next > (1u << width) && width < 12) ++width;
  };
  put(4);
  next = 6;
  for (std::uint64_t run = 1; pixels > 0; ++run) {
    const std::uint64_t n = std::min<std::uint64_t>({run, pixels, 4095 - 4});
    put(n == 1 ? 0 : static_cast<std::uint32_t>(4 + n));  // the run of n: 0 alone, then 6, 7, ...
    pixels -= n;
  }
  put(5);
  if (held > 0) data += static_cast<char>(bits & 0xFF);
  std::string blocks = "\x02";
  for (std::size_t i = 0; i < data.size(); i += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - i);
    blocks += static_cast<char>(n) + data.substr(i, n);
  }
  return blocks + std::string(1, '\0');
}

// A GIF of w × h, with no colour table when `colours` is off, of `frames` solid frames, after
// `comments` empty comments and a comment of `sub_blocks` one-byte sub-blocks.
inline std::string gif_of(std::uint16_t w, std::uint16_t h, bool colours, std::uint32_t frames, std::uint32_t comments = 0,
                          std::uint32_t sub_blocks = 0) {
  std::string g = "GIF89a" + le_bytes(w, 2) + le_bytes(h, 2) + (colours ? std::string("\x80\0\0\0\0\0\xFF\xFF\xFF", 9) : std::string(3, '\0'));
  for (std::uint32_t i = 0; i < comments; ++i) g += std::string("\x21\xFE\0", 3);
  if (sub_blocks > 0) {
    g += "\x21\xFE";
    g.reserve(g.size() + 2 * std::size_t{sub_blocks} + 1);
    for (std::uint32_t i = 0; i < sub_blocks; ++i) g += std::string("\x01 ", 2);
    g += '\0';
  }
  const std::string frame = "\x2C" + le_bytes(0, 4) + le_bytes(w, 2) + le_bytes(h, 2) + '\0' + solid_gif_data(std::uint64_t{w} * h);
  for (std::uint32_t i = 0; i < frames; ++i) g += frame;
  return g + ";";
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

// An RGBA TIFF of w × h transparent pixels, deflated, little-endian: in one strip, or in tiles of
// tile_w × tile_h that all share one stream. 12000 × 12000 in a strip takes 560 KB and decodes to
// 576 MB.
inline std::string clear_rgba_tiff(std::uint32_t w, std::uint32_t h, std::uint32_t tile_w = 0, std::uint32_t tile_h = 0) {
  const bool tiled = tile_w > 0;
  const std::string data = zlib_of_zeros(std::uint64_t{tiled ? tile_w : w} * (tiled ? tile_h : h) * 4);
  const auto size = static_cast<std::uint32_t>(data.size());
  const std::uint32_t tiles = tiled ? (w + tile_w - 1) / tile_w * ((h + tile_h - 1) / tile_h) : 1;
  struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
  };
  const std::uint32_t entries = tiled ? 12 : 11;
  const std::uint32_t samples_at = 8 + 2 + 12 * entries + 4;
  const std::uint32_t lists_at = samples_at + 8;  // the tiles' offsets and sizes, when more than one
  const std::uint32_t data_at = lists_at + (tiles > 1 ? 8 * tiles : 0);
  std::vector<Entry> directory{{256, 4, 1, w},          {257, 4, 1, h},
                               {258, 3, 4, samples_at},  // 8 bits in each of 4 samples
                               {259, 3, 1, 8},           // deflate
                               {262, 3, 1, 2},           // RGB
                               {277, 3, 1, 4},
                               {284, 3, 1, 1},           // samples interleaved
                               {338, 3, 1, 2}};          // the fourth sample is unassociated alpha
  if (tiled) {
    directory.insert(directory.end() - 1, {{322, 4, 1, tile_w}, {323, 4, 1, tile_h},
                                           {324, 4, tiles, tiles > 1 ? lists_at : data_at},
                                           {325, 4, tiles, tiles > 1 ? lists_at + 4 * tiles : size}});
  } else {
    directory.insert(directory.begin() + 5, Entry{273, 4, 1, data_at});
    directory.insert(directory.begin() + 7, {{278, 4, 1, h}, {279, 4, 1, size}});
  }
  std::string t = std::string("II*\0", 4) + le_bytes(8, 4) + le_bytes(entries, 2);
  for (const Entry& e : directory) {
    t += le_bytes(e.tag, 2) + le_bytes(e.type, 2) + le_bytes(e.count, 4);
    t += e.type == 3 && e.count == 1 ? le_bytes(e.value, 2) + std::string(2, '\0') : le_bytes(e.value, 4);
  }
  t += le_bytes(0, 4);  // no further directory
  for (int i = 0; i < 4; ++i) t += le_bytes(8, 2);
  if (tiles > 1) {
    for (std::uint32_t i = 0; i < tiles; ++i) t += le_bytes(data_at, 4);
    for (std::uint32_t i = 0; i < tiles; ++i) t += le_bytes(size, 4);
  }
  return t + data;
}

// A grey progressive JPEG of w × h mid-grey pixels: the DC scan, the other coefficients at half
// precision, their refinement, then the refinement of the last one `repeats` more times. Each of
// those is a few bytes, and a walk over every block for a decoder.
inline std::string grey_progressive_jpeg(std::uint16_t w, std::uint16_t h, int repeats) {
  const auto be16 = [](std::uint32_t v) { return be32_bytes(v).substr(2); };
  const auto segment = [&](char marker, const std::string& data) {
    return std::string("\xFF", 1) + marker + be16(static_cast<std::uint32_t>(data.size()) + 2) + data;
  };
  struct Bits {  // most significant bit first, a 0 stuffed after each FF, the last byte filled with ones
    std::string out;
    std::uint32_t bits = 0;
    int held = 0;
    void put(std::uint32_t value, int n) {
      for (int i = n - 1; i >= 0; --i) {
        bits = bits << 1 | (value >> i & 1);
        if (++held == 8) {
          out += static_cast<char>(bits);
          if (bits == 0xFF) out += '\0';
          bits = 0;
          held = 0;
        }
      }
    }
    std::string done() {
      while (held > 0) put(1, 1);
      return out;
    }
  };
  const std::uint32_t blocks = (w + 7u) / 8 * ((h + 7u) / 8);
  Bits dc;  // every difference 0: one bit a block
  for (std::uint32_t i = 0; i < blocks; ++i) dc.put(0, 1);
  Bits ac;  // every block empty: runs of up to 32767 empty blocks, coded as r (4 bits) and 2^r + r bits
  for (std::uint32_t left = blocks; left > 0;) {
    const std::uint32_t run = std::min<std::uint32_t>(left, 32767);
    int r = 0;
    while (run >> (r + 1)) ++r;
    ac.put(static_cast<std::uint32_t>(r), 4);
    ac.put(run - (1u << r), r);
    left -= run;
  }
  const std::string runs = ac.done();
  std::string dht = std::string("\x00\x01", 2) + std::string(15, '\0') + '\0';  // DC: the one symbol 0, 1 bit
  dht += std::string("\x10\0\0\0\x0F", 5) + std::string(12, '\0');              // AC: 15 symbols of 4 bits,
  for (char r = 0; r < 15; ++r) dht += static_cast<char>(r << 4);                  // the runs of 2^0 to 2^14
  std::string j = "\xFF\xD8";
  j += segment('\xDB', std::string(1, '\0') + std::string(64, '\x01')) +
       segment('\xC2', std::string(1, '\x08') + be16(h) + be16(w) + std::string("\x01\x01\x11\x00", 4)) +
       segment('\xC4', dht) + segment('\xDA', std::string("\x01\x01\0\0\0\0", 6)) + dc.done() +
       segment('\xDA', std::string("\x01\x01\0\x01\x3F\x01", 6)) + runs;
  for (int i = -1; i < repeats; ++i) {
    j += segment('\xDA', std::string(i < 0 ? "\x01\x01\0\x01\x3F\x10" : "\x01\x01\0\x3F\x3F\x10", 6)) + runs;
  }
  return j + "\xFF\xD9";
}

}  // namespace zvtest
