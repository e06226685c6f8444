#include "app/start_state.h"

#include "app/feed_service.h"
#include "app/feed_slots.h"
#include "app/orb_zoom.h"
#include "app/state_media.h"

namespace qx {

namespace {

// "team", an unsigned number (a theme), or anything else as a picture path.
LeftStyle left_style_option(const std::string& value) {
  if (value == "team") return LeftStyle::team();
  if (const std::optional<std::uint64_t> theme = parse_option_u64(value)) return LeftStyle::theme_of(*theme % 5);
  return LeftStyle::picture_at(value);
}

}  // namespace

AppState build_start_state(const CommandLineOptions& options, const Settings& settings, Placement placement,
                           const WindowsLocaleNames& windows_locale, LocalFiles& files) {
  AppState s = initial_app_state(options.feed.value_or(std::string(DEFAULT_FEED_URL)), placement);
  apply_settings(s, settings, files);
  apply_start_locale(s, settings.country, settings.lang, windows_default_locale(windows_locale));
  apply_command_line(s, options, files);
  return s;
}

// Paths given here are taken as they are: a missing picture shows nothing, as a deleted one
// would, so the files are not consulted.
void apply_command_line(AppState& s, const CommandLineOptions& o, LocalFiles& /*files*/) {
  if (o.feed) add_or_select_feed(s, *o.feed, std::nullopt, SteadyClock::now());
  if (const std::optional<OrbSize> size = parse_orb_size(o.orb)) s.orb_size = *size;
  if (o.skin) s.skin = *o.skin % 5;
  if (o.orb_image) s.orb_image = *o.orb_image;
  if (o.expanded) s.expanded = true;
  apply_locale_options(s, o.country, o.lang);
  if (o.left) s.left = left_style_option(*o.left);
  if (o.bar_image) s.bar_image = *o.bar_image;
  if (o.fit == "fill" || o.fit == "whole") {
    Fit fit = s.fit.value_or(Fit{});
    fit.mode = *o.fit == "fill" ? FitMode::Fill : FitMode::ShowAll;
    s.fit = fit;
  }
  if (o.orb_zoom) {
    s.orb_zoom = *o.orb_zoom;
    scale_orb_zoom(s, 1.0f);
    s.shown_zoom = s.orb_zoom;
  }
  if (o.play) play_stream(s, *o.play, "Channel");
}

}  // namespace qx
