#include "feed_records.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "json_reader.h"

namespace qx {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

const char* const BADGE = R"({"shortText":"S","statusText":"T"})";

// A sound feed object with `extra` members added at its end.
std::string feed_with(std::string_view extra) {
  std::string s = R"({"schema":"qx-feed/v1","id":"ab","title":"T","pollSeconds":60,"badge":)";
  s += BADGE;
  if (!extra.empty()) s += ",";
  s += extra;
  s += "}";
  return s;
}

std::string read_error(std::string_view text) {
  CoreResult<QxFeedV1> r = read_qx_feed(text);
  EXPECT_FALSE(r.ok()) << text;
  if (r.ok()) return {};
  EXPECT_EQ(r.error().kind, CoreErrorKind::Serialization);
  return core_error_message(r.error());
}

TEST(FeedRecordReading, ASoundFeedReadsEveryRecord) {
  CoreResult<QxFeedV1> r = read_qx_feed(feed_with(R"(
      "drawer":{"headline":"H","links":[{"label":"L","url":"https://a/","tag":"t","affiliateSlug":"s"}]},
      "score":{"state":"in","detail":"Q2","startsAt":"now","away":{"abbr":"A","name":"Away","score":"7","colorHex":"#010203"},
               "home":["H","Home",null,null]},
      "items":[{"title":"One","url":"https://x/1","id":"1","published":"yesterday",
                "media":{"kind":"video","url":"https://v/","poster":"https://p/"}}],
      "signature":{"alg":"ed25519","kid":"k","sig":"00"})"));
  ASSERT_TRUE(r.ok()) << core_error_message(r.error());
  const QxFeedV1& f = *r;
  EXPECT_EQ(f.badge.short_text, "S");
  ASSERT_TRUE(f.drawer && f.drawer->links.size() == 1);
  EXPECT_EQ(f.drawer->links[0].affiliate_slug, "s");
  ASSERT_TRUE(f.score);
  EXPECT_EQ(f.score->away.score, "7");
  EXPECT_EQ(f.score->home.name, "Home");
  EXPECT_FALSE(f.score->home.score);
  ASSERT_EQ(f.items.size(), 1u);
  EXPECT_EQ(f.items[0].published, "yesterday");
  EXPECT_EQ(f.items[0].media->poster, "https://p/");
  EXPECT_EQ(f.signature->alg, "ed25519");
}

TEST(FeedRecordReading, UnknownMembersAreSkippedWhateverTheyHold) {
  CoreResult<QxFeedV1> r = read_qx_feed(feed_with(R"("extra":{"a":[1,{"b":[]}],"c":"}"},"more":[[["]"]]])"));
  ASSERT_TRUE(r.ok()) << core_error_message(r.error());
  EXPECT_TRUE(r->items.empty());
}

