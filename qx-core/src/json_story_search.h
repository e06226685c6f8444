// Finding the stories in a JSON feed of unknown layout: the value tree is walked breadth-first,
// each array met is tried as a list of stories, and the first that looks like one becomes the
// feed (through feed_from_stories). Stories are read by fixed lists of key names that cover the
// common JSON feed layouts. The work is bounded: at most JSON_SEARCH_MAX_NODES values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core_error.h"
#include "feed_records.h"

namespace qx {

inline constexpr std::size_t JSON_SEARCH_MAX_NODES = 2000;
inline constexpr std::uint32_t JSON_SEARCH_MAX_DEPTH = 5;  // containers are opened only above this depth
inline constexpr std::size_t JSON_SAMPLE_ELEMENTS = 8;     // elements of an array tried as stories
inline constexpr std::size_t JSON_CHILD_ELEMENTS = 20;     // elements of a refused array searched further

using JsonKeys = std::span<const std::string_view>;

inline constexpr std::array<std::string_view, 7> STORY_TITLE_KEYS{
    "title", "headline", "name", "summary", "content_text", "text", "description"};
inline constexpr std::array<std::string_view, 8> STORY_URL_KEYS{
    "url", "link", "external_url", "href", "webUrl", "web_url", "permalink", "story_url"};
inline constexpr std::array<std::string_view, 4> STORY_ID_KEYS{"id", "guid", "uuid", "_id"};
inline constexpr std::array<std::string_view, 7> STORY_PUBLISHED_KEYS{
    "date_published", "published", "publishedAt", "pubDate", "date", "created_at", "time"};
inline constexpr std::array<std::string_view, 10> STORY_IMAGE_KEYS{
    "image", "banner_image", "thumbnail", "thumb", "imageUrl", "image_url", "urlToImage", "thumbnail_url",
    "picture", "jetpack_featured_media_url"};
inline constexpr std::array<std::string_view, 8> NESTED_TEXT_KEYS{
    "rendered", "text", "value", "#text", "name", "title", "url", "href"};
inline constexpr std::array<std::string_view, 2> ATTACHMENT_TYPE_KEYS{"mime_type", "type"};
inline constexpr std::array<std::string_view, 1> ATTACHMENT_URL_KEYS{"url"};
inline constexpr std::array<std::string_view, 3> VIDEO_MEDIA_KEYS{"video", "video_url", "videoUrl"};
inline constexpr std::array<std::string_view, 3> AUDIO_MEDIA_KEYS{"audio", "audio_url", "audioUrl"};
inline constexpr std::array<std::string_view, 3> FEED_TITLE_KEYS{"title", "name", "feed_title"};
inline constexpr std::array<std::string_view, 6> SKIPPED_MEMBER_KEYS{
    "author", "authors", "tags", "categories", "links", "hubs"};
inline constexpr std::string_view ATTACHMENTS_KEY = "attachments";

// A value waiting in the search queue; the root has depth 0.
struct JsonSearchEntry {
  const nlohmann::json* value;
  std::uint32_t depth;
};

// The value of the first listed key that is present, not null and not "" (blanks count as
// present); nullptr when there is none or `value` is not an object.
const nlohmann::json* json_first_key(const nlohmann::json& value, JsonKeys keys);

// A string itself; a number as decimal text; an array by its first element; an object by its
// first NESTED_TEXT_KEYS member; nothing for null, booleans and empty arrays.
std::optional<std::string> json_value_text(const nlohmann::json& value);

// The text of the first present key, trimmed; none when it is empty. Later keys are not tried
// when the first present one gives no text.
std::optional<std::string> json_text_field(const nlohmann::json& value, JsonKeys keys);

// The first listed member whose text, after normalize_picture_url, passes validate_https_url.
std::optional<std::string> json_url_field(const nlohmann::json& value, JsonKeys keys);

// One story from an object: a title is needed; address, id, date and media are optional.
std::optional<QxItem> story_from_json(const nlohmann::json& value);

// The feed built from the first array that looks like a list of stories, or
// CoreError::InvalidSchema "no list of stories found in this JSON".
CoreResult<QxFeedV1> find_story_list(const nlohmann::json& root);

}  // namespace qx
