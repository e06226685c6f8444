#include "render/picture_header.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include <zlib.h>

namespace qx {
namespace {

// Bytes of the file through a window of 16 KiB, so that walking a GIF's many small blocks does
// not cost one read each.
class Cursor {
 public:
  explicit Cursor(const ReadBytesAt& read) : read_(read) {}

  void skip(std::uint64_t count) { at_ += count; }
  void seek(std::uint64_t offset) { at_ = offset; }
  std::uint64_t position() const { return at_; }

  std::optional<std::uint8_t> byte() {
    unsigned char b = 0;
    if (!bytes(&b, 1)) return std::nullopt;
    return b;
  }

  // All `count` bytes (at most WINDOW) at the position, moving past them; false at the end.
  bool bytes(unsigned char* out, std::size_t count) {
    if (!hold(count)) return false;
    std::memcpy(out, window_.data() + (at_ - start_), count);
    at_ += count;
    return true;
  }

  // Up to `most` bytes (at least 1) at the position, in place, moving past them; 0 at the end.
  std::size_t take(const unsigned char*& out, std::uint64_t most) {
    if (most == 0 || !hold(1)) return 0;
    const std::size_t from = static_cast<std::size_t>(at_ - start_);
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(most, filled_ - from));
    out = window_.data() + from;
    at_ += n;
    return n;
  }

  // Moves to the next byte of this value at or after the position; false when the file, or the
  // bytes before `end`, end first.
  bool find(std::uint8_t value, std::uint64_t end = UINT64_MAX) {
    for (;;) {
      if (at_ >= end || !hold(1)) return false;
      const std::size_t from = static_cast<std::size_t>(at_ - start_);
      const void* hit = std::memchr(window_.data() + from, value, std::min<std::uint64_t>(filled_ - from, end - at_));
      if (hit) {
        at_ = start_ + static_cast<std::uint64_t>(static_cast<const unsigned char*>(hit) - window_.data());
        return true;
      }
      at_ = std::min(start_ + filled_, end);
    }
  }

 private:
  // The window holds `count` bytes from the position, read from there when it did not; false
  // when the file has fewer.
  bool hold(std::size_t count) {
    if (at_ >= start_ && at_ + count <= start_ + filled_) return true;
    start_ = at_;
    filled_ = std::min(read_(at_, window_.data(), WINDOW), WINDOW);
    return count <= filled_;
  }

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

struct Size {
  std::uint32_t width, height;
};

constexpr unsigned char PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::size_t PNG_HEADER_BYTES = 24;

// The first chunk must be a 13-byte IHDR: width and height, then the pixel format.
std::optional<Size> png_ihdr(const unsigned char (&b)[PNG_HEADER_BYTES]) {
  if (std::memcmp(b, PNG_SIGNATURE, 8) != 0 || be32(b + 8) != 13 || std::memcmp(b + 12, "IHDR", 4) != 0) {
    return std::nullopt;
  }
  return Size{be32(b + 16), be32(b + 20)};
}

// Counts what zlib streams inflate to, together, stopping one byte past a bound: nothing is kept.
class InflatedBytes {
 public:
  explicit InflatedBytes(std::uint64_t bound) : bound_(bound), sink_(64 * 1024) {
    live_ = ready_ = inflateInit(&z_) == Z_OK;
  }
  ~InflatedBytes() {
    if (ready_) inflateEnd(&z_);
  }
  InflatedBytes(const InflatedBytes&) = delete;
  InflatedBytes& operator=(const InflatedBytes&) = delete;

