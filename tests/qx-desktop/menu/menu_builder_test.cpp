#include "menu/menu_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/feed_service.h"
#include "state_test_helpers.h"
#include "unicode_text.h"
#include "world/translations.h"
#include "world/world.h"

namespace qx {

void PrintTo(const MenuAction& a, std::ostream* os) { *os << "action #" << a.value.index(); }

namespace {

using A = MenuAction;
using Lines = std::vector<std::string>;
using test::T0;

// One line per entry: "# label" (grayed label), "-" (separator), "> submenu", or a command's
// label with " [x]" when checked and " (off)" when grayed.
std::string describe(const MenuEntry& e) {
  if (const auto* l = e.get_if<MenuEntry::Label>()) return "# " + l->text;
  if (e.get_if<MenuEntry::Separator>()) return "-";
  if (const auto* s = e.get_if<MenuEntry::Submenu>()) return "> " + s->label;
  const auto& a = std::get<MenuEntry::Action>(e.value);
  return a.label + (a.checked ? " [x]" : "") + (a.enabled ? "" : " (off)");
}

Lines lines(const std::vector<MenuEntry>& entries) {
  Lines out;
  for (const MenuEntry& e : entries) out.push_back(describe(e));
  return out;
}

// A copy of the children of the submenu found by following the labels from the root.
std::vector<MenuEntry> submenu(const std::vector<MenuEntry>& entries, std::initializer_list<std::string> path) {
  const std::vector<MenuEntry>* level = &entries;
  for (const std::string& label : path) {
    const auto it = std::find_if(level->begin(), level->end(), [&](const MenuEntry& e) {
      const auto* s = e.get_if<MenuEntry::Submenu>();
      return s && s->label == label;
    });
    if (it == level->end()) {
      ADD_FAILURE() << "no submenu " << label;
      return {};
    }
    level = &std::get<MenuEntry::Submenu>(it->value).children;
  }
  return *level;
}

const MenuEntry::Action* command(const std::vector<MenuEntry>& entries, std::string_view label) {
  for (const MenuEntry& e : entries) {
    if (const auto* a = e.get_if<MenuEntry::Action>(); a && a->label == label) return a;
  }
  ADD_FAILURE() << "no command " << label;
  return nullptr;
}

// Every label anywhere in the tree, depth first.
void all_labels(const std::vector<MenuEntry>& entries, Lines& out) {
  for (const MenuEntry& e : entries) {
    if (const auto* s = e.get_if<MenuEntry::Submenu>()) {
      out.push_back(s->label);
      all_labels(s->children, out);
    } else if (const auto* l = e.get_if<MenuEntry::Label>()) {
      out.push_back(l->text);
    } else if (const auto* a = e.get_if<MenuEntry::Action>()) {
      out.push_back(a->label);
    }
  }
}

ViewSnapshot one_feed() {
  ViewSnapshot v = test::state_with({"https://a.example/feed"});
  v.feeds[0].title = "Alpha";
  v.country = "US";
  return v;
}

ViewSnapshot feeds(std::size_t n) {
  ViewSnapshot v = one_feed();
  for (std::size_t i = 1; i < n; ++i) {
    FeedSlot slot;
    slot.url = "https://f" + std::to_string(i) + ".example/feed";
    slot.title = "Feed " + std::to_string(i);
    v.feeds.push_back(slot);
  }
  return v;
}

MenuContext context(std::size_t monitors = 1) {
  MenuContext c;
  c.monitor_count = monitors;
  c.now = T0;
  return c;
}

TEST(MenuRoot, HoldsEveryEntryInOrder) {
  const Lines expected{
      "Open (off)", "Refresh now", "-", "> Following 1 of 8", "> Follow a team", "> Follow a feed",
      "Follow the link I copied", "> TV and video", "Try feeds on the web", "-", "> Place", "> Look",
      "> Country and language", "> Quiet", "Start with Windows", "-", "Hide (stays in the tray)",
      "Quit Zelvarons", "# Beta 0.4.0, not signed by Microsoft",
  };
  EXPECT_EQ(lines(build_menu(one_feed(), context())), expected);
}

TEST(MenuRoot, OffersAnUpdateFirstAndFollowsTheState) {
  ViewSnapshot v = one_feed();
  v.available_update = "0.5.1";
  v.feeds[0].items = {test::story_with_media("a", "image", "https://i.example/a.jpg")};
  v.shown = false;
  MenuContext c = context();
  c.autostart_on = true;
  const Lines l = lines(build_menu(v, c));
  ASSERT_GE(l.size(), 3u);
  EXPECT_EQ(l[0], "Update to 0.5.1 and restart");
  EXPECT_EQ(l[1], "-");
  EXPECT_EQ(l[2], "Open");  // the story's media address is its link
  EXPECT_NE(std::find(l.begin(), l.end(), "Start with Windows [x]"), l.end());
  EXPECT_NE(std::find(l.begin(), l.end(), "Show"), l.end());
  const auto menu = build_menu(v, c);
  const auto* update = command(menu, "Update to 0.5.1 and restart");
  ASSERT_TRUE(update);
  EXPECT_TRUE(update->action.is<A::InstallUpdate>());
}

TEST(FollowingMenu, OneFeedHasNoStopFollowing) {
  ViewSnapshot v = one_feed();
  v.rotate = false;
  const Lines expected{"Alpha [x]", "-", "Take turns", "Live games first [x]"};
  EXPECT_EQ(lines(submenu(build_menu(v, context()), {"Following 1 of 8"})), expected);
}

TEST(FollowingMenu, ALiveFeedIsMarkedAndEveryFeedCanBeStopped) {
  ViewSnapshot v = feeds(3);
  v.active = 1;
  v.feeds[2].score = test::score("in");
  const auto menu = build_menu(v, context());
  const Lines expected{"Alpha", "Feed 1 [x]", "Feed 2  (live)", "-", "Take turns [x]", "Live games first [x]",
                       "> Stop following"};
  EXPECT_EQ(lines(submenu(menu, {"Following 3 of 8"})), expected);
  const auto& stop = submenu(menu, {"Following 3 of 8", "Stop following"});
  EXPECT_EQ(lines(stop), (Lines{"Alpha", "Feed 1", "Feed 2"}));
  EXPECT_EQ(std::get<MenuEntry::Action>(stop[2].value).action, MenuAction(A::StopFollowing{2}));
}

TEST(FollowingMenu, EightFeedsGrayTheCopiedLink) {
  const auto menu = build_menu(feeds(8), context());
  EXPECT_FALSE(command(menu, "Follow the link I copied")->enabled);
  const auto seven = build_menu(feeds(7), context());
  EXPECT_TRUE(command(seven, "Follow the link I copied")->enabled);
  EXPECT_EQ(submenu(menu, {"Following 8 of 8", "Stop following"}).size(), 8u);
}

TEST(TeamEntries, LongNamesAreShortenedByCharactersInTheLabelOnly) {
  const std::string e_acute = "\xc3\xa9";
  std::string name56;
  for (int i = 0; i < 56; ++i) name56 += e_acute;
  const std::string name57 = name56 + "x";

  const MenuEntry whole = team_menu_entry({}, "https://t.example/a", name56);
  EXPECT_EQ(std::get<MenuEntry::Action>(whole.value).label, name56);

  const MenuEntry cut = team_menu_entry({}, "https://t.example/a", name57);
  const auto& a = std::get<MenuEntry::Action>(cut.value);
  EXPECT_EQ(char_count(a.label), 56u);
  EXPECT_EQ(a.label, name56.substr(0, 55 * 2) + "\u2026");
  EXPECT_EQ(a.action, MenuAction(A::FollowFeed{"https://t.example/a", name57}));
}

TEST(LeagueSubmenu, ShowsLoadingUntilTheTeamsArriveAndThenTheTeams) {
  const ViewSnapshot v = one_feed();
  MenuContext c = context();
  const MenuEntry loading = league_submenu(c, "en", v.feeds, "nfl", "NFL");
  EXPECT_EQ(std::get<MenuEntry::Submenu>(loading.value).label, "NFL");
  EXPECT_EQ(lines(std::get<MenuEntry::Submenu>(loading.value).children),
            (Lines{"All games: NFL", "-", "# Loading teams…"}));

  c.teams = {{"nba", {{"x", "X"}}}, {"nfl", {}}};
  const MenuEntry empty = league_submenu(c, "en", v.feeds, "nfl", "NFL");
  EXPECT_EQ(lines(std::get<MenuEntry::Submenu>(empty.value).children), (Lines{"All games: NFL", "-"}));

  c.teams = {{"nfl", {{"kc", "Kansas City"}, {"buf", "Buffalo"}}}};
  std::vector<FeedSlot> followed = v.feeds;
  followed[0].url = team_feed_url("buf");
  followed.push_back(followed[0]);
  followed[1].url = team_feed_url("kc") + "/";  // only the exact address counts
  const MenuEntry teams = league_submenu(c, "fr", followed, "nfl", "NFL");
  const auto& children = std::get<MenuEntry::Submenu>(teams.value).children;
  const std::string all_games = fill_placeholders(translate("fr", "All games: {name}"), {{"{name}", "NFL"}});
  EXPECT_EQ(lines(children), (Lines{all_games, "-", "Kansas City", "Buffalo [x]"}));
  EXPECT_EQ(std::get<MenuEntry::Action>(children[0].value).action,
            MenuAction(A::FollowFeed{featured_feed_url("nfl"), all_games}));
  EXPECT_EQ(std::get<MenuEntry::Action>(children[2].value).action,
            MenuAction(A::FollowFeed{team_feed_url("kc"), "Kansas City"}));
}

TEST(FollowTeamMenu, TheStartingDefaultFeedIsCheckedUnderItsLeague) {
  ViewSnapshot v = initial_app_state(DEFAULT_FEED_URL);
  v.country = "US";
  v.feeds[0].title = "NFL";
  const auto menu = build_menu(v, context());
  EXPECT_EQ(lines(submenu(menu, {"Following 1 of 8"})),
            (Lines{"NFL [x]", "-", "Take turns [x]", "Live games first [x]"}));
  EXPECT_EQ(lines(submenu(menu, {"Follow a team", "NFL"})), (Lines{"All games: NFL [x]", "-", "# Loading teams…"}));
}

TEST(FollowTeamMenu, OffersTheCountrysLeaguesThenTheOthersByTopic) {
  const ViewSnapshot v = one_feed();
  const auto menu = submenu(build_menu(v, context()), {"Follow a team"});
  const std::vector<League> own = country_leagues("US");
  ASSERT_EQ(menu.size(), own.size() + 2);
  for (std::size_t i = 0; i < own.size(); ++i) EXPECT_EQ(describe(menu[i]), "> " + own[i].title);
  EXPECT_EQ(describe(menu[own.size()]), "-");

  const auto& discover = submenu(menu, {"Discover other leagues"});
  std::vector<std::string> topics_seen;
  std::size_t leagues_seen = 0;
  for (const League& l : WORLD->leagues) {
    if (std::any_of(own.begin(), own.end(), [&](const League& o) { return o.id == l.id; })) continue;
    ++leagues_seen;
    const std::string topic(topic_label(l.sport));
    if (std::find(topics_seen.begin(), topics_seen.end(), topic) == topics_seen.end()) topics_seen.push_back(topic);
  }
  ASSERT_EQ(discover.size(), topics_seen.size());
  std::size_t listed = 0;
  for (std::size_t i = 0; i < discover.size(); ++i) {
    EXPECT_EQ(describe(discover[i]), "> " + topics_seen[i]);
    listed += std::get<MenuEntry::Submenu>(discover[i].value).children.size();
  }
  EXPECT_EQ(listed, leagues_seen);
}

std::vector<Offer> offers(std::size_t local, std::size_t other) {
  std::vector<Offer> out;
  for (std::size_t i = 0; i < local + other; ++i) {
    const std::string n = std::to_string(i);
    out.push_back({"Offer " + n, "https://o.example/" + n, i % 2 ? "news" : "football", "en", i < local});
  }
  return out;
}

TEST(FollowFeedMenu, LocalOffersComeFirstAtMostFourteenThenEveryTopic) {
  ViewSnapshot v = one_feed();
  v.catalogue = offers(20, 3);
  const auto menu = build_menu(v, context());
  const auto& feed_menu = submenu(menu, {"Follow a feed"});
  ASSERT_EQ(feed_menu.size(), 14u + 1 + 2);
  EXPECT_EQ(describe(feed_menu[0]), "Offer 0");
  EXPECT_EQ(describe(feed_menu[13]), "Offer 13");
  EXPECT_EQ(describe(feed_menu[14]), "-");
  EXPECT_EQ(describe(feed_menu[15]), "> Football");
  EXPECT_EQ(describe(feed_menu[16]), "> News");
  EXPECT_EQ(submenu(feed_menu, {"Football"}).size(), 12u);
  EXPECT_EQ(submenu(feed_menu, {"News"}).size(), 11u);
}

TEST(FollowFeedMenu, WithoutLocalOffersBeginsWithASeparator) {
  ViewSnapshot v = one_feed();
  v.catalogue = offers(0, 2);
  const Lines l = lines(submenu(build_menu(v, context()), {"Follow a feed"}));
  EXPECT_EQ(l, (Lines{"-", "> Football", "> News"}));
  v.catalogue.clear();
  EXPECT_EQ(lines(submenu(build_menu(v, context()), {"Follow a feed"})), (Lines{"-"}));
}

PlayingMedia playing(std::string url, bool silent, bool paused = false, bool muted = false) {
  PlayingMedia p;
  p.url = std::move(url);
  p.silent = silent;
  p.paused = paused;
  p.muted = muted;
  return p;
}

TEST(TvMenu, ChannelsPlaybackControlsAndTheirStates) {
  ViewSnapshot v = one_feed();
  v.channels = {{"Local news", "https://tv.example/live.m3u8"}};
  const std::string sample(SAMPLE_CHANNEL.title);
  EXPECT_EQ(lines(submenu(build_menu(v, context()), {"TV and video"})),
            (Lines{sample, "Local news", "-", "Play the stream I copied", "Play a film on this computer…", "-",
                   "Play (off)", "Sound (off)", "Stop (off)", "-", "Play clips silently as they come up [x]"}));

  // The channel entry, then play/pause, sound and stop.
  struct Row {
    const char* what;
    std::optional<PlayingMedia> playing;
    bool story_media;
    Lines expected;
  };
  const Row rows[] = {
      {"the story has media", std::nullopt, true, {"Local news", "Play", "Sound (off)", "Stop (off)"}},
      {"a channel plays", playing("https://tv.example/live.m3u8", false), false,
       {"Local news [x]", "Pause", "Sound [x]", "Stop"}},
      {"paused and muted", playing("https://tv.example/live.m3u8", false, true, true), false,
       {"Local news [x]", "Play", "Sound", "Stop"}},
      {"a clip plays silently", playing("https://tv.example/live.m3u8", true), false,
       {"Local news", "Play (off)", "Sound [x]", "Stop (off)"}},
  };
  for (const Row& r : rows) {
    v.playing = r.playing;
    v.feeds[0].items.clear();
    if (r.story_media) v.feeds[0].items = {test::story_with_media("clip", "video", "https://v.example/c.mp4")};
    const Lines l = lines(submenu(build_menu(v, context()), {"TV and video"}));
    ASSERT_EQ(l.size(), 11u);
    EXPECT_EQ((Lines{l[1], l[6], l[7], l[8]}), r.expected) << r.what;
  }
  const auto tv = submenu(build_menu(v, context()), {"TV and video"});
  EXPECT_EQ(std::get<MenuEntry::Action>(tv[0].value).action,
            MenuAction(A::PlayChannel{sample, std::string(SAMPLE_CHANNEL.url)}));
  EXPECT_TRUE(SAMPLE_CHANNEL.url.starts_with("https://"));
  EXPECT_TRUE(SAMPLE_CHANNEL.url.ends_with(".mp4"));
}

TEST(PlaceMenu, ScreensAppearWithTwoOrMoreMonitors) {
  ViewSnapshot v = one_feed();
  v.monitor = 1;
  EXPECT_EQ(lines(submenu(build_menu(v, context(1)), {"Place"})),
            (Lines{"Bottom bar [x]", "Top bar", "Floating island", "Left dock", "Right dock", "-",
                   "Keep windows clear of the bar [x]"}));
  EXPECT_EQ(lines(submenu(build_menu(v, context(2)), {"Place"})),
            (Lines{"Bottom bar [x]", "Top bar", "Floating island", "Left dock", "Right dock", "-", "Screen 1",
                   "Screen 2 [x]", "-", "Keep windows clear of the bar [x]"}));

  const auto twelve = submenu(build_menu(v, context(12)), {"Place"});
  EXPECT_EQ(twelve.size(), 5u + 1 + 9 + 2);
  EXPECT_EQ(describe(twelve[14]), "Screen 9");
  EXPECT_EQ(std::get<MenuEntry::Action>(twelve[14].value).action, MenuAction(A::SetMonitor{8}));
}

// The bar goes to the primary screen when its stored screen is gone; the check mark says so.
TEST(PlaceMenu, AStoredScreenBeyondTheListChecksThePrimaryWhereTheBarIs) {
  ViewSnapshot v = one_feed();
  v.monitor = 5;
  const Lines l = lines(submenu(build_menu(v, context(3)), {"Place"}));
  EXPECT_EQ(std::count(l.begin(), l.end(), "Screen 1 [x]"), 1);
  EXPECT_EQ(std::count(l.begin(), l.end(), "Screen 3"), 1);
}

TEST(PlaceMenu, TheIslandCannotKeepWindowsClear) {
  ViewSnapshot v = one_feed();
  v.placement = Placement::Island;
  v.reserve = false;
  const auto place = submenu(build_menu(v, context()), {"Place"});
  EXPECT_EQ(describe(place[2]), "Floating island [x]");
  EXPECT_EQ(describe(place.back()), "Keep windows clear of the bar (off)");
}

TEST(LookMenu, ChecksTheCurrentLook) {
  ViewSnapshot v = one_feed();
  v.skin = 3;
  v.left = LeftStyle::theme_of(1);
  v.bar_image = "C:\\bar.png";
  v.orb_size = OrbSize::M;
  v.team_colours = false;
  const auto menu = build_menu(v, context());
  EXPECT_EQ(lines(submenu(menu, {"Look"})),
            (Lines{"Graphite", "Paper", "Midnight", "Pitch [x]", "Claret", "-", "Use my team's colour",
                   "> Left side (brand)", "> Right side (content)", "> Orb size", "-",
                   "Use my own picture, GIF or film…", "Remove my picture (off)"}));
  EXPECT_EQ(lines(submenu(menu, {"Look", "Left side (brand)"})),
            (Lines{"Same as the rest", "Team colour", "Graphite", "Paper [x]", "Midnight", "Pitch", "Claret",
                   "My picture…"}));
  EXPECT_EQ(lines(submenu(menu, {"Look", "Right side (content)"})), (Lines{"Plain", "My picture… [x]"}));
  EXPECT_EQ(lines(submenu(menu, {"Look", "Orb size"})),
            (Lines{"XL", "L", "Regular", "M [x]", "Tiny", "-", "Grow for scores and video [x]",
                   "# Or turn the wheel over the orb"}));

  v.left = LeftStyle::picture_at("C:\\left.png");
  EXPECT_EQ(describe(submenu(build_menu(v, context()), {"Look", "Left side (brand)"}).back()), "My picture… [x]");
}

TEST(LookMenu, AWheelZoomChecksNoOrbSize) {
  ViewSnapshot v = one_feed();
  for (float zoom : {1.3f, 0.98f, 1.011f}) {
    v.orb_zoom = zoom;
    const Lines l = lines(submenu(build_menu(v, context()), {"Look", "Orb size"}));
    EXPECT_EQ(std::count_if(l.begin(), l.begin() + 5, [](const std::string& s) { return s.ends_with("[x]"); }), 0)
        << zoom;
  }
  v.orb_zoom = 1.009f;
  EXPECT_EQ(describe(submenu(build_menu(v, context()), {"Look", "Orb size"})[2]), "Regular [x]");
}

TEST(LookMenu, HowItFitsOnlyWithAnOrbPicture) {
  ViewSnapshot v = one_feed();
  v.orb_image = "C:\\me.gif";
  v.fit = Fit{FitMode::Fill, 125, 50, 0};
  const auto menu = build_menu(v, context());
  EXPECT_EQ(lines(submenu(menu, {"Look", "How it fits"})),
            (Lines{"Best fit", "Fill the orb [x]", "Show all of it", "-", "75%", "100%", "125% [x]", "150%", "200%",
                   "-", "Upper middle", "Centre", "Top [x]", "Bottom", "Left", "Right"}));
  EXPECT_EQ(describe(submenu(menu, {"Look"}).back()), "Remove my picture");
  const auto& fits = submenu(menu, {"Look", "How it fits"});
  EXPECT_EQ(std::get<MenuEntry::Action>(fits.back().value).action, MenuAction(A::SetFocusPoint{100, 50}));
}

TEST(CountryMenu, GroupsCountriesBySixteenAndListsTheLanguages) {
  ViewSnapshot v = one_feed();
  v.lang = "fr";  // not a language of the United States
  const auto menu = submenu(build_menu(v, context()), {translate("fr", "Country and language")});
  // The world table's 63 countries in byte order: Afghanistan to Denmark, Egypt to Morocco, Nepal to
  // South Korea, Spain to Zimbabwe.
  const Lines expected{"# United States", "> A \u2013 D", "> E \u2013 M", "> N \u2013 S", "> S \u2013 Z", "-",
                       "English", "Espa\u00f1ol", "Fran\u00e7ais [x]", "> " + translate("fr", "Other languages")};
  EXPECT_EQ(lines(menu), expected);
  const auto first = submenu(menu, {"A \u2013 D"});
  const auto last = submenu(menu, {"S \u2013 Z"});
  ASSERT_EQ(first.size(), 16u);
  ASSERT_EQ(last.size(), 15u);
  EXPECT_EQ(describe(first[0]), "Afghanistan");
  EXPECT_EQ(describe(last[0]), "Spain");
  EXPECT_EQ(describe(last[14]), "Zimbabwe");
  const Lines fourth = lines(last);
  EXPECT_EQ(std::count(fourth.begin(), fourth.end(), "United States [x]"), 1);
  EXPECT_EQ(std::get<MenuEntry::Action>(last[0].value).action, MenuAction(A::SetCountry{"ES"}));
  EXPECT_EQ(submenu(menu, {translate("fr", "Other languages")}).size(), WORLD->languages.size() - 3);
}

TEST(CountryMenu, AnUnknownCountryShowsTheWorldwideRow) {
  ViewSnapshot v = one_feed();
  v.country = "QQ";
  EXPECT_EQ(describe(submenu(build_menu(v, context()), {"Country and language"})[0]),
            "# " + WORLD->countries.back().name);
}

TEST(CountryNames, CompareByBytesWithAPrefixFirst) {
  const auto c = [](std::string name) { return Country{"XX", std::move(name), {}, {}}; };
  EXPECT_TRUE(name_less(c("Zambia"), c("\xc3\x96sterreich")));  // non-ASCII initials sort after Z
  EXPECT_TRUE(name_less(c("Niger"), c("Nigeria")));
  EXPECT_FALSE(name_less(c("Niger"), c("Niger")));
  EXPECT_TRUE(name_less_or_equal(c("Niger"), c("Niger")));
  EXPECT_FALSE(name_less_or_equal(c("Nigeria"), c("Niger")));
  EXPECT_EQ(first_char_or_space(""), " ");
  EXPECT_EQ(first_char_or_space("\xc3\x89ire"), "\xc3\x89");
}

TEST(QuietMenu, OffersToShowAgainWhileHiddenAndChecksThePreset) {
  ViewSnapshot v = one_feed();
  v.quiet = QuietHours{1080, 540};
  v.hide_presenting = false;
  EXPECT_EQ(lines(submenu(build_menu(v, context()), {"Quiet"})),
            (Lines{"Hide for an hour", "-", "No quiet hours", "10 PM to 8 AM", "6 PM to 9 AM [x]", "9 AM to 5 PM", "-",
                   "Hide while I present or play"}));
  v.hidden_until = T0 + std::chrono::minutes(30);
  v.quiet.reset();
  const auto quiet = submenu(build_menu(v, context()), {"Quiet"});
  EXPECT_EQ(describe(quiet[0]), "Show it again now");
  EXPECT_EQ(describe(quiet[2]), "No quiet hours [x]");
  EXPECT_EQ(std::get<MenuEntry::Action>(quiet[4].value).action,
            MenuAction(A::SetQuietHours{QuietHours{1080, 540}}));
}

TEST(QuietMenu, EachPresetSetsItsOwnHoursAndIsCheckedOnlyForExactlyThem) {
  struct Preset {
    const char* label;
    QuietHours hours;
  };
  const Preset presets[] = {
      {"10 PM to 8 AM", {1320, 480}}, {"6 PM to 9 AM", {1080, 540}}, {"9 AM to 5 PM", {540, 1020}}};
  // Each preset's own hours, then windows that share only a start or an end with one: nothing checked.
  const std::optional<QuietHours> shown[] = {presets[0].hours, presets[1].hours, presets[2].hours,
                                             QuietHours{1320, 540}, QuietHours{1080, 480}, QuietHours{540, 1021}};
  for (const auto& q : shown) {
    ViewSnapshot v = one_feed();
    v.quiet = q;
    const auto quiet = submenu(build_menu(v, context()), {"Quiet"});
    for (const Preset& p : presets) {
      const auto* a = command(quiet, p.label);
      ASSERT_NE(a, nullptr);
      EXPECT_EQ(a->action, MenuAction(A::SetQuietHours{p.hours})) << p.label;
      EXPECT_EQ(a->checked, q == p.hours) << p.label << " with " << q->start << "-" << q->end;
    }
  }
}

TEST(MenuTexts, AreTranslatedFirstThenFilledInEveryLanguage) {
  std::vector<std::string> langs{"en", "xx"};
  for (const auto& [code, table] : *TRANSLATIONS) langs.push_back(code);
  ASSERT_GE(langs.size(), 10u);
  for (const std::string& lang : langs) {
    ViewSnapshot v = feeds(2);
    v.lang = lang;
    v.available_update = "0.9.0";
    v.orb_image = "C:\\me.png";
    v.feeds[1].score = test::score("in");
    const auto menu = build_menu(v, context(2));
    Lines labels;
    all_labels(menu, labels);
    for (const std::string& label : labels) {
      EXPECT_EQ(label.find('{'), std::string::npos) << lang << ": " << label;
    }
    const Lines root = lines(menu);
    EXPECT_EQ(root[0], fill_placeholders(translate(lang, "Update to {v} and restart"), {{"{v}", "0.9.0"}})) << lang;
    EXPECT_EQ(root[3], translate(lang, "Refresh now")) << lang;
    EXPECT_EQ(root[5], "> " + fill_placeholders(translate(lang, "Following {n} of 8"), {{"{n}", "2"}})) << lang;
    EXPECT_EQ(root.back(), "# " + fill_placeholders(translate(lang, "Beta {v}, not signed by Microsoft"),
                                                    {{"{v}", "0.4.0"}}));
    // Data names and the live mark stay as they are.
    const auto& following = submenu(menu, {fill_placeholders(translate(lang, "Following {n} of 8"), {{"{n}", "2"}})});
    EXPECT_EQ(describe(following[1]), "Feed 1  (live)") << lang;
    if (lang == "en" || lang == "xx") {
      EXPECT_EQ(root[3], "Refresh now");
    } else {
      EXPECT_NE(root[3], "Refresh now") << lang;
    }
  }
}

TEST(MenuTexts, AnUnknownLanguageGivesEnglish) {
  ViewSnapshot v = one_feed();
  v.lang = "";
  EXPECT_EQ(lines(build_menu(v, context())), lines(build_menu(one_feed(), context())));
}

}  // namespace
}  // namespace qx
