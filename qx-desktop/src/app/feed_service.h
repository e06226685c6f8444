// The program's own feed service: its addresses, the default feed, the built-in preset feeds,
// the records of its replies (team lists, feed catalogue) and the process-wide team cache.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/guarded.h"
#include "result.h"

namespace qx {

// Every service address is this base followed by a path; codes and ids go in as they are,
// without percent-encoding.
inline constexpr std::string_view FEED_SERVICE_BASE = "https://feeds.zelvarons.app/v1";
inline constexpr std::string_view DEFAULT_FEED_URL = "https://feeds.zelvarons.app/v1/feeds/nfl-featured";

struct FeedPreset {
  std::string_view name;
  std::string_view url;
  std::string_view topic;  // a topic id of the world table
};

// Public feeds offered until the service's catalogue arrives, in menu order.
inline constexpr std::array<FeedPreset, 5> FEED_PRESETS{{
    {"BBC Sport", "https://feeds.bbci.co.uk/sport/rss.xml", "sport"},
    {"BBC Football", "https://feeds.bbci.co.uk/sport/football/rss.xml", "football"},
    {"ESPNcricinfo", "https://www.espncricinfo.com/rss/content/story/feeds/0.xml", "cricket"},
    {"BBC World News", "https://feeds.bbci.co.uk/news/world/rss.xml", "news"},
    {"NASA image of the day", "https://www.nasa.gov/feeds/iotd-feed/", "culture"},
}};

// The featured feed of a league: base + "/feeds/" + id + "-featured".
std::string featured_feed_url(std::string_view league_id);
// The league id of a featured-feed address, or nothing for any other address.
std::optional<std::string> featured_feed_league(std::string_view url);
// A team's feed as the menu offers it: base + "/feeds/" + team id.
std::string team_feed_url(std::string_view team_id);
// A team's feed named by "--team-id": base + "/feeds/team-" + team id.
std::string team_id_feed_url(std::string_view team_id);
// A league's team list: base + "/teams/" + league id.
std::string teams_url(std::string_view league_id);
// The catalogue for a country and language: base + "/catalog?country=" + cc + "&lang=" + ll.
std::string catalog_url(std::string_view country, std::string_view lang);

struct Team {
  std::string id;
  std::string name;
  friend bool operator==(const Team&, const Team&) = default;
};

struct TeamsReply {
  std::vector<Team> teams;
  friend bool operator==(const TeamsReply&, const TeamsReply&) = default;
};

// One catalogue entry: a feed the service recommends.
struct Offer {
  std::string name;
  std::string url;
  std::string topic;
  std::string lang;    // empty when the service gave none
  bool local = false;  // the feed is meant for the chosen country
  friend bool operator==(const Offer&, const Offer&) = default;
};

struct CatalogReply {
  std::vector<Offer> feeds;
  friend bool operator==(const CatalogReply&, const CatalogReply&) = default;
};

// Reads a reply text. A record is an object (keys in any order, unknown keys ignored, a key given
// twice an error) or an array of its fields in order; the reply itself is {"teams": [...]} or
// [[...]]. The error is the reader's message, with where reading stopped.
Result<TeamsReply, std::string> parse_teams_reply(std::string_view text);
Result<CatalogReply, std::string> parse_catalog_reply(std::string_view text);

// The presets as catalogue offers (lang "en", local), the catalogue's content at start.
std::vector<Offer> preset_offers();

// One league's team list, in the order of the service's reply.
struct LeagueTeams {
  std::string league_id;
  std::vector<Team> teams;
  friend bool operator==(const LeagueTeams&, const LeagueTeams&) = default;
};

// True when an entry has exactly this league id (byte-wise; "nfl" is not "NFL").
bool has_league_teams(std::string_view league_id, const std::vector<LeagueTeams>& entries);
// Appends the entry unless its league is already cached (a league occurs at most once).
bool add_league_teams(std::vector<LeagueTeams>& entries, LeagueTeams entry);

// The process-wide team cache: empty at start, only ever appended to, never destroyed.
extern Guarded<std::vector<LeagueTeams>>& TEAMS_CACHE;

}  // namespace qx
