#include "app/fetchers.h"

#include <gtest/gtest.h>

#include <map>
#include <variant>
#include <string>
#include <vector>

#include "menu/menu_builder.h"

namespace qx {
namespace {

// Countries AA (leagues a, b) and ZZ (league c); the table holds a, b, c, d.
World small_world() {
  World w;
  w.countries = {{"AA", "Aland", {"en"}, {"a", "b", "x"}}, {"ZZ", "Worldwide", {"en"}, {"c"}}};
  w.leagues = {{"a", "A", "sport"}, {"b", "B", "sport"}, {"c", "C", "sport"}, {"d", "D", "sport"}};
  return w;
}

// Serves scripted replies by address and writes every request, and every pause, into one log.
class ScriptedService final : public HttpGet {
 public:
  std::map<std::string, std::string> replies;  // address -> JSON body; others get a 404
  std::vector<std::string>* log = nullptr;
  std::function<void(const std::string&)> during;  // runs while a request is "on the wire"

  HttpResponse get(const HttpRequest& request) override {
    log->push_back(request.url);
    if (during) during(request.url);
    HttpResponse r;
    r.first_url = r.final_url = request.url;
    auto it = replies.find(request.url);
    r.status = it == replies.end() ? 404 : 200;
    r.content_type = "application/json";
    r.body = it == replies.end() ? "not found" : it->second;
    return r;
  }
};

class Fetchers : public ::testing::Test {
 protected:
  Fetchers() {
    AppState s;
    s.country = "AA";
    s.lang = "en";
    state.set(std::move(s));
    service.log = &log;
    work.state = &state;
    work.cache = &cache;
    work.http = &service;
    work.sleep = [this](std::chrono::nanoseconds d) { log.push_back(d == TEAMS_FETCH_PAUSE ? "pause" : "other pause"); };
    work.world = &world;
  }

  void serve_teams(const std::string& league, std::string body) { service.replies[teams_url(league)] = std::move(body); }
  void set_country(std::string code) {
    state.with([&](AppState& s) { s.country = std::move(code); });
  }
  std::vector<std::string> cached_leagues() {
    std::vector<std::string> ids;
    cache.with([&](std::vector<LeagueTeams>& entries) {
      for (const LeagueTeams& e : entries) ids.push_back(e.league_id);
    });
    return ids;
  }
  // The log with team-list addresses shortened to their league id.
  std::vector<std::string> requests() {
    std::vector<std::string> out;
    for (const std::string& entry : log) out.push_back(entry.starts_with(teams_url("")) ? entry.substr(teams_url("").size()) : entry);
    return out;
  }

  World world = small_world();
  Guarded<AppState> state;
  Guarded<std::vector<LeagueTeams>> cache{std::vector<LeagueTeams>{}};
  std::vector<std::string> log;
  ScriptedService service;
  FetcherWork work;
};

using Log = std::vector<std::string>;

// --- team lists -------------------------------------------------------------------------------

TEST_F(Fetchers, TheCountrysLeaguesComeFirstBackToBackThenTheRestWithAPauseAfterEach) {
  for (const char* id : {"a", "b", "c", "d"}) serve_teams(id, R"({"teams": [{"id": "t1", "name": "One"}]})");
  teams_fetch_thread(work);
  EXPECT_EQ(requests(), (Log{"a", "b", "c", "pause", "d", "pause"}));
  EXPECT_EQ(cached_leagues(), (Log{"a", "b", "c", "d"}));

  log.clear();
  teams_fetch_thread(work);  // everything is cached: no request and no pause
  EXPECT_EQ(requests(), Log{});
}

TEST_F(Fetchers, AnEmptyOrUnknownCountryGivesTheTableOrderWithPausesThroughout) {
  for (const char* code : {"", "aa", "QQ"}) {
    set_country(code);
    log.clear();
    teams_fetch_thread(work);  // nothing is served, so nothing is cached between runs
    EXPECT_EQ(requests(), (Log{"a", "pause", "b", "pause", "c", "pause", "d", "pause"})) << code;
  }
  std::size_t own = 0;
  EXPECT_EQ(teams_fetch_order(world, "ZZ", own), (Log{"c", "a", "b", "d"}));
  EXPECT_EQ(own, 1u);
}

TEST_F(Fetchers, OnlyASoundReplyIsCachedAndTheOthersAreAskedForAgain) {
  serve_teams("a", R"({"teams": []})");                                  // stored, with no teams
  serve_teams("b", R"({"other": []})");                                  // no "teams": fails
  serve_teams("c", R"({"teams": [["t1", "One"], {"name": "Two", "id": "t2"}]})");  // both forms
  serve_teams("d", R"({"teams": [{"id": 7, "name": "Seven"}]})");       // a numeric id fails the reply
  teams_fetch_thread(work);
  EXPECT_EQ(cached_leagues(), (Log{"a", "c"}));
  cache.with([](std::vector<LeagueTeams>& entries) {
    EXPECT_TRUE(entries[0].teams.empty());
    EXPECT_EQ(entries[1].teams, (std::vector<Team>{{"t1", "One"}, {"t2", "Two"}}));
  });

  log.clear();
  teams_fetch_thread(work);
  EXPECT_EQ(requests(), (Log{"b", "d", "pause"}));
}

TEST_F(Fetchers, ALeagueStoredByAnotherRunMeanwhileIsNotStoredTwice) {
  serve_teams("a", R"({"teams": [["mine", "Mine"]]})");
  service.during = [this](const std::string& url) {
    if (url == teams_url("a")) {
      cache.with([](std::vector<LeagueTeams>& e) { e.push_back({"a", {{"theirs", "Theirs"}}}); });
    }
  };
  teams_fetch_thread(work);
  cache.with([](std::vector<LeagueTeams>& entries) {
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].teams, (std::vector<Team>{{"theirs", "Theirs"}}));
  });
}

