// The one application state of the process: the followed feeds (FeedSlot), what is shown and
// played, the look and placement, and the option flags; reached by every thread through APP_STATE.
//
// Operations on the state live beside it, one concern per header:
//   feed_slots.h   create, fill, add, select and remove slots; stories and live games
//   state_media.h  pictures, links, what plays and what the orb shows
//   state_texts.h  the caption and status texts of the bar
//   orb_zoom.h     the zoom the orb is drawn at
//   bar_activity.h quiet hours, deadlines and whether the bar is active
// They run with the state lock held by the caller; only view_snapshot takes the lock itself.
// Time is always passed in as an Instant of the monotonic clock.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "feed_records.h"
#include "app/feed_service.h"
#include "app/guarded.h"

namespace qx {

using SteadyClock = std::chrono::steady_clock;
using Instant = SteadyClock::time_point;

inline constexpr std::size_t MAX_FEEDS = 8;

// Orb sizes, largest first; the height is in pixels at 96 DPI.
enum class OrbSize : std::uint8_t { XL = 0, L = 1, Regular = 2, M = 3, Tiny = 4 };

enum class Placement : std::uint8_t {
  SignalBarBottom = 0,
  SignalBarTop = 1,
  Island = 2,
  BarLeft = 3,
  BarRight = 4,
};

// Stored in the settings file as "smart", "fill" and "whole".
enum class FitMode : std::uint8_t { BestFit = 0, Fill = 1, ShowAll = 2 };

// How a picture or a video is framed in a box.
struct Fit {
  FitMode mode = FitMode::BestFit;
  std::uint16_t zoom = 100;  // percent, 100 = as computed
  std::uint8_t x = 50;       // focus point, percent of the width (0 left)
  std::uint8_t y = 33;       // percent of the height (0 top)
  friend bool operator==(const Fit&, const Fit&) = default;
};

// The look of the bar's left (brand) side.
struct LeftStyle {
  enum class Kind : std::uint8_t { Same, Team, Theme, Picture };
  Kind kind = Kind::Same;
  std::uint64_t theme = 0;  // skin index, Theme only
  std::string picture;      // file path, Picture only

  static LeftStyle same() { return {}; }
  static LeftStyle team() { return {Kind::Team, 0, {}}; }
  static LeftStyle theme_of(std::uint64_t skin) { return {Kind::Theme, skin, {}}; }
  static LeftStyle picture_at(std::string path) { return {Kind::Picture, 0, std::move(path)}; }
  friend bool operator==(const LeftStyle&, const LeftStyle&) = default;
};

// Minutes of the local day; start and end are never equal (the settings reader refuses that).
struct QuietHours {
  std::uint16_t start = 0;
  std::uint16_t end = 0;
  friend bool operator==(const QuietHours&, const QuietHours&) = default;
};

enum class PlayerStatus : std::uint8_t { None = 0, Opening = 1, Playing = 2, Paused = 3, Ended = 4, Failed = 5 };

// The item the user plays, or that plays by itself.
struct PlayingMedia {
  std::string url;
  std::string title;
  bool is_stream = false;  // a stream, clip, film file or channel the user started
  bool silent = false;     // started silently by the clips option or as the orb film
  bool muted = false;
  bool paused = false;
  bool has_video = false;
  PlayerStatus status = PlayerStatus::Opening;  // copied from the player by the window
  friend bool operator==(const PlayingMedia&, const PlayingMedia&) = default;
};

// A saved TV or video channel.
struct Channel {
  std::string title;
  std::string url;
  friend bool operator==(const Channel&, const Channel&) = default;
};

// Picture address to the path of its cached file.
using PictureMap = std::unordered_map<std::string, std::string>;

// One followed feed. Slots are found by exact equality of url.
struct FeedSlot {
  std::string url;  // https address or local file path
  std::string title;
  std::string short_text;  // the badge's shortText
  std::string status = "Connecting…";
  std::vector<QxItem> items;  // at most 8
  std::optional<std::string> link;        // first link of the feed's drawer
  std::optional<std::string> accent_hex;  // "#rrggbb"
  std::optional<QxScore> score;           // a slot with a score has no current story
  std::optional<std::string> last_error;
  std::optional<std::string> pulse_event_id;
  std::optional<Instant> last_attempt;
  std::optional<Instant> last_success;
  std::optional<Instant> live_change;  // when a live game last changed
  std::size_t current = 0;
  std::uint32_t poll_seconds = 60;
  std::uint32_t failures = 0;  // consecutive failed loads
  bool title_fixed = false;    // from the user, a league or a preset: never replaced by the feed's
  friend bool operator==(const FeedSlot&, const FeedSlot&) = default;
};

struct AppState {
  std::vector<FeedSlot> feeds;  // 1..MAX_FEEDS once built
  std::string country = "ZZ";
  std::string lang = "en";  // every translate call passes it
  std::vector<Offer> catalogue = preset_offers();
  std::vector<Channel> channels;
  std::optional<std::string> available_update;
  std::optional<std::string> orb_image;  // the user's own orb picture, GIF or film
  std::optional<PlayingMedia> playing;
  std::optional<std::string> bar_image;
  LeftStyle left;
  std::optional<Instant> rotation_hold_until;  // before it, rotation steps stories only
  std::optional<Instant> hidden_until;         // "Hide for an hour"
  PictureMap pictures;
  std::size_t active = 0;          // always < feeds.size()
  std::uint64_t rotation_ticks = 0;  // zeroed whenever active changes
  std::uint64_t skin = 0;          // taken modulo 5 by its readers
  std::uint64_t monitor = 0;
  float orb_zoom = 1.0f;
  float shown_zoom = 1.0f;  // eased towards target_orb_zoom
  std::optional<QuietHours> quiet;
  std::optional<Fit> fit = Fit{};
  bool rotate = true;
  bool live_first = true;
  bool shown_in_quiet = false;
  bool quiet_now = false;
  bool hide_presenting = true;
  bool presenting = false;
  bool default_feeds = true;  // the starting default feeds, not the user's choice; never saved
  bool team_colours = true;
  bool reserve = true;
  bool expanded = false;
  bool shown = true;
  bool clips = true;
  bool auto_grow = true;
  OrbSize orb_size = OrbSize::Regular;
  Placement placement = Placement::SignalBarBottom;
  friend bool operator==(const AppState&, const AppState&) = default;
};

// The state before the settings and options are applied: one default slot for the first feed
// address (new_feed_slot without a title) and the given placement.
AppState initial_app_state(std::string_view first_feed_url, Placement placement = Placement::SignalBarBottom);

// A full copy of the state, owned by its taker and never written back.
using ViewSnapshot = AppState;

// The process-wide state: set once by main, never replaced or destroyed. Run work under its
// lock with APP_STATE.with(...), which skips the work while it is unset or poisoned.
extern Guarded<AppState>& APP_STATE;

// Copies the state under its lock; nothing while it is unset or poisoned.
std::optional<ViewSnapshot> view_snapshot();
std::optional<ViewSnapshot> view_snapshot(Guarded<AppState>& holder);

std::string_view orb_size_name(OrbSize size);
int orb_size_height(OrbSize size);  // 88, 72, 56, 44, 28
// The first of "XL", "L", "Regular", "M", "Tiny" equal to the text ignoring ASCII case.
std::optional<OrbSize> parse_orb_size(std::optional<std::string_view> text);
std::string_view placement_name(Placement placement);

}  // namespace qx
