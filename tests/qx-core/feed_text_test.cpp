#include "feed_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace qx {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

const std::string BOM = "\xEF\xBB\xBF";

// A sound schema feed; `pad` bytes of an unknown member make it as long as needed.
std::string schema_feed(std::size_t pad = 0, std::string_view title = "Title") {
  return R"({"schema":"qx-feed/v1","id":"ab","title":")" + std::string(title) +
         R"(","pollSeconds":60,"badge":{"shortText":"S","statusText":"T"},"x":")" + std::string(pad, 'p') + R"("})";
}

// A generic JSON feed of exactly `size` bytes: one story and a padding string.
std::string json_feed_of_size(std::size_t size) {
  const std::string head = R"([{"title":"t","url":"https://a.example/"},")";
  const std::string tail = "\"]";
  return head + std::string(size - head.size() - tail.size(), 'x') + tail;
}

std::string message(const CoreResult<QxFeedV1>& r) { return r.ok() ? std::string("ok") : core_error_message(r.error()); }

TEST(ParseFeedText, TheFeedLimitIsMeasuredAfterTrimmingAndComesBeforeParsing) {
  const std::string exact = json_feed_of_size(MAX_FEED_BYTES);
  ASSERT_EQ(exact.size(), 2'097'152u);
  EXPECT_EQ(message(parse_feed_text(BOM + BOM + " \n" + exact + "\t\r\n")), "ok");

  std::string over = json_feed_of_size(MAX_FEED_BYTES + 1);
  over.back() = 'x';  // no longer JSON: the size alone must decide
  CoreResult<QxFeedV1> r = parse_feed_text(over);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().kind, CoreErrorKind::PayloadTooLarge);
  EXPECT_EQ(core_error_message(r.error()), "payload too large: 2097153 bytes exceeds limit of 2097152");

  EXPECT_EQ(message(parse_feed_text("<" + std::string(MAX_FEED_BYTES, 'x'))),
            "payload too large: 2097153 bytes exceeds limit of 2097152");
}