TEST_F(Fetchers, APoisonedCacheOrAMissingStateIsNoReasonToFail) {
  cache.with([](std::vector<LeagueTeams>&) -> int { throw 1; });
  teams_fetch_thread(work);
  EXPECT_EQ(requests(), Log{});

  Guarded<AppState> unset;
  Guarded<std::vector<LeagueTeams>> fresh{std::vector<LeagueTeams>{}};
  work.state = &unset;
  work.cache = &fresh;
  teams_fetch_thread(work);  // no country: the table's order
  EXPECT_EQ(requests(), (Log{"a", "pause", "b", "pause", "c", "pause", "d", "pause"}));
}

// --- the catalogue ----------------------------------------------------------------------------

std::string offer_json(int i, std::string url_scheme = "https://", std::string name = "Feed") {
  return R"({"name": ")" + name + R"(", "url": ")" + url_scheme + "f" + std::to_string(i) +
         R"(.example/", "topic": "news"})";
}

std::string catalogue_of(const std::vector<std::string>& offers) {
  std::string list;
  for (const std::string& o : offers) list += (list.empty() ? "" : ",") + o;
  return R"({"feeds": [)" + list + "]}";
}

std::vector<Offer> catalogue(Guarded<AppState>& state) {
  return state.with([](AppState& s) { return s.catalogue; }).value_or(std::vector<Offer>{});
}

TEST_F(Fetchers, TheCatalogueIsAskedForTheStatesCountryAndLanguageAndOnlyWithAState) {
  catalog_fetch_thread(work);
  EXPECT_EQ(log, Log{catalog_url("AA", "en")});

  Guarded<AppState> unset;
  work.state = &unset;
  catalog_fetch_thread(work);
  EXPECT_EQ(log.size(), 1u);
}

TEST_F(Fetchers, FourUsableOffersChangeNothingAndFiveReplaceTheCatalogue) {
  const std::string address = catalog_url("AA", "en");
  std::vector<std::string> offers = {offer_json(1), offer_json(2), offer_json(3), offer_json(4),
                                     offer_json(5, "http://"), offer_json(6, "HTTPS://"), offer_json(7, "https://", "")};
  service.replies[address] = catalogue_of(offers);
  catalog_fetch_thread(work);
  EXPECT_EQ(catalogue(state), preset_offers());

  offers.push_back(R"(["Fifth", "https://f8.example/", "sport", "de", true])");
  service.replies[address] = catalogue_of(offers);
  catalog_fetch_thread(work);
  const std::vector<Offer> got = catalogue(state);
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[0], (Offer{"Feed", "https://f1.example/", "news", "", false}));
  EXPECT_EQ(got[4], (Offer{"Fifth", "https://f8.example/", "sport", "de", true}));
}

