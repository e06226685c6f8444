// The size a picture file declares in its header, read before anything is decoded, and the
// largest picture the bar lets a decoder see. A decoder allocates for the declared size before it
// reads a single pixel: a 400 KB PNG that claims 20000 × 20000 costs gigabytes and seconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qx {

// Photos of every current camera (up to about 61 megapixels, 9504 × 6336) and phone panoramas
// pass; past that a picture costs a quarter of a gigabyte and more as 32-bit pixels, for an orb
// of a few dozen pixels or a bar a few thousand wide.
inline constexpr std::uint32_t MAX_PICTURE_SIDE = 16'384;
inline constexpr std::uint64_t MAX_PICTURE_PIXELS = 64ull << 20;
// A decoder may keep every frame of a GIF or every image of an icon at its declared size (Wine's
// does for GIFs, one byte a pixel), so the frames together have a budget too: 64 Mi pixels, for
// example 256 frames of 512 × 512; the largest public GIFs hold a few million. Icons share it: no
// ordinary icon comes near, and their images cost a decoder alike.
inline constexpr std::uint64_t MAX_FRAMES_PIXELS = 64ull << 20;
// A GIF decoder walks every block and every sub-block however little each holds: 100,000 empty
// extensions or 4 million one-byte sub-blocks cost it seconds. The largest public GIFs have 85
// blocks and about 1,100 sub-blocks. Encoders fill sub-blocks (255 bytes), so past 40,000 they
// must carry 128 bytes each on average: a long film as a GIF of many megabytes still passes.
inline constexpr std::uint32_t MAX_GIF_BLOCKS = 2'048;
inline constexpr std::uint64_t MAX_GIF_SUB_BLOCKS = 40'000;
inline constexpr std::uint64_t GIF_SUB_BLOCK_BYTES = 128;

// Some files make a decoder work far beyond what their declared size costs, so these have bounds
// of their own. A PNG decoder reads every chunk, however small, to the end of the file (the
// largest public PNG, an animated one, has 259 besides its pixel data).
inline constexpr std::uint32_t MAX_PNG_CHUNKS = 400;
// It inflates compressed text before the pixels whole (deflate inflates up to about 1,030 times),
// so what that text comes to has a bound: the hex EXIF that image converters write comes to about
// 100 KB.
inline constexpr std::uint64_t MAX_PNG_TEXT_BYTES = 4u << 20;
// It inflates the pixel data to its end, past the last row if the stream goes on. Inflating it
// here costs about a sixth of loading a large PNG, so its compressed size is bounded instead: at
// most the rows' bytes stored plainly, an eighth more (an encoder's worst, 9-bit codes) and this.
// Data within that bound may still inflate past the rows, up to about 1,030 times its size.
inline constexpr std::uint64_t PNG_PIXEL_DATA_SLACK = 64u << 10;
// It handles each chunk of pixel data on its own, empty or not: 600,000 empty ones cost it 9 s.
// Encoders write them 8 KiB or larger (but the last), so past a few thousand they must carry
// 1 KiB each on average.
inline constexpr std::uint64_t PNG_PIXEL_CHUNKS_FREE = 4'096;
inline constexpr std::uint64_t PNG_PIXEL_CHUNK_BYTES = 1'024;
// Each scan of a progressive JPEG walks every block of the picture, however little it holds:
// under Wine about 4 % of decoding the picture at 8192 × 8192. libjpeg's own progressions have 6
// to 18 scans and no public JPEG more than 11, so scans times the declared pixels have a bound,
// and scans on their own too.
inline constexpr std::uint32_t MAX_JPEG_SCANS = 64;
inline constexpr std::uint64_t MAX_JPEG_SCAN_PIXELS = 18 * MAX_PICTURE_PIXELS;
// A TIFF decoder fills whole tiles: the tiles covering a picture may hold 4 times its pixels (as
// any tile no larger than the picture does), or 4 Mi pixels on a small picture; a tile itself is
// held to the picture bounds.
inline constexpr std::uint64_t TIFF_TILES_FREE_PIXELS = 4ull << 20;

// Cursors are of unknown kind: GDI+ decodes none.
enum class PictureKind { Unknown, Png, Gif, Jpeg, Bmp, Icon, Tiff };

struct PictureHeader {
  PictureKind kind = PictureKind::Unknown;
  // Width and height as declared: for a GIF the box holding its screen and every frame, for an
  // icon the box holding every image in it (the decoder may pick any); none when the header is
  // broken or cut short, or when the file is beyond one of the bounds above.
  std::optional<std::uint32_t> width, height;
  std::uint64_t frame_pixels = 0;  // GIF frames' or icon images' declared areas added up
};

// Reads up to `count` bytes at `offset` into `out` and returns how many it read (fewer at the end
// of the file or on an error).
using ReadBytesAt = std::function<std::size_t(std::uint64_t offset, unsigned char* out, std::size_t count)>;

// PNG (IHDR, then every chunk to IEND), GIF (logical screen and every block),
// JPEG (the first SOFn marker, and every scan's marker through the file), BMP (the info header),
// ICO (every image's own PNG or info header) and TIFF (the first directory); anything else is of
// unknown kind. Reads only what it needs, in blocks, never more than the file, however damaged
// the bytes are.
PictureHeader read_picture_header(const ReadBytesAt& read);
PictureHeader read_picture_header(std::string_view bytes);

// At least 1 × 1 and within the side and pixel bounds above.
bool picture_size_within_bounds(std::uint64_t width, std::uint64_t height);

// A decoder may be given the picture: its header was read and declares a size within the bounds
// above. Every other file, WMF and EMF among them, is refused unread: a size the header reader
// cannot tell is a size nobody checked.
bool picture_within_bounds(const PictureHeader& header);

// The header of a local file (Windows only); a file that cannot be opened is of unknown kind.
PictureHeader read_picture_file_header(const std::string& path);

}  // namespace qx
