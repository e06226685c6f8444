// The settings file: one pretty JSON file per user under %APPDATA%\Zelvarons, read once at start
// and rewritten after every change the user makes.
//
// Reading is all or nothing: a file that cannot be read, is not UTF-8, is not JSON, or holds one
// value of a wrong type (a duplicate key, an unknown look or fit name, a number out of range)
// counts as no file at all, and every setting takes its default. Writing goes to settings.tmp,
// which is then renamed over settings.json, so the file is never left half written. A file that
// is there but counts as absent is first copied to settings.unreadable.json beside it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/app_state.h"
#include "app/file_ops.h"
#include "json_reader.h"
#include "local_file.h"

namespace qx {

// A followed feed or a saved channel as the file keeps it.
struct SavedFeed {
  std::string url;
  std::string title;
  friend bool operator==(const SavedFeed&, const SavedFeed&) = default;
};

// The file's root record. Every key may be absent (or null); the members are in the file's key
// order, which is also the element order of the array form.
struct Settings {
  std::optional<std::vector<SavedFeed>> feeds;
  std::optional<std::uint64_t> active;
  std::optional<bool> rotate;
  std::optional<bool> live_first;
  std::optional<QuietHours> quiet;  // as read: not yet checked against the day
  std::optional<bool> hide_presenting;
  std::optional<std::string> feed_url;  // older single-feed key; read, never written
  std::optional<std::uint64_t> skin;
  std::optional<std::string> orb;
  std::optional<std::string> mode;  // placement name, for placement_from_options
  std::optional<std::string> orb_image;
  std::optional<bool> reserve;
  std::optional<std::string> title;  // title of the feed_url slot; read, never written
  std::optional<std::uint64_t> monitor;
  std::optional<bool> team_colors;
  std::optional<std::string> country;  // offered to the locale choice
  std::optional<std::string> lang;
  std::optional<float> orb_zoom;
  std::optional<bool> auto_grow;
  std::optional<bool> clips;
  std::optional<Fit> fit;
  std::optional<LeftStyle> left;
  std::optional<std::string> bar_image;
  std::optional<std::vector<SavedFeed>> channels;
  friend bool operator==(const Settings&, const Settings&) = default;
};

// JSON forms. SavedFeed: {"url", "title"} or a 2-element array, both keys defaulting to "".
// Fit: {"mode", "zoom", "x", "y"} or a 4-element array, defaults smart, 100, 50, 33. FitMode:
// "smart", "fill", "whole", or a one-key object naming one ({"fill": null}). LeftStyle: "same",
// "team", {"theme": n} or {"picture": path}. QuietHours: [start, end] in minutes (16 bits each).
const JsonRecord<SavedFeed>& json_record(JsonTag<SavedFeed>);
const JsonRecord<Fit>& json_record(JsonTag<Fit>);
const JsonRecord<Settings>& json_record(JsonTag<Settings>);
void read_json_value(JsonCursor& c, FitMode& v);
void write_json_value(nlohmann::ordered_json& out, FitMode v);
void read_json_value(JsonCursor& c, LeftStyle& v);
void write_json_value(nlohmann::ordered_json& out, const LeftStyle& v);
void read_json_value(JsonCursor& c, QuietHours& v);
void write_json_value(nlohmann::ordered_json& out, const QuietHours& v);

// appdata\Zelvarons\settings.json, and the older appdata\Zelvaron\settings.json that is only
// ever read. No path when the folder is unset or empty.
std::optional<std::string> settings_path_in(const std::optional<std::string>& appdata);
std::optional<std::string> older_settings_path_in(const std::optional<std::string>& appdata);
// From the environment variable "APPDATA".
std::optional<std::string> settings_path();

// The text as the settings record (a leading UTF-8 byte order mark is skipped).
JsonResult<Settings> parse_settings(std::string_view text);

// The settings file, else the older one when the file is missing or unreadable (but not when it
// is there and invalid); all absent when neither gives valid settings.
Settings read_settings(LocalFiles& files, const std::optional<std::string>& appdata);
Settings read_settings();  // the disk and "APPDATA"

// Applies the file's values to a state that holds its start values, with every default and
// limit: saved feeds and channels (https only, at most 8), the active index, the flags, quiet
// hours, skin, orb size, pictures that still exist, fit, left look and orb zoom (last, after the
// orb size). "country", "lang" and "mode" are left to the locale choice and the placement.
// At start: read_settings (skipped for "--render" and "--self-test"), placement_from_options with
// the file's "mode", initial_app_state, apply_settings, apply_start_locale with the file's
// "country" and "lang", then the command-line overrides.
void apply_settings(AppState& s, const Settings& settings, LocalFiles& files);

// What save_settings writes: the record built from the state, and its exact text.
Settings settings_from_state(const AppState& s);
std::string settings_text(const AppState& s);

// Writes the file from the state (called with the state lock held). Nothing is written without
// a path; every failure leaves the old file and is not reported. When the file there cannot be
// read as settings, its bytes go to settings.unreadable.json first (replacing an older copy), and
// it is replaced only once they are kept.
void save_settings(const AppState& s, FileOps& files, const std::optional<std::string>& appdata);
void save_settings(const AppState& s);  // the disk and "APPDATA"

}  // namespace qx
