#include "app/settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/feed_service.h"
#include "app/feed_slots.h"
#include "app/file_ops.h"
#include "memory_files.h"

namespace qx {
namespace {

using test::MemoryFiles;

const std::optional<std::string> APPDATA = join_path(join_path("", "data"), "roaming");
const std::string SETTINGS_FILE = join_path(join_path(*APPDATA, "Zelvarons"), "settings.json");
const std::string SETTINGS_TMP = join_path(join_path(*APPDATA, "Zelvarons"), "settings.tmp");
const std::string OLDER_FILE = join_path(join_path(*APPDATA, "Zelvaron"), "settings.json");

// The start state with the file's values applied, as main builds it.
AppState state_from_text(std::string_view text, MemoryFiles& files) {
  AppState s = initial_app_state(DEFAULT_FEED_URL);
  JsonResult<Settings> parsed = parse_settings(text);
  apply_settings(s, parsed ? *parsed : Settings{}, files);
  return s;
}

AppState state_from_text(std::string_view text) {
  MemoryFiles files;
  return state_from_text(text, files);
}

// A file that counts as absent leaves "clips" on; a valid one turns it off.
bool counts_as_absent(const std::string& members) {
  const std::string text = "{\"clips\": false, " + members + "}";
  return state_from_text(text).clips;
}

// --- Place -------------------------------------------------------------------------------------

TEST(SettingsPlace, TheFileLivesInAFolderOfItsOwnUnderAppData) {
  EXPECT_EQ(settings_path_in(APPDATA), SETTINGS_FILE);
  EXPECT_EQ(older_settings_path_in(APPDATA), OLDER_FILE);
}

TEST(SettingsPlace, AnUnsetOrEmptyAppDataGivesNoPath) {
  EXPECT_EQ(settings_path_in(std::nullopt), std::nullopt);
  EXPECT_EQ(settings_path_in(std::string()), std::nullopt);
  EXPECT_EQ(older_settings_path_in(std::string()), std::nullopt);
}

// --- Defaults and single values ------------------------------------------------------------------

TEST(SettingsRead, AFileWithOnlyClipsOffLeavesEveryOtherSettingAtItsDefault) {
  const AppState s = state_from_text(R"({"clips": false})");
  AppState expected = initial_app_state(DEFAULT_FEED_URL);
  expected.clips = false;
  EXPECT_EQ(s, expected);
  EXPECT_TRUE(s.rotate && s.live_first && s.hide_presenting && s.reserve && s.team_colours && s.auto_grow);
  EXPECT_TRUE(s.default_feeds);
  ASSERT_EQ(s.feeds.size(), 1u);
  EXPECT_EQ(s.feeds[0].url, DEFAULT_FEED_URL);
  EXPECT_EQ(s.skin, 0u);
  EXPECT_EQ(s.orb_size, OrbSize::Regular);
  EXPECT_EQ(s.orb_zoom, 1.0f);
  EXPECT_EQ(s.fit, (Fit{FitMode::BestFit, 100, 50, 33}));
  EXPECT_EQ(s.left, LeftStyle::same());
}

TEST(SettingsRead, QuietHoursAreKeptOnlyWithinTheDayAndWithDifferentEnds) {
  EXPECT_EQ(state_from_text(R"({"quiet": [1320, 480]})").quiet, (QuietHours{1320, 480}));
  EXPECT_EQ(state_from_text(R"({"quiet": [1439, 0]})").quiet, (QuietHours{1439, 0}));
  EXPECT_EQ(state_from_text(R"({"quiet": [600, 600]})").quiet, std::nullopt);
  EXPECT_EQ(state_from_text(R"({"quiet": [1500, 60]})").quiet, std::nullopt);
  EXPECT_EQ(state_from_text(R"({"quiet": [60, 1440]})").quiet, std::nullopt);
  EXPECT_EQ(state_from_text(R"({"quiet": null})").quiet, std::nullopt);
}

TEST(SettingsRead, FitIsHeldToItsLimits) {
  EXPECT_EQ(state_from_text(R"({"fit": {"zoom": 20, "x": 150}})").fit, (Fit{FitMode::BestFit, 50, 100, 33}));
  EXPECT_EQ(state_from_text(R"({"fit": ["fill", 400, 10, 10]})").fit, (Fit{FitMode::Fill, 300, 10, 10}));
  EXPECT_EQ(state_from_text(R"({"fit": {"zoom": 49, "y": 101}})").fit, (Fit{FitMode::BestFit, 50, 50, 100}));
  EXPECT_EQ(state_from_text(R"({"fit": {"zoom": 301, "x": 100}})").fit, (Fit{FitMode::BestFit, 300, 100, 33}));
  EXPECT_EQ(state_from_text(R"({"fit": null})").fit, Fit{});
  EXPECT_EQ(state_from_text(R"({"fit": {"mode": {"whole": null}}})").fit, (Fit{FitMode::ShowAll, 100, 50, 33}));
}

TEST(SettingsRead, LeftLookThemesWrapAndMissingPicturesAreForgotten) {
  MemoryFiles files;
  files.files["brand.png"] = "png";
  EXPECT_EQ(state_from_text(R"({"left": {"theme": 7}})").left, LeftStyle::theme_of(2));
  EXPECT_EQ(state_from_text(R"({"left": "team"})").left, LeftStyle::team());
  EXPECT_EQ(state_from_text(R"({"left": null})").left, LeftStyle::same());
  EXPECT_EQ(state_from_text(R"({"left": {"picture": "brand.png"}})", files).left, LeftStyle::picture_at("brand.png"));
  EXPECT_EQ(state_from_text(R"({"left": {"picture": "gone.png"}})", files).left, LeftStyle::same());
}

TEST(SettingsRead, PicturesAndFilmsAreKeptOnlyWhileTheyExist) {
  MemoryFiles files;
  files.files["orb.gif"] = "gif";
  files.folders.insert("pictures");
  const AppState kept = state_from_text(R"({"orbImage": "orb.gif", "barImage": "pictures"})", files);
  EXPECT_EQ(kept.orb_image, "orb.gif");
  EXPECT_EQ(kept.bar_image, "pictures");
  const AppState gone = state_from_text(R"({"orbImage": "old.mp4", "barImage": "old.png"})", files);
  EXPECT_EQ(gone.orb_image, std::nullopt);
  EXPECT_EQ(gone.bar_image, std::nullopt);
}

TEST(SettingsRead, SkinWrapsAndOrbSizeNamesIgnoreCase) {
  const AppState s = state_from_text(R"({"skin": 7, "orb": "tiny", "monitor": 3})");
  EXPECT_EQ(s.skin, 2u);
  EXPECT_EQ(s.orb_size, OrbSize::Tiny);
  EXPECT_EQ(s.monitor, 3u);
  EXPECT_EQ(state_from_text(R"({"orb": "huge"})").orb_size, OrbSize::Regular);
}

TEST(SettingsRead, OrbZoomIsLimitedForTheOrbSizeOfTheSameFile) {
  // Limits are 32/h .. 220/h: Tiny (28) allows 1.142857 .. 7.857143, Regular (56) .. 3.928571.
  const AppState tiny = state_from_text(R"({"orbZoom": 5.0, "orb": "Tiny"})");
  EXPECT_EQ(tiny.orb_zoom, 5.0f);
  EXPECT_EQ(tiny.shown_zoom, 5.0f);
  EXPECT_EQ(state_from_text(R"({"orbZoom": 5.0})").orb_zoom, 220.0f / 56.0f);
  EXPECT_EQ(state_from_text(R"({"orb": "Tiny"})").orb_zoom, 32.0f / 28.0f);
  EXPECT_EQ(state_from_text(R"({"orbZoom": null})").orb_zoom, 1.0f);
  EXPECT_EQ(state_from_text(R"({"orbZoom": -3})").orb_zoom, 32.0f / 56.0f);
  // Too large for a 32-bit float: not finite, so the default.
  const AppState huge = state_from_text(R"({"orbZoom": 1e39})");
  EXPECT_EQ(huge.orb_zoom, 1.0f);
  EXPECT_EQ(huge.shown_zoom, 1.0f);
}

// --- Saved feeds and channels -------------------------------------------------------------------

TEST(SettingsRead, SavedHttpsFeedsReplaceTheDefaultFeed) {
  const AppState s = state_from_text(R"({"feeds": [
      {"url": "http://plain.example/feed", "title": ""},
      {"url": "https://a.example/feed", "title": ""},
      {"url": "https://b.example/feed", "title": "Mine"},
      ["https://c.example/feed", "Third"]
    ], "active": 5})");
  EXPECT_FALSE(s.default_feeds);
  ASSERT_EQ(s.feeds.size(), 3u);
  EXPECT_EQ(s.feeds[0].url, "https://a.example/feed");
  EXPECT_EQ(s.feeds[0].title, "Your feed");
  EXPECT_FALSE(s.feeds[0].title_fixed);
  EXPECT_EQ(s.feeds[1].title, "Mine");
  EXPECT_TRUE(s.feeds[1].title_fixed);
  EXPECT_EQ(s.feeds[2].title, "Third");
  EXPECT_EQ(s.active, 2u);  // held to the last slot
}

