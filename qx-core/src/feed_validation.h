// The rules every handed-out QxFeedV1 has passed, and the feed built around a list of stories
// found in a generic JSON or an RSS/Atom feed. Text limits count characters (char_count); the
// feed id alone is measured in bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core_error.h"
#include "feed_records.h"

namespace qx {

inline constexpr std::string_view FEED_SCHEMA = "qx-feed/v1";
inline constexpr std::size_t MIN_FEED_ID_BYTES = 2;
inline constexpr std::size_t MAX_FEED_ID_BYTES = 64;
inline constexpr std::size_t MAX_FEED_TITLE_CHARS = 80;
inline constexpr std::uint32_t MIN_POLL_SECONDS = 15;
inline constexpr std::uint32_t MAX_POLL_SECONDS = 86'400;
inline constexpr std::size_t MAX_BADGE_SHORT_CHARS = 18;
inline constexpr std::size_t MAX_BADGE_STATUS_CHARS = 96;
inline constexpr std::size_t MAX_FEED_ITEMS = 8;
inline constexpr std::size_t MAX_ITEM_TITLE_CHARS = 200;
inline constexpr std::size_t MAX_SCORE_ABBR_CHARS = 5;
inline constexpr std::size_t MAX_DRAWER_LINKS = 6;
inline constexpr std::size_t MAX_LINK_LABEL_CHARS = 64;

// What a feed built from stories is made of.
inline constexpr std::string_view DEFAULT_FEED_TITLE = "Your feed";
inline constexpr std::string_view BUILT_FEED_ID = "desktop-feed";
inline constexpr std::uint32_t BUILT_FEED_POLL_SECONDS = 60;
inline constexpr std::string_view DRAWER_LINK_LABEL = "Open story";
inline constexpr std::size_t MAX_PULSE_ID_CHARS = 64;

// Nothing, or the first rule the feed breaks (CoreError::InvalidSchema, or InvalidUrl /
// InvalidHexColor from the address and colour rules). Nothing is corrected.
CoreResult<Unit> validate_feed(const QxFeedV1& feed);

// 2..=64 bytes; [a-z0-9] first, then [a-z0-9_-].
CoreResult<Unit> validate_id(std::string_view id);

// "#" and six ASCII hexadecimal digits; otherwise CoreError::InvalidHexColor naming the text.
CoreResult<Unit> validate_hex_color(std::string_view text);

// A validated feed around the stories: the title (or "Your feed" when it is blank), the badge and
// drawer from the first story, fixed id and poll interval. No stories: CoreError::InvalidXml
// "no RSS <item> or Atom <entry> found".
CoreResult<QxFeedV1> feed_from_stories(std::string_view title, std::vector<QxItem> items);

}  // namespace qx
