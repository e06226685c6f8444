// Shows the popup menu and makes the chosen command happen: the tree is built from a copy of the
// state, shown with no lock held, the chosen action applied under the state lock, and its effect
// carried out after the lock is released. Everything the runner needs of Windows, the window and
// the workers goes through a MenuHost, so tests drive it with a fake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_messages.h"
#include "app/app_state.h"
#include "app/feed_service.h"
#include "app/guarded.h"
#include "menu/menu_action.h"
#include "menu/menu_actions.h"
#include "menu/menu_model.h"

namespace qx {

inline constexpr std::string_view STREAM_HINT_TEXT =
    "Copy the https address of a stream or clip (it ends in .m3u8, .mp4 or .mp3), then choose this again.";
inline constexpr std::string_view STREAM_HINT_CAPTION = "Zelvarons";
inline constexpr std::size_t SAVED_CHANNELS_MAX = 8;
inline constexpr std::size_t COPIED_STREAM_MAX_BYTES = 2047;
inline constexpr std::string_view TRY_FEEDS_PAGE = "https://zelvarons.app/try/";

// Which open-file dialog: "Pictures and films" for the orb, "Pictures" for the left side and the
// bar, "Films and sound" for a film to play.
enum class FileChoice : std::uint8_t { OrbSource, Picture, Film };

class MenuHost {
 public:
  virtual ~MenuHost() = default;
  virtual Instant now() = 0;

  // What the menu shows beyond the state.
  virtual std::size_t monitor_count() = 0;
  virtual bool autostart_on() = 0;
  virtual std::vector<LeagueTeams> teams() = 0;  // a copy of TEAMS_CACHE

  // Builds the platform menu from the entries (filling `actions` as append_menu_entries does),
  // tracks it at the cursor until it closes, and destroys it. The chosen id, 0 for none.
  virtual std::uint32_t track_menu(WindowHandle window, const std::vector<MenuEntry>& entries,
                                   std::vector<MenuAction>& actions) = 0;

  // Shell services; none reports a failure.
  virtual std::optional<std::string> open_file_dialog(WindowHandle window, FileChoice choice) = 0;
  virtual std::optional<std::string> clipboard_text(WindowHandle window) = 0;
  virtual void open_https_link(std::string_view address) = 0;
  virtual void set_autostart(bool on) = 0;
  virtual std::uint16_t local_minutes_of_day() = 0;

  // Writes the settings file; called with the state lock held.
  virtual void save_settings(const AppState& s) = 0;

  // The window.
  virtual void remove_app_bar(WindowHandle window) = 0;
  virtual void start_orb_animation(WindowHandle window) = 0;
  virtual void sync_playback(WindowHandle window) = 0;
  virtual void place_window(WindowHandle window) = 0;
  virtual void prefetch_pictures(WindowHandle window) = 0;
  virtual void destroy_window(WindowHandle window) = 0;

  // Workers, each on a detached thread of its own.
  virtual void spawn_refresh_now(WindowHandle window) = 0;
  virtual void spawn_catalog_fetch() = 0;
  virtual void spawn_teams_fetch() = 0;
  virtual void start_add_feed(std::string copied_text, WindowHandle window) = 0;
  virtual void start_self_update(WindowHandle window) = 0;
  virtual void start_stream_hint() = 0;  // the hint box, so the window keeps running
};

// The whole road of one menu: nothing without a state; nothing when no command is chosen.
void run_context_menu(WindowHandle window, MenuHost& host, Guarded<AppState>& state);

// The effect of an applied command, with no state lock held.
void carry_out_menu_effect(const MenuEffect& effect, WindowHandle window, MenuHost& host, Guarded<AppState>& state);

// After every change: under the lock the quiet state is brought up to date and the settings
// saved; then orb animation, playback, placement and picture prefetch, in this order.
void resync_window(WindowHandle window, MenuHost& host, Guarded<AppState>& state);

// The host of a copied address: after "https://", up to the first "/", "?" or ":", with every
// leading "www." removed. Empty for any other text.
std::string copied_stream_host(std::string_view text);

// The title to play copied text under, when it is a playable https media link: its host holds
// a ".", the text is at most COPIED_STREAM_MAX_BYTES bytes, has no white space and is a media link.
std::optional<std::string> copied_stream_title(std::string_view text);

// Remembers a channel the user played: nothing for the sample channel or one saved already;
// otherwise appended, the oldest dropped when SAVED_CHANNELS_MAX are saved.
void remember_channel(std::vector<Channel>& channels, Channel channel);

// A film's title: the file name without its last extension; a name without a dot, or whose
// only dot leads it, is taken whole. Either separator ends a folder.
std::string film_title(std::string_view path);

// The program's own: APP_STATE, the platform menu and the program's services (Windows only).
void run_context_menu(WindowHandle window);
// Body of the stream hint's thread: the hint box, until it is closed (Windows only).
void stream_hint_thread();

}  // namespace qx
