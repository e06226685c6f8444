#include "json_story_search.h"

#include <algorithm>
#include <deque>
#include <vector>

#include "feed_validation.h"
#include "text_cleanup.h"
#include "unicode_text.h"

namespace qx {

namespace {

using Json = nlohmann::json;

const Json* member(const Json& object, std::string_view key) {
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

bool is_skipped_member(std::string_view key) {
  return std::find(SKIPPED_MEMBER_KEYS.begin(), SKIPPED_MEMBER_KEYS.end(), key) != SKIPPED_MEMBER_KEYS.end();
}

std::optional<QxMedia> media_from_attachments(const Json& story, const std::optional<std::string>& picture) {
  const Json* attachments = member(story, ATTACHMENTS_KEY);
  if (!attachments || !attachments->is_array()) return std::nullopt;
  for (const Json& a : *attachments) {
    const std::string type = json_text_field(a, ATTACHMENT_TYPE_KEYS).value_or(std::string());
    std::optional<std::string> url = json_url_field(a, ATTACHMENT_URL_KEYS);
    if (!url) continue;
    for (std::string_view kind : {"audio", "video", "image"}) {
      if (type.rfind(kind, 0) == 0) {
        return QxMedia{std::string(kind), std::move(*url), kind == "image" ? std::nullopt : picture};
      }
    }
  }
  return std::nullopt;
}

}  // namespace

const Json* json_first_key(const Json& value, JsonKeys keys) {
  if (!value.is_object()) return nullptr;
  for (std::string_view key : keys) {
    const Json* v = member(value, key);
    if (!v || v->is_null()) continue;
    if (v->is_string() && v->get_ref<const std::string&>().empty()) continue;
    return v;
  }
  return nullptr;
}

std::optional<std::string> json_value_text(const Json& value) {
  const Json* v = &value;
  // Each step goes one level down a finite tree, so this ends.
  for (;;) {
    switch (v->type()) {
      case Json::value_t::string: return v->get_ref<const std::string&>();
      case Json::value_t::number_unsigned: return std::to_string(v->get<std::uint64_t>());
      case Json::value_t::number_integer: return std::to_string(v->get<std::int64_t>());
      case Json::value_t::number_float: return v->dump();
      case Json::value_t::array:
        if (v->empty()) return std::nullopt;
        v = &v->front();
        break;
      case Json::value_t::object:
        v = json_first_key(*v, NESTED_TEXT_KEYS);
        if (!v) return std::nullopt;
        break;
      default: return std::nullopt;
    }
  }
}

std::optional<std::string> json_text_field(const Json& value, JsonKeys keys) {
  const Json* chosen = json_first_key(value, keys);
  if (!chosen) return std::nullopt;
  std::optional<std::string> text = json_value_text(*chosen);
  if (!text) return std::nullopt;
  const std::string_view trimmed = trim_unicode_whitespace(*text);
  if (trimmed.empty()) return std::nullopt;
  if (trimmed.size() != text->size()) return std::string(trimmed);
  return text;
}

std::optional<std::string> json_url_field(const Json& value, JsonKeys keys) {
  if (!value.is_object()) return std::nullopt;
  for (std::string_view key : keys) {
    const Json* v = member(value, key);
    if (!v) continue;
    std::optional<std::string> text = json_value_text(*v);
    if (!text) continue;
    std::string address = normalize_picture_url(*text);
    if (validate_https_url(address).ok()) return address;
  }
  return std::nullopt;
}

std::optional<QxItem> story_from_json(const Json& value) {
  if (!value.is_object()) return std::nullopt;
  std::optional<std::string> title = json_text_field(value, STORY_TITLE_KEYS);
  if (!title) return std::nullopt;

  QxItem item;
  item.title = collapse_text(strip_tags(*title), MAX_ITEM_TITLE_CHARS);
  item.url = json_url_field(value, STORY_URL_KEYS);
  item.id = json_text_field(value, STORY_ID_KEYS);
  item.published = json_text_field(value, STORY_PUBLISHED_KEYS);
  const std::optional<std::string> picture = json_url_field(value, STORY_IMAGE_KEYS);

  item.media = media_from_attachments(value, picture);
  if (!item.media) {
    if (std::optional<std::string> video = json_url_field(value, VIDEO_MEDIA_KEYS)) {
      item.media = QxMedia{"video", std::move(*video), picture};
    } else if (std::optional<std::string> audio = json_url_field(value, AUDIO_MEDIA_KEYS)) {
      item.media = QxMedia{"audio", std::move(*audio), picture};
    } else if (picture) {
      item.media = QxMedia{"image", *picture, std::nullopt};
    }
  }
  return item;
}

CoreResult<QxFeedV1> find_story_list(const Json& root) {
  std::deque<JsonSearchEntry> queue;
  std::size_t taken = 0;
  // Values past the budget would never be taken: leave them out of the queue, so that a huge
  // object cannot fill it.
  auto enqueue = [&](const Json& v, std::uint32_t depth) {
    if (taken + queue.size() < JSON_SEARCH_MAX_NODES) queue.push_back({&v, depth});
  };
  enqueue(root, 0);

  while (!queue.empty() && taken < JSON_SEARCH_MAX_NODES) {
    const JsonSearchEntry e = queue.front();
    queue.pop_front();
    ++taken;
    const Json& v = *e.value;

    if (v.is_array()) {
      const std::size_t m = std::min(v.size(), JSON_SAMPLE_ELEMENTS);
      std::vector<QxItem> stories;
      std::size_t linked = 0;  // stories with an address or media
      for (std::size_t i = 0; i < m; ++i) {
        std::optional<QxItem> s = story_from_json(v[i]);
        if (!s) continue;
        if (s->url || s->media) ++linked;
        stories.push_back(std::move(*s));
      }
      const std::size_t n = stories.size();
      if (n >= 1 && 2 * linked >= n && 2 * n >= m) {
        const std::optional<std::string> title = json_text_field(root, FEED_TITLE_KEYS);
        return feed_from_stories(title ? strip_tags(*title) : std::string(), std::move(stories));
      }
      if (e.depth < JSON_SEARCH_MAX_DEPTH) {
        const std::size_t children = std::min(v.size(), JSON_CHILD_ELEMENTS);
        for (std::size_t i = 0; i < children; ++i) enqueue(v[i], e.depth + 1);
      }
    } else if (v.is_object() && e.depth < JSON_SEARCH_MAX_DEPTH) {
      for (auto it = v.begin(); it != v.end(); ++it) {
        if (!is_skipped_member(it.key())) enqueue(*it, e.depth + 1);
      }
    }
  }
  return err(CoreError::invalid_schema("no list of stories found in this JSON"));
}

}  // namespace qx
