// Which character encoding a fetched feed body is in, and its text as UTF-8.
// The label comes from the Content-Type header or from the body's first bytes (an XML
// declaration's encoding= or a meta charset=); a body's byte-order mark beats both.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qx {

// How many leading bytes of a body are searched for an in-document label.
inline constexpr std::size_t CHARSET_SNIFF_BYTES = 400;

// The label that follows the first occurrence of key ("charset=" or "encoding=", given in
// lower case) in text, found ASCII-case-insensitively: leading quotes are skipped, then ASCII
// letters, digits and "-_.:" are kept, in the text's own case. Nothing there: no label.
std::optional<std::string> find_charset_label(std::string_view text, std::string_view key);

// The label a feed is decoded with: the header's charset= wins, except that a header
// "iso-8859-1" or "us-ascii" yields to a label in the first CHARSET_SNIFF_BYTES bytes of the
// body (encoding= first, then charset=). A UTF-16 label found in the body is taken as "utf-8":
// text that could be scanned as ASCII is not UTF-16. No label at all: nullopt (UTF-8).
std::optional<std::string> choose_charset_label(std::string_view content_type, std::string_view body);

// The body as UTF-8 text, decoded by the chosen label (unknown or none: UTF-8) after the
// byte-order-mark check. Never fails: undecodable bytes become U+FFFD.
std::string decode_feed_body(std::string_view content_type, std::string_view body);

}  // namespace qx
