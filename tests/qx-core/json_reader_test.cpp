#include "json_reader.h"

#include "unicode_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace qx {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// A record of every kind of field, in a namespace of the test's own, as another module would write it.
struct Venue {
  std::string city;
};
struct Team {
  std::string id;
  std::optional<std::uint16_t> rank;
  Venue venue;
  std::vector<std::string> aliases;
  bool active = true;
  std::uint8_t percent = 50;
  std::int32_t offset = 0;
  float zoom = 1.0f;
};
struct Notice {
  std::string app;
  std::uint64_t size = 0;
};

const JsonRecord<Venue>& json_record(JsonTag<Venue>) {
  static const JsonRecord<Venue> r{"Venue", {json_field<&Venue::city>("city")}};
  return r;
}
const JsonRecord<Team>& json_record(JsonTag<Team>) {
  static const JsonRecord<Team> r{"Team",
                                  {
                                      json_field<&Team::id>("id"),
                                      json_field<&Team::rank>("rank"),
                                      json_field<&Team::venue>("venue"),
                                      json_field<&Team::aliases>("aliases", JSON_DEFAULT),
                                      json_field<&Team::active>("active", JSON_DEFAULT),
                                      json_field<&Team::percent>("percent", JSON_DEFAULT),
                                      json_field<&Team::offset>("offset", JSON_DEFAULT),
                                      json_field<&Team::zoom>("zoom", JSON_DEFAULT),
                                  }};
  return r;
}
const JsonRecord<Notice>& json_record(JsonTag<Notice>) {
  static const JsonRecord<Notice> r{"Notice", {json_field<&Notice::app>("app"), json_field<&Notice::size>("size")}, true};
  return r;
}

std::string team_error(std::string_view text) {
  JsonResult<Team> r = read_json_record<Team>(text);
  EXPECT_FALSE(r.ok()) << text;
  return r.ok() ? std::string() : r.error();
}

std::string with_member(std::string_view member) {
  return std::string(R"({"id":"a","venue":{"city":"c"},)") + std::string(member) + "}";
}

// ---------------------------------------------------------------------------------------------

TEST(JsonDom, ObjectKeysComeInAscendingByteOrderAndTheLastRepeatedValueWins) {
  JsonResult<nlohmann::json> r = parse_json_dom(R"({"b":1,"_":2,"Z":3,"é":4,"a":5,"b":6})");
  ASSERT_TRUE(r.ok()) << r.error();
  std::string keys;
  for (auto it = r->begin(); it != r->end(); ++it) keys += it.key() + ",";
  EXPECT_EQ(keys, "Z,_,a,b,é,");
  EXPECT_EQ(r->at("b").get<int>(), 6);
}

TEST(JsonDom, ErrorsCarryLineAndColumnWithoutTheLibraryPrefix) {
  JsonResult<nlohmann::json> r = parse_json_dom("[1,\n2");
  ASSERT_FALSE(r.ok());
  EXPECT_THAT(r.error(), StartsWith("parse error at line 2, column 2: syntax error while parsing array"));
  EXPECT_THAT(r.error(), Not(HasSubstr("json.exception")));

  r = parse_json_dom("{} x");
  ASSERT_FALSE(r.ok());
  EXPECT_THAT(r.error(), StartsWith("parse error at line 1, column 4:"));
}

TEST(JsonDom, NumberOverflowIsAnErrorWithAPosition) {
  JsonResult<nlohmann::json> r = parse_json_dom("[1, 1E400]");
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error(), "parse error at line 1, column 9: number overflow parsing '1E400'");
  r = parse_json_dom("-1e999");
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error(), "parse error at line 1, column 6: number overflow parsing '-1e999'");
}

