#include "render/picture_header.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace qx {
namespace {

// Bytes of the file through a window of 16 KiB, so that walking a GIF's many small blocks does
// not cost one read each.
class Cursor {
 public:
  explicit Cursor(const ReadBytesAt& read) : read_(read) {}

  void skip(std::uint64_t count) { at_ += count; }
  void seek(std::uint64_t offset) { at_ = offset; }

  std::optional<std::uint8_t> byte() {
    unsigned char b = 0;
    if (!bytes(&b, 1)) return std::nullopt;
    return b;
  }

  // All `count` bytes (at most WINDOW) at the position, moving past them; false at the end.
  bool bytes(unsigned char* out, std::size_t count) {
    if (at_ < start_ || at_ + count > start_ + filled_) {
      start_ = at_;
      filled_ = std::min(read_(at_, window_.data(), WINDOW), WINDOW);
      if (count > filled_) return false;
    }
    std::memcpy(out, window_.data() + (at_ - start_), count);
    at_ += count;
    return true;
  }

 private:
  static constexpr std::size_t WINDOW = 16 * 1024;
  const ReadBytesAt& read_;
  std::array<unsigned char, WINDOW> window_;
  std::uint64_t start_ = 0;
  std::size_t filled_ = 0;
  std::uint64_t at_ = 0;
};

std::uint32_t be16(const unsigned char* p) { return std::uint32_t{p[0]} << 8 | p[1]; }
std::uint32_t le16(const unsigned char* p) { return std::uint32_t{p[1]} << 8 | p[0]; }
std::uint32_t be32(const unsigned char* p) { return be16(p) << 16 | be16(p + 2); }
std::uint32_t le32(const unsigned char* p) { return le16(p + 2) << 16 | le16(p); }

void png_size(Cursor& file, PictureHeader& header) {
  static constexpr unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  unsigned char b[24];
  // The first chunk must be a 13-byte IHDR: width and height, then the pixel format.
  if (!file.bytes(b, sizeof b) || std::memcmp(b, SIGNATURE, 8) != 0 || be32(b + 8) != 13 ||
      std::memcmp(b + 12, "IHDR", 4) != 0) {
    return;
  }
  header.width = be32(b + 16);
  header.height = be32(b + 20);
}

// Past a chain of sub-blocks (a length byte, then that many bytes, until a length of 0).
bool skip_sub_blocks(Cursor& file) {
  for (;;) {
    const std::optional<std::uint8_t> length = file.byte();
    if (!length) return false;
    if (*length == 0) return true;
    file.skip(*length);
  }
}

void skip_colour_table(Cursor& file, std::uint8_t flags) {
  if (flags & 0x80) file.skip(3u << ((flags & 7) + 1));
}

// Decoders size the picture from the logical screen but each frame from its own descriptor,
// which may reach past the screen; the result is the box holding all of them. The walk ends at
// the trailer, at anything that is not a block, or where the file ends.
void gif_size(Cursor& file, PictureHeader& header) {
  unsigned char screen[13];
  if (!file.bytes(screen, sizeof screen)) return;
  std::uint32_t right = le16(screen + 6);
  std::uint32_t bottom = le16(screen + 8);
  skip_colour_table(file, screen[10]);
  for (bool more = true; more;) {
    const std::optional<std::uint8_t> introducer = file.byte();
    if (introducer == 0x21) {  // an extension: its label, then its sub-blocks
      more = file.byte() && skip_sub_blocks(file);
    } else if (introducer == 0x2C) {
      unsigned char d[9];
      if (!file.bytes(d, sizeof d)) break;
      const std::uint32_t width = le16(d + 4);
      const std::uint32_t height = le16(d + 6);
      right = std::max(right, le16(d) + width);
      bottom = std::max(bottom, le16(d + 2) + height);
      header.frame_pixels += std::uint64_t{width} * height;
      skip_colour_table(file, d[8]);
      more = file.byte() && skip_sub_blocks(file);  // the LZW code size, then the data
    } else {
      more = false;  // the trailer, the end, or damage
    }
  }
  header.width = right;
  header.height = bottom;
}

bool is_frame_header(std::uint8_t marker) {
  // SOF0 to SOF15 except DHT (C4), JPG (C8) and DAC (CC), which share the range.
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

void jpeg_size(Cursor& file, PictureHeader& header) {
  file.seek(2);
  for (;;) {
    if (file.byte() != 0xFF) return;
    std::optional<std::uint8_t> marker = file.byte();
    while (marker == 0xFF) marker = file.byte();  // fill bytes
    if (!marker) return;
    if (*marker == 0x01 || (*marker >= 0xD0 && *marker <= 0xD8)) continue;  // no segment follows
    if (*marker == 0xD9 || *marker == 0xDA || *marker == 0x00) return;     // no frame before the data
    unsigned char length[2];
    if (!file.bytes(length, 2) || be16(length) < 2) return;
    if (is_frame_header(*marker)) {
      unsigned char frame[5];  // sample precision, height, width
      if (be16(length) < 7 || !file.bytes(frame, sizeof frame)) return;
      header.height = be16(frame + 1);
      header.width = be16(frame + 3);
      return;
    }
    file.skip(be16(length) - 2);
  }
}

void bmp_size(Cursor& file, PictureHeader& header) {
  unsigned char b[26];
  if (!file.bytes(b, sizeof b)) return;
  const std::uint32_t info_size = le32(b + 14);
  if (info_size == 12) {  // the oldest header, with 16-bit sides
    header.width = le16(b + 18);
    header.height = le16(b + 20);
  } else if (info_size >= 16) {
    // A negative height is a picture stored top down.
    const auto width = static_cast<std::int32_t>(le32(b + 18));
    const auto height = static_cast<std::int32_t>(le32(b + 22));
    if (width < 0 || height == INT32_MIN) return;
    header.width = static_cast<std::uint32_t>(width);
    header.height = static_cast<std::uint32_t>(height < 0 ? -height : height);
  }
}

}  // namespace

PictureHeader read_picture_header(const ReadBytesAt& read) {
  Cursor file(read);
  unsigned char sig[4] = {};
  const std::size_t got = std::min<std::size_t>(read(0, sig, sizeof sig), sizeof sig);
  PictureHeader header;
  if (got == 4 && std::memcmp(sig, "\x89PNG", 4) == 0) {
    header.kind = PictureKind::Png;
    png_size(file, header);
  } else if (got == 4 && std::memcmp(sig, "GIF8", 4) == 0) {
    header.kind = PictureKind::Gif;
    gif_size(file, header);
  } else if (got >= 3 && sig[0] == 0xFF && sig[1] == 0xD8 && sig[2] == 0xFF) {
    header.kind = PictureKind::Jpeg;
    jpeg_size(file, header);
  } else if (got >= 2 && sig[0] == 'B' && sig[1] == 'M') {
    header.kind = PictureKind::Bmp;
    bmp_size(file, header);
  }
  return header;
}

PictureHeader read_picture_header(std::string_view bytes) {
  return read_picture_header([bytes](std::uint64_t offset, unsigned char* out, std::size_t count) -> std::size_t {
    if (offset >= bytes.size()) return 0;
    const std::size_t n = std::min<std::size_t>(count, bytes.size() - static_cast<std::size_t>(offset));
    std::memcpy(out, bytes.data() + offset, n);
    return n;
  });
}

bool picture_size_within_bounds(std::uint64_t width, std::uint64_t height) {
  return width >= 1 && height >= 1 && width <= MAX_PICTURE_SIDE && height <= MAX_PICTURE_SIDE &&
         width * height <= MAX_PICTURE_PIXELS;
}

bool picture_within_bounds(const PictureHeader& header) {
  if (header.kind == PictureKind::Unknown) return true;
  if (!header.width || !header.height) return false;
  return picture_size_within_bounds(*header.width, *header.height) && header.frame_pixels <= MAX_GIF_FRAME_PIXELS;
}

}  // namespace qx
