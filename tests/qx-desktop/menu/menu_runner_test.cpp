#include "menu/menu_runner.h"

#include <gtest/gtest.h>

#include "app/state_media.h"
#include "menu/menu_builder.h"
#include "recording_menu_sink.h"
#include "state_test_helpers.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using K = MenuEffect::Kind;
using Log = std::vector<std::string>;

WindowHandle const WINDOW = reinterpret_cast<WindowHandle>(0x1234);

// Writes down every call in order; the menu's choice, the dialog's answer and the clipboard are
// set by the test.
class FakeHost final : public MenuHost {
 public:
  explicit FakeHost(Guarded<AppState>& state) : state_(state) {}

  std::string choose;                       // the text of the command the user picks
  std::optional<std::uint32_t> chosen_id;   // or the id itself
  std::size_t monitors = 1;
  bool autostart = false;
  std::optional<std::string> dialog_answer;
  std::optional<std::string> clipboard;
  std::uint16_t minute = 12 * 60;
  std::function<void()> while_menu_open;

  Log log;
  std::vector<AppState> saved;
  test::RecordingMenuSink menu;
  std::vector<FileChoice> dialogs;

  Instant now() override { return test::T0; }
  std::size_t monitor_count() override { return monitors; }
  bool autostart_on() override { return autostart; }
  std::vector<LeagueTeams> teams() override { return {}; }
  std::uint32_t track_menu(WindowHandle window, const std::vector<MenuEntry>& entries,
                           std::vector<MenuAction>& actions) override {
    EXPECT_EQ(window, WINDOW);
    append_menu_entries(menu, entries, actions);
    log.push_back("menu");
    if (while_menu_open) while_menu_open();
    if (chosen_id) return *chosen_id;
    return menu.id_of(choose).value_or(0);
  }
  std::optional<std::string> open_file_dialog(WindowHandle, FileChoice choice) override {
    dialogs.push_back(choice);
    log.push_back("dialog");
    return dialog_answer;
  }
  std::optional<std::string> clipboard_text(WindowHandle) override { return clipboard; }
  void open_https_link(std::string_view address) override { log.push_back("open " + std::string(address)); }
  void set_autostart(bool on) override { log.push_back(on ? "autostart on" : "autostart off"); }
  std::uint16_t local_minutes_of_day() override { return minute; }
  void save_settings(const AppState& s) override {
    log.push_back("save");
    saved.push_back(s);
  }
  void remove_app_bar(WindowHandle) override {
    const std::optional<ViewSnapshot> v = view_snapshot(state_);
    log.push_back("remove app bar on screen " + std::to_string(v ? v->monitor : 99));
  }
  void start_orb_animation(WindowHandle) override { log.push_back("animate"); }
  void sync_playback(WindowHandle) override { log.push_back("sync playback"); }
  void place_window(WindowHandle) override { log.push_back("place"); }
  void prefetch_pictures(WindowHandle) override { log.push_back("prefetch"); }
  void destroy_window(WindowHandle) override { log.push_back("destroy"); }
  void spawn_refresh_now(WindowHandle) override { log.push_back("refresh worker"); }
  void spawn_catalog_fetch() override { log.push_back("catalogue worker"); }
  void spawn_teams_fetch() override { log.push_back("teams worker"); }
  void start_add_feed(std::string copied_text, WindowHandle) override { log.push_back("add feed " + copied_text); }
  void start_self_update(WindowHandle) override { log.push_back("self update"); }
  void start_stream_hint() override { log.push_back("stream hint"); }

 private:
  Guarded<AppState>& state_;
};

MenuEffect fx(K kind) { return MenuEffect{kind, "", false}; }

const Log RESYNC = {"save", "animate", "sync playback", "place", "prefetch"};