  // A new stream, counted with the ones before.
  void restart() { live_ = ready_ && inflateReset(&z_) == Z_OK; }
  // Inflates `count` bytes of the file at the position, moving past them; false once the
  // streams have come to more than the bound (or zlib could not start: nothing was checked). A
  // stream that ends, or is damaged, takes nothing more: a decoder stops there too.
  bool feed(Cursor& file, std::uint64_t count) {
    if (!ready_) return false;
    const unsigned char* in = nullptr;
    for (std::size_t n; live_ && (n = file.take(in, count)) > 0; count -= n) {
      z_.next_in = const_cast<unsigned char*>(in);
      z_.avail_in = static_cast<uInt>(n);
      do {
        const auto room = static_cast<uInt>(std::min<std::uint64_t>(sink_.size(), bound_ + 1 - out_));
        z_.next_out = sink_.data();
        z_.avail_out = room;
        const int status = inflate(&z_, Z_NO_FLUSH);
        out_ += room - z_.avail_out;
        if (out_ > bound_) return false;
        if (status == Z_BUF_ERROR) break;  // it needs more input
        if (status != Z_OK) live_ = false;
      } while (live_ && (z_.avail_in > 0 || z_.avail_out == 0));
    }
    file.skip(count);
    return true;
  }

 private:
  const std::uint64_t bound_;
  std::vector<unsigned char> sink_;
  z_stream z_{};
  bool ready_ = false, live_ = false;
  std::uint64_t out_ = 0;
};

// What the pixel data inflates to: every row with its filter byte, in the seven passes of an
// interlaced picture.
std::uint64_t png_rows_bytes(std::uint64_t width, std::uint64_t height, unsigned depth, unsigned colour_type,
                             bool interlaced) {
  constexpr unsigned CHANNELS[] = {1, 0, 3, 1, 2, 0, 4};  // by colour type; 0: none such
  const unsigned channels = colour_type < 7 && CHANNELS[colour_type] ? CHANNELS[colour_type] : 4;
  const std::uint64_t bits = std::uint64_t{channels} * std::clamp(depth, 1u, 16u);
  const auto rows = [bits](std::uint64_t w, std::uint64_t h) { return w == 0 ? 0 : h * (1 + (w * bits + 7) / 8); };
  if (!interlaced) return rows(width, height);
  struct Pass {
    unsigned x, y, dx, dy;
  };
  constexpr Pass PASSES[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  std::uint64_t total = 0;
  for (const Pass& p : PASSES) total += rows((width + p.dx - 1 - p.x) / p.dx, (height + p.dy - 1 - p.y) / p.dy);
  return total;
}

// Past a chunk's next field that ends in a 0, within the chunk's `end`; false when it has none.
bool skip_text_field(Cursor& file, std::uint64_t end) {
  if (!file.find(0, end)) return false;
  file.skip(1);
  return true;
}

// Moves to a text chunk's compressed text: a zTXt's always, an iTXt's when its flag says so;
// false for any other chunk and for a damaged one.
bool at_compressed_text(Cursor& file, const unsigned char* type, std::uint64_t end) {
  if (std::memcmp(type, "zTXt", 4) == 0) {
    if (!skip_text_field(file, end)) return false;  // the keyword
    file.skip(1);                                   // the method
    return file.position() < end;
  }
  unsigned char flags[2];  // compressed, and the method
  if (std::memcmp(type, "iTXt", 4) != 0 || !skip_text_field(file, end) || end - file.position() < 2 ||
      !file.bytes(flags, sizeof flags) || flags[0] == 0) {
    return false;
  }
  return skip_text_field(file, end) && skip_text_field(file, end);  // the language and the translated keyword
}

// A decoder reads every chunk to IEND, inflates the compressed text before the first IDAT as it
// reads the header (none after it), and inflates every IDAT's data as one stream. A chunk that
// claims more bytes than the file holds is refused however far it lies: decoders allocate for it.
bool png_chunks_within_bounds(Cursor& file, std::uint64_t rows_bytes) {
  InflatedBytes text(MAX_PNG_TEXT_BYTES);
  const std::uint64_t most_pixel_data = rows_bytes + rows_bytes / 8 + PNG_PIXEL_DATA_SLACK;
  std::uint64_t pixel_data = 0, pixel_chunks = 0;
  // Past this many the chunks could not carry enough, however much data they hold.
  const std::uint64_t most_pixel_chunks = PNG_PIXEL_CHUNKS_FREE + most_pixel_data / PNG_PIXEL_CHUNK_BYTES;
  const auto pixel_chunks_carry_enough = [&] {
    return pixel_chunks <= PNG_PIXEL_CHUNKS_FREE + pixel_data / PNG_PIXEL_CHUNK_BYTES;
  };
  std::uint32_t chunks = 1;  // IHDR
  bool pixels_begun = false;
  file.seek(8 + 8 + 13 + 4);  // past the signature and IHDR
  for (;;) {
    unsigned char chunk[8];  // length and type
    if (!file.bytes(chunk, sizeof chunk)) return pixel_chunks_carry_enough();  // the end, without IEND
    const std::uint64_t data = file.position();
    const std::uint64_t end = data + be32(chunk);
    if (end > data) {
      file.seek(end - 1);
      if (!file.byte()) return false;
      file.seek(data);
    }
    if (std::memcmp(chunk + 4, "IDAT", 4) == 0) {
      pixels_begun = true;
      pixel_data += end - data;
      if (pixel_data > most_pixel_data || ++pixel_chunks > most_pixel_chunks) return false;
    } else {
      if (++chunks > MAX_PNG_CHUNKS) return false;
      if (std::memcmp(chunk + 4, "IEND", 4) == 0) return pixel_chunks_carry_enough();
      if (!pixels_begun && at_compressed_text(file, chunk + 4, end)) {
        text.restart();
        if (!text.feed(file, end - file.position())) return false;
      }
    }
    file.seek(end + 4);  // past the CRC
  }
}

void png_size(Cursor& file, PictureHeader& header) {
  unsigned char b[PNG_HEADER_BYTES];
  unsigned char format[5];  // bit depth, colour type, compression, filter, interlace
  if (!file.bytes(b, sizeof b) || !file.bytes(format, sizeof format)) return;
  const std::optional<Size> size = png_ihdr(b);
  if (!size) return;
  // Past the bounds the picture is refused for its size alone.
  if (picture_size_within_bounds(size->width, size->height) &&
      !png_chunks_within_bounds(file, png_rows_bytes(size->width, size->height, format[0], format[1], format[4] != 0))) {
    return;
  }
  header.width = size->width;
  header.height = size->height;
}

// The start of a DIB's info header (at least 12 bytes): its size field, then width and height.
constexpr std::size_t DIB_HEADER_BYTES = 12;
std::optional<Size> dib_info(const unsigned char* b) {
  const std::uint32_t info_size = le32(b);
  if (info_size == 12) return Size{le16(b + 4), le16(b + 6)};  // the oldest header, with 16-bit sides
  if (info_size < 16) return std::nullopt;
  // A negative height is a picture stored top down.
  const auto width = static_cast<std::int32_t>(le32(b + 4));
  const auto height = static_cast<std::int32_t>(le32(b + 8));
  if (width < 0 || height == INT32_MIN) return std::nullopt;
  return Size{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height < 0 ? -height : height)};
}

// A GIF's sub-blocks so far, and the bytes they carry.
struct SubBlocks {
  std::uint64_t count = 0, bytes = 0;
  bool within_bound() const { return count <= MAX_GIF_SUB_BLOCKS + bytes / GIF_SUB_BLOCK_BYTES; }
};

// Past a chain of sub-blocks (a length byte, then that many bytes, until a length of 0), each
// counted; false at the end of the file or past the bound on them.
bool skip_sub_blocks(Cursor& file, SubBlocks& sub_blocks) {
  for (;;) {
    const std::optional<std::uint8_t> length = file.byte();
    if (!length) return false;
    if (*length == 0) return true;
    ++sub_blocks.count;
    sub_blocks.bytes += *length;
    if (!sub_blocks.within_bound()) return false;
    file.skip(*length);
  }
}

void skip_colour_table(Cursor& file, std::uint8_t flags) {
  if (flags & 0x80) file.skip(3u << ((flags & 7) + 1));
}

// Decoders size the picture from the logical screen but each frame from its own descriptor,
// which may reach past the screen; the result is the box holding all of them. The walk ends at
// the trailer, at anything that is not a block, or where the file ends. A frame with no colour
// table to use, neither its own nor the screen's, crashes Wine's decoder: the GIF is refused, as
// it is past the bounds on blocks.
void gif_size(Cursor& file, PictureHeader& header) {
  unsigned char screen[13];
  if (!file.bytes(screen, sizeof screen)) return;
  std::uint32_t right = le16(screen + 6);
  std::uint32_t bottom = le16(screen + 8);
  const bool screen_colours = screen[10] & 0x80;
  skip_colour_table(file, screen[10]);
  std::uint32_t blocks = 0;
  SubBlocks sub_blocks;
  for (bool more = true; more;) {
    const std::optional<std::uint8_t> introducer = file.byte();
    if ((introducer == 0x21 || introducer == 0x2C) && ++blocks > MAX_GIF_BLOCKS) return;
    if (introducer == 0x21) {  // an extension: its label, then its sub-blocks
      more = file.byte() && skip_sub_blocks(file, sub_blocks);
    } else if (introducer == 0x2C) {
      unsigned char d[9];
      if (!file.bytes(d, sizeof d)) break;
      if (!screen_colours && !(d[8] & 0x80)) return;
      const std::uint32_t width = le16(d + 4);
      const std::uint32_t height = le16(d + 6);
      right = std::max(right, le16(d) + width);
      bottom = std::max(bottom, le16(d + 2) + height);
      header.frame_pixels += std::uint64_t{width} * height;
      skip_colour_table(file, d[8]);
      more = file.byte() && skip_sub_blocks(file, sub_blocks);  // the LZW code size, then the data
    } else {
      more = false;  // the trailer, the end, or damage
    }
    if (!sub_blocks.within_bound()) return;
  }
  header.width = right;
  header.height = bottom;
}

bool is_frame_header(std::uint8_t marker) {
  // SOF0 to SOF15 except DHT (C4), JPG (C8) and DAC (CC), which share the range.
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The size from the first frame header, then the scans counted up to the end of the image, each
// a walk over every block of the picture: the header reader's walk goes through the scans' data
// as decoders do, from marker to marker.
void jpeg_size(Cursor& file, PictureHeader& header) {
  file.seek(2);
  std::uint32_t scans = 0;
  for (;;) {
    // Decoders pass over bytes that are not a marker between segments (with a warning at most),
    // as edited photos have them, so the walk does too.
    if (!file.find(0xFF)) return;
    file.skip(1);
    std::optional<std::uint8_t> marker = file.byte();
    while (marker == 0xFF) marker = file.byte();  // fill bytes
    if (!marker || *marker == 0xD9) return;
    if (*marker == 0x00) continue;  // a stuffed zero is not a marker either
    if (*marker == 0x01 || (*marker >= 0xD0 && *marker <= 0xD8)) continue;  // no segment follows
    // Data before a frame, or too many scans.
    if (*marker == 0xDA && (!header.width || ++scans > MAX_JPEG_SCANS ||
                            scans * std::uint64_t{*header.width} * *header.height > MAX_JPEG_SCAN_PIXELS)) {
      header.width = header.height = std::nullopt;
      return;
    }
    unsigned char length[2];
    if (!file.bytes(length, 2) || be16(length) < 2) return;
    const std::uint64_t next = file.position() + be16(length) - 2;
    if (is_frame_header(*marker) && !header.width) {
      unsigned char frame[5];  // sample precision, height, width
      if (be16(length) < 7 || !file.bytes(frame, sizeof frame)) return;
      header.height = be16(frame + 1);
      header.width = be16(frame + 3);
    }
    file.seek(next);
  }
}

void bmp_size(Cursor& file, PictureHeader& header) {
  unsigned char b[14 + DIB_HEADER_BYTES];
  if (!file.bytes(b, sizeof b)) return;
  if (const std::optional<Size> size = dib_info(b + 14)) {
    header.width = size->width;
    header.height = size->height;
  }
}

// An icon's directory lists its images, each a PNG or a DIB whose stored height counts the mask
// below the picture. The decoder may pick any of them, so every one is read and the result holds
// the widest and the tallest; one damaged image or one reaching past the file makes the whole
// icon unsized.
void icon_size(Cursor& file, PictureHeader& header) {
  unsigned char directory[6];
  if (!file.bytes(directory, sizeof directory)) return;
  const std::uint32_t count = le16(directory + 4);
  if (count == 0) return;
  struct Image {
    std::uint32_t offset, bytes;
  };
  std::vector<Image> images;
  images.reserve(count);
  std::uint64_t end = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    unsigned char entry[16];
    if (!file.bytes(entry, sizeof entry)) return;
    const Image image{le32(entry + 12), le32(entry + 8)};
    if (image.bytes < DIB_HEADER_BYTES) return;
    images.push_back(image);
    end = std::max(end, std::uint64_t{image.offset} + image.bytes);
  }
  file.seek(end - 1);  // every image lies within the file when the furthest end does
  if (!file.byte()) return;
  // In file order, so that the reads move forward through the window.
  std::sort(images.begin(), images.end(), [](const Image& a, const Image& b) { return a.offset < b.offset; });
  Size box{0, 0};
  std::uint64_t pixels = 0;
  for (const Image& image : images) {
    unsigned char b[PNG_HEADER_BYTES] = {};
    const std::size_t want = std::min<std::size_t>(image.bytes, sizeof b);
    file.seek(image.offset);
    if (!file.bytes(b, want)) return;
    std::optional<Size> size;
    if (std::memcmp(b, PNG_SIGNATURE, sizeof PNG_SIGNATURE) == 0) {
      if (want < PNG_HEADER_BYTES) return;
      size = png_ihdr(b);
    } else if ((size = dib_info(b))) {
      size->height /= 2;
    }
    if (!size) return;
    box = {std::max(box.width, size->width), std::max(box.height, size->height)};
    pixels += std::uint64_t{size->width} * size->height;
  }
  header.width = box.width;
  header.height = box.height;
  header.frame_pixels = pixels;
}

// The tiles that cover the picture, whole, within their bound; a decoder needs both sides.
bool tiles_within_bounds(std::uint64_t width, std::uint64_t length, std::optional<std::uint32_t> tile_width,
                         std::optional<std::uint32_t> tile_length) {
  if (!tile_width || !tile_length || !picture_size_within_bounds(*tile_width, *tile_length)) return false;
  const auto covered = [](std::uint64_t side, std::uint64_t tile) { return (side + tile - 1) / tile * tile; };
  return covered(width, *tile_width) * covered(length, *tile_length) <=
         std::max(4 * width * length, TIFF_TILES_FREE_PIXELS);
}

// The first directory's ImageWidth, ImageLength, TileWidth and TileLength, each one value of a
// type decoders take for a size, in the file's byte order; decoders show the first page only.
void tiff_size(Cursor& file, PictureHeader& header, bool big_endian) {
  const auto u16 = [big_endian](const unsigned char* p) { return big_endian ? be16(p) : le16(p); };
  const auto u32 = [big_endian](const unsigned char* p) { return big_endian ? be32(p) : le32(p); };
  unsigned char start[8];
  if (!file.bytes(start, sizeof start)) return;
  const std::uint32_t directory = u32(start + 4);
  if (directory < sizeof start) return;
  file.seek(directory);
  unsigned char count[2];
  if (!file.bytes(count, sizeof count)) return;
  constexpr std::uint32_t TAGS[] = {256, 257, 322, 323};
  std::array<std::optional<std::uint32_t>, 4> sides;  // in the order of TAGS
  const auto take = [&sides](std::size_t side, std::uint32_t value) {
    sides[side] = std::max(sides[side].value_or(0), value);  // a repeated tag: whichever a decoder takes
  };
  struct Far {
    std::uint32_t offset;
    std::size_t side;
  };
  std::vector<Far> far;  // eight-byte values, which lie elsewhere in the file
  for (std::uint32_t i = 0, n = u16(count); i < n; ++i) {
    unsigned char entry[12];
    if (!file.bytes(entry, sizeof entry)) return;
    const auto* tag = std::find(std::begin(TAGS), std::end(TAGS), u16(entry));
    if (tag == std::end(TAGS)) continue;
    const auto side = static_cast<std::size_t>(tag - std::begin(TAGS));
    if (u32(entry + 4) != 1) return;
    std::int64_t value = 0;
    switch (u16(entry + 2)) {
      case 1: value = entry[8]; break;                                   // BYTE
      case 3: value = u16(entry + 8); break;                             // SHORT
      case 4: value = u32(entry + 8); break;                             // LONG
      case 6: value = static_cast<std::int8_t>(entry[8]); break;         // SBYTE
      case 8: value = static_cast<std::int16_t>(u16(entry + 8)); break;  // SSHORT
      case 9: value = static_cast<std::int32_t>(u32(entry + 8)); break;  // SLONG
      case 16: case 17: far.push_back({u32(entry + 8), side}); continue;  // LONG8, SLONG8
      default: return;
    }
    if (value < 0) return;  // decoders take a signed size only when it is positive
    take(side, static_cast<std::uint32_t>(value));
  }
  // In file order, so that the reads move forward through the window.
  std::sort(far.begin(), far.end(), [](const Far& a, const Far& b) { return a.offset < b.offset; });
  for (const Far& f : far) {
    unsigned char value[8];
    file.seek(f.offset);
    // Beyond 32 bits, or negative, no decoder takes it.
    if (!file.bytes(value, sizeof value) || u32(value + (big_endian ? 0 : 4)) != 0) return;
    take(f.side, u32(value + (big_endian ? 4 : 0)));
  }
  const auto& [width, length, tile_width, tile_length] = sides;
  if (!width || !length) return;
  // Tiles matter for a size within the bounds only: any other is refused for itself.
  if ((tile_width || tile_length) && picture_size_within_bounds(*width, *length) &&
      !tiles_within_bounds(*width, *length, tile_width, tile_length)) {
    return;
  }
  header.width = width;
  header.height = length;
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
  } else if (got >= 2 && sig[0] == 0xFF && sig[1] == 0xD8) {
    header.kind = PictureKind::Jpeg;
    jpeg_size(file, header);
  } else if (got >= 2 && sig[0] == 'B' && sig[1] == 'M') {
    header.kind = PictureKind::Bmp;
    bmp_size(file, header);
  } else if (got == 4 && std::memcmp(sig, "\0\0\x01\0", 4) == 0) {  // an icon; a cursor (type 2) is unknown
    header.kind = PictureKind::Icon;
    icon_size(file, header);
  } else if (got == 4 && (std::memcmp(sig, "II*\0", 4) == 0 || std::memcmp(sig, "MM\0*", 4) == 0)) {
    header.kind = PictureKind::Tiff;
    tiff_size(file, header, sig[0] == 'M');
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
  if (header.kind == PictureKind::Unknown || !header.width || !header.height) return false;
  return picture_size_within_bounds(*header.width, *header.height) && header.frame_pixels <= MAX_FRAMES_PIXELS;
}

}  // namespace qx
