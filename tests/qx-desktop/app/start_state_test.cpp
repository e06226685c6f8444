#include "app/start_state.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/feed_service.h"
#include "app/feed_slots.h"
#include "app/orb_zoom.h"

namespace qx {
namespace {

// Files that exist only when named.
class NamedFiles final : public LocalFiles {
 public:
  std::set<std::string> existing;
  PathKind path_kind(std::string_view path) override {
    return existing.count(std::string(path)) ? PathKind::File : PathKind::None;
  }
  Result<std::string, std::string> read_whole(std::string_view) override { return err(std::string("unused")); }
};

const WindowsLocaleNames US{"US", "en-US"};

AppState start(const std::vector<std::string>& args, const Settings& settings = {},
               const WindowsLocaleNames& windows = US) {
  NamedFiles files;
  files.existing = {"C:\\saved-orb.png"};
  const CommandLineOptions options = parse_arguments(args);
  return build_start_state(options, settings, placement_from_options(options, settings.mode), windows, files);
}

std::vector<std::string> urls(const AppState& s) {
  std::vector<std::string> out;
  for (const FeedSlot& slot : s.feeds) out.push_back(slot.url);
  return out;
}

Settings saved_feeds(std::vector<std::string> addresses, std::uint64_t active = 0) {
  Settings f;
  f.feeds.emplace();
  for (std::string& a : addresses) f.feeds->push_back({std::move(a), ""});
  f.active = active;
  return f;
}

const std::string A = "https://a.example/feed";
const std::string B = "https://b.example/feed";
const std::string X = "https://x.example/feed";

// --- the locale ------------------------------------------------------------------------------

TEST(StartStateLocale, WindowsNamesAreTheDefaultAndTheSettingsWin) {
  struct Case {
    WindowsLocaleNames windows;
    std::optional<std::string> country, lang;
    std::string want_country, want_lang;
  } cases[] = {
      {{"US", "en-US"}, {}, {}, "US", "en"},
      {{"DE", "de-DE"}, {}, {}, "DE", "de"},
      {{"US", "es"}, {}, {}, "US", "es"},               // a name without "-" is the language
      {{"XX", "xx-YY"}, {}, {}, "ZZ", "en"},            // unknown: worldwide and its first language
      {{"", ""}, {}, {}, "ZZ", "en"},                   // the calls failed
      {{"US", "en-US"}, "FR", {}, "FR", "en"},          // any language of the table is kept
      {{"DE", "de-DE"}, {}, "xx", "DE", "de"},          // an unknown one gives the country's first
      {{"GB", "cy-GB"}, "US", "es", "US", "es"},
      {{"US", "en-US"}, "Atlantis", "xx", "ZZ", "en"},  // stored junk resolves again
  };
  for (const Case& c : cases) {
    Settings f;
    f.country = c.country;
    f.lang = c.lang;
    AppState s = start({}, f, c.windows);
    EXPECT_EQ(s.country, c.want_country) << c.windows.geo_name << " " << c.country.value_or("-");
    EXPECT_EQ(s.lang, c.want_lang) << c.windows.locale_name << " " << c.lang.value_or("-");
  }
}

TEST(StartStateLocale, TheStartingFeedIsTheCountrysFirstLeague) {
  AppState s = start({}, {}, {"DE", "de-DE"});
  EXPECT_EQ(urls(s), std::vector<std::string>{featured_feed_url("bundesliga")});
  EXPECT_TRUE(s.default_feeds);
  EXPECT_FALSE(s.expanded);  // start-up widens it later, once the window exists
}

// --- feeds -----------------------------------------------------------------------------------

TEST(StartStateFeeds, SavedFeedsReplaceTheDefaultAndKeepTheirActiveIndex) {
  AppState s = start({}, saved_feeds({A, "http://plain.example/x", B}, 5));
  EXPECT_EQ(urls(s), (std::vector<std::string>{A, B}));
  EXPECT_EQ(s.active, 1u);
  EXPECT_FALSE(s.default_feeds);
  EXPECT_EQ(s.country, "US");  // the locale no longer touches the user's feeds
}

TEST(StartStateFeeds, TheFeedOptionIsFollowedAndSelected) {
  struct Case {
    std::vector<std::string> args;
    Settings settings;
    std::vector<std::string> want;
    std::size_t active;
  } cases[] = {
      {{"--feed", X}, {}, {X}, 0},                         // replaces the default feed
      {{"--feed", X, "--country", "DE"}, {}, {X}, 0},      // no longer the default, so the locale keeps it
      {{"--feed", X}, saved_feeds({A, B}), {A, B, X}, 2},  // added to the saved ones
      {{"--feed", B}, saved_feeds({A, B}), {A, B}, 1},     // selected when followed already
      {{"--feed", "C:\\news.xml"}, {}, {"C:\\news.xml"}, 0},
      {{"--team-id", "7"}, {}, {std::string(FEED_SERVICE_BASE) + "/feeds/team-7"}, 0},
  };
  for (const Case& c : cases) {
    AppState s = start(c.args, c.settings);
    EXPECT_EQ(urls(s), c.want) << c.args[1];
    EXPECT_EQ(s.active, c.active) << c.args[1];
    EXPECT_FALSE(s.default_feeds);
    EXPECT_TRUE(s.rotation_hold_until.has_value());
  }
}

TEST(StartStateFeeds, AFeedOptionBeyondEightFeedsChangesNothing) {
  std::vector<std::string> eight;
  for (int i = 0; i < 8; ++i) eight.push_back("https://f.example/" + std::to_string(i));
  AppState s = start({"--feed", X}, saved_feeds(eight, 3));
  EXPECT_EQ(urls(s), eight);
  EXPECT_EQ(s.active, 3u);
}

// --- the other overrides -----------------------------------------------------------------------

TEST(StartStateOverrides, EachOptionSetsItsField) {
  Settings f;
  f.orb = "L";
  f.skin = 1;
  f.fit = Fit{FitMode::BestFit, 150, 20, 80};
  f.orb_image = "C:\\saved-orb.png";
  AppState base = start({}, f);
  ASSERT_EQ(base.orb_size, OrbSize::L);
  ASSERT_EQ(base.orb_image, "C:\\saved-orb.png");

  struct Case {
    std::vector<std::string> args;
    std::function<void(AppState&)> change;  // what the options change in the base state
  } cases[] = {
      {{"--orb", "tiny"}, [](AppState& s) { s.orb_size = OrbSize::Tiny; }},
      {{"--orb", "huge"}, [](AppState&) {}},
      {{"--skin", "7"}, [](AppState& s) { s.skin = 2; }},
      {{"--orb-image", "C:\\missing.gif"}, [](AppState& s) { s.orb_image = "C:\\missing.gif"; }},
      {{"--bar-image", "C:\\bar.png"}, [](AppState& s) { s.bar_image = "C:\\bar.png"; }},
      {{"--expanded"}, [](AppState& s) { s.expanded = true; }},
      {{"--left", "team"}, [](AppState& s) { s.left = LeftStyle::team(); }},
      {{"--left", "12"}, [](AppState& s) { s.left = LeftStyle::theme_of(2); }},
      {{"--left", "-1"}, [](AppState& s) { s.left = LeftStyle::picture_at("-1"); }},
      {{"--fit", "whole"}, [](AppState& s) { s.fit = Fit{FitMode::ShowAll, 150, 20, 80}; }},
      {{"--fit", "fill"}, [](AppState& s) { s.fit = Fit{FitMode::Fill, 150, 20, 80}; }},
      {{"--fit", "Fill"}, [](AppState&) {}},
      {{"--fit", "smart"}, [](AppState&) {}},
      {{"--orb-zoom", "1.5"}, [](AppState& s) { s.orb_zoom = s.shown_zoom = 1.5f; }},
      {{"--play", "https://tv.example/live.m3u8"},
       [](AppState& s) { s.playing = PlayingMedia{"https://tv.example/live.m3u8", "Channel", true}; }},
      {{"--lang", "es"}, [](AppState& s) { s.lang = "es"; }},
      {{"--country", "JP"},
       [](AppState& s) {
         s.country = "JP";
         s.lang = "ja";
         s.feeds = {new_feed_slot(featured_feed_url("jleague"), std::nullopt)};
       }},
      // Options that only the console modes read.
      {{"--item", "3", "--scale", "2", "--size", "10x10", "--mode", "island", "--self-test"},
       [](AppState& s) { s.placement = Placement::Island; }},
  };
  for (const Case& c : cases) {
    AppState want = base;
    c.change(want);
    EXPECT_EQ(start(c.args, f), want) << c.args[0] << " " << (c.args.size() > 1 ? c.args[1] : "");
  }
}

TEST(StartStateOverrides, TheOrbSizeIsSetBeforeTheZoomIsLimited) {
  const int tiny = orb_size_height(OrbSize::Tiny), xl = orb_size_height(OrbSize::XL);
  struct Case {
    std::vector<std::string> args;
    float want;
  } cases[] = {
      {{"--orb-zoom", "100", "--orb", "Tiny"}, 220.0f / tiny},
      {{"--orb", "XL", "--orb-zoom", "0.01"}, 32.0f / xl},
      {{"--orb-zoom", "-3"}, 32.0f / orb_size_height(OrbSize::Regular)},
  };
  for (const Case& c : cases) {
    AppState s = start(c.args);
    EXPECT_FLOAT_EQ(s.orb_zoom, c.want) << c.args[1];
    EXPECT_EQ(s.shown_zoom, s.orb_zoom);
  }
}

TEST(StartStateOverrides, OptionsBeatTheSettings) {
  Settings f;
  f.skin = 4;
  f.left = LeftStyle::team();
  f.country = "FR";
  AppState s = start({"--skin", "0", "--left", "3", "--lang", "en"}, f);
  EXPECT_EQ(s.skin, 0u);
  EXPECT_EQ(s.left, LeftStyle::theme_of(3));
  EXPECT_EQ(s.country, "FR");
  EXPECT_EQ(s.lang, "en");
}

}  // namespace
}  // namespace qx