TEST(SettingsRead, AnEmptyTitleOfAKnownAddressTakesItsKnownTitle) {
  const AppState s = state_from_text(R"({"feeds": [{"url": ")" + std::string(DEFAULT_FEED_URL) + R"("}]})");
  ASSERT_EQ(s.feeds.size(), 1u);
  EXPECT_EQ(s.feeds[0], new_feed_slot(DEFAULT_FEED_URL, std::nullopt));
  EXPECT_FALSE(s.default_feeds);
}

TEST(SettingsRead, AtMostEightFeedsAndEachAddressOnce) {
  std::string feeds;
  for (int i = 0; i < 10; ++i) {
    if (i) feeds += ",";
    feeds += "{\"url\": \"https://f" + std::to_string(i) + ".example/\"}";
  }
  const AppState s = state_from_text("{\"feeds\": [" + feeds + "], \"active\": 7}");
  ASSERT_EQ(s.feeds.size(), MAX_FEEDS);
  for (std::size_t i = 0; i < MAX_FEEDS; ++i) EXPECT_EQ(s.feeds[i].url, "https://f" + std::to_string(i) + ".example/");
  EXPECT_EQ(s.active, 7u);
}

// A hand-edited list with an address written twice: the first 8 https entries count as the file
// has them (a ninth never becomes a slot), the repeat is dropped, and "active" still names the
// feed of the entry it counted to.
TEST(SettingsRead, ARepeatedAddressCountsTowardTheEightAndKeepsTheActiveFeed) {
  struct Case {
    std::vector<std::string> urls;  // "f3" stands for https://f3.example/
    int active;
    std::vector<std::string> slots;
    std::size_t want_active;
  };
  const Case cases[] = {
      {{"f0", "f1", "f1", "f2", "f3", "f4", "f5", "f6", "f7"}, 7, {"f0", "f1", "f2", "f3", "f4", "f5", "f6"}, 6},
      {{"f0", "f1", "f1", "f2"}, 3, {"f0", "f1", "f2"}, 2},
      {{"f0", "f1", "f0", "f2"}, 2, {"f0", "f1", "f2"}, 0},
      {{"f0", "f0", "f0"}, 9, {"f0"}, 0},
      {{"f0", "http", "f1", "f1"}, 1, {"f0", "f1"}, 1},
  };
  for (const Case& c : cases) {
    std::string feeds;
    for (const std::string& u : c.urls) {
      if (!feeds.empty()) feeds += ",";
      feeds += u == "http" ? R"({"url": "http://plain.example/"})" : "{\"url\": \"https://" + u + ".example/\"}";
    }
    const AppState s = state_from_text("{\"feeds\": [" + feeds + "], \"active\": " + std::to_string(c.active) + "}");
    std::vector<std::string> got;
    for (const FeedSlot& slot : s.feeds) got.push_back(slot.url.substr(8, 2));
    EXPECT_EQ(got, c.slots) << feeds;
    EXPECT_EQ(s.active, c.want_active) << feeds;
  }
}