TEST(FeedRecordReading, KeyProblemsAreNamed) {
  EXPECT_THAT(read_error(feed_with(R"("id":"cd")")), StartsWith("serialization error: duplicate field `id` at line 1 column "));
  EXPECT_THAT(read_error(R"({"id":"ab","pollSeconds":60,"badge":{"shortText":"S","statusText":"T"}})"),
              StartsWith("serialization error: missing field `schema` at line 1 column "));
  EXPECT_THAT(read_error(R"({"schema":"qx-feed/v1","id":"ab","title":"T","pollSeconds":60})"),
              StartsWith("serialization error: missing field `badge`"));
  EXPECT_THAT(read_error(feed_with(R"("items":[{"url":"https://a/"}])")), HasSubstr("missing field `title`"));
}

TEST(FeedRecordReading, NullMeansAbsentOnlyForOptionalRecords) {
  CoreResult<QxFeedV1> r = read_qx_feed(feed_with(R"("drawer":null,"score":null,"signature":null)"));
  ASSERT_TRUE(r.ok()) << core_error_message(r.error());
  EXPECT_FALSE(r->drawer);
  EXPECT_FALSE(r->score);

  EXPECT_THAT(read_error(feed_with(R"("items":null)")), HasSubstr("invalid type: null, expected a sequence"));
  EXPECT_THAT(read_error(R"({"schema":"qx-feed/v1","id":"ab","title":"T","pollSeconds":60,"badge":null})"),
              HasSubstr("invalid type: null, expected struct QxBadge"));
  EXPECT_THAT(read_error(feed_with(R"("drawer":{"links":null})")), HasSubstr("expected a sequence"));
  EXPECT_THAT(read_error(feed_with(R"("score":{"state":"in","detail":"d","away":null,"home":null})")),
              HasSubstr("invalid type: null, expected struct QxSide"));
}

TEST(FeedRecordReading, ArrayFormsFollowTheFieldOrder) {
  // 7 and 8 elements: "items" takes its default, then "signature" is missing at place 8.
  const std::string head = R"("qx-feed/v1","ab","T",60,["S","T",null,null],null,null)";
  EXPECT_THAT(read_error("[" + head + "]"), HasSubstr("invalid length 8, expected struct QxFeedV1 with 9 elements"));
  EXPECT_THAT(read_error("[" + head + ",[]]"), HasSubstr("invalid length 8, expected struct QxFeedV1 with 9 elements"));
  CoreResult<QxFeedV1> whole = read_qx_feed("[" + head + ",[],null]");
  ASSERT_TRUE(whole.ok()) << core_error_message(whole.error());
  EXPECT_EQ(whole->badge.status_text, "T");

  CoreResult<QxFeedV1> drawer = read_qx_feed(feed_with(R"("drawer":["H",null])"));
  ASSERT_TRUE(drawer.ok()) << core_error_message(drawer.error());
  EXPECT_EQ(drawer->drawer->headline, "H");
  EXPECT_TRUE(drawer->drawer->links.empty());
  EXPECT_THAT(read_error(feed_with(R"("drawer":["H"])")), HasSubstr("invalid length 1, expected struct QxDrawer with 3 elements"));

  EXPECT_THAT(read_error(feed_with(R"("items":[{"title":"t","media":["image","https://a/"]}])")),
              HasSubstr("invalid length 2, expected struct QxMedia with 3 elements"));
  CoreResult<QxFeedV1> media = read_qx_feed(feed_with(R"("items":[["t",null,null,null,["image","https://a/",null]]])"));
  ASSERT_TRUE(media.ok()) << core_error_message(media.error());
  EXPECT_EQ(media->items[0].media->url, "https://a/");
  EXPECT_FALSE(media->items[0].media->poster);
}

TEST(FeedRecordReading, TypesAreStrict) {
  EXPECT_TRUE(read_qx_feed(feed_with(R"("score":{"state":"in","detail":"d","away":{"abbr":"A","name":"a","score":"12"},"home":["H","h",null,null]})")).ok());
  EXPECT_THAT(read_error(feed_with(R"("score":{"state":"in","detail":"d","away":{"abbr":"A","name":"a","score":12},"home":["H","h",null,null]})")),
              HasSubstr("invalid type: integer `12`, expected a string"));

  const std::string pre = R"({"schema":"qx-feed/v1","id":"ab","title":"T","badge":{"shortText":"S","statusText":"T"},"pollSeconds":)";
  EXPECT_TRUE(read_qx_feed(pre + "4294967295}").ok());
  EXPECT_TRUE(read_qx_feed(pre + "-0}").ok());
  EXPECT_THAT(read_error(pre + "4294967296}"), HasSubstr("invalid value: integer `4294967296`, expected u32"));
  EXPECT_THAT(read_error(pre + "1.5}"), HasSubstr("invalid type: floating point `1.5`, expected u32"));
  EXPECT_THAT(read_error(pre + "\"60\"}"), HasSubstr("invalid type: string \"60\", expected u32"));
}

TEST(FeedRecordReading, HostileTextGivesASerializationErrorNeverACrash) {
  for (std::string text : {std::string(5000, '[') + std::string(5000, ']'), feed_with(R"("x":1e999)"),
                           std::string("{\"schema\":\"qx\0feed\"}", 20), std::string("{\"\xC0\xAF\":1}")}) {
    CoreResult<QxFeedV1> r = read_qx_feed(text);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().kind, CoreErrorKind::Serialization);
  }
}

TEST(FeedRecordWriting, EveryRecordIsWrittenInFieldOrderAndReadsBackTheSame) {
  QxFeedV1 f;
  f.schema = "qx-feed/v1";
  f.id = "ab";
  f.title = "Tïtle";
  f.poll_seconds = 90;
  f.badge = {"S", "T", "#aabbcc", std::nullopt};
  f.drawer = QxDrawer{"H", std::nullopt, {{"L", "https://a/", std::nullopt, "s"}}};
  f.score = QxScore{"post", "F", std::nullopt, {"A", "Away", "3", std::nullopt}, {"H", "Home", std::nullopt, "#000000"}};
  f.items = {QxItem{"One", "https://x/", std::nullopt, "p", QxMedia{"image", "https://i/", std::nullopt}}};

  const nlohmann::ordered_json j = qx_feed_to_json(f);
  std::string keys;
  for (auto it = j.begin(); it != j.end(); ++it) keys += it.key() + " ";
  EXPECT_EQ(keys, "schema id title pollSeconds badge drawer score items ");
  EXPECT_EQ(dump_json(j["badge"], JsonStyle::Compact), R"({"shortText":"S","statusText":"T","accentHex":"#aabbcc"})");
  EXPECT_EQ(dump_json(j["score"]["away"], JsonStyle::Compact), R"({"abbr":"A","name":"Away","score":"3"})");

  CoreResult<QxFeedV1> back = read_qx_feed(dump_json(j, JsonStyle::Pretty));
  ASSERT_TRUE(back.ok()) << core_error_message(back.error());
  EXPECT_EQ(*back, f);
}

}  // namespace
}  // namespace qx