TEST(JsonDom, NestingIsLimitedTo128Levels) {
  EXPECT_TRUE(parse_json_dom(std::string(128, '[') + std::string(128, ']')).ok());

  JsonResult<nlohmann::json> r = parse_json_dom(std::string(100000, '['));
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error(), "parse error at line 1, column 129: more than 128 nested arrays and objects");

  // An earlier syntax error is reported first.
  r = parse_json_dom("[x" + std::string(200, '['));
  ASSERT_FALSE(r.ok());
  EXPECT_THAT(r.error(), HasSubstr("column 2"));
}

TEST(JsonDom, HostileBytesGiveAnErrorNeverACrash) {
  for (std::string text : {std::string("[\"a\0b\"]", 7), std::string("[1,\0]", 5), std::string("\"\xff\""),
                           std::string("{\"a\":}"), std::string(""), std::string("nul"), std::string("[1]]")}) {
    EXPECT_FALSE(parse_json_dom(text).ok()) << text;
    EXPECT_FALSE(check_json_syntax(text).ok()) << text;
  }
}

TEST(JsonDom, TheExcerptOfAHugeBadTokenIsShortened) {
  const std::string text = "[\"" + std::string(100000, 'x') + "\\q\"]";
  JsonResult<nlohmann::json> r = parse_json_dom(text);
  ASSERT_FALSE(r.ok());
  EXPECT_LT(r.error().size(), 400u);
  EXPECT_THAT(r.error(), HasSubstr("last read: '…xxx"));
}

TEST(JsonDom, NothingButWhitespaceMayFollowTheValueNotEvenAfterANulByte) {
  struct Case {
    std::string text;
    const char* column;  // of the first byte that is not whitespace after the value
  };
  const Case cases[] = {
      {std::string("[1]\0not json }}}", 17), "column 4"},
      {std::string("{}\0", 3), "column 3"},
      {std::string("[1] \n\0x", 7), "line 2, column 1"},
      {std::string("\"a\"\0", 4), "column 4"},
      {std::string("12\0", 3), "column 3"},
      {std::string("[1,\0]", 5), "column 4"},
      {"[1] x", "column 5"},
      {"[1] 2", "column 5"},
  };
  for (const Case& c : cases) {
    JsonResult<nlohmann::json> dom = parse_json_dom(c.text);
    ASSERT_FALSE(dom.ok()) << c.text;
    EXPECT_THAT(dom.error(), HasSubstr(c.column)) << c.text;
    EXPECT_FALSE(check_json_syntax(c.text).ok()) << c.text;
    EXPECT_FALSE(read_json_record<Venue>(c.text).ok()) << c.text;
  }
  EXPECT_TRUE(parse_json_dom("[1] \n\t\r ").ok());
  EXPECT_FALSE(read_json_record<Venue>(std::string("{\"city\":\"c\"}\0}", 15)).ok());
}

