#include "menu/menu_runner.h"

#include <algorithm>

#include "app/bar_activity.h"
#include "app/state_media.h"
#include "menu/menu_builder.h"
#include "menu/popup_menu.h"
#include "unicode_text.h"

namespace qx {

std::string copied_stream_host(std::string_view text) {
  constexpr std::string_view scheme = "https://";
  if (!text.starts_with(scheme)) return {};
  std::string_view host = text.substr(scheme.size());
  host = host.substr(0, host.find_first_of("/?:"));
  while (host.starts_with("www.")) host.remove_prefix(4);
  return std::string(host);
}

std::optional<std::string> copied_stream_title(std::string_view text) {
  std::string host = copied_stream_host(text);
  if (host.find('.') == std::string::npos || text.size() > COPIED_STREAM_MAX_BYTES ||
      contains_unicode_whitespace(text) || !is_media_link(text)) {
    return std::nullopt;
  }
  return host;
}

void remember_channel(std::vector<Channel>& channels, Channel channel) {
  if (channel.url == SAMPLE_CHANNEL.url) return;
  if (std::any_of(channels.begin(), channels.end(), [&](const Channel& c) { return c.url == channel.url; })) return;
  while (channels.size() >= SAVED_CHANNELS_MAX) channels.erase(channels.begin());
  channels.push_back(std::move(channel));
}

std::string film_title(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return sanitize_utf8(name);
}

void resync_window(WindowHandle window, MenuHost& host, Guarded<AppState>& state) {
  const std::uint16_t minute = host.local_minutes_of_day();
  const Instant now = host.now();
  state.with([&](AppState& s) {
    update_quiet_state(s, minute, now);
    host.save_settings(s);
  });
  host.start_orb_animation(window);
  host.sync_playback(window);
  host.place_window(window);
  host.prefetch_pictures(window);
}

namespace {

using K = MenuEffect::Kind;

FileChoice file_choice_for(K kind) {
  switch (kind) {
    case K::ChooseOrbSource:
      return FileChoice::OrbSource;
    case K::ChooseFilm:
      return FileChoice::Film;
    default:
      return FileChoice::Picture;
  }
}

// Stores the chosen file; a cancelled dialog changes and saves nothing.
void choose_file(K kind, WindowHandle window, MenuHost& host, Guarded<AppState>& state) {
  const std::optional<std::string> path = host.open_file_dialog(window, file_choice_for(kind));
  if (!path) return;
  state.with([&](AppState& s) {
    switch (kind) {
      case K::ChooseOrbSource:
        s.orb_image = *path;
        s.fit = Fit{};  // best fit, 100, (50, 33) for a new picture
        break;
      case K::ChooseLeftPicture:
        s.left = LeftStyle::picture_at(*path);
        break;
      case K::ChooseBarPicture:
        s.bar_image = *path;
        break;
      default:
        play_stream(s, *path, film_title(*path));
        break;
    }
  });
  resync_window(window, host, state);
}

void play_copied_stream(WindowHandle window, MenuHost& host, Guarded<AppState>& state) {
  const std::string text = host.clipboard_text(window).value_or(std::string());
  if (const std::optional<std::string> title = copied_stream_title(text)) {
    state.with([&](AppState& s) {
      play_stream(s, text, *title);
      remember_channel(s.channels, Channel{*title, text});
    });
  } else {
    host.start_stream_hint();
  }
  resync_window(window, host, state);  // also saves a new channel
}

}  // namespace

void carry_out_menu_effect(const MenuEffect& effect, WindowHandle window, MenuHost& host, Guarded<AppState>& state) {
  switch (effect.kind) {
    case K::Changed:
      resync_window(window, host, state);
      break;
    case K::Refresh:
      host.spawn_refresh_now(window);
      resync_window(window, host, state);
      break;
    case K::OpenLink:
      host.open_https_link(effect.link);
      break;
    case K::OpenTryFeedsPage:
      host.open_https_link(TRY_FEEDS_PAGE);
      break;
    case K::ChooseOrbSource:
    case K::ChooseLeftPicture:
    case K::ChooseBarPicture:
    case K::ChooseFilm:
      choose_file(effect.kind, window, host, state);
      break;
    case K::PlayCopiedStream:
      play_copied_stream(window, host, state);
      break;
    case K::LocaleChanged:
      host.spawn_catalog_fetch();
      host.spawn_teams_fetch();
      host.spawn_refresh_now(window);
      resync_window(window, host, state);
      break;
    case K::FollowCopiedLink:
      // The worker saves when it succeeds.
      host.start_add_feed(host.clipboard_text(window).value_or(std::string()), window);
      break;
    case K::SetAutostart:
      host.set_autostart(effect.autostart);
      break;
    case K::InstallUpdate:
      host.start_self_update(window);
      break;
    case K::Quit:
      state.with([&](AppState& s) { host.save_settings(s); });
      host.destroy_window(window);
      break;
  }
}

void run_context_menu(WindowHandle window, MenuHost& host, Guarded<AppState>& state) {
  const std::optional<ViewSnapshot> view = view_snapshot(state);
  if (!view) return;
  MenuContext context;
  context.monitor_count = host.monitor_count();
  context.autostart_on = host.autostart_on();
  context.teams = host.teams();
  context.now = host.now();

  std::vector<MenuAction> actions;
  std::uint32_t id = 0;
  {
    const std::vector<MenuEntry> entries = build_menu(*view, context);
    id = host.track_menu(window, entries, actions);
  }
  const std::optional<MenuAction> action = action_for_id(actions, id);
  if (!action) return;

  // The app bar goes before the new screen is stored; the re-sync registers it there.
  if (action->is<MenuAction::SetMonitor>()) host.remove_app_bar(window);

  const Instant now = host.now();
  const std::optional<MenuEffect> effect =
      state.with([&](AppState& s) { return apply_menu_action(s, *action, context.autostart_on, now); });
  if (!effect) return;
  carry_out_menu_effect(*effect, window, host, state);
}

}  // namespace qx
