// The one entry that turns the text of a feed, whatever its format, into a validated QxFeedV1:
// "qx-feed/v1" schema feeds are read directly, other JSON is searched for stories, and anything
// else goes to the RSS and Atom reader.
#pragma once

#include <cstddef>
#include <string_view>

#include "core_error.h"
#include "feed_records.h"

namespace qx {

// Both limits are measured on the text after leading byte-order marks and surrounding
// whitespace are removed; a text of exactly the limit passes.
inline constexpr std::size_t MAX_FEED_BYTES = 2'097'152;
inline constexpr std::size_t MAX_SCHEMA_FEED_BYTES = 524'288;

CoreResult<QxFeedV1> parse_feed_text(std::string_view text);

}  // namespace qx