// Every message quotes at most a few dozen characters of the input, cut between characters, and
// is valid UTF-8 whatever bytes came in.
TEST(JsonMessages, StayShortAndValidUtf8WhateverTheInput) {
  const std::string e_acute = "\xC3\xA9";
  std::string many_e;
  for (int i = 0; i < 5000; ++i) many_e += e_acute;
  const std::string million_digits = "1" + std::string(1'000'000, '0');
  const std::string tiny = "0." + std::string(1'000'000, '0') + "1";
  const std::vector<std::string> texts = {
      "[\"" + many_e + "\\q\"]",                   // bad escape after many two-byte characters
      "[\"" + many_e + "\xFF\"]",                   // an ill-formed byte in a string
      "[\xFF\xFE]",                                // ill-formed bytes outside strings
      "[tru" + e_acute + "]",                      // a literal cut inside a character
      "[" + million_digits + "]",                  // a number too large for a double
      million_digits,
  };
  const std::vector<std::string> records = {
      with_member(R"("percent":)" + tiny),                      // read as a float: described
      with_member("\"rank\":\"" + many_e + "\""),              // a string of the wrong type
      R"({"app":"a","size":1,")" + many_e + "\":1}",           // an unknown key
  };
  std::vector<std::string> messages;
  for (const std::string& t : texts) {
    JsonResult<nlohmann::json> r = parse_json_dom(t);
    ASSERT_FALSE(r.ok());
    messages.push_back(r.error());
  }
  JsonResult<Team> percent = read_json_record<Team>(records[0]);
  JsonResult<Team> rank = read_json_record<Team>(records[1]);
  JsonResult<Notice> key = read_json_record<Notice>(records[2]);
  ASSERT_FALSE(percent.ok() || rank.ok() || key.ok());
  messages.insert(messages.end(), {percent.error(), rank.error(), key.error()});

  for (const std::string& m : messages) {
    EXPECT_TRUE(is_valid_utf8(m)) << m;
    EXPECT_LT(char_count(m), 400u) << m;
  }
  EXPECT_THAT(messages[0], HasSubstr("last read: '…" + e_acute + e_acute));
  EXPECT_THAT(messages[1], HasSubstr("\xEF\xBF\xBD"));  // U+FFFD for the ill-formed byte
  EXPECT_THAT(messages[4], HasSubstr("number overflow parsing '10000"));
  EXPECT_THAT(messages[6], StartsWith("invalid type: floating point `0.0000"));
  EXPECT_THAT(messages[7], HasSubstr("invalid type: string \"" + e_acute + e_acute));
  EXPECT_THAT(messages[8], StartsWith("unknown field `" + e_acute));
  EXPECT_THAT(messages[8], HasSubstr("expected `app` or `size` at line 1 column"));
}

// ---------------------------------------------------------------------------------------------

TEST(JsonRecordReader, ReadsTheObjectAndTheArrayFormAlike) {
  JsonResult<Team> a = read_json_record<Team>(R"({"venue":{"city":"Oslo"},"id":"t","rank":3,"aliases":["x","y"]})");
  ASSERT_TRUE(a.ok()) << a.error();
  EXPECT_EQ(a->id, "t");
  EXPECT_EQ(a->rank, 3);
  EXPECT_EQ(a->venue.city, "Oslo");
  EXPECT_EQ(a->aliases, (std::vector<std::string>{"x", "y"}));

  JsonResult<Team> b = read_json_record<Team>(R"(["t", 3, ["Oslo"], ["x","y"]])");
  ASSERT_TRUE(b.ok()) << b.error();
  EXPECT_EQ(b->id, a->id);
  EXPECT_EQ(b->rank, a->rank);
  EXPECT_EQ(b->venue.city, "Oslo");
  EXPECT_EQ(b->aliases, a->aliases);
}

TEST(JsonRecordReader, AbsentAndNullOptionalsAreEmptyAndDefaultsKeepTheirValue) {
  JsonResult<Team> r = read_json_record<Team>(R"({"id":"t","rank":null,"venue":{"city":"c"},"unknown":{"deep":[1,{"x":[]}]}})");
  ASSERT_TRUE(r.ok()) << r.error();
  EXPECT_FALSE(r->rank.has_value());
  EXPECT_TRUE(r->aliases.empty());
  EXPECT_TRUE(r->active);
  EXPECT_EQ(r->percent, 50);
  EXPECT_EQ(r->zoom, 1.0f);
}

TEST(JsonRecordReader, KeyProblemsNameTheKey) {
  EXPECT_THAT(team_error(R"({"id":"a","id":"b","venue":{"city":"c"}})"), StartsWith("duplicate field `id` at line 1 column "));
  EXPECT_THAT(team_error(R"({"rank":1})"), StartsWith("missing field `id` at line 1 column 10"));
  EXPECT_THAT(team_error(R"({"id":"a"})"), StartsWith("missing field `venue`"));
  // An unknown key given twice is skipped both times.
  EXPECT_TRUE(read_json_record<Team>(with_member(R"("x":1,"x":2)")).ok());
}

TEST(JsonRecordReader, ARecordThatRefusesUnknownKeysNamesTheExpectedOnes) {
  JsonResult<Notice> r = read_json_record<Notice>(R"({"app":"a","size":1,"more":true})");
  ASSERT_FALSE(r.ok());
  EXPECT_THAT(r.error(), StartsWith("unknown field `more`, expected `app` or `size` at line 1 column 26"));
}

