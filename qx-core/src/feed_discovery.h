// Turning a copied link into a feed address: cleaning the text up into an address, and finding
// the feeds an ordinary web page announces with <link rel="alternate" type="..."> elements.
// Pure functions on text; the fetching and the state change are the caller's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xml_pull_reader.h"

namespace qx {

inline constexpr std::size_t MAX_ADDRESS_LEN = 2048;            // bytes; 2,047 passes
inline constexpr std::size_t DISCOVERY_SCAN_CHARS = 400'000;    // characters of a page scanned
inline constexpr std::size_t MAX_DISCOVERED_LINKS = 6;
inline constexpr std::size_t MAX_FEED_LINK_ATTEMPTS = 3;

// One feed a page announces. key bit 0: a JSON feed ("application/feed+json"); bit 2: a
// comments feed. Lower keys rank first: XML feed, JSON feed, XML comments, JSON comments.
struct FeedLinkCandidate {
  std::uint8_t key = 0;
  std::string address;
  friend bool operator==(const FeedLinkCandidate&, const FeedLinkCandidate&) = default;
};

// The text as an address: "http://" becomes "https://", a text without "://" gets "https://" in
// front, any other scheme stays (and fails later). None unless the result holds a ".", is shorter
// than MAX_ADDRESS_LEN bytes and holds no white space.
std::optional<std::string> normalize_feed_address(std::string_view text);

// The feeds a page announces, best first, each address once, at most MAX_DISCOVERED_LINKS. Only
// the first DISCOVERY_SCAN_CHARS characters are scanned. Relative links are resolved against the
// page's <base href> when it has one, else against the page's address.
std::vector<std::string> discover_feed_links(std::string_view page_address, std::string_view page_text);

// An href seen from a page (an "https://" address) as an "https://" address: "//host/..." and
// "http://..." are made https, an absolute path joins the page's origin, a relative one the
// page's folder (dot segments stay as written). None for an empty href or one with any other
// ":" in it (mail, script and other schemes).
std::optional<std::string> resolve_feed_href(std::string_view page_address, std::string_view href);

// An attribute of an element by HTML rules (name ASCII case-insensitive, unquoted and valueless
// attributes allowed), with XML references resolved; when they cannot be, the raw value with
// invalid UTF-8 replaced. "" when the element has no such attribute.
std::string html_attr(const XmlElement& element, std::string_view name);

}  // namespace qx
