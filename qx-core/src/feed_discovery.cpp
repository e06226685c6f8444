#include "feed_discovery.h"

#include <algorithm>
#include <array>

#include "text_cleanup.h"
#include "unicode_text.h"

namespace qx {

namespace {

constexpr std::string_view HTTPS = "https://";
constexpr std::string_view HTTP = "http://";

constexpr std::uint8_t JSON_FEED_BIT = 1;
constexpr std::uint8_t COMMENTS_BIT = 4;

struct FeedType {
  std::string_view name;
  std::uint8_t key;
};
constexpr std::array<FeedType, 4> FEED_TYPES = {{
    {"application/rss+xml", 0},
    {"application/atom+xml", 0},
    {"application/rdf+xml", 0},
    {"application/feed+json", JSON_FEED_BIT},
}};

// The tags that begin with `opening` in the scanned text, each read as one self-closing element:
// the text up to the next ">" with its trailing "/" removed and "/>" put back. A ">" inside a
// value cuts the tag there (the reader then finds it malformed and it is skipped). The callback
// returns false to end the scan.
template <class F>
void for_each_tag(std::string_view text, std::string_view opening, F&& f) {
  std::size_t from = 0;
  for (;;) {
    const std::size_t start = text.find(opening, from);
    if (start == std::string_view::npos) return;
    const std::size_t close = text.find('>', start);
    if (close == std::string_view::npos) return;
    from = close;
    std::string tag(text.substr(start, close - start));
    while (!tag.empty() && tag.back() == '/') tag.pop_back();
    tag += "/>";
    XmlPullReader reader(tag);
    const XmlEvent event = reader.next();
    if (event.kind == XmlEventKind::Empty && !f(event.element)) return;
  }
}

bool has_word(std::string_view words, std::string_view wanted) {
  std::string_view rest = trim_unicode_whitespace(words);
  while (!rest.empty()) {
    std::size_t end = 0;
    while (end < rest.size()) {
      const Utf8Step step = utf8_decode(rest, end);
      if (is_unicode_whitespace(step.cp)) break;
      end += step.len;
    }
    if (rest.substr(0, end) == wanted) return true;
    rest = trim_unicode_whitespace_start(rest.substr(end));
  }
  return false;
}

std::optional<std::uint8_t> feed_type_key(std::string_view type) {
  const std::string lower = ascii_lower(type);
  for (const FeedType& t : FEED_TYPES) {
    if (lower == t.name) return t.key;
  }
  return std::nullopt;
}

std::optional<std::string> https_address(std::string_view page_address, std::string_view raw_href) {
  std::optional<std::string> address = resolve_feed_href(page_address, trim_unicode_whitespace(raw_href));
  if (!address || !validate_https_url(*address)) return std::nullopt;
  return address;
}

// The address relative links are seen from: the first <base> that gives an https address, else
// the page itself.
std::string base_address(std::string_view page_address, std::string_view scanned) {
  std::string base(page_address);
  for_each_tag(scanned, "<base", [&](const XmlElement& element) {
    if (!ascii_iequals(element.name, "base")) return true;
    const std::string href = html_attr(element, "href");
    if (href.empty()) return true;
    if (std::optional<std::string> address = https_address(page_address, href)) base = std::move(*address);
    return false;  // only the first <base> with an href counts
  });
  return base;
}

}  // namespace

std::optional<std::string> normalize_feed_address(std::string_view text) {
  std::string address;
  const std::size_t scheme_end = text.find("://");
  if (scheme_end == std::string_view::npos) {
    address = std::string(HTTPS) + std::string(text);
  } else if (text.substr(0, scheme_end) == "http") {
    address = std::string(HTTPS) + std::string(text.substr(scheme_end + 3));
  } else {
    address = std::string(text);
  }
  if (address.find('.') == std::string::npos || address.size() >= MAX_ADDRESS_LEN ||
      contains_unicode_whitespace(address)) {
    return std::nullopt;
  }
  return address;
}

std::optional<std::string> resolve_feed_href(std::string_view page_address, std::string_view href) {
  if (href.starts_with("//")) return std::string(HTTPS) + std::string(href.substr(2));
  if (href.starts_with(HTTPS)) return std::string(href);
  if (href.starts_with(HTTP)) return std::string(HTTPS) + std::string(href.substr(HTTP.size()));
  if (href.empty() || href.find(':') != std::string_view::npos) return std::nullopt;

  // The origin ends where the path, query or fragment begins, so that a page address with a
  // query but no path ("https://host?x=1") does not carry its query into the links.
  const std::size_t after_scheme = page_address.starts_with(HTTPS) ? HTTPS.size() : 0;
  const std::size_t origin_end = std::min(page_address.find_first_of("/?#", after_scheme), page_address.size());
  const std::string_view origin = page_address.substr(0, origin_end);
  if (href.starts_with('/')) return std::string(origin) + std::string(href);

  std::string_view path = page_address.substr(origin_end);
  path = path.substr(0, std::min(path.find_first_of("?#"), path.size()));
  const std::size_t last_slash = path.rfind('/');
  const std::string_view folder = last_slash == std::string_view::npos ? std::string_view() : path.substr(0, last_slash);
  return std::string(origin) + std::string(folder) + "/" + std::string(href);
}

std::string html_attr(const XmlElement& element, std::string_view name) {
  for (const XmlAttr& attr : html_attrs(element.attrs)) {
    if (!ascii_iequals(attr.name, name)) continue;
    if (attr.value) return *attr.value;
    return sanitize_utf8(attr.raw);
  }
  return {};
}

std::vector<std::string> discover_feed_links(std::string_view page_address, std::string_view page_text) {
  const std::string_view scanned = utf8_prefix_chars(page_text, DISCOVERY_SCAN_CHARS);
  const std::string base = base_address(page_address, scanned);

  std::vector<FeedLinkCandidate> found;
  for_each_tag(scanned, "<link", [&](const XmlElement& element) {
    if (!has_word(ascii_lower(html_attr(element, "rel")), "alternate")) return true;
    const std::optional<std::uint8_t> type_key = feed_type_key(html_attr(element, "type"));
    if (!type_key) return true;
    const std::string href = html_attr(element, "href");
    const bool comments = ascii_lower(html_attr(element, "title")).find("comment") != std::string::npos ||
                          href.find("/comments/") != std::string::npos;
    std::optional<std::string> address = https_address(base, href);
    if (!address) return true;
    found.push_back({static_cast<std::uint8_t>(*type_key | (comments ? COMMENTS_BIT : 0)), std::move(*address)});
    return true;
  });

  std::stable_sort(found.begin(), found.end(),
                   [](const FeedLinkCandidate& a, const FeedLinkCandidate& b) { return a.key < b.key; });
  std::vector<std::string> kept;
  for (FeedLinkCandidate& candidate : found) {
    if (kept.size() == MAX_DISCOVERED_LINKS) break;
    if (std::find(kept.begin(), kept.end(), candidate.address) == kept.end()) kept.push_back(std::move(candidate.address));
  }
  return kept;
}

}  // namespace qx
