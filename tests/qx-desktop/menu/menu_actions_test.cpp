#include "menu/menu_actions.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "app/feed_slots.h"
#include "app/state_media.h"
#include "state_test_helpers.h"
#include "world/locale_choice.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using test::T0;
using A = MenuAction;
using K = MenuEffect::Kind;

MenuEffect effect(K kind) { return MenuEffect{kind, {}, false}; }

AppState three_feeds() {
  AppState s = test::state_with({"https://a.example/feed", "https://b.example/feed", "https://c.example/feed"});
  s.country = "US";
  s.lang = "en";
  return s;
}

PlayingMedia playing(std::string url, bool silent = false) {
  PlayingMedia p;
  p.url = std::move(url);
  p.title = "Now";
  p.silent = silent;
  return p;
}

// Each row: the state before (three followed feeds, changed by `given`), the command, the state
// expected after (the state before, changed by `expect`), and the effect.
struct Row {
  const char* name;
  std::function<void(AppState&)> given;
  MenuAction action;
  std::function<void(AppState&)> expect;
  MenuEffect effect;
  bool autostart_present = false;
};

void nothing(AppState&) {}

const std::vector<Row>& rows() {
  static const std::vector<Row> table = {
      {"open link of the current story",
       [](AppState& s) {
         s.feeds[0].items = {test::story("One")};
         s.feeds[0].items[0].url = "https://a.example/1";
       },
       A::OpenLink{}, nothing, MenuEffect{K::OpenLink, "https://a.example/1", false}},
      {"open link without one", nothing, A::OpenLink{}, nothing, effect(K::Changed)},
      {"refresh now makes every feed due",
       [](AppState& s) {
         for (FeedSlot& f : s.feeds) f.last_attempt = T0;
       },
       A::RefreshNow{},
       [](AppState& s) {
         for (FeedSlot& f : s.feeds) f.last_attempt.reset();
       },
       effect(K::Refresh)},
      {"select feed", nothing, A::SelectFeed{2}, [](AppState& s) { select_feed(s, 2, T0); }, effect(K::Changed)},
      {"select a feed that is gone", nothing, A::SelectFeed{7}, nothing, effect(K::Changed)},
      {"follow a new feed", nothing, A::FollowFeed{"https://d.example/feed", "D"},
       [](AppState& s) { add_or_select_feed(s, "https://d.example/feed", "D", T0); }, effect(K::Refresh)},
      {"follow a followed team again unfollows it", nothing, A::FollowFeed{"https://b.example/feed", "B"},
       [](AppState& s) { remove_feed(s, 1); }, effect(K::Refresh)},
      {"follow the only followed feed selects it", [](AppState& s) { s.feeds.resize(1); },
       A::FollowFeed{"https://a.example/feed", "A"}, [](AppState& s) { select_feed(s, 0, T0); }, effect(K::Refresh)},
      {"follow one of the starting defaults selects it and ends the defaults",
       [](AppState& s) { s.default_feeds = true; }, A::FollowFeed{"https://c.example/feed", "C"},
       [](AppState& s) {
         select_feed(s, 2, T0);
         s.default_feeds = false;
       },
       effect(K::Refresh)},
      {"stop following", [](AppState& s) { s.active = 2; }, A::StopFollowing{0}, [](AppState& s) { remove_feed(s, 0); },
       effect(K::Changed)},
      {"follow the copied link", nothing, A::FollowCopiedLink{}, nothing, effect(K::FollowCopiedLink)},
      {"try feeds on the web", nothing, A::TryFeedsOnWeb{}, nothing, effect(K::OpenTryFeedsPage)},
      {"placement also shows the bar again",
       [](AppState& s) {
         s.hidden_until = T0 + 30min;
         s.shown = false;
         s.presenting = true;
       },
       A::SetPlacement{Placement::Island},
       [](AppState& s) {
         s.placement = Placement::Island;
         s.hidden_until.reset();
         s.shown = true;
         s.shown_in_quiet = true;
         s.presenting = false;
       },
       effect(K::Changed)},
      {"orb size resets the wheel zoom", [](AppState& s) { s.orb_zoom = 1.6f; }, A::SetOrbSize{OrbSize::XL},
       [](AppState& s) {
         s.orb_size = OrbSize::XL;
         s.orb_zoom = 1.0f;
       },
       effect(K::Changed)},
      {"skin", nothing, A::SetSkin{3}, [](AppState& s) { s.skin = 3; }, effect(K::Changed)},
      {"choose orb picture", nothing, A::ChooseOrbPicture{}, nothing, effect(K::ChooseOrbSource)},
      {"remove orb picture", [](AppState& s) { s.orb_image = "C:\\me.gif"; }, A::RemoveOrbPicture{},
       [](AppState& s) { s.orb_image.reset(); }, effect(K::Changed)},
      {"fit mode keeps zoom and focus", [](AppState& s) { s.fit = Fit{FitMode::ShowAll, 150, 10, 20}; },
       A::SetFitMode{FitMode::Fill}, [](AppState& s) { s.fit->mode = FitMode::Fill; }, effect(K::Changed)},
      {"fit zoom", nothing, A::SetFitZoom{200}, [](AppState& s) { s.fit->zoom = 200; }, effect(K::Changed)},
      {"focus point", nothing, A::SetFocusPoint{0, 50},
       [](AppState& s) {
         s.fit->x = 0;
         s.fit->y = 50;
       },
       effect(K::Changed)},
      {"fit without one starts from the defaults", [](AppState& s) { s.fit.reset(); }, A::SetFitZoom{75},
       [](AppState& s) { s.fit = Fit{FitMode::BestFit, 75, 50, 33}; }, effect(K::Changed)},
      {"left panel", nothing, A::SetLeftPanel{LeftStyle::theme_of(2)},
       [](AppState& s) { s.left = LeftStyle::theme_of(2); }, effect(K::Changed)},
      {"choose left picture", nothing, A::ChooseLeftPicture{}, nothing, effect(K::ChooseLeftPicture)},
      {"choose bar picture", nothing, A::ChooseBarPicture{}, nothing, effect(K::ChooseBarPicture)},
      {"plain bar", [](AppState& s) { s.bar_image = "C:\\bar.png"; }, A::PlainBar{},
       [](AppState& s) { s.bar_image.reset(); }, effect(K::Changed)},
      {"auto grow", nothing, A::ToggleAutoGrow{}, [](AppState& s) { s.auto_grow = false; }, effect(K::Changed)},
      {"clips", nothing, A::ToggleClips{}, [](AppState& s) { s.clips = false; }, effect(K::Changed)},
      {"team colours", nothing, A::ToggleTeamColours{}, [](AppState& s) { s.team_colours = false; },
       effect(K::Changed)},
      {"reserve", [](AppState& s) { s.reserve = false; }, A::ToggleReserve{}, [](AppState& s) { s.reserve = true; },
       effect(K::Changed)},
      {"rotate", nothing, A::ToggleRotate{}, [](AppState& s) { s.rotate = false; }, effect(K::Changed)},
      {"live first", nothing, A::ToggleLiveFirst{}, [](AppState& s) { s.live_first = false; }, effect(K::Changed)},
      {"hide while presenting", nothing, A::ToggleHideWhilePresenting{},
       [](AppState& s) { s.hide_presenting = false; }, effect(K::Changed)},
      {"pause what the user plays", [](AppState& s) { s.playing = playing("https://tv.example/a.m3u8"); },
       A::PlayPause{}, [](AppState& s) { s.playing->paused = true; }, effect(K::Changed)},
      {"play the story's media while a silent clip plays",
       [](AppState& s) {
         s.feeds[0].items = {test::story_with_media("Clip", "video", "https://v.example/c.mp4")};
         s.playing = playing("https://v.example/c.mp4", true);
       },
       A::PlayPause{}, [](AppState& s) { play_pause_current_media(s); }, effect(K::Changed)},
      {"play with nothing to play", nothing, A::PlayPause{}, nothing, effect(K::Changed)},
      {"play a channel", nothing, A::PlayChannel{"News", "https://tv.example/news.m3u8"},
       [](AppState& s) { play_stream(s, "https://tv.example/news.m3u8", "News"); }, effect(K::Changed)},
      {"the playing channel chosen again stops",
       [](AppState& s) { s.playing = playing("https://tv.example/news.m3u8"); },
       A::PlayChannel{"News", "https://tv.example/news.m3u8"}, [](AppState& s) { s.playing.reset(); },
       effect(K::Changed)},
      {"a channel that plays as a silent clip is played aloud, not stopped",
       [](AppState& s) { s.playing = playing("https://tv.example/news.m3u8", true); },
       A::PlayChannel{"News", "https://tv.example/news.m3u8"},
       [](AppState& s) { play_stream(s, "https://tv.example/news.m3u8", "News"); }, effect(K::Changed)},
      {"another channel replaces the playing one",
       [](AppState& s) { s.playing = playing("https://tv.example/news.m3u8"); },
       A::PlayChannel{"Sport", "https://tv.example/sport.m3u8"},
       [](AppState& s) { play_stream(s, "https://tv.example/sport.m3u8", "Sport"); }, effect(K::Changed)},
      {"play the copied stream", nothing, A::PlayCopiedStream{}, nothing, effect(K::PlayCopiedStream)},
      {"play a film file", nothing, A::PlayFilmFile{}, nothing, effect(K::ChooseFilm)},
      {"sound", [](AppState& s) { s.playing = playing("https://tv.example/a.m3u8"); }, A::ToggleSound{},
       [](AppState& s) { s.playing->muted = true; }, effect(K::Changed)},
      {"sound with nothing playing", nothing, A::ToggleSound{}, nothing, effect(K::Changed)},
      {"stop", [](AppState& s) { s.playing = playing("https://tv.example/a.m3u8"); }, A::StopPlayback{},
       [](AppState& s) { s.playing.reset(); }, effect(K::Changed)},
      {"country that speaks the language keeps it", nothing, A::SetCountry{"PK"},
       [](AppState& s) { set_locale(s, "PK", "en"); }, effect(K::LocaleChanged)},
      {"country that does not takes its first language", [](AppState& s) { s.lang = "es"; }, A::SetCountry{"PK"},
       [](AppState& s) { set_locale(s, "PK", "ur"); }, effect(K::LocaleChanged)},
      {"language keeps the country", nothing, A::SetLanguage{"es"}, [](AppState& s) { set_locale(s, "US", "es"); },
       effect(K::LocaleChanged)},
      {"quiet hours forget showing in quiet", [](AppState& s) { s.shown_in_quiet = true; },
       A::SetQuietHours{QuietHours{1320, 480}},
       [](AppState& s) {
         s.quiet = QuietHours{1320, 480};
         s.shown_in_quiet = false;
       },
       effect(K::Changed)},
      {"no quiet hours", [](AppState& s) { s.quiet = QuietHours{540, 1020}; }, A::SetQuietHours{std::nullopt},
       [](AppState& s) { s.quiet.reset(); }, effect(K::Changed)},
      {"hide for an hour", nothing, A::HideForAnHour{}, [](AppState& s) { s.hidden_until = T0 + 3600s; },
       effect(K::Changed)},
      {"show again now",
       [](AppState& s) {
         s.hidden_until = T0 + 10min;
         s.presenting = true;
       },
       A::ShowAgainNow{},
       [](AppState& s) {
         s.hidden_until.reset();
         s.presenting = false;
         s.shown_in_quiet = true;
       },
       effect(K::Changed)},
      {"autostart on", nothing, A::ToggleAutostart{}, nothing, MenuEffect{K::SetAutostart, {}, true}},
      {"autostart off", nothing, A::ToggleAutostart{}, nothing, MenuEffect{K::SetAutostart, {}, false}, true},
      {"monitor", nothing, A::SetMonitor{1}, [](AppState& s) { s.monitor = 1; }, effect(K::Changed)},
      {"hide while shown", nothing, A::ToggleVisible{}, [](AppState& s) { s.shown = false; }, effect(K::Changed)},
      {"show clears the hour's deadline and shows through quiet hours",
       [](AppState& s) {
         s.hidden_until = T0 + 10min;
         s.quiet = QuietHours{1320, 480};
         s.quiet_now = true;
       },
       A::ToggleVisible{},
       [](AppState& s) {
         s.hidden_until.reset();
         s.shown_in_quiet = true;
       },
       effect(K::Changed)},
      {"install update", nothing, A::InstallUpdate{}, nothing, effect(K::InstallUpdate)},
      {"quit", nothing, A::Quit{}, nothing, effect(K::Quit)},
  };
  return table;
}

TEST(ApplyMenuAction, EveryCommandChangesTheStateAsItsRowSaysAndNothingElse) {
  for (const Row& row : rows()) {
    SCOPED_TRACE(row.name);
    AppState s = three_feeds();
    row.given(s);
    AppState expected = s;
    row.expect(expected);
    const MenuEffect got = apply_menu_action(s, row.action, row.autostart_present, T0);
    EXPECT_EQ(got, row.effect);
    EXPECT_EQ(s, expected);
  }
}

TEST(ApplyMenuAction, TheTableCoversEveryCommandKind) {
  std::set<std::size_t> kinds;
  for (const Row& row : rows()) kinds.insert(row.action.value.index());
  EXPECT_EQ(kinds.size(), std::variant_size_v<MenuAction::Kind>);
}

}  // namespace
}  // namespace qx
