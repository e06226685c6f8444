// What the current story shows and plays: its picture, its link, its media, the item that plays
// and what the orb shows. Everything runs with the state lock held by the caller (or on a snapshot).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/app_state.h"

namespace qx {

// The current story's picture: the media address for an image, else the media's poster.
std::optional<std::string> current_picture_url(const AppState& s);
// The cached file of that picture, when it has been fetched.
std::optional<std::string> current_picture_path(const AppState& s);
// The current story's playable media: an "https://" audio address, or a video or other address
// that is a media link. Pictures never play.
std::optional<std::string> current_media_url(const AppState& s);
// With a current story its address (else its media address); without one the feed's own link.
std::optional<std::string> current_link(const AppState& s);

// Starts playing a stream the user chose; always true.
bool play_stream(AppState& s, std::string_view url, std::string_view title);
// The play/pause button for the current story's media; false when it has none.
bool play_pause_current_media(AppState& s);

bool is_current_media_selected(const AppState& s);
bool is_video_showing(const AppState& s);  // selected, playing or paused, with video
bool is_video_running(const AppState& s);  // showing and not a silent clip

struct OrbMediaSource {
  std::string source;
  bool muted = false;
  bool silent = false;
  bool paused = false;
  friend bool operator==(const OrbMediaSource&, const OrbMediaSource&) = default;
};
// What the player should play: the playing item (unless it failed), else the user's orb film
// (muted and silent); nothing while the bar is inactive.
std::optional<OrbMediaSource> orb_media_source(const AppState& s, Instant now);

// The name (ASCII case ignored) ends in .mp4, .m4v, .mov, .wmv or .gif.
bool is_film_file(std::string_view name);
// The address before its first "?" or "#" ends (ASCII case ignored) in a media extension.
bool is_media_link(std::string_view url);

}  // namespace qx
