// The two one-shot workers that read the feed service: the team lists of every league into
// TEAMS_CACHE, and the catalogue of recommended feeds for the state's country and language.
// Both fail silently (the cache lacks the league, the catalogue stays as it was), post nothing
// to the window, never write the settings, and never hold the state lock and the cache lock
// together or across a request.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "app/feed_service.h"
#include "app/guarded.h"
#include "http_client.h"
#include "world/world.h"

namespace qx {

// After each request for a league outside the country's own list.
inline constexpr std::chrono::nanoseconds TEAMS_FETCH_PAUSE{400'000'000};
// A catalogue is taken only with at least this many usable offers.
inline constexpr std::size_t MIN_CATALOG_OFFERS = 5;
// What a reply may put into the menu. Every kept team and offer becomes a menu entry and every
// distinct topic a submenu, and the system allows a process only so many menus; a broken or
// hostile service could otherwise fill 2 MiB with them. The largest league of the world table
// (college basketball) has about 360 teams, so 400 keeps every real list whole while the 41
// leagues stay below 17,000 entries. A country's recommendations run to a few dozen feeds over
// the world's 16 topics; 100 leaves room for growth and at most 100 topic submenus.
inline constexpr std::size_t MAX_TEAMS_PER_LEAGUE = 400;
inline constexpr std::size_t MAX_CATALOG_OFFERS = 100;

// What the workers use: the state, the team cache, the transport behind fetch_feed, a sleeper
// and the world table. Tests hand in fakes; platform_fetcher_work() gives the program's own.
struct FetcherWork {
  Guarded<AppState>* state = nullptr;
  Guarded<std::vector<LeagueTeams>>* cache = nullptr;
  HttpGet* http = nullptr;
  std::function<void(std::chrono::nanoseconds)> sleep;
  const World* world = nullptr;
};

FetcherWork platform_fetcher_work();

// The leagues in the order their teams are fetched: those of the country whose code is exactly
// `country` (its row's order), then the rest of the table in table order. `own` receives how
// many of them are the country's.
std::vector<std::string> teams_fetch_order(const World& world, std::string_view country, std::size_t& own);

// The offers worth keeping, in reply order: an "https://" address and a name; the first
// MAX_CATALOG_OFFERS of them.
std::vector<Offer> usable_offers(std::vector<Offer> offers);

// Thread bodies. Each runs once to the end; nothing escapes them. A league's team list is kept
// to its first MAX_TEAMS_PER_LEAGUE teams.
void teams_fetch_thread(const FetcherWork& work);
void catalog_fetch_thread(const FetcherWork& work);
void teams_fetch_thread();    // the program's: APP_STATE, TEAMS_CACHE, WinHTTP, WORLD
void catalog_fetch_thread();

// Start a run on a detached thread.
void spawn_teams_fetch(FetcherWork work);
void spawn_catalog_fetch(FetcherWork work);
void spawn_teams_fetch();
void spawn_catalog_fetch();

}  // namespace qx
