#include "app/state_media.h"

#include <array>

#include "app/bar_activity.h"
#include "app/feed_slots.h"
#include "app/state_texts.h"
#include "unicode_text.h"

namespace qx {

namespace {

constexpr std::array<std::string_view, 5> FILM_EXTENSIONS{".mp4", ".m4v", ".mov", ".wmv", ".gif"};
constexpr std::array<std::string_view, 10> MEDIA_EXTENSIONS{".mp4", ".m4v", ".mov", ".m3u8", ".mp3",
                                                            ".m4a", ".aac", ".wav", ".wma", ".wmv"};

template <std::size_t N>
bool ends_with_any(std::string_view text, const std::array<std::string_view, N>& endings) {
  const std::string lower = ascii_lower(text);
  for (std::string_view e : endings) {
    if (std::string_view(lower).ends_with(e)) return true;
  }
  return false;
}

const QxMedia* current_media(const AppState& s) {
  const QxItem* story = current_story(s);
  return story && story->media ? &*story->media : nullptr;
}

}  // namespace

std::optional<std::string> current_picture_url(const AppState& s) {
  const QxMedia* media = current_media(s);
  if (!media) return std::nullopt;
  if (media->kind == "image") return media->url;
  return media->poster;
}

std::optional<std::string> current_picture_path(const AppState& s) {
  const std::optional<std::string> url = current_picture_url(s);
  if (!url) return std::nullopt;
  const auto it = s.pictures.find(*url);
  if (it == s.pictures.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> current_media_url(const AppState& s) {
  const QxMedia* media = current_media(s);
  if (!media || media->kind == "image" || !media->url.starts_with("https://")) return std::nullopt;
  if (media->kind == "audio" || is_media_link(media->url)) return media->url;
  return std::nullopt;
}

std::optional<std::string> current_link(const AppState& s) {
  if (const QxItem* story = current_story(s)) {
    if (story->url) return story->url;
    if (story->media) return story->media->url;
    return std::nullopt;
  }
  if (s.active >= s.feeds.size()) return std::nullopt;
  return s.feeds[s.active].link;
}

bool play_stream(AppState& s, std::string_view url, std::string_view title) {
  PlayingMedia p;
  p.url = std::string(url);
  p.title = std::string(title);
  p.is_stream = true;
  p.status = PlayerStatus::Opening;
  s.playing = std::move(p);
  return true;
}

bool play_pause_current_media(AppState& s) {
  const std::optional<std::string> url = current_media_url(s);
  if (!url) return false;
  if (s.playing && s.playing->url == *url) {
    PlayingMedia& p = *s.playing;
    if (p.silent) {
      // The clip goes on, now as the user's own audible playback.
      p.silent = false;
      p.muted = false;
      return true;
    }
    if (p.status != PlayerStatus::Failed) {
      p.paused = !p.paused;
      if (p.status == PlayerStatus::Ended) p.paused = false;
      return true;
    }
  }
  PlayingMedia p;
  p.url = *url;
  p.title = caption_text(s);
  p.status = PlayerStatus::Opening;
  s.playing = std::move(p);
  return true;
}

bool is_current_media_selected(const AppState& s) {
  if (!s.playing) return false;
  if (s.playing->is_stream) return true;
  const std::optional<std::string> url = current_media_url(s);
  return url && *url == s.playing->url;
}

bool is_video_showing(const AppState& s) {
  return is_current_media_selected(s) &&
         (s.playing->status == PlayerStatus::Playing || s.playing->status == PlayerStatus::Paused) &&
         s.playing->has_video;
}

bool is_video_running(const AppState& s) { return is_video_showing(s) && !s.playing->silent; }

std::optional<OrbMediaSource> orb_media_source(const AppState& s, Instant now) {
  if (!is_bar_active(s, now)) return std::nullopt;
  if (s.playing && s.playing->status != PlayerStatus::Failed) {
    return OrbMediaSource{s.playing->url, s.playing->muted, s.playing->silent, s.playing->paused};
  }
  if (s.orb_image && is_film_file(*s.orb_image)) return OrbMediaSource{*s.orb_image, true, true, false};
  return std::nullopt;
}

bool is_film_file(std::string_view name) { return ends_with_any(name, FILM_EXTENSIONS); }

bool is_media_link(std::string_view url) {
  return ends_with_any(url.substr(0, url.find_first_of("?#")), MEDIA_EXTENSIONS);
}

}  // namespace qx
