// Character encodings of the web: the label look-up and decoders to UTF-8 for every encoding
// that browsers support, with results that match the Encoding Standard byte for byte on every
// platform (the platform's code pages differ in their replacement rules and tables).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qx {

enum class Encoding : std::uint8_t {
  Utf8,
  // single-byte
  Ibm866, Iso8859_2, Iso8859_3, Iso8859_4, Iso8859_5, Iso8859_6, Iso8859_7, Iso8859_8, Iso8859_8I,
  Iso8859_10, Iso8859_13, Iso8859_14, Iso8859_15, Iso8859_16, Koi8R, Koi8U, Macintosh, Windows874,
  Windows1250, Windows1251, Windows1252, Windows1253, Windows1254, Windows1255, Windows1256,
  Windows1257, Windows1258, XMacCyrillic,
  // multi-byte
  Gbk, Gb18030, Big5, EucJp, Iso2022Jp, ShiftJis, EucKr,
  // others
  Replacement, Utf16Be, Utf16Le, XUserDefined,
};

// The encoding a label names ("latin1", " UTF8 ", "Shift_JIS"): ASCII whitespace around it is
// ignored and case does not matter. A label the web does not know: nullopt.
std::optional<Encoding> get_encoding(std::string_view label);

// The encoding's canonical name ("UTF-8", "windows-1252", "Shift_JIS").
std::string_view encoding_name(Encoding e);

// The bytes as UTF-8 text. A byte-order mark (EF BB BF, FF FE or FE FF) at the start chooses
// UTF-8, UTF-16LE or UTF-16BE whatever the given encoding, and is removed. Never fails:
// malformed input becomes U+FFFD. Valid UTF-8 read as UTF-8 is returned unchanged.
std::string decode_to_utf8(std::string_view bytes, Encoding encoding);

}  // namespace qx
