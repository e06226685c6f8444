#include "app/feed_service.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace qx {
namespace {

using ::testing::HasSubstr;

std::string base() { return std::string(FEED_SERVICE_BASE); }

TEST(FeedServiceAddresses, BaseIsHttpsAndEndsInTheVersionPath) {
  EXPECT_TRUE(FEED_SERVICE_BASE.starts_with("https://"));
  EXPECT_TRUE(FEED_SERVICE_BASE.ends_with("/v1"));
  EXPECT_EQ(std::string(DEFAULT_FEED_URL), base() + "/feeds/nfl-featured");
}

TEST(FeedServiceAddresses, EachPathIsAppendedWithoutEncoding) {
  EXPECT_EQ(featured_feed_url("nfl"), base() + "/feeds/nfl-featured");
  EXPECT_EQ(featured_feed_url("nfl"), std::string(DEFAULT_FEED_URL));
  EXPECT_EQ(team_feed_url("nfl-kc"), base() + "/feeds/nfl-kc");
  EXPECT_EQ(team_id_feed_url("7"), base() + "/feeds/team-7");
  EXPECT_EQ(teams_url("epl"), base() + "/teams/epl");
  EXPECT_EQ(catalog_url("GB", "cy"), base() + "/catalog?country=GB&lang=cy");
  EXPECT_EQ(team_id_feed_url("a b&c"), base() + "/feeds/team-a b&c");
}

TEST(FeedServiceAddresses, FeaturedLeagueIsReadBackOnlyFromAFeaturedAddress) {
  EXPECT_EQ(featured_feed_league(featured_feed_url("bundesliga")), "bundesliga");
  EXPECT_EQ(featured_feed_league(base() + "/feeds/-featured"), std::nullopt);
  EXPECT_EQ(featured_feed_league(base() + "/feeds/nfl"), std::nullopt);
  EXPECT_EQ(featured_feed_league(base() + "/teams/nfl-featured"), std::nullopt);
  EXPECT_EQ(featured_feed_league("https://elsewhere.example/v1/feeds/nfl-featured"), std::nullopt);
  EXPECT_EQ(featured_feed_league(""), std::nullopt);
}

TEST(FeedPresets, FiveFeedsInMenuOrderBecomeEnglishLocalOffers) {
  ASSERT_EQ(FEED_PRESETS.size(), 5u);
  const char* names[] = {"BBC Sport", "BBC Football", "ESPNcricinfo", "BBC World News", "NASA image of the day"};
  const char* paths[] = {"/sport/rss.xml", "/sport/football/rss.xml", "/rss/content/story/feeds/0.xml",
                         "/news/world/rss.xml", "/feeds/iotd-feed/"};
  const char* topics[] = {"sport", "football", "cricket", "news", "culture"};
  const std::vector<Offer> offers = preset_offers();
  ASSERT_EQ(offers.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(FEED_PRESETS[i].name, names[i]);
    EXPECT_TRUE(FEED_PRESETS[i].url.starts_with("https://")) << i;
    EXPECT_TRUE(FEED_PRESETS[i].url.ends_with(paths[i])) << i;
    EXPECT_EQ(FEED_PRESETS[i].topic, topics[i]);
    EXPECT_EQ(offers[i], (Offer{names[i], std::string(FEED_PRESETS[i].url), topics[i], "en", true}));
  }
}

TEST(TeamsReplyReading, ObjectAndArrayFormsReadTheSame) {
  const TeamsReply expected{{{"kc", "Kansas City"}, {"buf", "Buffalo"}}};
  auto a = parse_teams_reply(R"({"teams":[{"id":"kc","name":"Kansas City"},{"name":"Buffalo","id":"buf"}]})");
  ASSERT_TRUE(a.ok()) << a.error();
  EXPECT_EQ(*a, expected);
  auto b = parse_teams_reply(R"([[["kc","Kansas City"],["buf","Buffalo"]]])");
  ASSERT_TRUE(b.ok()) << b.error();
  EXPECT_EQ(*b, expected);
  auto empty = parse_teams_reply(R"({"teams":[],"updated":"today","extra":{"deep":[1,2]}})");
  ASSERT_TRUE(empty.ok()) << empty.error();
  EXPECT_TRUE(empty->teams.empty());
}

TEST(TeamsReplyReading, BadRepliesFailWithTheReadersMessage) {
  auto missing = parse_teams_reply(R"({"league":"nfl"})");
  ASSERT_FALSE(missing.ok());
  EXPECT_THAT(missing.error(), HasSubstr("missing field `teams`"));

  auto numeric_id = parse_teams_reply(R"({"teams":[{"id":"a","name":"A"},{"id":7,"name":"B"}]})");
  ASSERT_FALSE(numeric_id.ok());
  EXPECT_THAT(numeric_id.error(), HasSubstr("invalid type"));

  auto twice = parse_teams_reply(R"({"teams":[{"id":"a","name":"A","id":"b"}]})");
  ASSERT_FALSE(twice.ok());
  EXPECT_THAT(twice.error(), HasSubstr("duplicate field `id`"));

  auto teams_twice = parse_teams_reply(R"({"teams":[],"teams":[]})");
  ASSERT_FALSE(teams_twice.ok());
  EXPECT_THAT(teams_twice.error(), HasSubstr("duplicate field `teams`"));

  auto no_name = parse_teams_reply(R"({"teams":[{"id":"a"}]})");
  ASSERT_FALSE(no_name.ok());
  EXPECT_THAT(no_name.error(), HasSubstr("missing field `name`"));

  EXPECT_FALSE(parse_teams_reply(R"([{"id":"a","name":"A"}])").ok());
  EXPECT_FALSE(parse_teams_reply("").ok());
  EXPECT_FALSE(parse_teams_reply("{\"teams\":[").ok());
  EXPECT_FALSE(parse_teams_reply("null").ok());
}

TEST(CatalogReplyReading, OptionalFieldsDefaultAndMayComeInAnyOrder) {
  auto r = parse_catalog_reply(R"({"feeds":[
      {"url":"https://a.example/rss","name":"A","topic":"news"},
      {"name":"B","url":"https://b.example/rss","topic":"sport","lang":"de","local":true,"rank":3},
      ["C","https://c.example/rss","music"],
      ["D","https://d.example/rss","tech","fr",false]]})");
  ASSERT_TRUE(r.ok()) << r.error();
  ASSERT_EQ(r->feeds.size(), 4u);
  EXPECT_EQ(r->feeds[0], (Offer{"A", "https://a.example/rss", "news", "", false}));
  EXPECT_EQ(r->feeds[1], (Offer{"B", "https://b.example/rss", "sport", "de", true}));
  EXPECT_EQ(r->feeds[2], (Offer{"C", "https://c.example/rss", "music", "", false}));
  EXPECT_EQ(r->feeds[3], (Offer{"D", "https://d.example/rss", "tech", "fr", false}));
}

