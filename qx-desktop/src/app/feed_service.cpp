#include "app/feed_service.h"

#include <algorithm>

#include "json_reader.h"

namespace qx {

// The readers' descriptions of the reply records (found by the JSON reader through their type).
const JsonRecord<Team>& json_record(JsonTag<Team>) {
  static const JsonRecord<Team> r{"Team", {json_field<&Team::id>("id"), json_field<&Team::name>("name")}};
  return r;
}

const JsonRecord<TeamsReply>& json_record(JsonTag<TeamsReply>) {
  static const JsonRecord<TeamsReply> r{"Reply", {json_field<&TeamsReply::teams>("teams")}};
  return r;
}

const JsonRecord<Offer>& json_record(JsonTag<Offer>) {
  static const JsonRecord<Offer> r{"Offer",
                                   {
                                       json_field<&Offer::name>("name"),
                                       json_field<&Offer::url>("url"),
                                       json_field<&Offer::topic>("topic"),
                                       json_field<&Offer::lang>("lang", JSON_DEFAULT),
                                       json_field<&Offer::local>("local", JSON_DEFAULT),
                                   }};
  return r;
}

const JsonRecord<CatalogReply>& json_record(JsonTag<CatalogReply>) {
  static const JsonRecord<CatalogReply> r{"Reply", {json_field<&CatalogReply::feeds>("feeds")}};
  return r;
}

namespace {

constexpr std::string_view FEEDS_PATH = "/feeds/";
constexpr std::string_view FEATURED_SUFFIX = "-featured";

std::string service_address(std::string_view path, std::string_view id, std::string_view suffix = {}) {
  std::string out;
  out.reserve(FEED_SERVICE_BASE.size() + path.size() + id.size() + suffix.size());
  out.append(FEED_SERVICE_BASE).append(path).append(id).append(suffix);
  return out;
}

}  // namespace

std::string featured_feed_url(std::string_view league_id) {
  return service_address(FEEDS_PATH, league_id, FEATURED_SUFFIX);
}

std::optional<std::string> featured_feed_league(std::string_view url) {
  const std::size_t prefix = FEED_SERVICE_BASE.size() + FEEDS_PATH.size();
  if (url.size() <= prefix + FEATURED_SUFFIX.size()) return std::nullopt;
  if (url.substr(0, FEED_SERVICE_BASE.size()) != FEED_SERVICE_BASE) return std::nullopt;
  if (url.substr(FEED_SERVICE_BASE.size(), FEEDS_PATH.size()) != FEEDS_PATH) return std::nullopt;
  if (!url.ends_with(FEATURED_SUFFIX)) return std::nullopt;
  return std::string(url.substr(prefix, url.size() - prefix - FEATURED_SUFFIX.size()));
}

std::string team_feed_url(std::string_view team_id) { return service_address(FEEDS_PATH, team_id); }

std::string team_id_feed_url(std::string_view team_id) { return service_address("/feeds/team-", team_id); }

std::string teams_url(std::string_view league_id) { return service_address("/teams/", league_id); }

std::string catalog_url(std::string_view country, std::string_view lang) {
  std::string out = service_address("/catalog?country=", country);
  out.append("&lang=").append(lang);
  return out;
}

Result<TeamsReply, std::string> parse_teams_reply(std::string_view text) {
  return read_json_record<TeamsReply>(text);
}

Result<CatalogReply, std::string> parse_catalog_reply(std::string_view text) {
  return read_json_record<CatalogReply>(text);
}

std::vector<Offer> preset_offers() {
  std::vector<Offer> out;
  out.reserve(FEED_PRESETS.size());
  for (const FeedPreset& p : FEED_PRESETS) {
    out.push_back(Offer{std::string(p.name), std::string(p.url), std::string(p.topic), "en", true});
  }
  return out;
}

bool has_league_teams(std::string_view league_id, const std::vector<LeagueTeams>& entries) {
  return std::any_of(entries.begin(), entries.end(),
                     [&](const LeagueTeams& e) { return e.league_id == league_id; });
}

bool add_league_teams(std::vector<LeagueTeams>& entries, LeagueTeams entry) {
  if (has_league_teams(entry.league_id, entries)) return false;
  entries.push_back(std::move(entry));
  return true;
}

// Detached workers read the cache until the process ends, so it is never destroyed.
Guarded<std::vector<LeagueTeams>>& TEAMS_CACHE = *new Guarded<std::vector<LeagueTeams>>(std::vector<LeagueTeams>{});

}  // namespace qx
