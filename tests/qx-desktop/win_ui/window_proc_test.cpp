#include "win_ui/window_proc.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "render/repaint.h"
#include "state_test_helpers.h"
#include "win_ui/bar_events.h"

namespace qx {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t LEFT_UP = 0x0202;
constexpr std::uint32_t RIGHT_UP = 0x0205;

// Records what the handlers ask of the window, in order.
class FakeHost final : public BarWindowHost {
 public:
  std::vector<std::string> calls;
  Instant clock = test::T0;
  std::optional<Rect> rect;
  BarLayout bar_layout;
  bool cursor_over = false;
  std::optional<int> notification;
  std::uint16_t minute = 12 * 60;
  std::optional<PlayerReport> report;
  std::vector<float> saved_zoom;
  std::vector<std::string> tips;
  std::vector<std::string> links;
  std::set<std::string> gone;  // files deleted from under the map

  Instant now() override { return clock; }
  void place_window() override { calls.push_back("place"); }
  void present_frame(const ViewSnapshot&) override { calls.push_back("present"); }
  void push_video_frame() override { calls.push_back("video"); }
  void request_repaint() override { calls.push_back("repaint"); }
  void start_orb_animation() override { calls.push_back("animate"); }
  void orb_animation_step() override { calls.push_back("animate-step"); }
  void hide_window() override { calls.push_back("hide"); }
  void remove_app_bar() override { calls.push_back("remove-app-bar"); }
  void rearm_rotate_timer() override { calls.push_back("rearm"); }
  void post_quit() override { calls.push_back("quit"); }
  std::optional<Rect> placed_rect() override { return rect; }
  float scale() override { return 1.0f; }
  BarLayout layout(const ViewSnapshot&, std::int32_t, std::int32_t, float) override { return bar_layout; }
  bool cursor_over_window() override { return cursor_over; }
  void sync_playback() override { calls.push_back("sync"); }
  std::optional<PlayerReport> player_report() override { return report; }
  void shut_down_player() override { calls.push_back("shut-down-player"); }
  void tray_icon(TrayCommand command, std::string_view tip) override {
    calls.push_back(command == TrayCommand::Add ? "tray-add" : command == TrayCommand::Modify ? "tray-modify" : "tray-delete");
    tips.emplace_back(tip);
  }
  void open_https_link(std::string_view address) override { links.emplace_back(address); }
  void run_context_menu() override { calls.push_back("menu"); }
  void prefetch_pictures() override { calls.push_back("prefetch"); }
  bool file_exists(const std::string& path) override { return !gone.contains(path); }
  std::optional<int> notification_state() override { return notification; }
  std::uint16_t local_minutes_of_day() override { return minute; }
  void save_settings(const AppState& s) override { saved_zoom.push_back(s.orb_zoom); }
};

using Calls = std::vector<std::string>;

HitRect hit(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) { return {true, {l, t, r, b}}; }

AppState two_stories() {
  AppState s = test::state_with({"https://example.com/a", "https://example.com/b"});
  s.feeds[0].title = "Harbour";
  s.feeds[0].items = {test::story("First"), test::story("Second")};
  s.feeds[0].last_success = test::T0;
  return s;
}

class WindowProc : public ::testing::Test {
 protected:
  void SetUp() override {
    FULLSCREEN_APP.store(false);
    APPBAR_REGISTERED.store(false);
    REPAINT_PENDING.store(false);
    host.bar_layout.orb = hit(0, 0, 40, 40);
    host.bar_layout.action = hit(100, 0, 140, 40);
    host.bar_layout.previous = hit(200, 0, 210, 40);
    host.bar_layout.next = hit(210, 0, 220, 40);
    host.bar_layout.more_cell = {300, 0, 340, 40};
    host.bar_layout.card = {0, 0, 400, 40};
    host.bar_layout.width = 400;
    host.bar_layout.height = 40;
  }
  AppState read() { return *view_snapshot(state); }

