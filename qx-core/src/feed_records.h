// The "qx-feed/v1" record family. Every followed feed, whatever its source format, becomes one
// QxFeedV1. Records hold exactly what was read: nothing is trimmed or cleaned here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "core_error.h"

namespace qx {

struct QxBadge {
  std::string short_text;
  std::string status_text;
  std::optional<std::string> accent_hex;
  std::optional<std::string> pulse_event_id;
  friend bool operator==(const QxBadge&, const QxBadge&) = default;
};

struct QxDrawerLink {
  std::string label;
  std::string url;
  std::optional<std::string> tag;
  std::optional<std::string> affiliate_slug;
  friend bool operator==(const QxDrawerLink&, const QxDrawerLink&) = default;
};

struct QxDrawer {
  std::optional<std::string> headline;
  std::optional<std::string> updated_at;
  std::vector<QxDrawerLink> links;
  friend bool operator==(const QxDrawer&, const QxDrawer&) = default;
};

struct QxSide {
  std::string abbr;
  std::string name;
  std::optional<std::string> score;  // text; the painter reads it as a number where it needs one
  std::optional<std::string> color_hex;
  friend bool operator==(const QxSide&, const QxSide&) = default;
};

struct QxScore {
  std::string state;  // "pre", "in" or "post"
  std::string detail;
  std::optional<std::string> starts_at;
  QxSide away;
  QxSide home;
  friend bool operator==(const QxScore&, const QxScore&) = default;
};

struct QxMedia {
  std::string kind;  // "image", "audio" or "video"
  std::string url;
  std::optional<std::string> poster;
  friend bool operator==(const QxMedia&, const QxMedia&) = default;
};

struct QxItem {
  std::string title;
  std::optional<std::string> url;
  std::optional<std::string> id;
  std::optional<std::string> published;  // kept as written, never parsed here
  std::optional<QxMedia> media;
  friend bool operator==(const QxItem&, const QxItem&) = default;
};

struct QxSignature {
  std::string alg;
  std::string kid;
  std::string sig;
  friend bool operator==(const QxSignature&, const QxSignature&) = default;
};

struct QxFeedV1 {
  std::string schema;
  std::string id;
  std::string title;
  std::uint32_t poll_seconds = 0;
  QxBadge badge;
  std::optional<QxDrawer> drawer;
  std::optional<QxScore> score;
  std::vector<QxItem> items;
  std::optional<QxSignature> signature;
  friend bool operator==(const QxFeedV1&, const QxFeedV1&) = default;
};

// Reads a "qx-feed/v1" text as a QxFeedV1 (the record rules only; validate_feed checks the
// limits). Any failure is CoreError::Serialization with the reader's message, for example
// "missing field `badge` at line 1 column 52".
CoreResult<QxFeedV1> read_qx_feed(std::string_view text);
// The same for a text whose JSON syntax has already been accepted by parse_json_dom.
CoreResult<QxFeedV1> read_qx_feed_checked(std::string_view text);

// The feed as JSON with every record's keys in field order; absent optionals are left out.
nlohmann::ordered_json qx_feed_to_json(const QxFeedV1& feed);

}  // namespace qx