TEST(CatalogReplyReading, ABareListOfOffersIsNoReply) {
  auto bare = parse_catalog_reply(R"([{"name":"A","url":"https://a.example/rss","topic":"news"}])");
  EXPECT_FALSE(bare.ok());
  auto wrapped = parse_catalog_reply(R"([[{"name":"A","url":"https://a.example/rss","topic":"news"}]])");
  ASSERT_TRUE(wrapped.ok()) << wrapped.error();
  EXPECT_EQ(wrapped->feeds.size(), 1u);
}

TEST(CatalogReplyReading, WrongTypesAndDuplicatesFailTheWholeReply) {
  EXPECT_FALSE(parse_catalog_reply(R"({"feeds":[{"name":"A","url":"u","topic":"t","local":"yes"}]})").ok());
  EXPECT_FALSE(parse_catalog_reply(R"({"feeds":[{"name":"A","url":"u","topic":"t","local":1}]})").ok());
  EXPECT_FALSE(parse_catalog_reply(R"({"feeds":[{"name":"A","url":"u","topic":"t","lang":5}]})").ok());
  auto dup = parse_catalog_reply(R"({"feeds":[{"name":"A","url":"u","topic":"t","url":"v"}]})");
  ASSERT_FALSE(dup.ok());
  EXPECT_THAT(dup.error(), HasSubstr("duplicate field `url`"));
  auto missing = parse_catalog_reply(R"({"feeds":[{"name":"A","topic":"t"}]})");
  ASSERT_FALSE(missing.ok());
  EXPECT_THAT(missing.error(), HasSubstr("missing field `url`"));
  EXPECT_FALSE(parse_catalog_reply(R"({"feeds":null})").ok());
  EXPECT_FALSE(parse_catalog_reply(R"({"feeds":[["A","u"]]})").ok());
}

TEST(CatalogReplyReading, HostileTextNeverCrashes) {
  EXPECT_FALSE(parse_catalog_reply(std::string(100000, '[')).ok());
  EXPECT_FALSE(parse_catalog_reply(std::string("{\"feeds\":[\0]}", 13)).ok());
  EXPECT_FALSE(parse_catalog_reply("{\"feeds\":[{\"name\":\"\xff\xfe\",\"url\":1}]}").ok());
  EXPECT_FALSE(parse_catalog_reply("{\"feeds\":[]} trailing").ok());
}

TEST(TeamsCache, LeaguesAreMatchedExactlyAndStoredOnce) {
  std::vector<LeagueTeams> entries;
  EXPECT_FALSE(has_league_teams("nfl", entries));
  EXPECT_TRUE(add_league_teams(entries, {"nfl", {{"kc", "Kansas City"}}}));
  EXPECT_TRUE(has_league_teams("nfl", entries));
  EXPECT_FALSE(has_league_teams("NFL", entries));
  EXPECT_FALSE(has_league_teams("nf", entries));
  EXPECT_FALSE(add_league_teams(entries, {"nfl", {}}));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].teams.size(), 1u);
  EXPECT_TRUE(add_league_teams(entries, {"epl", {}}));
  EXPECT_EQ(entries[1].league_id, "epl");
}

TEST(TeamsCache, TheProcessCacheStartsEmptyAndIsUsableUnderItsLock) {
  auto count = TEAMS_CACHE.with([](std::vector<LeagueTeams>& e) { return e.size(); });
  ASSERT_TRUE(count.has_value());
  EXPECT_EQ(*count, 0u);
  EXPECT_TRUE(TEAMS_CACHE.with([](std::vector<LeagueTeams>& e) { add_league_teams(e, {"mlb", {}}); }));
  EXPECT_EQ(TEAMS_CACHE.with([](std::vector<LeagueTeams>& e) { return has_league_teams("mlb", e); }), true);
}

}  // namespace
}  // namespace qx