TEST(JsonRecordReader, TheArrayFormNeedsEveryElementUpToTheDefaults) {
  EXPECT_THAT(team_error(R"(["t", 3])"), StartsWith("invalid length 2, expected struct Team with 8 elements"));
  EXPECT_THAT(team_error(R"(["t"])"), StartsWith("invalid length 1, expected struct Team with 8 elements"));
  EXPECT_THAT(team_error(R"([])"), StartsWith("invalid length 0, expected struct Team with 8 elements"));
  EXPECT_THAT(team_error(R"(["t", null, []])"), StartsWith("invalid length 0, expected struct Venue with 1 element"));
  EXPECT_TRUE(read_json_record<Team>(R"(["t", null, ["c"]])").ok());
  EXPECT_THAT(team_error(R"(["t",1,["c"],[],true,1,1,1,"extra"])"),
              StartsWith("invalid length 9, expected struct Team with 8 elements"));
}

TEST(JsonRecordReader, WrongTypesAreDescribedWithWhatWasFoundAndWhatWasExpected) {
  EXPECT_THAT(team_error("3"), StartsWith("invalid type: integer `3`, expected struct Team at line 1 column 1"));
  EXPECT_THAT(team_error("\"x\""), StartsWith("invalid type: string \"x\", expected struct Team"));
  EXPECT_THAT(team_error("null"), StartsWith("invalid type: null, expected struct Team"));
  EXPECT_THAT(team_error(with_member(R"("rank":"1")")), StartsWith("invalid type: string \"1\", expected u16"));
  EXPECT_THAT(team_error(with_member(R"("active":1)")), StartsWith("invalid type: integer `1`, expected a boolean"));
  EXPECT_THAT(team_error(with_member(R"("aliases":null)")), StartsWith("invalid type: null, expected a sequence"));
  EXPECT_THAT(team_error(with_member(R"("aliases":[1])")), StartsWith("invalid type: integer `1`, expected a string"));
  EXPECT_THAT(team_error(R"({"id":[]})"), StartsWith("invalid type: sequence, expected a string"));
  EXPECT_THAT(team_error(R"({"id":{}})"), StartsWith("invalid type: map, expected a string"));
  EXPECT_THAT(team_error(R"({"id":false})"), StartsWith("invalid type: boolean `false`, expected a string"));
  EXPECT_THAT(team_error(R"({"rank":"a\"\n"})"), HasSubstr(R"(string "a\"\n")"));
}

TEST(JsonRecordReader, IntegersAreStrictAndRangeChecked) {
  struct Case {
    const char* member;
    const char* message;  // empty: accepted
  };
  const Case cases[] = {
      {R"("percent":255)", ""},
      {R"("percent":-0)", ""},
      {R"("percent":256)", "invalid value: integer `256`, expected u8"},
      {R"("percent":-1)", "invalid value: integer `-1`, expected u8"},
      {R"("percent":1.5)", "invalid type: floating point `1.5`, expected u8"},
      {R"("percent":60.0)", "invalid type: floating point `60.0`, expected u8"},
      {R"("percent":6e1)", "invalid type: floating point `60.0`, expected u8"},
      {R"("percent":18446744073709551616)", "invalid type: floating point `18446744073709551616.0`, expected u8"},
      {R"("offset":-2147483648)", ""},
      {R"("offset":-2147483649)", "invalid value: integer `-2147483649`, expected i32"},
      {R"("offset":2147483648)", "invalid value: integer `2147483648`, expected i32"},
      {R"("zoom":2)", ""},
      {R"("zoom":"2")", "invalid type: string \"2\", expected f32"},
  };
  for (const Case& c : cases) {
    JsonResult<Team> r = read_json_record<Team>(with_member(c.member));
    if (*c.message == 0) {
      EXPECT_TRUE(r.ok()) << c.member << ": " << r.error();
    } else {
      ASSERT_FALSE(r.ok()) << c.member;
      EXPECT_THAT(r.error(), StartsWith(c.message)) << c.member;
    }
  }
}