  Guarded<AppState> state{two_stories()};
  Guarded<AppState> unset;
  FakeHost host;
};

TEST_F(WindowProc, TrayLeftClickHidesAndShowsWithoutSavingAndOtherButtonsDoNothingElse) {
  on_tray(state, host, LEFT_UP);
  EXPECT_FALSE(read().shown);
  EXPECT_EQ(host.calls, (Calls{"sync", "place"}));
  on_tray(state, host, LEFT_UP);
  EXPECT_TRUE(read().shown);
  EXPECT_TRUE(host.saved_zoom.empty());

  host.calls.clear();
  on_tray(state, host, RIGHT_UP);
  on_tray(state, host, 0x0200);  // a mouse move
  EXPECT_EQ(host.calls, (Calls{"menu"}));
  on_tray(unset, host, LEFT_UP);  // without a state the window is still placed
  EXPECT_EQ(host.calls, (Calls{"menu", "sync", "place"}));
}

TEST_F(WindowProc, FullScreenNoticesHideAndRepaintAndTheRestartedShellForgetsThem) {
  on_app_bar(host, APPBAR_FULLSCREEN_APP, 1);
  EXPECT_TRUE(FULLSCREEN_APP.load());
  on_app_bar(host, APPBAR_FULLSCREEN_APP, 0);
  EXPECT_FALSE(FULLSCREEN_APP.load());
  on_app_bar(host, APPBAR_POS_CHANGED, 0);
  on_app_bar(host, 7, 1);  // other notices: nothing
  EXPECT_EQ(host.calls, (Calls{"hide", "repaint", "place"}));

  // A full-screen program ran while the bar was registered; the shell restarts and never
  // clears it: the mark must not keep the bar hidden and rotation stopped.
  APPBAR_REGISTERED.store(true);
  on_app_bar(host, APPBAR_FULLSCREEN_APP, 1);
  host.calls.clear();
  on_taskbar_created(host);
  EXPECT_FALSE(FULLSCREEN_APP.load());
  EXPECT_FALSE(APPBAR_REGISTERED.load());
  EXPECT_EQ(host.calls, (Calls{"tray-add", "place"}));
  EXPECT_EQ(host.tips.back(), "Zelvarons");
}

TEST_F(WindowProc, AfterTheShellRestartedRotationRunsAgain) {
  on_app_bar(host, APPBAR_FULLSCREEN_APP, 1);
  on_taskbar_created(host);
  host.calls.clear();
  on_rotate_tick(state, host);
  EXPECT_EQ(read().feeds[0].current, 1u);
}

TEST_F(WindowProc, AShowRequestShowsTheBarEvenInQuietHours) {
  state.with([](AppState& s) {
    s.shown = false;
    s.hidden_until = test::at(1h);
    s.presenting = true;
  });
  on_show(state, host);
  const AppState s = read();
  EXPECT_TRUE(s.shown);
  EXPECT_FALSE(s.hidden_until);
  EXPECT_TRUE(s.shown_in_quiet);
  EXPECT_FALSE(s.presenting);
  on_show(unset, host);
  EXPECT_EQ(host.calls, (Calls{"place", "place"}));
}

TEST_F(WindowProc, ARepaintClearsItsFlagBeforePainting) {
  REPAINT_PENDING.store(true);
  on_repaint(state, host);
  EXPECT_FALSE(REPAINT_PENDING.load());
  EXPECT_EQ(host.calls, (Calls{"present"}));
}

TEST_F(WindowProc, NewDataUpdatesTheTrayTipThenPaints) {
  on_app_data(state, host);
  EXPECT_EQ(host.calls, (Calls{"tray-modify", "animate", "sync", "present", "prefetch"}));
  EXPECT_EQ(host.tips.back(), "Harbour: First");
  on_app_data(unset, host);
  EXPECT_EQ(host.calls.size(), 5u);
}

TEST_F(WindowProc, APictureWhoseFileWentIsDroppedAndFetchedAgain) {
  // The sweep deleted the file just as a fetch mapped it; only the entry that was drawn goes.
  const std::string address = "https://example.com/a.jpg";
  state.with([&](AppState& s) {
    s.feeds[0].items[0] = test::story_with_media("First", "image", address);
    s.pictures[address] = "old.img";
    s.pictures["https://example.com/other.jpg"] = "other.img";
  });
  struct Case {
    bool on_repaint;
    bool gone;
    Calls calls;
  };
  for (const Case& c : {Case{true, false, {"present"}}, Case{true, true, {"present", "repaint", "prefetch"}},
                        Case{false, true, {"tray-modify", "animate", "sync", "present", "repaint", "prefetch"}}}) {
    SCOPED_TRACE(testing::Message() << c.on_repaint << c.gone);
    state.with([&](AppState& s) { s.pictures[address] = "old.img"; });
    host.calls.clear();
    host.gone = c.gone ? std::set<std::string>{"old.img", "other.img"} : std::set<std::string>{};
    c.on_repaint ? on_repaint(state, host) : on_app_data(state, host);
    EXPECT_EQ(host.calls, c.calls);
    const AppState s = read();
    EXPECT_EQ(s.pictures.contains(address), !c.gone);
    EXPECT_TRUE(s.pictures.contains("https://example.com/other.jpg"));
  }
}

TEST_F(WindowProc, ThePlayersStatusReachesOnlyTheItemItPlays) {
  state.with([](AppState& s) { s.playing = PlayingMedia{"https://example.com/clip.mp4", "Clip", true}; });
  struct Case {
    std::optional<std::string> source;
    PlayerStatus status;
    PlayerStatus want_status;
    bool want_paused;
  } cases[] = {
      {"https://example.com/clip.mp4", PlayerStatus::Playing, PlayerStatus::Playing, false},
      {"https://example.com/other.mp4", PlayerStatus::Failed, PlayerStatus::Playing, false},
      {std::nullopt, PlayerStatus::Failed, PlayerStatus::Playing, false},
      {"https://example.com/clip.mp4", PlayerStatus::Ended, PlayerStatus::Ended, true},
  };
  for (const Case& c : cases) {
    host.report = PlayerReport{true, c.status, c.source};
    on_player_status(state, host);
    const AppState s = read();
    EXPECT_EQ(s.playing->status, c.want_status);
    EXPECT_EQ(s.playing->paused, c.want_paused);
  }
  host.calls.clear();
  host.report.reset();  // no player: nothing at all
  on_player_status(state, host);
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(WindowProc, DestroyTearsDownInOrderAndSavesNothing) {
  on_destroy(host);
  EXPECT_EQ(host.calls, (Calls{"remove-app-bar", "shut-down-player", "tray-delete", "quit"}));
  EXPECT_EQ(host.tips.back(), "");
}

TEST_F(WindowProc, TimersByIdWithUnknownIdsTakenAsTheStatusTick) {
  on_timer(state, host, TIMER_ANIMATE);
  on_timer(state, host, 99);  // status tick, nothing changed: repaint for the age text
  EXPECT_EQ(host.calls, (Calls{"animate-step", "repaint"}));
}

TEST_F(WindowProc, AStatusTickThatHidesTheBarSyncsAndPlaces) {
  host.notification = 4;  // a presentation
  on_status_tick(state, host);
  EXPECT_TRUE(read().presenting);
  EXPECT_EQ(host.calls, (Calls{"sync", "place"}));
  host.calls.clear();
  host.notification.reset();  // the query failed: not presenting
  on_status_tick(state, host);
  EXPECT_FALSE(read().presenting);
  EXPECT_EQ(host.calls, (Calls{"sync", "place"}));
  host.calls.clear();
  on_status_tick(unset, host);
  EXPECT_EQ(host.calls, (Calls{"repaint"}));
}

TEST_F(WindowProc, AStatusTickAfterAnHourHideRanOutPlacesTheBarAgain) {
  state.with([](AppState& s) { s.hidden_until = test::T0 + 1h; });
  host.clock = test::T0 + 1h + 5s;
  on_status_tick(state, host);
  EXPECT_EQ(host.calls, (Calls{"sync", "place"}));
  host.calls.clear();
  on_status_tick(state, host);
  EXPECT_EQ(host.calls, (Calls{"repaint"}));
}

TEST_F(WindowProc, RotationTicksThatMayNotRunChangeNothing) {
  struct Case {
    const char* name;
    bool cursor_over;
    bool full_screen;
    bool default_feeds;
    bool shown;
  } cases[] = {
      {"cursor on the bar", true, false, false, true},
      {"full screen", false, true, false, true},
      {"default feeds", false, false, true, true},
      {"hidden", false, false, false, false},
  };
  for (const Case& c : cases) {
    host.calls.clear();
    host.cursor_over = c.cursor_over;
    FULLSCREEN_APP.store(c.full_screen);
    state.with([&](AppState& s) {
      s.default_feeds = c.default_feeds;
      s.shown = c.shown;
    });
    on_rotate_tick(state, host);
    EXPECT_EQ(read().feeds[0].current, 0u) << c.name;
    EXPECT_EQ(host.calls, (Calls{"animate"})) << c.name;
  }
}

TEST_F(WindowProc, ARotationTickStepsTheStoryAndRepaints) {
  on_rotate_tick(state, host);
  EXPECT_EQ(read().feeds[0].current, 1u);
  EXPECT_EQ(host.calls, (Calls{"animate", "sync", "repaint", "prefetch"}));
}

TEST_F(WindowProc, AUsersStepHoldsTheFeedForAMinuteAndRestartsTheRotationTimer) {
  state.with([](AppState& s) { s.rotate = true; });
  step_story(state, host, -1);
  EXPECT_EQ(read().feeds[0].current, 1u);  // wraps
  EXPECT_EQ(read().rotation_hold_until, test::at(60s));
  EXPECT_EQ(host.calls, (Calls{"sync", "rearm", "repaint", "prefetch"}));
  // Within the hold rotation only steps stories, even with "Take turns" at its limit.
  for (int i = 0; i < 3; ++i) on_rotate_tick(state, host);
  EXPECT_EQ(read().active, 0u);
}

TEST_F(WindowProc, ClicksBeforeTheFirstPlacementAreIgnored) {
  on_click(state, host, {205, 5});
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(WindowProc, ClicksFollowTheirRules) {
  host.rect = Rect{0, 760, 400, 800};
  on_click(state, host, {205, 5});
  EXPECT_EQ(read().feeds[0].current, 1u);
  on_click(state, host, {215, 5});
  EXPECT_EQ(read().feeds[0].current, 0u);
  host.calls.clear();
  on_click(state, host, {310, 5});
  EXPECT_EQ(host.calls, (Calls{"menu"}));

  host.calls.clear();
  on_click(state, host, {270, 45});  // below the card: nothing
  EXPECT_TRUE(host.calls.empty());
  on_click(state, host, {270, 5});  // elsewhere
  EXPECT_TRUE(read().expanded);
  on_click(state, host, {10, 10});  // the orb with nothing to play
  EXPECT_FALSE(read().expanded);
  EXPECT_EQ(host.calls, (Calls{"repaint", "repaint"}));

  // The action button with nothing to play opens the story's link.
  state.with([](AppState& s) { s.feeds[0].items[0].url = "https://example.com/story"; });
  on_click(state, host, {110, 10});
  EXPECT_EQ(host.links, (std::vector<std::string>{"https://example.com/story"}));
}

TEST_F(WindowProc, WhileTheDefaultFeedsShowTheOrbPlaysNothing) {
  state.with([](AppState& s) {
    s.default_feeds = true;
    s.feeds[0].items[0].media = QxMedia{"audio", "https://example.com/a.mp3", std::nullopt};
  });
  host.rect = Rect{0, 760, 400, 800};
  on_click(state, host, {10, 10});
  EXPECT_FALSE(read().playing);
  EXPECT_TRUE(read().expanded);
}

TEST_F(WindowProc, TheWheelOverTheOrbZoomsAndSavesElsewhereItSteps) {
  host.rect = Rect{0, 760, 400, 800};
  on_wheel(state, host, {10, 10}, 120);
  EXPECT_FLOAT_EQ(read().orb_zoom, 1.12f);
  ASSERT_EQ(host.saved_zoom.size(), 1u);
  EXPECT_FLOAT_EQ(host.saved_zoom[0], 1.12f);
  on_wheel(state, host, {10, 10}, -120);
  EXPECT_NEAR(read().orb_zoom, 1.0f, 1e-5);

  on_wheel(state, host, {250, 10}, -120);  // off the orb, down: next
  EXPECT_EQ(read().feeds[0].current, 1u);
  host.rect.reset();  // not placed yet: the orb is not known, the wheel steps
  on_wheel(state, host, {10, 10}, 120);
  EXPECT_EQ(read().feeds[0].current, 0u);
  EXPECT_EQ(host.saved_zoom.size(), 2u);
}

}  // namespace
}  // namespace qx
