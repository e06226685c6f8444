#include "app/state_texts.h"

#include <gtest/gtest.h>

#include "app/feed_slots.h"
#include "state_test_helpers.h"
#include "world/translations.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using test::feed;
using test::score;
using test::state_with;
using test::story;
using test::T0;

AppState loaded_at(Instant when) {
  AppState s = state_with({"https://a.example/rss"});
  apply_feed_result(s.feeds, "https://a.example/rss", feed("Daily", {"First story", "Second story"}), when);
  return s;
}

TEST(StatusText, BeforeTheFirstLoadItIsConnectingOrOffline) {
  AppState s = state_with({"https://a.example/rss"});
  EXPECT_EQ(status_text(s, T0), "Connecting…");
  apply_feed_result(s.feeds, "https://a.example/rss", err(std::string("http error: timed out")), T0);
  EXPECT_EQ(s.feeds[0].status, "Can’t load this feed. Right-click to choose another.");
  EXPECT_EQ(status_text(s, T0 + 1h), "Offline");
}

TEST(StatusText, TheAgeIsInWholeUnitsAtEachBoundary) {
  const AppState s = loaded_at(T0);
  EXPECT_EQ(status_text(s, T0), "Updated just now");
  EXPECT_EQ(status_text(s, T0 + 59s + 999ms), "Updated just now");
  EXPECT_EQ(status_text(s, T0 + 60s), "Updated 1 min ago");
  EXPECT_EQ(status_text(s, T0 + 3599s), "Updated 59 min ago");
  EXPECT_EQ(status_text(s, T0 + 3600s), "Updated 1 h ago");
  EXPECT_EQ(status_text(s, T0 + 7199s), "Updated 1 h ago");
  EXPECT_EQ(status_text(s, T0 + 50h), "Updated 50 h ago");
  EXPECT_EQ(status_text(s, T0 - 5s), "Updated just now");  // never a negative age
}

TEST(StatusText, AFailureAfterALoadShowsOfflineWithTheAge) {
  AppState s = loaded_at(T0);
  apply_feed_result(s.feeds, "https://a.example/rss", err(std::string("http error: offline")), T0 + 4min);
  EXPECT_EQ(status_text(s, T0 + 5min), "Offline · 5 min ago");
  EXPECT_EQ(status_text(s, T0 + 30s), "Offline · just now");
  EXPECT_EQ(current_story(s)->title, "First story");  // the stories stay
}

TEST(StatusText, IsTranslatedBeforeThePlaceholderIsFilled) {
  AppState s = loaded_at(T0);
  s.lang = "de";
  EXPECT_EQ(status_text(s, T0 + 5min), fill_placeholders(translate("de", "Updated {when}"), {{"{when}", "vor 5 Min."}}));
  apply_feed_result(s.feeds, "https://a.example/rss", err(std::string("x")), T0 + 5min);
  EXPECT_EQ(status_text(s, T0 + 5min), translate("de", "Offline") + " · vor 5 Min.");
  s.lang = "it";  // no translations: English
  EXPECT_EQ(status_text(s, T0 + 5min), "Offline · 5 min ago");
}

TEST(CaptionText, InvitationThenStoryTitleThenFeedStatus) {
  AppState s = loaded_at(T0);
  s.default_feeds = true;
  EXPECT_EQ(caption_text(s), "Choose your team to begin. This is the latest game until you do.");
  s.lang = "fr";
  EXPECT_EQ(caption_text(s), translate("fr", "Choose your team to begin. This is the latest game until you do."));
  s.default_feeds = false;
  EXPECT_EQ(caption_text(s), "First story");
  s.feeds[0].current = 1;
  EXPECT_EQ(caption_text(s), "Second story");
  s.feeds[0].score = score("in");
  EXPECT_EQ(caption_text(s), "Fresh");  // a game shows its badge status

  AppState fresh = state_with({"https://b.example/rss"});
  fresh.feeds[0].status = "Connecting…";
  EXPECT_EQ(caption_text(fresh), "Connecting…");
}

TEST(BarTexts, ABrokenActiveIndexGivesEmptyTextsNotACrash) {
  AppState s = loaded_at(T0);
  s.active = 9;
  EXPECT_EQ(caption_text(s), "");
  EXPECT_EQ(status_text(s, T0), "");
}

}  // namespace
}  // namespace qx
