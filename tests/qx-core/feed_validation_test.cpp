#include "feed_validation.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "unicode_text.h"

namespace qx {
namespace {

QxFeedV1 sound_feed() {
  QxFeedV1 f;
  f.schema = "qx-feed/v1";
  f.id = "ab";
  f.title = "Title";
  f.poll_seconds = 60;
  f.badge = {"Short", "Status", std::nullopt, std::nullopt};
  return f;
}

QxItem story(std::string title) {
  QxItem i;
  i.title = std::move(title);
  return i;
}

std::string repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// The display text of validating the sound feed after `change`, or "" when it passes.
std::string verdict(const std::function<void(QxFeedV1&)>& change) {
  QxFeedV1 f = sound_feed();
  change(f);
  CoreResult<Unit> r = validate_feed(f);
  return r.ok() ? std::string() : core_error_message(r.error());
}

TEST(ValidateFeed, ASoundFeedPasses) { EXPECT_EQ(verdict([](QxFeedV1&) {}), ""); }

TEST(ValidateFeed, LimitsPassAtTheBoundaryAndFailOnePast) {
  struct Case {
    const char* what;
    std::function<void(QxFeedV1&)> change;
    const char* message;
  };
  const Case cases[] = {
      {"poll 15", [](QxFeedV1& f) { f.poll_seconds = 15; }, ""},
      {"poll 86400", [](QxFeedV1& f) { f.poll_seconds = 86400; }, ""},
      {"poll 14", [](QxFeedV1& f) { f.poll_seconds = 14; }, "invalid schema: pollSeconds must be 15..=86400"},
      {"poll 86401", [](QxFeedV1& f) { f.poll_seconds = 86401; }, "invalid schema: pollSeconds must be 15..=86400"},
      {"80 accented letters", [](QxFeedV1& f) { f.title = repeat("é", 80); }, ""},
      {"81 letters", [](QxFeedV1& f) { f.title = repeat("a", 81); }, "invalid schema: title must be 1..=80 chars"},
      {"empty title", [](QxFeedV1& f) { f.title.clear(); }, "invalid schema: title must be 1..=80 chars"},
      {"80 astral characters", [](QxFeedV1& f) { f.title = repeat("😀", 80); }, ""},
      {"combining marks count", [](QxFeedV1& f) { f.title = repeat("e\xCC\x81", 41); },
       "invalid schema: title must be 1..=80 chars"},
      {"short 18", [](QxFeedV1& f) { f.badge.short_text = repeat("ß", 18); }, ""},
      {"short 19", [](QxFeedV1& f) { f.badge.short_text = repeat("s", 19); },
       "invalid schema: badge.shortText must be 1..=18 chars"},
      {"short empty", [](QxFeedV1& f) { f.badge.short_text.clear(); }, "invalid schema: badge.shortText must be 1..=18 chars"},
      {"status 96", [](QxFeedV1& f) { f.badge.status_text = repeat("s", 96); }, ""},
      {"status 97", [](QxFeedV1& f) { f.badge.status_text = repeat("s", 97); },
       "invalid schema: badge.statusText must be 1..=96 chars"},
      {"8 stories", [](QxFeedV1& f) { f.items.assign(8, story("t")); }, ""},
      {"9 stories", [](QxFeedV1& f) { f.items.assign(9, story("t")); }, "invalid schema: items max is 8"},
      {"story title 200", [](QxFeedV1& f) { f.items = {story(repeat("語", 200))}; }, ""},
      {"story title 201", [](QxFeedV1& f) { f.items = {story(repeat("t", 201))}; },
       "invalid schema: item title must be 1..=200 chars"},
      {"story title empty", [](QxFeedV1& f) { f.items = {story("")}; }, "invalid schema: item title must be 1..=200 chars"},
      {"6 links", [](QxFeedV1& f) { f.drawer = QxDrawer{{}, {}, std::vector<QxDrawerLink>(6, {"L", "https://a", {}, {}})}; }, ""},
      {"7 links", [](QxFeedV1& f) { f.drawer = QxDrawer{{}, {}, std::vector<QxDrawerLink>(7, {"L", "https://a", {}, {}})}; },
       "invalid schema: drawer.links max is 6"},
      {"label 64", [](QxFeedV1& f) { f.drawer = QxDrawer{{}, {}, {{repeat("l", 64), "https://a", {}, {}}}}; }, ""},
      {"label 65", [](QxFeedV1& f) { f.drawer = QxDrawer{{}, {}, {{repeat("l", 65), "https://a", {}, {}}}}; },
       "invalid schema: drawer link label must be 1..=64 chars"},
      {"link url", [](QxFeedV1& f) { f.drawer = QxDrawer{{}, {}, {{"L", "http://a", {}, {}}}}; }, "invalid url: http://a"},
  };
  for (const Case& c : cases) EXPECT_EQ(verdict(c.change), c.message) << c.what;
}

TEST(ValidateFeed, StoriesAreCheckedInOrderAndTheFirstBadOneStops) {
  EXPECT_EQ(verdict([](QxFeedV1& f) {
              f.items = {story("ok"), story(""), story("t")};
              f.items[2].url = "ftp://x";
            }),
            "invalid schema: item title must be 1..=200 chars");
  EXPECT_EQ(verdict([](QxFeedV1& f) {
              f.items = {story("t")};
              f.items[0].media = QxMedia{"Image", "https://a", {}};
            }),
            "invalid schema: media.kind must be image, audio or video");
  EXPECT_EQ(verdict([](QxFeedV1& f) {
              f.items = {story("t")};
              f.items[0].media = QxMedia{"audio", "https://a", "https://"};
            }),
            "invalid url: https://");
  EXPECT_EQ(verdict([](QxFeedV1& f) {
              f.items = {story("t")};
              f.items[0].url = "https://x y";
              f.items[0].media = QxMedia{"bad", "https://a", {}};
            }),
            "invalid url: https://x y");
}

TEST(ValidateFeed, ScoreStateAndSides) {
  const QxSide side{"ABC", "n", std::nullopt, std::nullopt};
  EXPECT_EQ(verdict([&](QxFeedV1& f) { f.score = QxScore{"post", "", {}, side, side}; }), "");
  EXPECT_EQ(verdict([&](QxFeedV1& f) { f.score = QxScore{"live", "", {}, side, side}; }),
            "invalid schema: score.state must be pre, in or post");
  EXPECT_EQ(verdict([&](QxFeedV1& f) { f.score = QxScore{"in", "", {}, {"ABCDEF", "", {}, {}}, side}; }),
            "invalid schema: score abbr must be 1..=5 chars");
  EXPECT_EQ(verdict([&](QxFeedV1& f) { f.score = QxScore{"in", "", {}, side, {"", "", {}, {}}}; }),
            "invalid schema: score abbr must be 1..=5 chars");
  EXPECT_EQ(verdict([&](QxFeedV1& f) { f.score = QxScore{"in", "", {}, side, {"H", "", {}, "red"}}; }),
            "invalid hex color: red");
}

TEST(ValidateFeed, OnlyTheFirstFailureIsReported) {
  EXPECT_EQ(verdict([](QxFeedV1& f) {
              f.schema = "QX-FEED/V1";
              f.title.clear();
            }),
            "invalid schema: schema must be qx-feed/v1");
  EXPECT_EQ(verdict([](QxFeedV1& f) {
              f.id = "A";
              f.poll_seconds = 0;
            }),
            "invalid schema: id length must be 2..=64");
  EXPECT_EQ(verdict([](QxFeedV1& f) {
              f.badge.accent_hex = "#12345";
              f.items.assign(9, story(""));
            }),
            "invalid hex color: #12345");
}

TEST(ValidateId, LengthInBytesThenCharacters) {
  const std::pair<std::string, const char*> cases[] = {
      {"ab", ""},
      {std::string(64, 'a'), ""},
      {"a-", ""},
      {"0_x", ""},
      {"a", "invalid schema: id length must be 2..=64"},
      {std::string(65, 'a'), "invalid schema: id length must be 2..=64"},
      {"", "invalid schema: id length must be 2..=64"},
      {"-a", "invalid schema: id contains invalid characters"},
      {"_a", "invalid schema: id contains invalid characters"},
      {"aB", "invalid schema: id contains invalid characters"},
      {"a b", "invalid schema: id contains invalid characters"},
      {"é", "invalid schema: id contains invalid characters"},  // 2 bytes, not ASCII
      {std::string(32, 'a') + repeat("é", 17), "invalid schema: id length must be 2..=64"},
      {std::string("a\0", 2), "invalid schema: id contains invalid characters"},
  };
  for (const auto& [id, message] : cases) {
    CoreResult<Unit> r = validate_id(id);
    EXPECT_EQ(r.ok() ? std::string() : core_error_message(r.error()), message) << id;
  }
}

TEST(ValidateHexColor, HashAndSixHexDigitsInEitherCase) {
  EXPECT_TRUE(validate_hex_color("#aBc123").ok());
  for (std::string bad : {"#abc12", "abcdefg", "#abc1234", "#abcdeg", "", "#", "# abcde", "＃abcdef"}) {
    CoreResult<Unit> r = validate_hex_color(bad);
    ASSERT_FALSE(r.ok()) << bad;
    EXPECT_EQ(r.error().kind, CoreErrorKind::InvalidHexColor);
    EXPECT_EQ(core_error_message(r.error()), "invalid hex color: " + bad);
  }
}

TEST(FeedFromStories, BuildsTheFeedAroundTheFirstStory) {
  CoreResult<QxFeedV1> r = feed_from_stories("   ", {story("Word")});
  ASSERT_TRUE(r.ok()) << core_error_message(r.error());
  const QxFeedV1& f = *r;
  EXPECT_EQ(f.schema, "qx-feed/v1");
  EXPECT_EQ(f.id, "desktop-feed");
  EXPECT_EQ(f.poll_seconds, 60u);
  EXPECT_EQ(f.title, "Your feed");
  EXPECT_EQ(f.badge.short_text, "Word");
  EXPECT_EQ(f.badge.status_text, "Word");
  EXPECT_FALSE(f.badge.pulse_event_id);
  EXPECT_FALSE(f.badge.accent_hex);
  ASSERT_TRUE(f.drawer);
  EXPECT_EQ(f.drawer->headline, "Word");
  EXPECT_FALSE(f.drawer->updated_at);
  EXPECT_TRUE(f.drawer->links.empty());
  EXPECT_FALSE(f.score);
  EXPECT_FALSE(f.signature);
  ASSERT_EQ(f.items.size(), 1u);
}

TEST(FeedFromStories, DerivedTextsAreDecodedCollapsedAndCut) {
  QxItem first = story("A  very long first story title that goes on and on well past the badge widths, surely past ninety-six characters");
  first.url = "https://example.org/1";
  first.id = std::string(100, 'i');
  CoreResult<QxFeedV1> r = feed_from_stories(" Caf&eacute;\t&amp; <b>bar</b> " + repeat("x", 100), {first, story("Second")});
  ASSERT_TRUE(r.ok()) << core_error_message(r.error());
  EXPECT_EQ(char_count(r->title), 80u);
  EXPECT_EQ(r->title.rfind("Café & <b>bar</b> xxxxx", 0), 0u) << r->title;
  EXPECT_EQ(r->badge.short_text, "A very long first ");
  EXPECT_EQ(char_count(r->badge.status_text), 96u);
  EXPECT_EQ(r->badge.pulse_event_id, std::string(64, 'i'));
  ASSERT_EQ(r->drawer->links.size(), 1u);
  EXPECT_EQ(r->drawer->links[0].label, "Open story");
  EXPECT_EQ(r->drawer->links[0].url, "https://example.org/1");
  EXPECT_EQ(r->items.size(), 2u);
  EXPECT_EQ(r->items[0].title, first.title);  // stories are kept as given
}

TEST(FeedFromStories, ATitleBlankOnlyAfterDecodingFallsBackToTheDefault) {
  CoreResult<QxFeedV1> r = feed_from_stories("&nbsp;", {story("t")});
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->title, "Your feed");
  r = feed_from_stories(" &#32;&#x3000; ", {story("t")});
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->title, "Your feed");
}

TEST(FeedFromStories, FailuresComeFromTheStories) {
  CoreResult<QxFeedV1> r = feed_from_stories("T", {});
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().kind, CoreErrorKind::InvalidXml);
  EXPECT_EQ(core_error_message(r.error()), "invalid xml: no RSS <item> or Atom <entry> found");

  r = feed_from_stories("T", std::vector<QxItem>(9, story("t")));
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(core_error_message(r.error()), "invalid schema: items max is 8");

  QxItem bad = story("t");
  bad.media = QxMedia{"video", "http://v", {}};
  r = feed_from_stories("T", {story("ok"), bad});
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(core_error_message(r.error()), "invalid url: http://v");

  // A story title of one blank passes the length rule; the badge made from it reads "LIVE".
  r = feed_from_stories("T", {story(" ")});
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->badge.short_text, "LIVE");
}

}  // namespace
}  // namespace qx
