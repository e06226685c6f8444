// Feed slots of the state: creating them, storing a load's result, following, selecting and
// removing feeds, the current story and stepping through stories, and live games.
// Everything runs with the state lock held by the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "feed_records.h"
#include "result.h"

namespace qx {

// A fresh slot, "Connecting…", polled every 60 s. Its title: the given one (fixed); else the
// league's title for a league's featured feed (fixed); else a preset's name for a preset's
// address (fixed); else "Your feed" (the feed's own title replaces it once loaded).
FeedSlot new_feed_slot(std::string_view url, std::optional<std::string> title);

// Appends new_feed_slot(url, title) unless a slot already has that address or MAX_FEEDS slots
// exist; true when appended. Building slots from saved entries goes through this, so that an
// address written twice by hand does not leave a second slot that no result ever reaches.
bool append_feed_slot(std::vector<FeedSlot>& slots, std::string_view url, std::optional<std::string> title);

// Stores the outcome of loading `url` in the first slot with exactly that address (dropped when
// there is none). A failure keeps the stories; a success replaces them, keeping the current
// story where its title survives.
void apply_feed_result(std::vector<FeedSlot>& slots, std::string_view url,
                       const Result<QxFeedV1, std::string>& result, Instant now);

enum class AddFeedOutcome {
  Selected,  // the address was followed already and is now the active feed
  Added,     // a new slot was appended (replacing the starting default slots) and selected
  Full,      // MAX_FEEDS feeds are followed; nothing changed
};
// Follows a feed, or selects it when its address is followed already (the title is then dropped).
AddFeedOutcome add_or_select_feed(AppState& s, std::string_view url, std::optional<std::string> title,
                                  Instant now);

// Removes a slot; nothing (false) when the index is out of range or only one slot is left.
bool remove_feed(AppState& s, std::size_t index);

// Makes a slot active and holds rotation on it for 120 s; nothing when out of range.
void select_feed(AppState& s, std::size_t index, Instant now);
inline constexpr std::chrono::seconds SELECT_HOLD{120};

// The active slot. The state always has one; an index out of range throws rather than reading
// past the list (under APP_STATE.with that poisons the lock instead of corrupting memory).
FeedSlot& current_feed(AppState& s);
const FeedSlot& current_feed(const AppState& s);

// The current story of the active slot; none when the slot has a score or no such story.
const QxItem* current_story(const AppState& s);
std::size_t story_count(const AppState& s);
// Moves the current story by n, wrapping in both directions; nothing without stories.
void advance_story(AppState& s, std::int64_t n);

// The slot's game is in progress (score state "in").
bool feed_is_live(const FeedSlot& slot);
// The first index in [from, end) whose slot is live.
std::optional<std::size_t> next_live_feed(const std::vector<FeedSlot>& slots, std::size_t from,
                                          std::size_t end);
// Every live slot's index, in slot order.
std::vector<std::size_t> live_feeds(const std::vector<FeedSlot>& slots);

}  // namespace qx
