// Builds the popup menu's tree from a copy of the state. It only reads: every fixed text goes
// through the translation table before its placeholders are filled; names that come from data
// (feeds, teams, leagues, countries, languages, skins, sizes) are shown as they are.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "app/feed_service.h"
#include "menu/menu_model.h"
#include "world/world.h"

namespace qx {

// What the menu needs beyond the state, gathered without the state lock.
struct MenuContext {
  std::vector<LeagueTeams> teams;  // a copy of TEAMS_CACHE
  std::size_t monitor_count = 1;
  bool autostart_on = false;
  Instant now{};  // for the hide deadline and whether the bar is shown
};

inline constexpr std::size_t MENU_LABEL_MAX_CHARS = 56;
inline constexpr std::size_t MAX_LOCAL_OFFER_ENTRIES = 14;
inline constexpr std::size_t COUNTRY_GROUP_SIZE = 16;
inline constexpr std::size_t MAX_SCREEN_ENTRIES = 9;
inline constexpr std::array<std::uint16_t, 5> FIT_ZOOM_CHOICES{75, 100, 125, 150, 200};

struct SampleChannel {
  std::string_view title;
  std::string_view url;
};
// Offered first under "TV and video"; never saved with the user's channels.
inline constexpr SampleChannel SAMPLE_CHANNEL{
    "NASA: Artemis launch", "https://images-assets.nasa.gov/video/Artemis_I_Launch/Artemis_I_Launch~orig.mp4"};

// The skins by name, in index order.
inline constexpr std::array<std::string_view, 5> SKIN_NAMES{"Graphite", "Paper", "Midnight", "Pitch", "Claret"};

std::vector<MenuEntry> build_menu(const ViewSnapshot& view, const MenuContext& context);

// Follows (or, when followed already, toggles) a feed; checked when some followed feed has
// exactly this address. A name longer than MENU_LABEL_MAX_CHARS characters is shortened in the
// label only: the title keeps it whole.
MenuEntry team_menu_entry(const std::vector<FeedSlot>& feeds, std::string_view url, std::string_view name);
// The league's all-games feed, a separator, then its teams, or "Loading teams…" until they arrive.
MenuEntry league_submenu(const MenuContext& context, std::string_view lang, const std::vector<FeedSlot>& feeds,
                         std::string_view league_id, std::string_view league_title);
MenuEntry choice_menu_entry(const ViewSnapshot& view, const Language& language);

// The label shortened to MENU_LABEL_MAX_CHARS characters ("…" standing for the rest).
std::string short_menu_label(std::string_view name);
// The first character of a text as UTF-8, a blank for an empty text.
std::string first_char_or_space(std::string_view text);
// Byte-wise order of names (UTF-8 bytes compared as unsigned, a prefix first).
bool name_less(const Country& a, const Country& b);
bool name_less_or_equal(const Country& a, const Country& b);

}  // namespace qx