Log then(Log head, const Log& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

AppState two_feeds() {
  AppState s = test::state_with({"https://a.example/feed", "https://b.example/feed"});
  s.country = "US";
  return s;
}

AppState state_of(Guarded<AppState>& g) { return *view_snapshot(g); }

// --- the road of one menu ---------------------------------------------------------------

TEST(ContextMenu, NothingIsShownWithoutAState) {
  Guarded<AppState> state;
  FakeHost host(state);
  host.choose = "Take turns";
  run_context_menu(WINDOW, host, state);
  EXPECT_TRUE(host.log.empty());
}

TEST(ContextMenu, NothingChosenOrAnIdPastTheListChangesNothing) {
  for (const std::uint32_t id : {0u, 10000u}) {
    Guarded<AppState> state(two_feeds());
    FakeHost host(state);
    host.chosen_id = id;
    run_context_menu(WINDOW, host, state);
    EXPECT_EQ(host.log, Log{"menu"}) << id;
    EXPECT_EQ(state_of(state), two_feeds());
  }
}

TEST(ContextMenu, AChangeIsSavedWithTheQuietStateThenTheWindowResyncsInOrder) {
  AppState start = two_feeds();
  start.quiet = QuietHours{1320, 480};
  Guarded<AppState> state(start);
  FakeHost host(state);
  host.minute = 23 * 60;
  host.choose = "Take turns";
  run_context_menu(WINDOW, host, state);
  EXPECT_EQ(host.log, then({"menu"}, RESYNC));
  ASSERT_EQ(host.saved.size(), 1u);
  EXPECT_FALSE(host.saved[0].rotate);
  EXPECT_TRUE(host.saved[0].quiet_now);
}

TEST(ContextMenu, ASecondScreenRemovesTheAppBarBeforeTheScreenIsStored) {
  Guarded<AppState> state(two_feeds());
  FakeHost host(state);
  host.monitors = 2;
  host.choose = "Screen 2";
  run_context_menu(WINDOW, host, state);
  EXPECT_EQ(host.log, then({"menu", "remove app bar on screen 0"}, RESYNC));
  EXPECT_EQ(state_of(state).monitor, 1u);
}

TEST(ContextMenu, StartWithWindowsWritesTheOppositeOfWhatTheMenuFound) {
  for (const bool present : {false, true}) {
    Guarded<AppState> state(two_feeds());
    FakeHost host(state);
    host.autostart = present;
    host.choose = "Start with Windows";
    run_context_menu(WINDOW, host, state);
    const auto it = std::find_if(host.menu.commands.begin(), host.menu.commands.end(),
                                 [](const auto& c) { return c.text == "Start with Windows"; });
    ASSERT_NE(it, host.menu.commands.end());
    EXPECT_EQ(it->checked, present);
    EXPECT_EQ(host.log, (Log{"menu", present ? "autostart off" : "autostart on"}));
  }
}

TEST(ContextMenu, AStateThatBrokeWhileTheMenuWasOpenDropsTheChoice) {
  Guarded<AppState> state(two_feeds());
  FakeHost host(state);
  host.choose = "Quit Zelvarons";
  host.while_menu_open = [&] { state.with([](AppState&) { throw 1; }); };
  run_context_menu(WINDOW, host, state);
  EXPECT_EQ(host.log, Log{"menu"});
}

// --- effects ------------------------------------------------------------------------------

TEST(MenuEffects, EachEffectCallsWhatItShouldInOrder) {
  const struct {
    const char* name;
    MenuEffect effect;
    Log expected;
  } cases[] = {
      {"changed", fx(K::Changed), RESYNC},
      {"refresh", fx(K::Refresh), then({"refresh worker"}, RESYNC)},
      {"open link", MenuEffect{K::OpenLink, "https://a.example/1", false}, {"open https://a.example/1"}},
      {"try feeds page", fx(K::OpenTryFeedsPage), {"open https://zelvarons.app/try/"}},
      {"locale", fx(K::LocaleChanged),
       then({"catalogue worker", "teams worker", "refresh worker"}, RESYNC)},
      {"follow copied link without saving", fx(K::FollowCopiedLink), {"add feed https://x.example/"}},
      {"autostart", MenuEffect{K::SetAutostart, "", true}, {"autostart on"}},
      {"update", fx(K::InstallUpdate), {"self update"}},
      {"quit saves then destroys", fx(K::Quit), {"save", "destroy"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Guarded<AppState> state(two_feeds());
    FakeHost host(state);
    host.clipboard = "https://x.example/";
    carry_out_menu_effect(c.effect, WINDOW, host, state);
    EXPECT_EQ(host.log, c.expected);
  }
}

TEST(MenuEffects, QuitWithoutAStateStillDestroysTheWindow) {
  Guarded<AppState> state;
  FakeHost host(state);
  carry_out_menu_effect(fx(K::Quit), WINDOW, host, state);
  EXPECT_EQ(host.log, Log{"destroy"});
}

// --- file dialogs -------------------------------------------------------------------------

TEST(FileDialogEffects, ACancelledDialogChangesAndSavesNothing) {
  for (const K kind : {K::ChooseOrbSource, K::ChooseLeftPicture, K::ChooseBarPicture, K::ChooseFilm}) {
    Guarded<AppState> state(two_feeds());
    FakeHost host(state);
    carry_out_menu_effect(fx(kind), WINDOW, host, state);
    EXPECT_EQ(host.log, Log{"dialog"});
    EXPECT_EQ(state_of(state), two_feeds());
  }
}

TEST(FileDialogEffects, AChosenFileIsStoredThenTheWindowResyncs) {
  const std::string path = "C:\\Users\\me\\Videos\\Final.match.mp4";
  const struct {
    K kind;
    FileChoice dialog;
    std::function<void(AppState&)> expect;
  } cases[] = {
      {K::ChooseOrbSource, FileChoice::OrbSource,
       [&](AppState& s) {
         s.orb_image = path;
         s.fit = Fit{FitMode::BestFit, 100, 50, 33};
       }},
      {K::ChooseLeftPicture, FileChoice::Picture, [&](AppState& s) { s.left = LeftStyle::picture_at(path); }},
      {K::ChooseBarPicture, FileChoice::Picture, [&](AppState& s) { s.bar_image = path; }},
      {K::ChooseFilm, FileChoice::Film, [&](AppState& s) { play_stream(s, path, "Final.match"); }},
  };
  for (const auto& c : cases) {
    AppState start = two_feeds();
    start.fit = Fit{FitMode::Fill, 150, 0, 100};
    Guarded<AppState> state(start);
    FakeHost host(state);
    host.dialog_answer = path;
    carry_out_menu_effect(fx(c.kind), WINDOW, host, state);
    EXPECT_EQ(host.dialogs, std::vector<FileChoice>{c.dialog});
    EXPECT_EQ(host.log, then({"dialog"}, RESYNC));
    AppState expected = start;
    c.expect(expected);
    EXPECT_EQ(state_of(state), expected);
  }
}

// --- copied streams -----------------------------------------------------------------------

TEST(CopiedStream, TheHostIsTheAddressUpToItsPathQueryOrPortWithoutLeadingWww) {
  const struct {
    const char* text;
    const char* host;
  } cases[] = {
      {"https://www.www.example.com/live.m3u8", "example.com"},
      {"https://www.example.com?x=1", "example.com"},
      {"https://cdn.example.com:8443/a.mp4", "cdn.example.com"},
      {"https://wwwexample.com/a.mp4", "wwwexample.com"},
      {"https://tv.www.example/a.mp4", "tv.www.example"},
      {"https://www./a.mp4", ""},
      {"http://example.com/a.mp4", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(copied_stream_host(c.text), c.host) << c.text;
}

TEST(CopiedStream, OnlyAPlayableHttpsMediaLinkIsPlayed) {
  const std::string long_tail(2047 - std::string("https://e.example/").size() - 4, 'a');
  const struct {
    std::string text;
    std::optional<std::string> title;
  } cases[] = {
      {"https://www.www.example.com/live.m3u8", "example.com"},
      {"https://e.example/" + long_tail + ".mp4", "e.example"},          // 2,047 bytes
      {"https://e.example/" + long_tail + "a.mp4", std::nullopt},        // 2,048 bytes
      {"https://localhost/a.mp4", std::nullopt},                         // no dot in the host
      {"https://e.example/a b.mp4", std::nullopt},
      {"https://e.example/a\u00A0b.mp4", std::nullopt},                  // no-break space
      {"https://e.example/watch?v=1", std::nullopt},                     // a web page
      {"http://e.example/a.mp3", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(copied_stream_title(c.text), c.title) << c.text.substr(0, 60);
}

TEST(CopiedStream, AStreamIsPlayedUnderItsHostAndSavedOnceAsAChannel) {
  Guarded<AppState> state(two_feeds());
  FakeHost host(state);
  host.clipboard = "https://www.www.example.com/live.m3u8";
  carry_out_menu_effect(fx(K::PlayCopiedStream), WINDOW, host, state);
  carry_out_menu_effect(fx(K::PlayCopiedStream), WINDOW, host, state);
  EXPECT_EQ(host.log, then(RESYNC, RESYNC));
  const AppState s = state_of(state);
  ASSERT_TRUE(s.playing.has_value());
  EXPECT_EQ(s.playing->title, "example.com");
  EXPECT_EQ(s.playing->url, "https://www.www.example.com/live.m3u8");
  EXPECT_EQ(s.channels, (std::vector<Channel>{{"example.com", "https://www.www.example.com/live.m3u8"}}));
  ASSERT_EQ(host.saved.size(), 2u);  // each play is saved by its re-sync
  EXPECT_EQ(host.saved.back().channels, s.channels);
}

TEST(CopiedStream, ANinthStreamDropsTheOldestChannel) {
  Guarded<AppState> state(two_feeds());
  FakeHost host(state);
  for (int i = 1; i <= 9; ++i) {
    host.clipboard = "https://tv" + std::to_string(i) + ".example/live.m3u8";
    carry_out_menu_effect(fx(K::PlayCopiedStream), WINDOW, host, state);
  }
  const AppState s = state_of(state);
  ASSERT_EQ(s.channels.size(), SAVED_CHANNELS_MAX);
  EXPECT_EQ(s.channels.front().title, "tv2.example");
  EXPECT_EQ(s.channels.back().title, "tv9.example");
}

TEST(CopiedStream, TheSampleChannelIsNotSaved) {
  std::vector<Channel> channels;
  remember_channel(channels, Channel{"sample", std::string(SAMPLE_CHANNEL.url)});
  EXPECT_TRUE(channels.empty());
}

TEST(CopiedStream, AWebPageShowsTheHintAndFollowingItStartsTheAddFeedWorker) {
  Guarded<AppState> state(two_feeds());
  FakeHost host(state);
  host.clipboard = "https://news.example/story";
  carry_out_menu_effect(fx(K::PlayCopiedStream), WINDOW, host, state);
  EXPECT_EQ(host.log, then({"stream hint"}, RESYNC));
  EXPECT_FALSE(state_of(state).playing.has_value());
  host.log.clear();
  carry_out_menu_effect(fx(K::FollowCopiedLink), WINDOW, host, state);
  EXPECT_EQ(host.log, Log{"add feed https://news.example/story"});
}

// --- film titles --------------------------------------------------------------------------

TEST(FilmTitle, TheFileNameLosesOnlyItsLastExtension) {
  const struct {
    const char* path;
    const char* title;
  } cases[] = {
      {"C:\\Films\\a.b.mp4", "a.b"},
      {"C:\\Films\\Holiday.mov", "Holiday"},
      {"C:\\Films\\.bashrc", ".bashrc"},
      {"C:\\Films\\README", "README"},
      {"C:\\Films.d\\clip", "clip"},
      {"/home/me/song.mp3", "song"},
      {"name.", "name"},
      {"..x", "."},
      {"C:\\Films\\bad\xFF.mp4", "bad\uFFFD"},
  };
  for (const auto& c : cases) EXPECT_EQ(film_title(c.path), c.title) << c.path;
}

}  // namespace
}  // namespace qx