TEST(ParseFeedText, SchemaFeedsHaveTheirOwnLimitCheckedAfterTheSyntax) {
  const std::size_t base = schema_feed().size();
  EXPECT_EQ(message(parse_feed_text(schema_feed(MAX_SCHEMA_FEED_BYTES - base))), "ok");
  EXPECT_EQ(message(parse_feed_text(" " + schema_feed(MAX_SCHEMA_FEED_BYTES - base + 1) + " ")),
            "payload too large: 524289 bytes exceeds limit of 524288");
  // An oversized schema text that is not JSON reports the syntax error.
  std::string broken = schema_feed(600'000);
  broken.pop_back();
  EXPECT_THAT(message(parse_feed_text(broken)), StartsWith("serialization error: parse error at line 1, column "));
  // An oversized text that is not a schema feed is searched for stories.
  EXPECT_EQ(message(parse_feed_text(json_feed_of_size(1'000'000))), "ok");
}

TEST(ParseFeedText, AJsonFeedFollowedByANulByteAndMoreIsRefusedOnEveryPath) {
  const std::string junk("\0not json }}}", 13);
  const std::string story_list = R"([{"title":"t","url":"https://a.example/"}])";
  EXPECT_EQ(message(parse_feed_text(story_list)), "ok");
  EXPECT_THAT(message(parse_feed_text(story_list + junk)), StartsWith("serialization error: parse error at line 1, column 43"));
  EXPECT_THAT(message(parse_feed_text(schema_feed() + junk)), StartsWith("serialization error: parse error"));
}

TEST(ParseFeedText, SchemaFeedsAreReadAsTheyAreAndValidated) {
  CoreResult<QxFeedV1> r = parse_feed_text(schema_feed(0, "  Spaced  title  "));
  ASSERT_TRUE(r.ok()) << message(r);
  EXPECT_EQ(r->title, "  Spaced  title  ");
  EXPECT_EQ(r->id, "ab");

  EXPECT_EQ(message(parse_feed_text(R"({"schema":"qx-feed/v1","id":"ab","title":"T","pollSeconds":5,"badge":{"shortText":"S","statusText":"T"}})")),
            "invalid schema: pollSeconds must be 15..=86400");
  EXPECT_EQ(message(parse_feed_text(R"({"schema":"qx-feed/v1","id":"ab","title":"T","pollSeconds":60,"badge":{"shortText":"S","statusText":"T"},"items":[{"title":"t","url":"http://a"}]})")),
            "invalid url: http://a");
}

TEST(ParseFeedText, ABrokenSchemaFeedIsNotSearchedForStories) {
  CoreResult<QxFeedV1> r = parse_feed_text(
      R"({"schema":"qx-feed/v1","id":"ab","title":"T","pollSeconds":60,"items":[{"title":"t","url":"https://a/"}]})");
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().kind, CoreErrorKind::Serialization);
  EXPECT_THAT(message(r), StartsWith("serialization error: missing field `badge` at line 1 column "));

  // With "schema" twice the last value picks the schema path, whose reader refuses the repeat.
  EXPECT_THAT(message(parse_feed_text(R"({"schema":"other","schema":"qx-feed/v1"})")),
              StartsWith("serialization error: duplicate field `schema`"));
}

TEST(ParseFeedText, TheRootsLastSchemaMemberDecidesHoweverItIsSpelled) {
  CoreResult<QxFeedV1> r = parse_feed_text(
      R"({"sch\u0065ma":"qx\u002dfeed/v1","id":"ab","title":" T ","pollSeconds":60,"badge":{"shortText":"S","statusText":"T"}})");
  ASSERT_TRUE(r.ok()) << message(r);
  EXPECT_EQ(r->title, " T ");  // schema feeds are not cleaned

  r = parse_feed_text(R"({"schema":"qx-feed/v1","schema":"other","items":[{"title":"Story","url":"https://a.example/"}]})");
  ASSERT_TRUE(r.ok()) << message(r);
  EXPECT_EQ(r->title, "Your feed");

  // A broken schema text reports the syntax, not a missing field.
  EXPECT_THAT(message(parse_feed_text(R"({"schema":"qx-feed/v1","id":"ab",)")),
              StartsWith("serialization error: parse error at line 1, column 34:"));
  EXPECT_THAT(message(parse_feed_text(R"({"schema":"qx-feed/v1","x":)" + std::string(300, '['))),
              StartsWith("serialization error: parse error at line 1, column 155: more than 128 nested"));
}

TEST(ParseFeedText, OtherJsonIsSearchedForStories) {
  const std::string list = R"("items":[{"title":"Story","url":"https://a.example/"}])";
  for (const std::string& text : {"{\"schema\":1," + list + "}", "{\"schema\":\"QX-FEED/V1\"," + list + "}",
                                  "{\"schema\":{\"v\":\"qx-feed/v1\"}," + list + "}"}) {
    CoreResult<QxFeedV1> r = parse_feed_text(text);
    ASSERT_TRUE(r.ok()) << text << ": " << message(r);
    EXPECT_EQ(r->items.at(0).title, "Story");
  }
  EXPECT_EQ(message(parse_feed_text(R"({"schema":"qx-feed/v1 "})")), "invalid schema: no list of stories found in this JSON");
  EXPECT_EQ(message(parse_feed_text("[]")), "invalid schema: no list of stories found in this JSON");
}

TEST(ParseFeedText, TextThatStartsLikeJsonMustBeJson) {
  for (std::string text : {std::string("[1,2"), std::string("{} {}"), std::string(200, '[') + std::string(200, ']'),
                           std::string("[\"a\0\"]", 6), std::string("{\"a\":1e999}"), std::string("[\"\xff\"]")}) {
    CoreResult<QxFeedV1> r = parse_feed_text(text);
    ASSERT_FALSE(r.ok()) << text;
    EXPECT_EQ(r.error().kind, CoreErrorKind::Serialization) << text;
    EXPECT_THAT(message(r), StartsWith("serialization error: parse error at line ")) << text;
  }
}

TEST(ParseFeedText, EverythingElseIsXml) {
  for (const std::string& text : {std::string(), BOM, BOM + BOM + " \t\n", std::string("\xE3\x80\x80")}) {
    EXPECT_EQ(message(parse_feed_text(text)), "invalid xml: no RSS <item> or Atom <entry> found");
  }
  // A byte-order mark after whitespace is kept, so the text is not JSON.
  CoreResult<QxFeedV1> r = parse_feed_text("  " + BOM + schema_feed());
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().kind, CoreErrorKind::InvalidXml);

  r = parse_feed_text(BOM + R"(<?xml version="1.0"?><rss version="2.0"><channel><title>Chan</title>
      <item><title>First</title><link>https://a.example/1</link></item></channel></rss>)");
  ASSERT_TRUE(r.ok()) << message(r);
  EXPECT_EQ(r->title, "Chan");
  EXPECT_EQ(r->items.at(0).title, "First");
}

}  // namespace
}  // namespace qx
