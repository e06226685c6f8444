#include "world/world.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <set>
#include <string>

#include "app/embedded_resource.h"
#include "repo_file.h"

namespace qx {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> titles(const std::vector<League>& leagues) {
  std::vector<std::string> out;
  for (const League& l : leagues) out.push_back(l.title);
  return out;
}

TEST(WorldTable, BuiltInTableIsTheCurrentDocument) {
  const std::string file = zv_test::read_repo_file("qx-desktop/res/world.json");
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(embedded_document(EmbeddedDocument::World), file);
}

TEST(WorldTable, HoldsEveryRowInTableOrder) {
  const World& w = *WORLD;
  ASSERT_EQ(w.countries.size(), 63u);
  EXPECT_EQ(w.leagues.size(), 41u);
  EXPECT_EQ(w.languages.size(), 39u);
  EXPECT_EQ(w.topics.size(), 16u);

  EXPECT_EQ(w.countries.front().code, "IN");
  EXPECT_THAT(w.countries.front().langs, ElementsAre("en", "hi", "te", "ta", "bn", "mr", "gu", "pa", "ur"));
  EXPECT_EQ(w.countries.back().code, "ZZ");
  EXPECT_EQ(w.countries.back().name, "Worldwide");
  EXPECT_THAT(w.countries.back().leagues, ElementsAre("ucl", "epl", "cricket", "nba", "f1", "laliga", "nfl"));
  EXPECT_THAT(country_by_code("US").leagues, ElementsAre("nfl", "nba", "mlb", "nhl", "ncaaf", "ncaab", "mls",
                                                         "wnba", "epl", "ligamx", "f1"));
  EXPECT_THAT(country_by_code("CH").langs, ElementsAre("de", "fr", "it"));

  EXPECT_EQ(w.leagues.front().id, "nfl");
  EXPECT_EQ(w.leagues.back().id, "afl");
  EXPECT_EQ(w.languages.front().code, "en");
  EXPECT_EQ(w.languages.back().code, "cy");
  EXPECT_EQ(w.topics.front().id, "football");
  EXPECT_EQ(w.topics.back().id, "tech");
}

TEST(WorldTable, KeepsNonAsciiNamesExactly) {
  EXPECT_EQ(country_by_code("CI").name, "C\u00f4te d\u2019Ivoire");
  EXPECT_EQ(country_by_code("TR").name, "T\u00fcrkiye");
  const World& w = *WORLD;
  ASSERT_NE(league_by_id(w.leagues, "superlig"), nullptr);
  EXPECT_EQ(league_by_id(w.leagues, "superlig")->title, "S\u00fcper Lig");
  EXPECT_EQ(league_by_id(w.leagues, "brasileirao")->title, "Brasileir\u00e3o");
  std::set<std::string> names;
  for (const Language& l : w.languages) names.insert(l.code + "=" + l.name);
  EXPECT_TRUE(names.count("hi=\u0939\u093f\u0928\u094d\u0926\u0940"));
  EXPECT_TRUE(names.count("ja=\u65e5\u672c\u8a9e"));
  EXPECT_TRUE(names.count("vi=Ti\u1ebfng Vi\u1ec7t"));
  EXPECT_TRUE(names.count("yo=Yor\u00f9b\u00e1"));
}

TEST(WorldTable, RowsReferOnlyToKnownRows) {
  const World& w = *WORLD;
  std::set<std::string> league_ids, language_codes, topic_ids, country_codes;
  for (const League& l : w.leagues) EXPECT_TRUE(league_ids.insert(l.id).second) << l.id;
  for (const Language& l : w.languages) EXPECT_TRUE(language_codes.insert(l.code).second) << l.code;
  for (const Topic& t : w.topics) EXPECT_TRUE(topic_ids.insert(t.id).second) << t.id;
  for (const League& l : w.leagues) EXPECT_TRUE(topic_ids.count(l.sport)) << l.id << " plays " << l.sport;
  for (const Country& c : w.countries) {
    EXPECT_TRUE(country_codes.insert(c.code).second) << c.code;
    EXPECT_TRUE(c.code.size() == 2 && std::isupper(static_cast<unsigned char>(c.code[0])) &&
                std::isupper(static_cast<unsigned char>(c.code[1])))
        << c.code;
    EXPECT_FALSE(c.name.empty());
    EXPECT_FALSE(c.langs.empty()) << c.code;
    EXPECT_FALSE(c.leagues.empty()) << c.code;
    for (const std::string& lang : c.langs) EXPECT_TRUE(language_codes.count(lang)) << c.code << " " << lang;
    for (const std::string& id : c.leagues) EXPECT_TRUE(league_ids.count(id)) << c.code << " " << id;
    // Every country must have a first league: it gives the default feed.
    EXPECT_FALSE(country_leagues(c.code).empty()) << c.code;
  }
}

TEST(WorldLookups, CountryByCodeIsExactAndFallsBackToWorldwide) {
  EXPECT_EQ(country_by_code("IN").name, "India");
  EXPECT_EQ(country_by_code("ZZ").name, "Worldwide");
  EXPECT_EQ(country_by_code("us").code, "ZZ");
  EXPECT_EQ(country_by_code("").code, "ZZ");
  EXPECT_EQ(country_by_code("XX").code, "ZZ");
  EXPECT_EQ(country_by_code("USA").code, "ZZ");
  EXPECT_EQ(country_by_code(std::string_view("US\0", 3)).code, "ZZ");
}

TEST(WorldLookups, CountryLeaguesFollowTheCountrysOrder) {
  EXPECT_THAT(titles(country_leagues("AU")),
              ElementsAre("AFL", "NRL", "Cricket", "A-League", "Super Rugby Pacific", "NBL Australia",
                          "Premier League", "Formula 1"));
  EXPECT_EQ(country_leagues("IN").front().id, "cricket");
  EXPECT_EQ(country_leagues("GB").front().id, "epl");
  EXPECT_EQ(country_leagues("DE").front().id, "bundesliga");
  EXPECT_EQ(country_leagues("nowhere").front().id, "ucl");
}

TEST(WorldLookups, LeagueByIdSearchesTheGivenList) {
  const World& w = *WORLD;
  ASSERT_NE(league_by_id(w.leagues, "worldcup"), nullptr);
  EXPECT_EQ(league_by_id(w.leagues, "worldcup")->title, "FIFA World Cup");
  EXPECT_EQ(league_by_id(w.leagues, "NFL"), nullptr);
  EXPECT_EQ(league_by_id(w.leagues, ""), nullptr);
  const std::vector<League> mine{{"x", "X league", "tennis"}};
  EXPECT_EQ(league_by_id(mine, "nfl"), nullptr);
  ASSERT_NE(league_by_id(mine, "x"), nullptr);
  EXPECT_EQ(league_by_id(mine, "x")->title, "X league");
}

TEST(WorldLookups, TopicLabelGivesOtherForAnUnknownTopic) {
  EXPECT_EQ(topic_label("sport"), "All sport");
  EXPECT_EQ(topic_label("culture"), "Space and culture");
  EXPECT_EQ(topic_label("american-football"), "American football");
  EXPECT_EQ(topic_label("Football"), "Other");
  EXPECT_EQ(topic_label(""), "Other");
  EXPECT_EQ(topic_label("esports"), "Other");
}

TEST(WorldDocument, ReadsRecordsAsObjectsOrArraysAndIgnoresUnknownKeys) {
  JsonResult<World> w = parse_world(
      R"({"extra":1,"countries":[["ZZ","Worldwide",["en"],["x"]],)"
      R"({"leagues":["x"],"langs":["en"],"name":"Somewhere","code":"SW","flag":"?"}],)"
      R"("leagues":[["x","X","tennis"],{"sport":"tennis","title":"Y","id":"y","logo":null}],)"
      R"("languages":[["en","English"]],"topics":[["tennis","Tennis"]]})");
  ASSERT_TRUE(w) << w.error();
  ASSERT_EQ(w->countries.size(), 2u);
  EXPECT_EQ(w->countries[1].code, "SW");
  EXPECT_EQ(w->countries[1].name, "Somewhere");
  EXPECT_EQ(w->leagues[1].title, "Y");
  EXPECT_EQ(w->languages[0].name, "English");
  EXPECT_EQ(w->topics[0].label, "Tennis");

  JsonResult<World> as_array = parse_world(R"([[["ZZ","W",[],[]]],[],[],[]])");
  ASSERT_TRUE(as_array) << as_array.error();
  EXPECT_EQ(as_array->countries[0].name, "W");
}

TEST(WorldDocument, RefusesBrokenDocuments) {
  EXPECT_FALSE(parse_world(""));
  EXPECT_FALSE(parse_world("{"));
  EXPECT_FALSE(parse_world("null"));

  JsonResult<World> not_a_table = parse_world("42");
  ASSERT_FALSE(not_a_table);
  EXPECT_THAT(not_a_table.error(), HasSubstr("struct World"));

  JsonResult<World> missing = parse_world(R"({"countries":[["ZZ","W",[],[]]],"leagues":[],"languages":[]})");
  ASSERT_FALSE(missing);
  EXPECT_THAT(missing.error(), HasSubstr("topics"));

  JsonResult<World> short_country = parse_world(R"({"countries":[["ZZ","W",[]]],"leagues":[],"languages":[],"topics":[]})");
  ASSERT_FALSE(short_country);
  EXPECT_THAT(short_country.error(), HasSubstr("struct Country with 4 elements"));

  JsonResult<World> short_league =
      parse_world(R"({"countries":[["ZZ","W",[],[]]],"leagues":[["x","X"]],"languages":[],"topics":[]})");
  ASSERT_FALSE(short_league);
  EXPECT_THAT(short_league.error(), HasSubstr("struct League with 3 elements"));

  JsonResult<World> short_world = parse_world(R"([[["ZZ","W",[],[]]],[],[]])");
  ASSERT_FALSE(short_world);
  EXPECT_THAT(short_world.error(), HasSubstr("struct World with 4 elements"));

  EXPECT_FALSE(parse_world(R"({"countries":[["ZZ","W",[],[1]]],"leagues":[],"languages":[],"topics":[]})"));
  EXPECT_FALSE(parse_world(R"({"countries":[["ZZ","W",[],[]]],"leagues":[],"languages":[["en"]],"topics":[]})"));
}

TEST(WorldDocument, RefusesATableWithoutCountries) {
  // Every look-up falls back to the last country, so a table without one cannot be used.
  EXPECT_FALSE(parse_world(R"({"countries":[],"leagues":[],"languages":[],"topics":[]})"));
}

TEST(WorldDocumentDeathTest, AnUnreadableDocumentStopsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(world_from_document_or_stop("{\"countries\":"), ::testing::ExitedWithCode(EXIT_FAILURE),
              "world.json is checked by a test");
  EXPECT_EXIT(world_from_document_or_stop(R"({"countries":[],"leagues":[],"languages":[],"topics":[]})"),
              ::testing::ExitedWithCode(EXIT_FAILURE), "world.json is checked by a test");
}

}  // namespace
}  // namespace qx