TEST(JsonRecordReader, TextsDecodeEscapesIncludingSurrogatePairs) {
  JsonResult<Team> r = read_json_record<Team>(R"({"id":"\u00e9\ud83d\ude00\t\/","venue":["c"]})");
  ASSERT_TRUE(r.ok()) << r.error();
  EXPECT_EQ(r->id, "é😀\t/");
}

TEST(JsonRecordReader, SyntaxErrorsComeFromTheValueTreeParse) {
  EXPECT_THAT(team_error(R"({"id":"a",)"), StartsWith("parse error at line 1, column 11"));
  EXPECT_THAT(team_error(std::string(300, '[')), HasSubstr("more than 128 nested"));
  EXPECT_THAT(team_error(std::string("{\"id\":\"a\0\"}", 11)), StartsWith("parse error"));
}

TEST(JsonRecordReader, PositionsCountLines) {
  EXPECT_THAT(team_error("{\n  \"id\": \"a\",\n  \"rank\": -4\n}"), EndsWith(" at line 3 column 12"));
}

TEST(JsonRecordReader, TheCursorAloneRefusesMalformedTextWithoutCrashing) {
  // read_json_record_checked trusts an earlier syntax check; given text that never had one, it
  // still fails cleanly.
  for (std::string text : {std::string("{\"id\""), std::string("[\"t\""), std::string("{\"id\":\"a"),
                           std::string("{\"id\" \"a\"}"), std::string("[1 2]"), std::string("{\"x\":[[[\"]"),
                           std::string("[\"\\ud800\"]"), std::string("{\"id\":\"a\",}"), std::string("-"),
                           std::string("[\"t\",1,[\"c\"]] x")}) {
    EXPECT_FALSE(read_json_record_checked(text, json_record(JsonTag<Team>{})).ok()) << text;
  }
}

// ---------------------------------------------------------------------------------------------

TEST(JsonWriter, RecordsAreWrittenInFieldOrderAndReadBack) {
  Team t;
  t.id = "t";
  t.venue.city = "Oslo";
  t.aliases = {"x"};
  t.zoom = 1.1f;
  const std::string compact = dump_json(json_record_to_json(t), JsonStyle::Compact);
  EXPECT_EQ(compact, R"({"id":"t","venue":{"city":"Oslo"},"aliases":["x"],"active":true,"percent":50,"offset":0,"zoom":1.1})");
  EXPECT_EQ(dump_json(json_record_to_json(t, true), JsonStyle::Compact).substr(0, 21), R"({"id":"t","rank":null)");

  JsonResult<Team> back = read_json_record<Team>(compact);
  ASSERT_TRUE(back.ok()) << back.error();
  EXPECT_EQ(back->zoom, 1.1f);
  EXPECT_EQ(back->venue.city, "Oslo");
}

TEST(JsonWriter, PrettyFormUsesTwoSpacesAndNonFiniteFloatsBecomeNull) {
  Team t;
  t.id = "t";
  t.zoom = std::numeric_limits<float>::infinity();
  nlohmann::ordered_json j = json_record_to_json(t);
  EXPECT_TRUE(j["zoom"].is_null());
  EXPECT_EQ(dump_json(nlohmann::ordered_json{{"a", nlohmann::ordered_json::array()}, {"b", 1.0}}, JsonStyle::Pretty),
            "{\n  \"a\": [],\n  \"b\": 1.0\n}");
}

TEST(JsonWriter, InvalidUtf8IsReplacedNotThrown) {
  nlohmann::json j = {{"k", std::string("a\xff" "b")}};
  EXPECT_EQ(dump_json(j, JsonStyle::Compact), "{\"k\":\"a\xEF\xBF\xBD" "b\"}");
}

}  // namespace
}  // namespace qx
