#include "app/fetchers.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <utility>

#include "feed_fetch.h"

namespace qx {

namespace {

// Drops all but the first `limit` items, and the room the dropped ones took: what is kept stays
// in the state or the cache for the life of the process.
template <class T>
void keep_first(std::vector<T>& items, std::size_t limit) {
  if (items.size() <= limit) return;
  items.resize(limit);
  items.shrink_to_fit();
}

bool knows_league(const World& world, std::string_view id) { return league_by_id(world.leagues, id) != nullptr; }

void add_once(std::vector<std::string>& order, const std::string& id) {
  if (std::find(order.begin(), order.end(), id) == order.end()) order.push_back(id);
}

// One league: skipped when cached (or the cache is unusable), else fetched and stored if it is
// still missing. True when a request was made.
bool fetch_league_teams(const FetcherWork& work, const std::string& id) {
  const std::optional<bool> cached =
      work.cache->with([&](std::vector<LeagueTeams>& entries) { return has_league_teams(id, entries); });
  if (!cached || *cached) return false;

  Result<std::string, std::string> text = fetch_feed(*work.http, teams_url(id));
  if (!text) return true;
  Result<TeamsReply, std::string> reply = parse_teams_reply(*text);
  if (!reply) return true;
  LeagueTeams entry{id, std::move(reply->teams)};
  keep_first(entry.teams, MAX_TEAMS_PER_LEAGUE);  // before the lock: this may allocate
  work.cache->with([&](std::vector<LeagueTeams>& entries) { add_league_teams(entries, std::move(entry)); });
  return true;
}

struct Locale {
  std::string country;
  std::string lang;
};

// A detached thread must not end the process: whatever escapes (memory running out) ends only
// this run.
template <class F>
void run_quietly(F&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

}  // namespace

FetcherWork platform_fetcher_work() {
  FetcherWork work;
  work.state = &APP_STATE;
  work.cache = &TEAMS_CACHE;
  work.http = &platform_http_client();
  work.sleep = [](std::chrono::nanoseconds pause) { std::this_thread::sleep_for(pause); };
  work.world = &world();
  return work;
}

std::vector<std::string> teams_fetch_order(const World& world, std::string_view country, std::size_t& own) {
  std::vector<std::string> order;
  // An exact look-up: an empty or unknown code has no leagues of its own (no fallback row).
  const auto row = std::find_if(world.countries.begin(), world.countries.end(),
                                [&](const Country& c) { return c.code == country; });
  if (row != world.countries.end()) {
    for (const std::string& id : row->leagues) {
      if (knows_league(world, id)) add_once(order, id);
    }
  }
  own = order.size();
  for (const League& league : world.leagues) add_once(order, league.id);
  return order;
}

std::vector<Offer> usable_offers(std::vector<Offer> offers) {
  std::erase_if(offers, [](const Offer& o) { return !o.url.starts_with("https://") || o.name.empty(); });
  keep_first(offers, MAX_CATALOG_OFFERS);
  return offers;
}

void teams_fetch_thread(const FetcherWork& work) {
  run_quietly([&] {
    const std::string country = work.state->with([](AppState& s) { return s.country; }).value_or(std::string());
    std::size_t own = 0;
    const std::vector<std::string> order = teams_fetch_order(*work.world, country, own);
    for (std::size_t i = 0; i < order.size(); ++i) {
      // The country's own leagues go back to back; the rest are spaced out for the service.
      if (fetch_league_teams(work, order[i]) && i >= own) work.sleep(TEAMS_FETCH_PAUSE);
    }
  });
}

void catalog_fetch_thread(const FetcherWork& work) {
  run_quietly([&] {
    const std::optional<Locale> asked = work.state->with([](AppState& s) { return Locale{s.country, s.lang}; });
    if (!asked) return;
    Result<std::string, std::string> text = fetch_feed(*work.http, catalog_url(asked->country, asked->lang));
    if (!text) return;
    Result<CatalogReply, std::string> reply = parse_catalog_reply(*text);
    if (!reply) return;
    std::vector<Offer> kept = usable_offers(std::move(reply->feeds));
    if (kept.size() < MIN_CATALOG_OFFERS) return;
    work.state->with([&](AppState& s) {
      // The user may have chosen another country or language while the request ran.
      if (s.country == asked->country && s.lang == asked->lang) s.catalogue = std::move(kept);
    });
  });
}

void teams_fetch_thread() { teams_fetch_thread(platform_fetcher_work()); }
void catalog_fetch_thread() { catalog_fetch_thread(platform_fetcher_work()); }

namespace {
// A thread that cannot be started is one more silent failure.
template <class F>
void spawn_detached(F&& body) {
  try {
    std::thread(std::forward<F>(body)).detach();
  } catch (const std::system_error&) {
  }
}
}  // namespace

void spawn_teams_fetch(FetcherWork work) {
  spawn_detached([work = std::move(work)] { teams_fetch_thread(work); });
}

void spawn_catalog_fetch(FetcherWork work) {
  spawn_detached([work = std::move(work)] { catalog_fetch_thread(work); });
}

void spawn_teams_fetch() { spawn_teams_fetch(platform_fetcher_work()); }
void spawn_catalog_fetch() { spawn_catalog_fetch(platform_fetcher_work()); }

}  // namespace qx
