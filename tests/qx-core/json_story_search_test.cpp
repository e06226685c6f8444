#include "json_story_search.h"

#include <gtest/gtest.h>

#include <string>

#include "json_reader.h"
#include "text_cleanup.h"

namespace qx {
namespace {

nlohmann::json tree(std::string_view text) {
  JsonResult<nlohmann::json> r = parse_json_dom(text);
  EXPECT_TRUE(r.ok()) << r.error();
  return r.ok() ? std::move(r).value() : nlohmann::json();
}

std::string stories(int count, std::string_view prefix = "s") {
  std::string s = "[";
  for (int i = 0; i < count; ++i) {
    if (i) s += ",";
    s += R"({"title":")" + std::string(prefix) + std::to_string(i) + R"(","url":"https://e.example/)" + std::to_string(i) + R"("})";
  }
  return s + "]";
}

CoreResult<QxFeedV1> search(std::string_view text) { return find_story_list(tree(text)); }

std::string first_title(std::string_view text) {
  CoreResult<QxFeedV1> r = search(text);
  if (!r.ok()) return core_error_message(r.error());
  return r->items.empty() ? std::string() : r->items[0].title;
}

const char* const NOT_FOUND = "invalid schema: no list of stories found in this JSON";

TEST(FindStoryList, ARootArrayOfStoriesIsTakenAtOnce) {
  CoreResult<QxFeedV1> r = search(stories(3));
  ASSERT_TRUE(r.ok()) << core_error_message(r.error());
  EXPECT_EQ(r->title, "Your feed");
  ASSERT_EQ(r->items.size(), 3u);
  EXPECT_EQ(r->items[2].url, "https://e.example/2");
  EXPECT_EQ(r->id, "desktop-feed");
}

TEST(FindStoryList, AtMostEightElementsAreTriedAndStoriesKeepTheirOrder) {
  CoreResult<QxFeedV1> r = search(stories(30));
  ASSERT_TRUE(r.ok());
  ASSERT_EQ(r->items.size(), 8u);
  EXPECT_EQ(r->items[7].title, "s7");
}

TEST(FindStoryList, AnArrayIsTakenOnlyWhenEnoughOfItLooksLikeStories) {
  // 8 titled elements, 4 with an address: taken. 3 with an address: refused.
  auto eight = [](int linked) {
    std::string s = "[";
    for (int i = 0; i < 8; ++i) {
      if (i) s += ",";
      s += i < linked ? R"({"title":"t","link":"https://a.example/"})" : R"({"title":"t"})";
    }
    return s + "]";
  };
  EXPECT_TRUE(search(eight(4)).ok());
  EXPECT_EQ(first_title(eight(3)), NOT_FOUND);

  // 10 elements of which only 3 have a title: refused (2·3 < 8); the search goes on inside its
  // first 20 elements.
  std::string ten = R"([{"title":"a","url":"https://a/"},{"title":"b","url":"https://a/"},{"title":"c","url":"https://a/"},)"
                    R"({"x":1},{"nested":)" + stories(2, "deep") + R"(},{},{},{},{},{}])";
  EXPECT_EQ(first_title(ten), "deep0");

  // Elements that are not objects still use up their place.
  EXPECT_EQ(first_title(R"([1,2,3,{"title":"t","url":"https://a/"}])"), NOT_FOUND);
  EXPECT_EQ(first_title(R"([1,{"title":"t","url":"https://a/"}])"), "t");
}

TEST(FindStoryList, MembersAreSearchedInAscendingByteOrderExceptSkippedOnes) {
  EXPECT_EQ(first_title(R"({"b":)" + stories(2, "b") + R"(,"a":)" + stories(2, "a") + "}"), "a0");
  EXPECT_EQ(first_title(R"({"a":)" + stories(2, "a") + R"(,"Z":)" + stories(2, "Z") + "}"), "Z0");
  EXPECT_EQ(first_title(R"({"authors":)" + stories(2) + R"(,"tags":)" + stories(2) + R"(,"hubs":)" + stories(2) + "}"),
            NOT_FOUND);
  // Breadth first: a shallow list wins over a deeper one whose key sorts first.
  EXPECT_EQ(first_title(R"({"a":{"list":)" + stories(1, "deep") + R"(},"b":)" + stories(1, "shallow") + "}"), "shallow0");
}

TEST(FindStoryList, ListsAreFoundDownToDepthFive) {
  EXPECT_EQ(first_title(R"({"a":{"b":{"c":{"d":{"e":)" + stories(1) + "}}}}}"), "s0");
  EXPECT_EQ(first_title(R"({"a":{"b":{"c":{"d":{"e":{"f":)" + stories(1) + "}}}}}}"), NOT_FOUND);
  EXPECT_EQ(first_title("[[[[[" + stories(1) + "]]]]]"), "s0");
  EXPECT_EQ(first_title("[[[[[[" + stories(1) + "]]]]]]"), NOT_FOUND);
}

TEST(FindStoryList, TheSearchGivesUpAfterTwoThousandValues) {
  auto padded = [](int scalars) {
    std::string s = "{";
    for (int i = 0; i < scalars; ++i) s += "\"k" + std::to_string(10000 + i) + "\":0,";
    return s + "\"z\":" + stories(1) + "}";
  };
  EXPECT_EQ(first_title(padded(1998)), "s0");  // the list is the 2000th value taken
  EXPECT_EQ(first_title(padded(1999)), NOT_FOUND);
}

TEST(FindStoryList, AHugeObjectIsSearchedWithinTheBudget) {
  std::string s = "{";
  for (int i = 0; i < 200000; ++i) s += "\"k" + std::to_string(i) + "\":[" + std::to_string(i) + "],";
  EXPECT_EQ(first_title(s + "\"z\":1}"), NOT_FOUND);
}

TEST(FindStoryList, TheFeedTitleComesFromTheRootWithTagsStripped) {
  CoreResult<QxFeedV1> r = search(R"({"title":" <b>My</b> feed ","items":)" + stories(1) + "}");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->title, "My feed");
  r = search(R"({"name":"Named","feed_title":"Other","items":)" + stories(1) + "}");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->title, "Named");
  // JSON titles are not decoded here, only when the feed is built.
  r = search(R"({"title":"A &amp; B","items":)" + stories(1) + "}");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->title, "A & B");
}

TEST(StoryFromJson, TheTitleKeyIsChosenBeforeItsText) {
  EXPECT_FALSE(story_from_json(tree(R"({"title":true,"headline":"h"})")));
  EXPECT_FALSE(story_from_json(tree(R"({"title":[],"headline":"h"})")));
  EXPECT_FALSE(story_from_json(tree(R"({"title":"  ","headline":"h"})")));
  EXPECT_EQ(story_from_json(tree(R"({"title":null,"headline":"h"})"))->title, "h");
  EXPECT_EQ(story_from_json(tree(R"({"title":"","headline":"h"})"))->title, "h");
  EXPECT_EQ(story_from_json(tree(R"({"title":2024})"))->title, "2024");
  EXPECT_EQ(story_from_json(tree(R"({"title":-7})"))->title, "-7");
  EXPECT_EQ(story_from_json(tree(R"({"title":1.5})"))->title, "1.5");
  EXPECT_EQ(story_from_json(tree(R"({"title":{"rendered":"<p>Hello &amp;\n  world</p>"}})"))->title, "Hello &amp; world");
  EXPECT_EQ(story_from_json(tree(R"({"title":[{"value":["deep"]}]})"))->title, "deep");
  EXPECT_FALSE(story_from_json(tree(R"(["title"])")));
  EXPECT_EQ(story_from_json(tree("{\"title\":\"" + std::string(300, 'x') + "\"}"))->title, std::string(200, 'x'));
}

TEST(StoryFromJson, AddressesAreNormalisedAndTheFirstSoundOneWins) {
  const std::optional<QxItem> s = story_from_json(tree(
      R"({"title":"t","url":" https://a.example/","link":"https://b.example/","id":"  7 ","date":" today ","image":"http://i.example/p.jpg"})"));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->url, "https://b.example/");
  EXPECT_EQ(s->id, "7");
  EXPECT_EQ(s->published, "today");
  ASSERT_TRUE(s->media);
  EXPECT_EQ(s->media->kind, "image");
  EXPECT_EQ(s->media->url, "https://i.example/p.jpg");
  EXPECT_FALSE(s->media->poster);

  EXPECT_EQ(story_from_json(tree(R"({"title":"t","url":null,"href":{"href":"https://h/"}})"))->url, "https://h/");
  EXPECT_FALSE(story_from_json(tree(R"({"title":"t","url":"ftp://x","link":false})"))->url);
  const std::string uploads = std::string(UPLOADS_PICTURE_PREFIX) + "p.png";
  EXPECT_EQ(story_from_json(tree(R"({"title":"t","thumbnail":")" + uploads + R"("})"))->media->url, uploads + "?w=1280");
}

TEST(StoryFromJson, MediaFromAttachmentsThenMediaKeysThenThePicture) {
  std::optional<QxItem> s = story_from_json(tree(R"({"title":"t","image":"https://p/",
      "video_url":"https://v/",
      "attachments":[{"mime_type":"text/html","url":"https://x/"},{"type":"audio/mpeg"},
                     {"mime_type":"audio/mpeg","url":"https://a/"}]})"));
  ASSERT_TRUE(s && s->media);
  EXPECT_EQ(s->media->kind, "audio");
  EXPECT_EQ(s->media->url, "https://a/");
  EXPECT_EQ(s->media->poster, "https://p/");

  s = story_from_json(tree(R"({"title":"t","image":"https://p/","attachments":[{"type":"image/png","url":"https://i/"}]})"));
  EXPECT_EQ(s->media->kind, "image");
  EXPECT_FALSE(s->media->poster);

  s = story_from_json(tree(R"({"title":"t","attachments":[{"type":"Video/mp4","url":"https://x/"}],"audioUrl":"https://a/","videoUrl":"bad"})"));
  EXPECT_EQ(s->media->kind, "audio");
  EXPECT_EQ(s->media->url, "https://a/");
  EXPECT_FALSE(s->media->poster);

  s = story_from_json(tree(R"({"title":"t","video":"https://v/","audio":"https://a/"})"));
  EXPECT_EQ(s->media->kind, "video");

  EXPECT_FALSE(story_from_json(tree(R"({"title":"t","attachments":{"url":"https://a/"}})"))->media);
}

TEST(StoryFromJson, AStoryWithOnlyAPictureCountsAsLinked) {
  EXPECT_EQ(first_title(R"([{"title":"a","image":"https://p/"},{"title":"b"}])"), "a");
  EXPECT_EQ(first_title(R"([{"title":"a"},{"title":"b"}])"), NOT_FOUND);
}

TEST(JsonMemberReaders, PresenceTextAndTrimming) {
  const nlohmann::json v = tree(R"({"a":null,"b":"","c":"  ","d":"x"})");
  const std::array<std::string_view, 4> keys{"a", "b", "c", "d"};
  ASSERT_NE(json_first_key(v, keys), nullptr);
  EXPECT_EQ(*json_first_key(v, keys), "  ");
  EXPECT_EQ(json_first_key(tree("[1]"), keys), nullptr);
  EXPECT_FALSE(json_text_field(v, keys));  // "c" is chosen, and trims to nothing
  EXPECT_FALSE(json_value_text(tree("[]")));
  EXPECT_FALSE(json_value_text(tree("{}")));
  EXPECT_EQ(json_value_text(tree("18446744073709551615")), "18446744073709551615");
  EXPECT_EQ(json_value_text(tree("1e2")), "100.0");
}

}  // namespace
}  // namespace qx
