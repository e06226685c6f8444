#include "world/locale_choice.h"

#include <gtest/gtest.h>

#include "app/feed_slots.h"
#include "state_test_helpers.h"

namespace qx {
namespace {

using test::T0;

TEST(ResolveLocale, UnknownCodesFallBackToTheWorldRowAndTheCountrysLanguage) {
  EXPECT_EQ(resolve_locale("XX", "de"), (Locale{"ZZ", "de"}));
  EXPECT_EQ(resolve_locale("IN", "xx"), (Locale{"IN", "en"}));
  EXPECT_EQ(resolve_locale("CH", "it"), (Locale{"CH", "it"}));
  EXPECT_EQ(resolve_locale("us", "en"), (Locale{"ZZ", "en"}));
  EXPECT_EQ(resolve_locale("DE", "DE"), (Locale{"DE", "de"}));
  EXPECT_EQ(resolve_locale("MA", ""), (Locale{"MA", "ar"}));
  EXPECT_EQ(resolve_locale("", ""), (Locale{"ZZ", "en"}));
  EXPECT_EQ(resolve_locale("001", "en"), (Locale{"ZZ", "en"}));
  EXPECT_EQ(resolve_locale("JP", "cy"), (Locale{"JP", "cy"}));  // any of the table's languages stays
}

TEST(SetLocale, TheDefaultFeedFollowsTheCountrysFirstLeague) {
  const struct {
    const char* country;
    const char* league;
  } cases[] = {{"IN", "cricket"}, {"US", "nfl"}, {"GB", "epl"}, {"ZZ", "ucl"}, {"DE", "bundesliga"}, {"XX", "ucl"}};
  for (const auto& c : cases) {
    AppState s = initial_app_state(DEFAULT_FEED_URL);
    set_locale(s, c.country, "");
    ASSERT_EQ(s.feeds.size(), 1u) << c.country;
    EXPECT_EQ(s.feeds[0], new_feed_slot(featured_feed_url(c.league), std::nullopt)) << c.country;
    EXPECT_EQ(s.active, 0u);
    EXPECT_TRUE(s.default_feeds);
  }
}

TEST(SetLocale, ChosenFeedsStayWhenTheCountryChanges) {
  AppState s = initial_app_state(DEFAULT_FEED_URL);
  add_or_select_feed(s, "https://mine.example/rss", std::nullopt, T0);
  add_or_select_feed(s, "https://other.example/rss", std::nullopt, T0);
  const std::vector<FeedSlot> feeds = s.feeds;
  set_locale(s, "DE", "de");
  EXPECT_EQ(s.country, "DE");
  EXPECT_EQ(s.lang, "de");
  EXPECT_EQ(s.feeds, feeds);
  EXPECT_EQ(s.active, 1u);
}

TEST(SetLocale, StoredValuesAreResolvedAgain) {
  AppState s = initial_app_state(DEFAULT_FEED_URL);
  set_locale(s, "Atlantis", "klingon");
  EXPECT_EQ(s.country, "ZZ");
  EXPECT_EQ(s.lang, "en");
  set_locale(s, "BE", "xx");
  EXPECT_EQ(s.lang, "nl");
}

TEST(StartLocale, SavedValuesWinOverWindowsAndOptionsComeLast) {
  const Locale windows = windows_default_locale({"FR", "fr-FR"});
  EXPECT_EQ(windows, (Locale{"FR", "fr"}));

  AppState s = initial_app_state(DEFAULT_FEED_URL);
  apply_start_locale(s, std::nullopt, std::nullopt, windows);
  EXPECT_EQ(s.country, "FR");
  EXPECT_EQ(s.lang, "fr");
  EXPECT_EQ(s.feeds[0].url, featured_feed_url("ligue1"));

  apply_start_locale(s, std::string("CA"), std::nullopt, windows);
  EXPECT_EQ(s.country, "CA");
  EXPECT_EQ(s.lang, "fr");
  apply_start_locale(s, std::nullopt, std::string("de"), windows);
  EXPECT_EQ(s.country, "FR");
  EXPECT_EQ(s.lang, "de");

  apply_locale_options(s, std::nullopt, std::nullopt);  // neither given: nothing
  EXPECT_EQ(s.lang, "de");
  apply_locale_options(s, std::string("DE"), std::nullopt);  // no language: the country's first
  EXPECT_EQ(s.country, "DE");
  EXPECT_EQ(s.lang, "de");
  apply_locale_options(s, std::nullopt, std::string("ja"));  // the current country stays
  EXPECT_EQ(s.country, "DE");
  EXPECT_EQ(s.lang, "ja");
  apply_locale_options(s, std::string("GB"), std::string("cy"));
  EXPECT_EQ(s.country, "GB");
  EXPECT_EQ(s.lang, "cy");
}

TEST(StartLocale, FailedWindowsCallsGiveTheWorldInEnglish) {
  EXPECT_EQ(windows_default_locale({"", ""}), (Locale{"ZZ", "en"}));
  EXPECT_EQ(windows_default_locale({"US", "es"}), (Locale{"US", "es"}));  // no "-": the whole name
  EXPECT_EQ(windows_default_locale({"GB", "cy-GB"}), (Locale{"GB", "cy"}));
  EXPECT_EQ(language_of_locale_name("zh-Hant-TW"), "zh");
  EXPECT_EQ(language_of_locale_name("-x"), "");
}

TEST(MenuChoices, ACountryKeepsTheLanguageOnlyWhenItSpeaksIt) {
  EXPECT_EQ(locale_for_country_choice("CH", "fr"), (Locale{"CH", "fr"}));
  EXPECT_EQ(locale_for_country_choice("DE", "fr"), (Locale{"DE", "de"}));
  EXPECT_EQ(locale_for_country_choice("IN", "ta"), (Locale{"IN", "ta"}));
  EXPECT_EQ(locale_for_language_choice("IN", "ja"), (Locale{"IN", "ja"}));

  AppState s = initial_app_state(DEFAULT_FEED_URL);
  const Locale choice = locale_for_country_choice("DE", s.lang);
  set_locale(s, choice.country, choice.lang);
  EXPECT_EQ(s.feeds[0].title, "Bundesliga");
}

TEST(WideNames, TheLengthCountsTheTerminatorAndNeverReadsPastTheBuffer) {
  std::u16string buffer(85, u'\0');
  buffer.replace(0, 2, u"US");
  EXPECT_EQ(wide_name_to_string(buffer, 3), "US");
  EXPECT_EQ(wide_name_to_string(buffer, 2), "U");
  EXPECT_EQ(wide_name_to_string(buffer, 1), "");
  EXPECT_EQ(wide_name_to_string(buffer, 0), "");
  EXPECT_EQ(wide_name_to_string(buffer, -7), "");
  EXPECT_EQ(wide_name_to_string(buffer, 1000).size(), 85u);  // a length past the buffer is cut to it
  EXPECT_EQ(wide_name_to_string(std::u16string_view(), 5), "");

  std::u16string odd = u"a";
  odd.push_back(char16_t(0xD800));  // an unpaired surrogate
  odd += u"b";
  EXPECT_EQ(wide_name_to_string(odd, 4), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(wide_name_to_string(u"C\u00f4te", 5), "C\xC3\xB4te");
}

}  // namespace
}  // namespace qx
