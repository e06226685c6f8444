#include "world/world.h"

#include <cstdio>
#include <cstdlib>

#include "app/embedded_resource.h"

namespace qx {

const JsonRecord<Country>& json_record(JsonTag<Country>) {
  static const JsonRecord<Country> r{"Country",
                                     {json_field<&Country::code>("code"), json_field<&Country::name>("name"),
                                      json_field<&Country::langs>("langs"),
                                      json_field<&Country::leagues>("leagues")}};
  return r;
}

const JsonRecord<League>& json_record(JsonTag<League>) {
  static const JsonRecord<League> r{
      "League",
      {json_field<&League::id>("id"), json_field<&League::title>("title"), json_field<&League::sport>("sport")}};
  return r;
}

const JsonRecord<Language>& json_record(JsonTag<Language>) {
  static const JsonRecord<Language> r{"Language",
                                      {json_field<&Language::code>("code"), json_field<&Language::name>("name")}};
  return r;
}

const JsonRecord<Topic>& json_record(JsonTag<Topic>) {
  static const JsonRecord<Topic> r{"Topic", {json_field<&Topic::id>("id"), json_field<&Topic::label>("label")}};
  return r;
}

const JsonRecord<World>& json_record(JsonTag<World>) {
  static const JsonRecord<World> r{"World",
                                   {json_field<&World::countries>("countries"),
                                    json_field<&World::leagues>("leagues"),
                                    json_field<&World::languages>("languages"),
                                    json_field<&World::topics>("topics")}};
  return r;
}

JsonResult<World> parse_world(std::string_view text) {
  JsonResult<World> world = read_json_record<World>(text);
  if (world && world->countries.empty()) return err(std::string("the world table has no countries"));
  return world;
}

World world_from_document_or_stop(std::string_view text) {
  JsonResult<World> world = parse_world(text);
  if (!world) {
    std::fputs("world.json is checked by a test\n", stderr);
    std::fflush(stderr);
    // _Exit: no crash dialog, and no static destructors under workers that may already run.
    std::_Exit(EXIT_FAILURE);
  }
  return std::move(world).value();
}

const World& init_world() {
  // Leaked on purpose: detached workers may still read it while the process exits.
  static const World* const table = new World(world_from_document_or_stop(embedded_document(EmbeddedDocument::World)));
  return *table;
}

const Country& country_by_code(std::string_view code) {
  const std::vector<Country>& countries = WORLD->countries;
  for (const Country& c : countries) {
    if (c.code == code) return c;
  }
  return countries.back();
}

const League* league_by_id(const std::vector<League>& leagues, std::string_view id) {
  for (const League& l : leagues) {
    if (l.id == id) return &l;
  }
  return nullptr;
}

std::vector<League> country_leagues(std::string_view code) {
  const World& w = *WORLD;
  std::vector<League> out;
  for (const std::string& id : country_by_code(code).leagues) {
    if (const League* l = league_by_id(w.leagues, id)) out.push_back(*l);
  }
  return out;
}

std::string_view topic_label(std::string_view id) {
  for (const Topic& t : WORLD->topics) {
    if (t.id == id) return t.label;
  }
  return "Other";
}

}  // namespace qx
