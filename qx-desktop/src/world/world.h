// The world table built into the program: countries, leagues, languages and topics. It decides
// the default language and feeds of a country and fills the country, language and league menus.
// Built once on first use from the embedded document and never freed, so any thread may read it
// without a lock.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "json_reader.h"

namespace qx {

struct Country {
  std::string code;                  // two upper-case letters, or "ZZ" for the worldwide row
  std::string name;                  // English name
  std::vector<std::string> langs;    // language codes, most preferred first
  std::vector<std::string> leagues;  // league ids in the order they are offered
};

struct League {
  std::string id;
  std::string title;
  std::string sport;  // a topic id
};

// Stored as the pair [code, native name].
struct Language {
  std::string code;
  std::string name;
};

// Stored as the pair [topic id, English label].
struct Topic {
  std::string id;
  std::string label;
};

struct World {
  std::vector<Country> countries;  // the last row is "ZZ" "Worldwide"
  std::vector<League> leagues;
  std::vector<Language> languages;
  std::vector<Topic> topics;
};

const JsonRecord<Country>& json_record(JsonTag<Country>);
const JsonRecord<League>& json_record(JsonTag<League>);
const JsonRecord<Language>& json_record(JsonTag<Language>);
const JsonRecord<Topic>& json_record(JsonTag<Topic>);
const JsonRecord<World>& json_record(JsonTag<World>);

// Reads a world document. A table without countries is refused too: every look-up falls back to
// the last country row.
JsonResult<World> parse_world(std::string_view text);

// The document's table; a document that cannot be read stops the program with
// "world.json is checked by a test" on standard error.
World world_from_document_or_stop(std::string_view text);

// Builds the process-wide table from the embedded document on the first call (concurrent first
// callers wait for the one construction) and returns it.
const World& init_world();
inline const World& world() { return init_world(); }

// WORLD->countries, (*WORLD).leagues: the process-wide table, built on first use.
struct WorldTable {
  const World& operator*() const { return init_world(); }
  const World* operator->() const { return &init_world(); }
};
inline constexpr WorldTable WORLD{};

// The country whose code is exactly `code` (case-sensitive), else the last row ("ZZ").
const Country& country_by_code(std::string_view code);

// The league with that id in `leagues`, or nullptr.
const League* league_by_id(const std::vector<League>& leagues, std::string_view id);

// The leagues of country_by_code(code) in the country's order; ids missing from the league
// table are skipped.
std::vector<League> country_leagues(std::string_view code);

// The English label of a topic id; "Other" for an unknown id.
std::string_view topic_label(std::string_view id);

}  // namespace qx
