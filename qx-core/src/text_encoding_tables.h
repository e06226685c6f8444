// The data behind text_encoding.cpp, generated into text_encoding_tables.cpp by
// tools/gen_encoding_tables.py. In the indexes, 0 means "no code point at this pointer", and a
// pointer past the end of an index has none either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "text_encoding.h"

namespace qx::encoding_data {

struct Label {
  const char* text;  // lower case
  Encoding encoding;
};
extern const Label LABELS[];  // sorted by text, byte order
extern const std::size_t LABEL_COUNT;

extern const char* const ENCODING_NAMES[];  // indexed by Encoding

// The code points of bytes 0x80..0xFF (U+FFFD for a byte without one); nullptr for an encoding
// that is not single-byte.
const std::uint16_t* single_byte_table(Encoding e);

extern const std::span<const std::uint16_t> JIS0208;
extern const std::span<const std::uint16_t> JIS0212;
extern const std::span<const std::uint16_t> EUC_KR;
extern const std::span<const std::uint16_t> GB18030;
// Big5's code points are in the BMP or in plane 2: the low 16 bits, and one bit per pointer
// that is set for plane 2.
extern const std::span<const std::uint16_t> BIG5;
extern const std::span<const std::uint8_t> BIG5_PLANE2;

struct Gb18030Range {
  std::uint32_t pointer;
  std::uint32_t code_point;
};
extern const std::span<const Gb18030Range> GB18030_RANGES;  // sorted by pointer

}  // namespace qx::encoding_data
