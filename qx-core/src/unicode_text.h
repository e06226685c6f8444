// UTF-8 text helpers shared by every module: scalar decoding, counting and cutting by
// characters, the Unicode White_Space set, ASCII-only case mapping, and UTF-16 conversion.
// Everything here is locale-independent and total: any bytes are safe input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qx {

inline constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;

// One decoded scalar and the number of bytes it took. Malformed input decodes as
// U+FFFD of the maximal subpart's length (the Encoding Standard's rule), never 0 bytes.
struct Utf8Step {
  char32_t cp;
  std::size_t len;
  bool valid;
};
Utf8Step utf8_decode(std::string_view s, std::size_t pos);

// Appends the UTF-8 form of cp (a surrogate or a value past U+10FFFF becomes U+FFFD).
void append_utf8(std::string& out, char32_t cp);
std::string encode_utf8(char32_t cp);

// True when the bytes are well-formed UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool is_valid_utf8(std::string_view s);
// The text with every malformed sequence replaced by U+FFFD.
std::string sanitize_utf8(std::string_view s);

// Characters (Unicode scalars) in s; in valid UTF-8 that is the count of non-continuation bytes.
std::size_t char_count(std::string_view s);
// The first n characters of s, never cutting a sequence in half.
std::string_view utf8_prefix_chars(std::string_view s, std::size_t n);

// The Unicode White_Space property (25 code points).
bool is_unicode_whitespace(char32_t cp);
// Trims White_Space characters at both ends (or at one end).
std::string_view trim_unicode_whitespace(std::string_view s);
std::string_view trim_unicode_whitespace_start(std::string_view s);
std::string_view trim_unicode_whitespace_end(std::string_view s);
bool contains_unicode_whitespace(std::string_view s);
bool is_blank(std::string_view s);  // empty or only White_Space

// ASCII-only predicates and case mapping; bytes >= 0x80 are left alone.
constexpr bool is_ascii_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_ascii_alnum(char c) { return is_ascii_alpha(c) || is_ascii_digit(c); }
constexpr bool is_ascii_hex(char c) {
  return is_ascii_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
constexpr char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
constexpr char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
std::string ascii_lower(std::string_view s);
std::string ascii_upper(std::string_view s);
bool ascii_iequals(std::string_view a, std::string_view b);
// Position of the first ASCII-case-insensitive occurrence of needle, or npos.
std::size_t ascii_ifind(std::string_view hay, std::string_view needle, std::size_t from = 0);
// XML blanks: space, tab, CR, LF.
constexpr bool is_xml_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
std::string_view trim_xml_blanks(std::string_view s);

// UTF-16 for Win32. Malformed UTF-8 and unpaired surrogates become U+FFFD.
std::u16string utf8_to_utf16(std::string_view s);
std::string utf16_to_utf8(std::u16string_view s);
// wchar_t text: UTF-16 on Windows, UTF-32 elsewhere.
std::wstring utf8_to_wide(std::string_view s);
std::string wide_to_utf8(std::wstring_view s);

}  // namespace qx
