#include "feed_validation.h"

#include "text_cleanup.h"
#include "unicode_text.h"

namespace qx {

namespace {

bool chars_within(std::string_view text, std::size_t min, std::size_t max) {
  const std::size_t n = char_count(text);
  return n >= min && n <= max;
}

bool is_id_char(char c) { return (c >= 'a' && c <= 'z') || is_ascii_digit(c); }

CoreError schema_error(std::string m) { return CoreError::invalid_schema(std::move(m)); }

CoreResult<Unit> validate_item(const QxItem& item) {
  if (!chars_within(item.title, 1, MAX_ITEM_TITLE_CHARS)) return err(schema_error("item title must be 1..=200 chars"));
  if (item.url) {
    if (auto r = validate_https_url(*item.url); !r) return r;
  }
  if (item.media) {
    const QxMedia& m = *item.media;
    if (m.kind != "image" && m.kind != "audio" && m.kind != "video") {
      return err(schema_error("media.kind must be image, audio or video"));
    }
    if (auto r = validate_https_url(m.url); !r) return r;
    if (m.poster) {
      if (auto r = validate_https_url(*m.poster); !r) return r;
    }
  }
  return Unit{};
}

CoreResult<Unit> validate_side(const QxSide& side) {
  if (!chars_within(side.abbr, 1, MAX_SCORE_ABBR_CHARS)) return err(schema_error("score abbr must be 1..=5 chars"));
  if (side.color_hex) return validate_hex_color(*side.color_hex);
  return Unit{};
}

}  // namespace

CoreResult<Unit> validate_id(std::string_view id) {
  if (id.size() < MIN_FEED_ID_BYTES || id.size() > MAX_FEED_ID_BYTES) return err(schema_error("id length must be 2..=64"));
  for (std::size_t i = 0; i < id.size(); ++i) {
    if (!is_id_char(id[i]) && (i == 0 || (id[i] != '-' && id[i] != '_'))) {
      return err(schema_error("id contains invalid characters"));
    }
  }
  return Unit{};
}

CoreResult<Unit> validate_hex_color(std::string_view text) {
  bool ok = text.size() == 7 && text[0] == '#';
  for (std::size_t i = 1; ok && i < text.size(); ++i) ok = is_ascii_hex(text[i]);
  if (ok) return Unit{};
  return err(CoreError::invalid_hex_color(std::string(text)));
}

CoreResult<Unit> validate_feed(const QxFeedV1& feed) {
  if (feed.schema != FEED_SCHEMA) return err(schema_error("schema must be qx-feed/v1"));
  if (auto r = validate_id(feed.id); !r) return r;
  if (!chars_within(feed.title, 1, MAX_FEED_TITLE_CHARS)) return err(schema_error("title must be 1..=80 chars"));
  if (feed.poll_seconds < MIN_POLL_SECONDS || feed.poll_seconds > MAX_POLL_SECONDS) {
    return err(schema_error("pollSeconds must be 15..=86400"));
  }
  if (!chars_within(feed.badge.short_text, 1, MAX_BADGE_SHORT_CHARS)) {
    return err(schema_error("badge.shortText must be 1..=18 chars"));
  }
  if (!chars_within(feed.badge.status_text, 1, MAX_BADGE_STATUS_CHARS)) {
    return err(schema_error("badge.statusText must be 1..=96 chars"));
  }
  if (feed.badge.accent_hex) {
    if (auto r = validate_hex_color(*feed.badge.accent_hex); !r) return r;
  }
  if (feed.items.size() > MAX_FEED_ITEMS) return err(schema_error("items max is " + std::to_string(MAX_FEED_ITEMS)));
  for (const QxItem& item : feed.items) {
    if (auto r = validate_item(item); !r) return r;
  }
  if (feed.score) {
    const QxScore& s = *feed.score;
    if (s.state != "pre" && s.state != "in" && s.state != "post") {
      return err(schema_error("score.state must be pre, in or post"));
    }
    if (auto r = validate_side(s.away); !r) return r;
    if (auto r = validate_side(s.home); !r) return r;
  }
  if (feed.drawer) {
    if (feed.drawer->links.size() > MAX_DRAWER_LINKS) return err(schema_error("drawer.links max is 6"));
    for (const QxDrawerLink& link : feed.drawer->links) {
      if (!chars_within(link.label, 1, MAX_LINK_LABEL_CHARS)) {
        return err(schema_error("drawer link label must be 1..=64 chars"));
      }
      if (auto r = validate_https_url(link.url); !r) return r;
    }
  }
  return Unit{};
}

CoreResult<QxFeedV1> feed_from_stories(std::string_view title, std::vector<QxItem> items) {
  if (items.empty()) return err(CoreError::invalid_xml("no RSS <item> or Atom <entry> found"));

  // Blank is judged after decoding: a title of nothing but "&nbsp;" would otherwise collapse
  // to the placeholder "LIVE" instead of falling back to the default title.
  std::string decoded = decode_html_entities(title);
  if (is_blank(decoded)) decoded = DEFAULT_FEED_TITLE;

  const QxItem& first = items.front();
  QxFeedV1 feed;
  feed.schema = FEED_SCHEMA;
  feed.id = BUILT_FEED_ID;
  feed.title = collapse_text(decoded, MAX_FEED_TITLE_CHARS);
  feed.poll_seconds = BUILT_FEED_POLL_SECONDS;
  feed.badge.short_text = collapse_text(first.title, MAX_BADGE_SHORT_CHARS);
  feed.badge.status_text = collapse_text(first.title, MAX_BADGE_STATUS_CHARS);
  if (first.id) feed.badge.pulse_event_id = collapse_text(*first.id, MAX_PULSE_ID_CHARS);
  QxDrawer drawer;
  drawer.headline = feed.badge.status_text;
  if (first.url) drawer.links.push_back(QxDrawerLink{std::string(DRAWER_LINK_LABEL), *first.url, {}, {}});
  feed.drawer = std::move(drawer);
  feed.items = std::move(items);

  if (auto r = validate_feed(feed); !r) return err(std::move(r).error());
  return feed;
}

}  // namespace qx
