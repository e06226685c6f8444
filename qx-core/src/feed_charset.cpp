#include "feed_charset.h"

#include <algorithm>

#include "text_encoding.h"
#include "unicode_text.h"

namespace qx {

namespace {

constexpr bool is_label_char(char c) {
  return is_ascii_alnum(c) || c == '-' || c == '_' || c == '.' || c == ':';
}

std::optional<std::string> body_label(std::string_view body) {
  // The prefix is searched byte by byte, which reads it as Latin-1 whatever it really is; a
  // label that runs past the last byte is cut there.
  const std::string_view prefix = body.substr(0, std::min(body.size(), CHARSET_SNIFF_BYTES));
  std::optional<std::string> label = find_charset_label(prefix, "encoding=");
  if (!label) label = find_charset_label(prefix, "charset=");
  if (label) {
    // The label was read as contiguous ASCII, so the body cannot be UTF-16; taking the label
    // at its word would turn the whole feed into garbage.
    const std::optional<Encoding> named = get_encoding(*label);
    if (named == Encoding::Utf16Le || named == Encoding::Utf16Be) label = "utf-8";
  }
  return label;
}

}  // namespace

std::optional<std::string> find_charset_label(std::string_view text, std::string_view key) {
  // ascii_ifind matches exactly where a search in an ASCII-lower-cased copy would.
  const std::size_t at = ascii_ifind(text, key);
  if (at == std::string_view::npos) return std::nullopt;
  std::size_t i = at + key.size();
  while (i < text.size() && (text[i] == '"' || text[i] == '\'')) ++i;
  const std::size_t start = i;
  while (i < text.size() && is_label_char(text[i])) ++i;
  if (i == start) return std::nullopt;
  return std::string(text.substr(start, i - start));
}

std::optional<std::string> choose_charset_label(std::string_view content_type, std::string_view body) {
  std::optional<std::string> header = find_charset_label(content_type, "charset=");
  const bool header_yields =
      header && (ascii_iequals(*header, "iso-8859-1") || ascii_iequals(*header, "us-ascii"));
  if (header && !header_yields) return header;
  std::optional<std::string> in_body = body_label(body);
  return in_body ? in_body : header;
}

std::string decode_feed_body(std::string_view content_type, std::string_view body) {
  const std::optional<std::string> label = choose_charset_label(content_type, body);
  const Encoding encoding = (label ? get_encoding(*label) : std::nullopt).value_or(Encoding::Utf8);
  return decode_to_utf8(body, encoding);
}

}  // namespace qx