TEST(SettingsRead, ActiveWithoutSurvivingFeedsKeepsTheDefaultFeed) {
  const AppState s = state_from_text(R"({"feeds": [{"url": "http://x.example/"}], "active": 3})");
  EXPECT_TRUE(s.default_feeds);
  ASSERT_EQ(s.feeds.size(), 1u);
  EXPECT_EQ(s.feeds[0].url, DEFAULT_FEED_URL);
  EXPECT_EQ(s.active, 0u);
}

TEST(SettingsRead, TheOlderSingleFeedIsUsedOnlyWhenNoSavedFeedSurvives) {
  const AppState older = state_from_text(
      R"({"feeds": [{"url": "http://x.example/"}], "feedUrl": "https://old.example/rss", "title": "Old one"})");
  ASSERT_EQ(older.feeds.size(), 1u);
  EXPECT_EQ(older.feeds[0].url, "https://old.example/rss");
  EXPECT_EQ(older.feeds[0].title, "Old one");
  EXPECT_TRUE(older.feeds[0].title_fixed);
  EXPECT_FALSE(older.default_feeds);

  const AppState newer = state_from_text(R"({"feeds": [{"url": "https://new.example/"}], "feedUrl": "https://old.example/rss"})");
  ASSERT_EQ(newer.feeds.size(), 1u);
  EXPECT_EQ(newer.feeds[0].url, "https://new.example/");

  EXPECT_TRUE(state_from_text(R"({"feedUrl": "http://old.example/rss"})").default_feeds);
  EXPECT_EQ(state_from_text(R"({"feedUrl": "https://old.example/rss", "title": ""})").feeds[0].title, "Your feed");
}

TEST(SettingsRead, ChannelsKeepTheFirstEightHttpsEntries) {
  std::string channels = R"({"url": "rtmp://tv.example/x", "title": "Old"})";
  for (int i = 0; i < 9; ++i) channels += ",{\"url\": \"https://tv" + std::to_string(i) + ".example/live.m3u8\", \"title\": \"TV " + std::to_string(i) + "\"}";
  const AppState s = state_from_text("{\"channels\": [" + channels + "]}");
  ASSERT_EQ(s.channels.size(), 8u);
  EXPECT_EQ(s.channels[0], (Channel{"TV 0", "https://tv0.example/live.m3u8"}));
  EXPECT_EQ(s.channels[7].title, "TV 7");
}

// --- Files that count as absent ---------------------------------------------------------------

TEST(SettingsRead, OneBadValueMakesTheWholeFileCountAsAbsent) {
  EXPECT_TRUE(counts_as_absent(R"("rotate": "yes")"));
  EXPECT_TRUE(counts_as_absent(R"("skin": -1)"));
  EXPECT_TRUE(counts_as_absent(R"("skin": 1.0)"));
  EXPECT_TRUE(counts_as_absent(R"("active": 1e2)"));
  EXPECT_TRUE(counts_as_absent(R"("quiet": [70000, 5])"));
  EXPECT_TRUE(counts_as_absent(R"("quiet": [60])"));
  EXPECT_TRUE(counts_as_absent(R"("quiet": [60, 120, 180])"));
  EXPECT_TRUE(counts_as_absent(R"("quiet": {"start": 60, "end": 120})"));
  EXPECT_TRUE(counts_as_absent(R"("fit": {"x": 256})"));
  EXPECT_TRUE(counts_as_absent(R"("fit": {"zoom": 65536})"));
  EXPECT_TRUE(counts_as_absent(R"("fit": {"mode": "Fill"})"));
  EXPECT_TRUE(counts_as_absent(R"("fit": {"mode": {"fill": 1}})"));
  EXPECT_TRUE(counts_as_absent(R"("left": "theme")"));
  EXPECT_TRUE(counts_as_absent(R"("left": "picture")"));
  EXPECT_TRUE(counts_as_absent(R"("left": "sky")"));
  EXPECT_TRUE(counts_as_absent(R"("left": {"theme": 1, "picture": "x.png"})"));
  EXPECT_TRUE(counts_as_absent(R"("left": {"theme": "1"})"));
  EXPECT_TRUE(counts_as_absent(R"("left": {})"));
  EXPECT_TRUE(counts_as_absent(R"("feeds": [{"url": 5}])"));
  EXPECT_TRUE(counts_as_absent(R"("feeds": {"url": "https://a.example/"})"));
  EXPECT_TRUE(counts_as_absent(R"("orbZoom": "1.5")"));
  EXPECT_TRUE(counts_as_absent(R"("clips": true)"));  // a duplicate key
  EXPECT_TRUE(counts_as_absent(R"("mode": "island",)"));
}

TEST(SettingsRead, UnknownKeysAndNullsAreNoError) {
  EXPECT_FALSE(counts_as_absent(R"("futureOption": {"deep": [1, 2]}, "rotate": null, "feeds": null)"));
  EXPECT_FALSE(counts_as_absent(R"("left": {"same": null}, "fit": {"mode": {"smart": null}})"));
}

TEST(SettingsRead, TheRootMayBeAnArrayInKeyOrder) {
  const JsonResult<Settings> parsed = parse_settings(R"([
      [["https://a.example/", "A"]], 0, false, true, [60, 120], true, null, 2, "M", "island",
      null, true, null, 1, true, "DE", "de", 1.5, true, false, null, "team", null, []])");
  ASSERT_TRUE(parsed) << parsed.error();
  EXPECT_EQ(parsed->feeds, (std::vector<SavedFeed>{{"https://a.example/", "A"}}));
  EXPECT_EQ(parsed->rotate, false);
  EXPECT_EQ(parsed->quiet, (QuietHours{60, 120}));
  EXPECT_EQ(parsed->mode, "island");
  EXPECT_EQ(parsed->country, "DE");
  EXPECT_EQ(parsed->orb_zoom, 1.5f);
  EXPECT_EQ(parsed->clips, false);
  EXPECT_EQ(parsed->left, LeftStyle::team());
  EXPECT_FALSE(parse_settings(R"([[], 0, true])"));
}

TEST(SettingsRead, AByteOrderMarkInFrontIsSkipped) {
  EXPECT_FALSE(state_from_text("\xEF\xBB\xBF{\"clips\": false}").clips);
}

// --- Which file is read ------------------------------------------------------------------------

TEST(SettingsFile, TheCurrentFileWinsOverTheOlderOne) {
  MemoryFiles files;
  files.files[SETTINGS_FILE] = R"({"skin": 1})";
  files.files[OLDER_FILE] = R"({"skin": 2})";
  EXPECT_EQ(read_settings(files, APPDATA).skin, 1u);
}

TEST(SettingsFile, TheOlderFileIsReadWhenTheCurrentOneIsMissingOrUnreadable) {
  MemoryFiles files;
  files.files[OLDER_FILE] = R"({"skin": 2})";
  EXPECT_EQ(read_settings(files, APPDATA).skin, 2u);
  files.files[SETTINGS_FILE] = "{\"skin\": 1, \"lang\": \"\xC3\x28\"}";  // not UTF-8
  EXPECT_EQ(read_settings(files, APPDATA).skin, 2u);
}

TEST(SettingsFile, AnInvalidCurrentFileDoesNotFallBackToTheOlderOne) {
  MemoryFiles files;
  files.files[SETTINGS_FILE] = R"({"skin": "one"})";
  files.files[OLDER_FILE] = R"({"skin": 2})";
  EXPECT_EQ(read_settings(files, APPDATA), Settings{});
}

TEST(SettingsFile, NoFileOrNoAppDataGivesAllAbsent) {
  MemoryFiles files;
  EXPECT_EQ(read_settings(files, APPDATA), Settings{});
  files.files[SETTINGS_FILE] = R"({"skin": 1})";
  EXPECT_EQ(read_settings(files, std::nullopt), Settings{});
  EXPECT_EQ(read_settings(files, std::string()), Settings{});
}

// --- Writing -----------------------------------------------------------------------------------

// A state with every saved value away from its default.
AppState full_state() {
  AppState s = initial_app_state(DEFAULT_FEED_URL);
  s.feeds = {new_feed_slot("https://example.com/a.xml", "Alpha"),
             new_feed_slot("https://example.com/b.json", "Beta \"quoted\" Zoë")};
  s.default_feeds = false;
  s.active = 1;
  s.rotate = false;
  s.quiet = QuietHours{1320, 480};
  s.hide_presenting = false;
  s.skin = 3;
  s.orb_size = OrbSize::L;
  s.placement = Placement::Island;
  s.orb_image = "C:\\pics\\orb.gif";
  s.reserve = false;
  s.monitor = 2;
  s.team_colours = false;
  s.country = "DE";
  s.lang = "de";
  s.orb_zoom = 1.1f;
  s.shown_zoom = 1.1f;
  s.auto_grow = false;
  s.clips = false;
  s.fit = Fit{FitMode::Fill, 120, 40, 60};
  s.left = LeftStyle::theme_of(4);
  s.bar_image = "D:\\bar.png";
  s.channels = {{"News 24", "https://tv.example/live.m3u8"}};
  return s;
}

constexpr std::string_view FULL_STATE_TEXT = R"({
  "feeds": [
    {
      "url": "https://example.com/a.xml",
      "title": "Alpha"
    },
    {
      "url": "https://example.com/b.json",
      "title": "Beta \"quoted\" Zoë"
    }
  ],
  "active": 1,
  "rotate": false,
  "liveFirst": true,
  "quiet": [
    1320,
    480
  ],
  "hidePresenting": false,
  "skin": 3,
  "orb": "L",
  "mode": "island",
  "orbImage": "C:\\pics\\orb.gif",
  "reserve": false,
  "monitor": 2,
  "teamColors": false,
  "country": "DE",
  "lang": "de",
  "orbZoom": 1.1,
  "autoGrow": false,
  "clips": false,
  "fit": {
    "mode": "fill",
    "zoom": 120,
    "x": 40,
    "y": 60
  },
  "left": {
    "theme": 4
  },
  "barImage": "D:\\bar.png",
  "channels": [
    {
      "url": "https://tv.example/live.m3u8",
      "title": "News 24"
    }
  ]
})";

TEST(SettingsWrite, AFullStateIsWrittenExactly) { EXPECT_EQ(settings_text(full_state()), FULL_STATE_TEXT); }

TEST(SettingsWrite, AFullStateReadsBackAsTheSameState) {
  MemoryFiles files;
  files.files["C:\\pics\\orb.gif"] = "gif";
  files.files["D:\\bar.png"] = "png";
  const JsonResult<Settings> parsed = parse_settings(FULL_STATE_TEXT);
  ASSERT_TRUE(parsed) << parsed.error();
  AppState back = initial_app_state(DEFAULT_FEED_URL);
  apply_settings(back, *parsed, files);
  // The locale choice and the placement, not the settings reader, store these.
  back.country = parsed->country.value();
  back.lang = parsed->lang.value();
  back.placement = placement_from_options(CommandLineOptions{}, parsed->mode);
  EXPECT_EQ(back, full_state());
  EXPECT_EQ(settings_text(back), FULL_STATE_TEXT);
}

TEST(SettingsWrite, TheStartStateIsWrittenWithNullsAndNoDefaultFeeds) {
  AppState s = initial_app_state(DEFAULT_FEED_URL);
  s.fit.reset();
  EXPECT_EQ(settings_text(s), R"({
  "feeds": [],
  "active": 0,
  "rotate": true,
  "liveFirst": true,
  "quiet": null,
  "hidePresenting": true,
  "skin": 0,
  "orb": "Regular",
  "mode": "signal-bar-bottom",
  "orbImage": null,
  "reserve": true,
  "monitor": 0,
  "teamColors": true,
  "country": "ZZ",
  "lang": "en",
  "orbZoom": 1.0,
  "autoGrow": true,
  "clips": true,
  "fit": null,
  "left": "same",
  "barImage": null,
  "channels": []
})");
}

TEST(SettingsWrite, LooksAndZoomsHaveTheirWrittenForms) {
  AppState s = initial_app_state(DEFAULT_FEED_URL);
  s.left = LeftStyle::picture_at("C:\\Users\\Zoë\\brand.png");
  s.orb_zoom = 2.2f;
  std::string text = settings_text(s);
  EXPECT_NE(text.find("\"left\": {\n    \"picture\": \"C:\\\\Users\\\\Zoë\\\\brand.png\"\n  }"), std::string::npos) << text;
  EXPECT_NE(text.find("\"orbZoom\": 2.2,"), std::string::npos) << text;
  s.left = LeftStyle::team();
  s.orb_zoom = std::nanf("");
  text = settings_text(s);
  EXPECT_NE(text.find("\"left\": \"team\","), std::string::npos) << text;
  EXPECT_NE(text.find("\"orbZoom\": null,"), std::string::npos) << text;
  s.orb_zoom = 32.0f / 56.0f;
  text = settings_text(s);
  const std::size_t at = text.find("\"orbZoom\": ");
  ASSERT_NE(at, std::string::npos);
  const std::string written = text.substr(at + 11, text.find(',', at) - at - 11);
  EXPECT_EQ(written, "0.5714286");
  EXPECT_EQ(std::stof(written), 32.0f / 56.0f);
}

TEST(SettingsWrite, AfterASaveFitIsAnObjectAndEveryTitleComesBackFixed) {
  MemoryFiles files;
  AppState s = state_from_text(R"({"feeds": [{"url": "https://a.example/"}]})");
  s.feeds[0].title = "Loaded title";  // the feed's own title replaced "Your feed"
  ASSERT_FALSE(s.feeds[0].title_fixed);
  save_settings(s, files, APPDATA);
  const std::string& text = files.files.at(SETTINGS_FILE);
  EXPECT_NE(text.find("\"fit\": {\n    \"mode\": \"smart\",\n    \"zoom\": 100,\n    \"x\": 50,\n    \"y\": 33\n  }"),
            std::string::npos)
      << text;
  const AppState back = state_from_text(text);
  ASSERT_EQ(back.feeds.size(), 1u);
  EXPECT_EQ(back.feeds[0].title, "Loaded title");
  EXPECT_TRUE(back.feeds[0].title_fixed);
}

TEST(SettingsSave, WritesTheSiblingThenRenamesItOverTheFile) {
  MemoryFiles files;
  save_settings(full_state(), files, APPDATA);
  EXPECT_EQ(files.log, (std::vector<std::string>{"folders " + parent_folder(SETTINGS_FILE), "write " + SETTINGS_TMP,
                                                 "replace " + SETTINGS_TMP + " " + SETTINGS_FILE}));
  EXPECT_EQ(files.files.at(SETTINGS_FILE), FULL_STATE_TEXT);
  EXPECT_EQ(files.files.count(SETTINGS_TMP), 0u);
}

TEST(SettingsSave, AFailedWriteOrRenameLeavesTheOldFileAsItWas) {
  MemoryFiles files;
  files.files[SETTINGS_FILE] = "old settings";
  files.fail_write = true;
  save_settings(full_state(), files, APPDATA);
  EXPECT_EQ(files.files.at(SETTINGS_FILE), "old settings");
  EXPECT_EQ(files.files.count(SETTINGS_TMP), 0u);  // the half-written sibling is gone

  files.fail_write = false;
  files.fail_replace = true;
  save_settings(full_state(), files, APPDATA);
  EXPECT_EQ(files.files.at(SETTINGS_FILE), "old settings");
  EXPECT_EQ(files.files.count(SETTINGS_TMP), 0u);
}

TEST(SettingsSave, AFileThatCouldNotBeReadIsKeptBesideTheNewOne) {
  const std::string kept = join_path(parent_folder(SETTINGS_FILE), "settings.unreadable.json");
  const std::optional<std::string> none;
  struct Case {
    std::optional<std::string> file;
    std::optional<std::string> kept_after;
  } cases[] = {
      {R"({"skin": 1,})", R"({"skin": 1,})"},          // a trailing comma
      {R"({"skin": "one"})", R"({"skin": "one"})"},    // a wrong type
      {"{\"lang\": \"\xC3\x28\"}", "{\"lang\": \"\xC3\x28\"}"},  // not UTF-8
      {R"({"skin": 1})", none},                        // read: replaced as before
      {none, none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.value_or("no file"));
    MemoryFiles files;
    if (c.file) files.files[SETTINGS_FILE] = *c.file;
    if (c.kept_after) files.files[kept] = "an older copy";
    for (int save = 0; save < 2; ++save) {  // the second save finds its own good file
      save_settings(full_state(), files, APPDATA);
      EXPECT_EQ(files.files.at(SETTINGS_FILE), FULL_STATE_TEXT);
      EXPECT_EQ(files.files.count(kept) ? std::optional(files.files.at(kept)) : none, c.kept_after);
    }
  }
}

TEST(SettingsSave, AFolderThatCannotBeMadeDoesNotStopTheWrite) {
  MemoryFiles files;
  files.fail_folders = true;
  save_settings(full_state(), files, APPDATA);
  EXPECT_EQ(files.files.at(SETTINGS_FILE), FULL_STATE_TEXT);
}

TEST(SettingsSave, WithoutAppDataNothingIsWritten) {
  MemoryFiles files;
  save_settings(full_state(), files, std::nullopt);
  save_settings(full_state(), files, std::string());
  EXPECT_TRUE(files.log.empty());
}

}  // namespace
}  // namespace qx