TEST_F(Fetchers, ABadReplyOrAFailedRequestChangesNothing) {
  const std::string address = catalog_url("AA", "en");
  std::vector<std::string> five;
  for (int i = 1; i <= 5; ++i) five.push_back(offer_json(i));
  std::string bare = "[";
  for (std::size_t i = 0; i < five.size(); ++i) bare += (i ? "," : "") + five[i];
  bare += "]";
  for (const std::string& body : {bare, std::string("{\"feeds\": 5}"), std::string("not json")}) {
    service.replies[address] = body;
    catalog_fetch_thread(work);
    EXPECT_EQ(catalogue(state), preset_offers()) << body;
  }
  service.replies.clear();  // a 404
  catalog_fetch_thread(work);
  EXPECT_EQ(catalogue(state), preset_offers());
}

TEST_F(Fetchers, AReplyForALocaleThatChangedMeanwhileIsDropped) {
  std::vector<std::string> five;
  for (int i = 1; i <= 5; ++i) five.push_back(offer_json(i));
  service.replies[catalog_url("AA", "en")] = catalogue_of(five);
  service.during = [this](const std::string&) { state.with([](AppState& s) { s.lang = "de"; }); };
  catalog_fetch_thread(work);
  EXPECT_EQ(catalogue(state), preset_offers());
}

// --- what a service may put into the menu ---------------------------------------------------

// Compact records repeated up to just under 2 MB, the most a reply may bring.
std::string two_megabytes_of(const std::string& head, const std::function<std::string(int)>& record) {
  std::string body = head;
  for (int i = 0; body.size() < 1'999'000; ++i) body += (i ? "," : "") + record(i);
  return body + "]}";
}

struct MenuSize {
  std::size_t entries = 0;
  std::size_t submenus = 0;
};
void count(const std::vector<MenuEntry>& entries, MenuSize& size) {
  for (const MenuEntry& e : entries) {
    ++size.entries;
    if (const auto* sub = e.get_if<MenuEntry::Submenu>()) {
      ++size.submenus;
      count(sub->children, size);
    }
  }
}

TEST_F(Fetchers, RepliesOfTwoMegabytesKeepTheMenuWithinWhatItCanShow) {
  work.world = &qx::world();
  const std::string teams = two_megabytes_of(R"({"teams": [)", [](int i) {
    return "[\"t" + std::to_string(i) + "\",\"T" + std::to_string(i) + "\"]";
  });
  // Two leagues suffice to show the cap (reading such a reply takes a while); the rest fail.
  const std::vector<League>& leagues = qx::world().leagues;
  for (std::size_t i = 0; i < 2; ++i) serve_teams(leagues[i].id, teams);
  // Every offer local and of a topic of its own: as many entries and submenus as it can make.
  service.replies[catalog_url("AA", "en")] = two_megabytes_of(R"({"feeds": [)", [](int i) {
    const std::string n = std::to_string(i);
    return "[\"" + n + "\",\"https://" + n + "\",\"" + n + "\",\"\",true]";
  });
  teams_fetch_thread(work);
  catalog_fetch_thread(work);

  MenuContext context;
  context.teams = cache.with([](std::vector<LeagueTeams>& e) { return e; }).value_or(std::vector<LeagueTeams>{});
  ASSERT_EQ(context.teams.size(), 2u);
  for (const LeagueTeams& league : context.teams) {
    ASSERT_EQ(league.teams.size(), MAX_TEAMS_PER_LEAGUE) << league.league_id;
    EXPECT_EQ(league.teams.back(), (Team{"t399", "T399"}));  // the reply's first ones, in order
  }
  const AppState view = *state.with([](AppState& s) { return s; });
  ASSERT_EQ(view.catalogue.size(), MAX_CATALOG_OFFERS);
  EXPECT_EQ(view.catalogue.back().url, "https://99");

  MenuSize size;
  count(build_menu(view, context), size);
  // Each league's teams (or its "Loading teams…") plus its all-games entry and separator; each
  // offer twice (local and under its topic); the fixed entries, countries and languages are a
  // few hundred.
  EXPECT_LE(size.entries, 2 * MAX_TEAMS_PER_LEAGUE + 3 * leagues.size() + 2 * MAX_CATALOG_OFFERS + 1000);
  EXPECT_LE(size.submenus, leagues.size() + MAX_CATALOG_OFFERS + 100);
  EXPECT_GT(size.submenus, MAX_CATALOG_OFFERS);  // every kept topic has its submenu
}

}  // namespace
}  // namespace qx
