#include "app/settings.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <limits>

#include "app/feed_slots.h"
#include "app/orb_zoom.h"
#include "unicode_text.h"

namespace qx {

namespace {

constexpr std::string_view SETTINGS_FOLDER = "Zelvarons";
constexpr std::string_view OLDER_SETTINGS_FOLDER = "Zelvaron";
constexpr std::string_view SETTINGS_FILE = "settings.json";
constexpr std::string_view UNREADABLE_SETTINGS_FILE = "settings.unreadable.json";
constexpr std::size_t MAX_CHANNELS = 8;

constexpr std::array<std::string_view, 3> FIT_MODE_NAMES{"smart", "fill", "whole"};

bool is_https(std::string_view url) { return url.starts_with("https://"); }

std::optional<std::string> title_or_none(std::string_view title) {
  if (title.empty()) return std::nullopt;
  return std::string(title);
}

std::string unknown_variant(std::string_view name, std::string_view expected) {
  return "unknown variant `" + std::string(name) + "`, expected " + std::string(expected);
}

// After the variant's value of a one-key object: the object must end there.
void end_single_key_object(JsonCursor& c) {
  if (c.next_key()) c.fail("invalid type: map, expected map with a single key");
}

void read_unit_variant_value(JsonCursor& c) {
  if (!c.read_null_if_present()) c.fail_invalid_type("unit variant");
}

// A JSON number as a 32-bit float; past the float's range it is infinite, as the float
// conversion of any other reader would give (and then counts as not finite).
float to_f32(double d) {
  if (std::isnan(d)) return std::numeric_limits<float>::quiet_NaN();
  if (std::fabs(d) > static_cast<double>(FLT_MAX)) return d < 0 ? -HUGE_VALF : HUGE_VALF;
  return static_cast<float>(d);
}

void read_orb_zoom(JsonCursor& c, Settings& s) {
  if (c.read_null_if_present()) {
    s.orb_zoom.reset();
    return;
  }
  s.orb_zoom = to_f32(c.read_number("f32"));
}

void write_orb_zoom(nlohmann::ordered_json& object, std::string_view key, const Settings& s, bool) {
  nlohmann::ordered_json& v = object[std::string(key)];
  if (s.orb_zoom) {
    write_json_value(v, *s.orb_zoom);  // shortest text that reads back as the same float; null when not finite
  } else {
    v = nullptr;
  }
}

std::optional<std::string> read_text_file(LocalFiles& files, const std::optional<std::string>& path) {
  if (!path) return std::nullopt;
  Result<std::string, std::string> bytes = files.read_whole(*path);
  if (!bytes || !is_valid_utf8(*bytes)) return std::nullopt;
  return std::move(bytes).value();
}

// Beside the settings file, where the bytes of a file that could not be read are kept.
std::string unreadable_settings_path(std::string_view settings_file) {
  return join_path(parent_folder(settings_file), UNREADABLE_SETTINGS_FILE);
}

// The settings the bytes hold; none when they are not UTF-8 or not valid settings.
std::optional<Settings> read_settings_text(std::string_view bytes) {
  if (!is_valid_utf8(bytes)) return std::nullopt;
  JsonResult<Settings> parsed = parse_settings(bytes);
  if (!parsed) return std::nullopt;
  return std::move(parsed).value();
}

std::vector<SavedFeed> saved_feeds_of(const std::vector<FeedSlot>& slots) {
  std::vector<SavedFeed> out;
  out.reserve(slots.size());
  for (const FeedSlot& slot : slots) out.push_back({slot.url, slot.title});
  return out;
}

std::optional<std::string> existing_path(LocalFiles& files, const std::optional<std::string>& path) {
  if (path && files.path_kind(*path) != PathKind::None) return path;
  return std::nullopt;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// JSON forms.

const JsonRecord<SavedFeed>& json_record(JsonTag<SavedFeed>) {
  static const JsonRecord<SavedFeed> r{"SavedFeed", {
      json_field<&SavedFeed::url>("url", JSON_DEFAULT),
      json_field<&SavedFeed::title>("title", JSON_DEFAULT),
  }};
  return r;
}

const JsonRecord<Fit>& json_record(JsonTag<Fit>) {
  static const JsonRecord<Fit> r{"Fit", {
      json_field<&Fit::mode>("mode", JSON_DEFAULT),
      json_field<&Fit::zoom>("zoom", JSON_DEFAULT),
      json_field<&Fit::x>("x", JSON_DEFAULT),
      json_field<&Fit::y>("y", JSON_DEFAULT),
  }};
  return r;
}

const JsonRecord<Settings>& json_record(JsonTag<Settings>) {
  static const JsonRecord<Settings> r{"Settings", {
      json_field<&Settings::feeds>("feeds"),
      json_field<&Settings::active>("active"),
      json_field<&Settings::rotate>("rotate"),
      json_field<&Settings::live_first>("liveFirst"),
      json_field<&Settings::quiet>("quiet"),
      json_field<&Settings::hide_presenting>("hidePresenting"),
      {"feedUrl", JsonPresence::Optional, json_field<&Settings::feed_url>("feedUrl").read, nullptr},
      json_field<&Settings::skin>("skin"),
      json_field<&Settings::orb>("orb"),
      json_field<&Settings::mode>("mode"),
      json_field<&Settings::orb_image>("orbImage"),
      json_field<&Settings::reserve>("reserve"),
      {"title", JsonPresence::Optional, json_field<&Settings::title>("title").read, nullptr},
      json_field<&Settings::monitor>("monitor"),
      json_field<&Settings::team_colors>("teamColors"),
      json_field<&Settings::country>("country"),
      json_field<&Settings::lang>("lang"),
      {"orbZoom", JsonPresence::Optional, &read_orb_zoom, &write_orb_zoom},
      json_field<&Settings::auto_grow>("autoGrow"),
      json_field<&Settings::clips>("clips"),
      json_field<&Settings::fit>("fit"),
      json_field<&Settings::left>("left"),
      json_field<&Settings::bar_image>("barImage"),
      json_field<&Settings::channels>("channels"),
  }};
  return r;
}

void read_json_value(JsonCursor& c, FitMode& v) {
  constexpr std::string_view expected = "one of `smart`, `fill`, `whole`";
  std::string name;
  const bool in_object = c.peek() == JsonToken::Object;
  if (in_object) {
    c.begin_object("enum FitMode");
    std::optional<std::string> key = c.next_key();
    if (!key) c.fail("invalid type: empty map, expected enum FitMode");
    name = std::move(*key);
  } else {
    name = c.read_string("enum FitMode");
  }
  const auto* found = std::find(FIT_MODE_NAMES.begin(), FIT_MODE_NAMES.end(), name);
  if (found == FIT_MODE_NAMES.end()) c.fail(unknown_variant(name, expected));
  v = static_cast<FitMode>(found - FIT_MODE_NAMES.begin());
  if (in_object) {
    read_unit_variant_value(c);
    end_single_key_object(c);
  }
}

void write_json_value(nlohmann::ordered_json& out, FitMode v) {
  const auto i = static_cast<std::size_t>(v);
  out = std::string(FIT_MODE_NAMES[i < FIT_MODE_NAMES.size() ? i : 0]);
}

void read_json_value(JsonCursor& c, LeftStyle& v) {
  constexpr std::string_view expected = "one of `same`, `team`, `theme`, `picture`";
  if (c.peek() != JsonToken::Object) {
    const std::string name = c.read_string("enum LeftStyle");
    if (name == "same") {
      v = LeftStyle::same();
    } else if (name == "team") {
      v = LeftStyle::team();
    } else if (name == "theme" || name == "picture") {
      c.fail("invalid type: unit variant, expected newtype variant");
    } else {
      c.fail(unknown_variant(name, expected));
    }
    return;
  }
  c.begin_object("enum LeftStyle");
  const std::optional<std::string> key = c.next_key();
  if (!key) c.fail("invalid type: empty map, expected enum LeftStyle");
  if (*key == "same" || *key == "team") {
    read_unit_variant_value(c);
    v = *key == "same" ? LeftStyle::same() : LeftStyle::team();
  } else if (*key == "theme") {
    v = LeftStyle::theme_of(c.read_unsigned(std::numeric_limits<std::uint64_t>::max(), "u64"));
  } else if (*key == "picture") {
    v = LeftStyle::picture_at(c.read_string());
  } else {
    c.fail(unknown_variant(*key, expected));
  }
  end_single_key_object(c);
}

void write_json_value(nlohmann::ordered_json& out, const LeftStyle& v) {
  switch (v.kind) {
    case LeftStyle::Kind::Team: out = "team"; return;
    case LeftStyle::Kind::Theme: out = nlohmann::ordered_json::object({{"theme", v.theme}}); return;
    case LeftStyle::Kind::Picture: out = nlohmann::ordered_json::object({{"picture", v.picture}}); return;
    case LeftStyle::Kind::Same: break;
  }
  out = "same";
}

void read_json_value(JsonCursor& c, QuietHours& v) {
  constexpr std::string_view expected = "a tuple of size 2";
  c.begin_array(expected);
  std::uint16_t* parts[2] = {&v.start, &v.end};
  std::size_t n = 0;
  while (c.next_element()) {
    if (n == 2) c.fail("invalid length 3, expected " + std::string(expected));
    read_json_value(c, *parts[n]);
    ++n;
  }
  if (n != 2) c.fail("invalid length " + std::to_string(n) + ", expected " + std::string(expected));
}

void write_json_value(nlohmann::ordered_json& out, const QuietHours& v) {
  out = nlohmann::ordered_json::array({v.start, v.end});
}

// ---------------------------------------------------------------------------------------------
// Place.

std::optional<std::string> settings_path_in(const std::optional<std::string>& appdata) {
  if (!appdata || appdata->empty()) return std::nullopt;
  return join_path(join_path(*appdata, SETTINGS_FOLDER), SETTINGS_FILE);
}

std::optional<std::string> older_settings_path_in(const std::optional<std::string>& appdata) {
  if (!appdata || appdata->empty()) return std::nullopt;
  return join_path(join_path(*appdata, OLDER_SETTINGS_FOLDER), SETTINGS_FILE);
}

std::optional<std::string> settings_path() { return settings_path_in(environment_variable("APPDATA")); }

// ---------------------------------------------------------------------------------------------
// Reading.

JsonResult<Settings> parse_settings(std::string_view text) {
  // Some editors put a byte order mark in front of UTF-8; the file is no less valid for it.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return read_json_record<Settings>(text);
}

Settings read_settings(LocalFiles& files, const std::optional<std::string>& appdata) {
  std::optional<std::string> text = read_text_file(files, settings_path_in(appdata));
  if (!text) text = read_text_file(files, older_settings_path_in(appdata));
  if (!text) return {};
  return read_settings_text(*text).value_or(Settings{});
}

Settings read_settings() { return read_settings(platform_local_files(), environment_variable("APPDATA")); }

void apply_settings(AppState& s, const Settings& f, LocalFiles& files) {
  // 1. Slots: the first 8 saved https entries, else the older single feed. "active" counts
  // those entries as the file has them; an address written twice by hand becomes one slot, and
  // the active one stays the feed the saved entry named.
  std::vector<const SavedFeed*> entries;
  if (f.feeds) {
    for (const SavedFeed& saved : *f.feeds) {
      if (entries.size() >= MAX_FEEDS) break;
      if (is_https(saved.url)) entries.push_back(&saved);
    }
  }
  std::vector<FeedSlot> slots;
  std::size_t active = 0;
  if (!entries.empty()) {
    const std::size_t chosen = static_cast<std::size_t>(std::min<std::uint64_t>(f.active.value_or(0), entries.size() - 1));
    for (const SavedFeed* saved : entries) append_feed_slot(slots, saved->url, title_or_none(saved->title));
    const auto at = std::find_if(slots.begin(), slots.end(),
                                 [&](const FeedSlot& slot) { return slot.url == entries[chosen]->url; });
    active = static_cast<std::size_t>(at - slots.begin());
  } else if (f.feed_url && is_https(*f.feed_url)) {
    append_feed_slot(slots, *f.feed_url, title_or_none(f.title.value_or("")));
  }
  if (!slots.empty()) {
    s.feeds = std::move(slots);
    s.default_feeds = false;
    s.active = active;
    s.rotation_ticks = 0;
  }

  // 2. Everything else, orb zoom last, once the orb size is known.
  s.rotate = f.rotate.value_or(true);
  s.live_first = f.live_first.value_or(true);
  s.quiet.reset();
  if (f.quiet && f.quiet->start < 1440 && f.quiet->end < 1440 && f.quiet->start != f.quiet->end) s.quiet = f.quiet;
  s.hide_presenting = f.hide_presenting.value_or(true);
  s.skin = f.skin.value_or(0) % 5;
  if (const std::optional<OrbSize> size = parse_orb_size(f.orb)) s.orb_size = *size;
  s.orb_image = existing_path(files, f.orb_image);
  s.reserve = f.reserve.value_or(true);
  s.monitor = f.monitor.value_or(0);
  s.team_colours = f.team_colors.value_or(true);
  s.auto_grow = f.auto_grow.value_or(true);
  s.clips = f.clips.value_or(true);

  Fit fit = f.fit.value_or(Fit{});
  fit.zoom = std::clamp<std::uint16_t>(fit.zoom, 50, 300);
  fit.x = std::min<std::uint8_t>(fit.x, 100);
  fit.y = std::min<std::uint8_t>(fit.y, 100);
  s.fit = fit;

  s.left = f.left.value_or(LeftStyle::same());
  if (s.left.kind == LeftStyle::Kind::Theme) s.left.theme %= 5;
  if (s.left.kind == LeftStyle::Kind::Picture && files.path_kind(s.left.picture) == PathKind::None) {
    s.left = LeftStyle::same();
  }
  s.bar_image = existing_path(files, f.bar_image);

  s.channels.clear();
  if (f.channels) {
    for (const SavedFeed& saved : *f.channels) {
      if (s.channels.size() >= MAX_CHANNELS) break;
      if (is_https(saved.url)) s.channels.push_back({saved.title, saved.url});
    }
  }

  s.orb_zoom = (f.orb_zoom && std::isfinite(*f.orb_zoom)) ? *f.orb_zoom : 1.0f;
  scale_orb_zoom(s, 1.0f);
  s.shown_zoom = s.orb_zoom;
}

// ---------------------------------------------------------------------------------------------
// Writing.

Settings settings_from_state(const AppState& s) {
  Settings f;
  f.feeds = s.default_feeds ? std::vector<SavedFeed>{} : saved_feeds_of(s.feeds);
  f.active = s.active;
  f.rotate = s.rotate;
  f.live_first = s.live_first;
  f.quiet = s.quiet;
  f.hide_presenting = s.hide_presenting;
  f.skin = s.skin;
  f.orb = std::string(orb_size_name(s.orb_size));
  f.mode = std::string(placement_name(s.placement));
  f.orb_image = s.orb_image;
  f.reserve = s.reserve;
  f.monitor = s.monitor;
  f.team_colors = s.team_colours;
  f.country = s.country;
  f.lang = s.lang;
  f.orb_zoom = s.orb_zoom;
  f.auto_grow = s.auto_grow;
  f.clips = s.clips;
  f.fit = s.fit;
  f.left = s.left;
  f.bar_image = s.bar_image;
  std::vector<SavedFeed> channels;
  for (const Channel& channel : s.channels) channels.push_back({channel.url, channel.title});
  f.channels = std::move(channels);
  return f;
}

std::string settings_text(const AppState& s) {
  return dump_json(json_record_to_json(settings_from_state(s), /*null_if_absent=*/true), JsonStyle::Pretty);
}

void save_settings(const AppState& s, FileOps& files, const std::optional<std::string>& appdata) {
  // Runs under the state lock: nothing may escape, and nothing is reported.
  try {
    const std::optional<std::string> path = settings_path_in(appdata);
    if (!path) return;
    files.create_folders(parent_folder(*path));
    // A file that is there but was not taken (a hand edit gone wrong) holds the user's feeds and
    // choices: its bytes are kept beside it before they are replaced, or nothing is replaced.
    if (Result<std::string, std::string> old = files.read_whole(*path); old && !read_settings_text(*old)) {
      if (!write_file_replacing(files, unreadable_settings_path(*path), *old)) return;
    }
    write_file_replacing(files, *path, settings_text(s));
  } catch (...) {
  }
}

void save_settings(const AppState& s) { save_settings(s, platform_file_ops(), environment_variable("APPDATA")); }

}  // namespace qx
