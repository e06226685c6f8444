// How long build_menu takes and how large the tree is, for the most that the feed service can now
// put into it (every league with MAX_TEAMS_PER_LEAGUE teams, MAX_CATALOG_OFFERS offers each of a
// topic of its own), beside a baseline measured in the same run: the menu of a fresh start (the
// preset catalogue, no team lists yet). A third row groups 20,000 offers of distinct topics
// without the fetcher's cap, to show that grouping by topic stays linear.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/fetchers.h"
#include "menu/menu_builder.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Size {
  std::size_t entries = 0;
  std::size_t submenus = 0;
};

void count(const std::vector<qx::MenuEntry>& entries, Size& size) {
  for (const qx::MenuEntry& e : entries) {
    ++size.entries;
    if (const auto* sub = e.get_if<qx::MenuEntry::Submenu>()) {
      ++size.submenus;
      count(sub->children, size);
    }
  }
}

std::vector<qx::Offer> offers_of_own_topics(std::size_t n) {
  std::vector<qx::Offer> offers;
  for (std::size_t i = 0; i < n; ++i) {
    const std::string k = std::to_string(i);
    offers.push_back({"Feed " + k, "https://feeds.example/" + k, "topic-" + k, "", i % 2 == 0});
  }
  return offers;
}

volatile std::size_t sink;

// Mean milliseconds per build over at least half a second.
void run(const char* name, const qx::AppState& view, const qx::MenuContext& context) {
  Size size;
  count(qx::build_menu(view, context), size);
  int builds = 0;
  const Clock::time_point start = Clock::now();
  double elapsed = 0;
  do {
    sink = qx::build_menu(view, context).size();
    ++builds;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < 0.5);
  std::printf("%-34s %8zu entries %6zu submenus %10.3f ms per build\n", name, size.entries, size.submenus,
              elapsed * 1000.0 / builds);
}

}  // namespace

int main() {
  qx::AppState fresh;
  fresh.catalogue = qx::preset_offers();
  run("fresh start (baseline)", fresh, qx::MenuContext{});

  qx::MenuContext full;
  for (const qx::League& league : qx::world().leagues) {
    qx::LeagueTeams entry{league.id, {}};
    for (std::size_t i = 0; i < qx::MAX_TEAMS_PER_LEAGUE; ++i) {
      entry.teams.push_back({"t" + std::to_string(i), "Team " + std::to_string(i)});
    }
    full.teams.push_back(std::move(entry));
  }
  qx::AppState capped;
  capped.catalogue = offers_of_own_topics(qx::MAX_CATALOG_OFFERS);
  run("most a service can now cause", capped, full);

  qx::AppState uncapped;
  uncapped.catalogue = offers_of_own_topics(20'000);
  run("20,000 topics, uncapped", uncapped, qx::MenuContext{});
  return 0;
}
