// Network addresses for the HTTP transport: parsing an absolute address into the pieces a
// request needs, resolving a redirect's Location against the current address, and the rule of
// which addresses a request may start at or be redirected to.
//
// A parsed address is always safe to hand to a C-string API: the path and query have every
// control byte, blank and non-ASCII byte percent-encoded (UTF-8), and a host with such bytes
// is refused. The fragment is dropped (it is never sent) and so is any user information
// (credentials in an address are never sent, nor shown in an error text).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qx {

struct Url {
  std::string scheme;  // ASCII lower case
  std::string host;    // ASCII lower-cased; IPv6 without brackets; may hold UTF-8 (an IDN)
  std::uint16_t port = 0;
  std::string path;    // path and query, percent-encoded, always beginning with "/"

  // scheme "://" host [":" port] path; the port only when it is not the scheme's default.
  std::string to_string() const;
  friend bool operator==(const Url&, const Url&) = default;
};

// An absolute address "scheme://authority[path][?query][#fragment]"; none when it is not one
// (no scheme, no "//", empty or malformed host, bad port). The port defaults to 80 for http
// and 443 for https; other schemes need an explicit port.
std::optional<Url> parse_url(std::string_view text);

// The address a reference (a Location header, a link) points to, seen from base (RFC 3986
// section 5.2, with dot segments removed); none when the result is not a valid address.
std::optional<Url> resolve_url(const Url& base, std::string_view reference);

// Percent-encodes control bytes, blanks, DEL, non-ASCII bytes and the characters that may
// never appear raw in a request target (" < > \ ^ ` { | }). Existing escapes are kept.
std::string percent_encode_unsafe(std::string_view text);

// RFC 3986 section 5.2.4 on a path (no query).
std::string remove_dot_segments(std::string_view path);

// "https://", or plain "http://" to the loopback address 127.0.0.1 (a local server).
bool is_allowed_request_url(const Url& url);

// The HTTPS rule on every hop: a redirect may go to any "https://" address; from the loopback
// server it may also stay on plain http at 127.0.0.1; everything else is refused.
bool is_allowed_redirect(const Url& from, const Url& to);

}  // namespace qx
