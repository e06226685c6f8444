// The RSS 2.0, RSS 1.0 (RDF) and Atom reader: at most 8 stories and a feed title, built into a
// validated QxFeedV1.
#pragma once

#include <string_view>

#include "core_error.h"
#include "feed_records.h"

namespace qx {

// Reads an XML feed of any of the three dialects. Documents that declare entities, elements or
// attribute lists are refused unread; malformed markup before the 8th story fails the whole read.
CoreResult<QxFeedV1> read_rss_atom(std::string_view text);

}  // namespace qx
