// Small builders for tests of the application state: feeds as a load returns them, stories with
// media, and a fixed clock origin so that instants read as offsets.
#pragma once

#include <chrono>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "feed_records.h"

namespace qx::test {

inline const Instant T0 = Instant{} + std::chrono::hours(24 * 365);

inline Instant at(std::chrono::steady_clock::duration offset) { return T0 + offset; }

inline QxItem story(std::string title) {
  QxItem item;
  item.title = std::move(title);
  return item;
}

inline QxItem story_with_media(std::string title, std::string kind, std::string url,
                               std::optional<std::string> poster = std::nullopt) {
  QxItem item = story(std::move(title));
  item.media = QxMedia{std::move(kind), std::move(url), std::move(poster)};
  return item;
}

inline QxFeedV1 feed(std::string title, std::initializer_list<std::string> story_titles) {
  QxFeedV1 f;
  f.schema = "qx-feed/v1";
  f.id = "test-feed";
  f.title = std::move(title);
  f.poll_seconds = 300;
  f.badge.short_text = "NEWS";
  f.badge.status_text = "Fresh";
  for (const std::string& t : story_titles) f.items.push_back(story(t));
  return f;
}

inline QxScore score(std::string state) {
  QxScore s;
  s.state = std::move(state);
  s.detail = "Q3";
  s.away = QxSide{"KC", "Kansas City", "10", std::nullopt};
  s.home = QxSide{"BUF", "Buffalo", "7", std::nullopt};
  return s;
}

// A state holding one slot per address, the first active, no longer the default feeds.
inline AppState state_with(std::initializer_list<std::string> urls) {
  AppState s;
  for (const std::string& u : urls) {
    FeedSlot slot;
    slot.url = u;
    slot.title = u;
    s.feeds.push_back(slot);
  }
  s.default_feeds = false;
  return s;
}

}  // namespace qx::test
