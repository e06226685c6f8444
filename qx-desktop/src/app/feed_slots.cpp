#include "app/feed_slots.h"

#include <algorithm>
#include <stdexcept>

#include "world/world.h"

namespace qx {

namespace {

std::optional<std::string> league_title_for(std::string_view url) {
  const std::optional<std::string> id = featured_feed_league(url);
  if (!id) return std::nullopt;
  const League* league = league_by_id(world().leagues, *id);
  if (!league) return std::nullopt;
  return league->title;
}

std::optional<std::string> preset_name_for(std::string_view url) {
  for (const FeedPreset& p : FEED_PRESETS) {
    if (p.url == url) return std::string(p.name);
  }
  return std::nullopt;
}

FeedSlot* find_slot(std::vector<FeedSlot>& slots, std::string_view url) {
  for (FeedSlot& slot : slots) {
    if (slot.url == url) return &slot;
  }
  return nullptr;
}

std::optional<std::size_t> slot_index(const std::vector<FeedSlot>& slots, std::string_view url) {
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (slots[i].url == url) return i;
  }
  return std::nullopt;
}

const FeedSlot* active_slot(const AppState& s) {
  return s.active < s.feeds.size() ? &s.feeds[s.active] : nullptr;
}

void store_failure(FeedSlot& slot, const std::string& error) {
  if (!slot.last_success) slot.status = "Can’t load this feed. Right-click to choose another.";
  slot.last_error = error;
  if (slot.failures < UINT32_MAX) ++slot.failures;
}

void store_feed(FeedSlot& slot, const QxFeedV1& feed, Instant now) {
  std::optional<std::string> kept_title;
  if (slot.current < slot.items.size()) kept_title = slot.items[slot.current].title;
  if (!slot.title_fixed) slot.title = feed.title;

  const bool now_live = feed.score && feed.score->state == "in";
  if (now_live && slot.pulse_event_id && feed_is_live(slot) &&
      feed.badge.pulse_event_id != slot.pulse_event_id) {
    slot.live_change = now;
  }

  slot.pulse_event_id = feed.badge.pulse_event_id;
  slot.short_text = feed.badge.short_text;
  slot.status = feed.badge.status_text;
  slot.accent_hex = feed.badge.accent_hex;
  slot.poll_seconds = feed.poll_seconds;
  slot.link = std::nullopt;
  if (feed.drawer && !feed.drawer->links.empty()) slot.link = feed.drawer->links.front().url;
  slot.score = feed.score;
  slot.items = feed.items;

  slot.current = 0;
  if (kept_title) {
    for (std::size_t i = 0; i < slot.items.size(); ++i) {
      if (slot.items[i].title == *kept_title) {
        slot.current = i;
        break;
      }
    }
  }
  slot.last_success = now;
  slot.last_error = std::nullopt;
  slot.failures = 0;
}

}  // namespace

FeedSlot new_feed_slot(std::string_view url, std::optional<std::string> title) {
  FeedSlot slot;
  slot.url = std::string(url);
  if (!title) title = league_title_for(url);
  if (!title) title = preset_name_for(url);
  if (title) {
    slot.title = std::move(*title);
    slot.title_fixed = true;
  } else {
    slot.title = "Your feed";
  }
  return slot;
}

bool append_feed_slot(std::vector<FeedSlot>& slots, std::string_view url, std::optional<std::string> title) {
  if (slots.size() >= MAX_FEEDS || find_slot(slots, url)) return false;
  slots.push_back(new_feed_slot(url, std::move(title)));
  return true;
}

void apply_feed_result(std::vector<FeedSlot>& slots, std::string_view url,
                       const Result<QxFeedV1, std::string>& result, Instant now) {
  FeedSlot* slot = find_slot(slots, url);
  if (!slot) return;
  if (result.ok()) {
    store_feed(*slot, result.value(), now);
  } else {
    store_failure(*slot, result.error());
  }
}

AddFeedOutcome add_or_select_feed(AppState& s, std::string_view url, std::optional<std::string> title,
                                  Instant now) {
  if (const std::optional<std::size_t> i = slot_index(s.feeds, url)) {
    s.default_feeds = false;
    select_feed(s, *i, now);
    return AddFeedOutcome::Selected;
  }
  if (s.default_feeds) {
    s.feeds.clear();
    s.default_feeds = false;
  } else if (s.feeds.size() >= MAX_FEEDS) {
    return AddFeedOutcome::Full;
  }
  s.feeds.push_back(new_feed_slot(url, std::move(title)));
  select_feed(s, s.feeds.size() - 1, now);
  return AddFeedOutcome::Added;
}

bool remove_feed(AppState& s, std::size_t index) {
  if (index >= s.feeds.size() || s.feeds.size() <= 1) return false;
  const bool active_was_last = s.active + 1 == s.feeds.size();
  s.feeds.erase(s.feeds.begin() + static_cast<std::ptrdiff_t>(index));
  if ((index < s.active || active_was_last) && s.active > 0) --s.active;
  s.rotation_ticks = 0;
  return true;
}

void select_feed(AppState& s, std::size_t index, Instant now) {
  if (index >= s.feeds.size()) return;
  s.active = index;
  s.rotation_ticks = 0;
  s.rotation_hold_until = now + SELECT_HOLD;
}

FeedSlot& current_feed(AppState& s) { return s.feeds.at(s.active); }

const FeedSlot& current_feed(const AppState& s) { return s.feeds.at(s.active); }

const QxItem* current_story(const AppState& s) {
  const FeedSlot* slot = active_slot(s);
  if (!slot || slot->score || slot->current >= slot->items.size()) return nullptr;
  return &slot->items[slot->current];
}

std::size_t story_count(const AppState& s) {
  const FeedSlot* slot = active_slot(s);
  return slot ? slot->items.size() : 0;
}

void advance_story(AppState& s, std::int64_t n) {
  if (s.active >= s.feeds.size()) return;
  FeedSlot& slot = s.feeds[s.active];
  const std::size_t count = slot.items.size();
  if (count == 0) return;
  // Modular arithmetic on unsigned values: any step, however large, stays in range.
  const auto c = static_cast<std::uint64_t>(count);
  const std::uint64_t magnitude = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
  const std::uint64_t step = magnitude % c;
  const std::uint64_t cur = static_cast<std::uint64_t>(slot.current) % c;
  slot.current = static_cast<std::size_t>(n < 0 ? (cur + c - step) % c : (cur + step) % c);
}

bool feed_is_live(const FeedSlot& slot) { return slot.score && slot.score->state == "in"; }

std::optional<std::size_t> next_live_feed(const std::vector<FeedSlot>& slots, std::size_t from,
                                          std::size_t end) {
  end = std::min(end, slots.size());
  for (std::size_t i = from; i < end; ++i) {
    if (feed_is_live(slots[i])) return i;
  }
  return std::nullopt;
}

std::vector<std::size_t> live_feeds(const std::vector<FeedSlot>& slots) {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (feed_is_live(slots[i])) out.push_back(i);
  }
  return out;
}

}  // namespace qx
