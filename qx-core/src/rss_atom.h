// The RSS 2.0, RSS 1.0 (RDF) and Atom reader: at most 8 stories and a feed title, built into a
// validated QxFeedV1.
//
// The dialect is never checked: stories are the elements named "item" or "entry" and their
// fields come from a small set of names the dialects share. Texts are decoded by this reader,
// never by the XML layer, so a title's escaped markup is decoded and then stripped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core_error.h"
#include "feed_records.h"
#include "xml_pull_reader.h"

namespace qx {

// A feed title stops growing once it holds this many bytes (the text that crosses it is kept whole).
inline constexpr std::size_t MAX_FEED_TITLE_READ_BYTES = 400;

struct PictureCandidate {
  std::string url;
  std::uint32_t width = 0;
  friend bool operator==(const PictureCandidate&, const PictureCandidate&) = default;
};

// The story being read, between the start of an "item" or "entry" and its end.
struct ItemDraft {
  std::string title;      // every title text of the item, joined as it came
  std::string link;       // the first non-empty one
  std::string id;         // the first non-empty "guid" or "id"
  std::string published;  // the first non-empty "pubdate", "published" or "updated"
  std::optional<std::string> audio;
  std::optional<std::string> video;
  std::optional<PictureCandidate> image;  // the widest picture seen
  bool shockwave = false;
};

// Reads an XML feed of any of the three dialects. Documents that declare entities, elements or
// attribute lists are refused unread; malformed markup before the 8th story fails the whole read.
CoreResult<QxFeedV1> read_rss_atom(std::string_view text);

// The name every comparison uses: ASCII lower case, with the prefixes a, atom, atom10 and rss
// dropped, except that atom:link and atom10:link keep theirs (they never count as a story link).
std::string xml_local_name(std::string_view raw_name);

// The attribute whose name equals name (ASCII case-insensitively), unescaped and trimmed; empty
// when it is missing or cannot be unescaped.
std::string xml_attr(const XmlElement& element, std::string_view name);

// A text (already decoded where it came from a text node) inside the elements on stack.
void on_xml_text(const std::vector<std::string>& stack, std::string_view text, std::string& feed_title,
                 std::optional<ItemDraft>& item);

// An element (start or empty) met inside an open item; name is its local name.
void on_xml_element(ItemDraft& item, std::string_view name, const XmlElement& element);

}  // namespace qx
