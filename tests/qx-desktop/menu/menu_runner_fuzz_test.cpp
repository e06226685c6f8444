// Broken and hostile copied text and file names for the menu: a copied stream is played only as
// a well-formed https media link, saved channels stay few and distinct, and every text that
// reaches the menu or the state is valid UTF-8 with its ampersands shown.
#include "menu/menu_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/state_media.h"
#include "fuzz_mutation.h"
#include "menu/menu_builder.h"
#include "menu/popup_menu.h"
#include "recording_menu_sink.h"
#include "state_test_helpers.h"
#include "unicode_text.h"

namespace qx {
namespace {

using zvtest::Mutator;
using zvtest::printable;

WindowHandle const WINDOW = reinterpret_cast<WindowHandle>(0x1234);

const std::vector<std::string> LINK_SEEDS = {
    "https://www.www.tv.example/live/index.m3u8?token=a&b=c#t",
    "https://radio.example:8443/stream.mp3",
    "https://cdn.example/clip.MP4",
    "https://host/noDot.mp4",
    "http://tv.example/live.m3u8",
    "https://example.org/page.html",
};
const std::vector<std::string> LINK_TOKENS = {
    "https://", "www.", ".", "/", "?", "#", ":", ".m3u8", ".mp4", ".mp3", "&", " ", "\xE3\x80\x80", "\xC2\xA0", "%20",
};

// A host that answers the clipboard and the clock and does nothing else.
class ClipboardHost final : public MenuHost {
 public:
  std::optional<std::string> clipboard;
  int hints = 0;

  Instant now() override { return test::T0; }
  std::size_t monitor_count() override { return 1; }
  bool autostart_on() override { return false; }
  std::vector<LeagueTeams> teams() override { return {}; }
  std::uint32_t track_menu(WindowHandle, const std::vector<MenuEntry>&, std::vector<MenuAction>&) override { return 0; }
  std::optional<std::string> open_file_dialog(WindowHandle, FileChoice) override { return std::nullopt; }
  std::optional<std::string> clipboard_text(WindowHandle) override { return clipboard; }
  void open_https_link(std::string_view) override {}
  void set_autostart(bool) override {}
  std::uint16_t local_minutes_of_day() override { return 600; }
  void save_settings(const AppState&) override {}
  void remove_app_bar(WindowHandle) override {}
  void start_orb_animation(WindowHandle) override {}
  void sync_playback(WindowHandle) override {}
  void place_window(WindowHandle) override {}
  void prefetch_pictures(WindowHandle) override {}
  void destroy_window(WindowHandle) override {}
  void spawn_refresh_now(WindowHandle) override {}
  void spawn_catalog_fetch() override {}
  void spawn_teams_fetch() override {}
  void start_add_feed(std::string, WindowHandle) override {}
  void start_self_update(WindowHandle) override {}
  void start_stream_hint() override { ++hints; }
};

// Every "&" of a menu text is doubled.
bool ampersands_doubled(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (i + 1 == text.size() || text[i + 1] != '&') return false;
    ++i;
  }
  return true;
}

TEST(CopiedStreamFuzz, OnlyAWellFormedHttpsMediaLinkIsPlayedAndTitledByItsHost) {
  Mutator m(0x3105, LINK_TOKENS, 4096);
  int played = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::string text = m.mutate(m.pick(LINK_SEEDS), 2);
    const std::string context = printable(text);
    const std::string host = copied_stream_host(text);
    EXPECT_LE(host.size(), text.size()) << context;
    EXPECT_EQ(host.find_first_of("/?:"), std::string::npos) << context;
    EXPECT_FALSE(host.starts_with("www.")) << context;
    if (!text.starts_with("https://")) {
      EXPECT_TRUE(host.empty()) << context;
    }
    if (is_valid_utf8(text)) {
      EXPECT_TRUE(is_valid_utf8(host)) << context;
    }

    const std::optional<std::string> title = copied_stream_title(text);
    if (!title) continue;
    ++played;
    EXPECT_EQ(*title, host) << context;
    EXPECT_TRUE(text.starts_with("https://")) << context;
    EXPECT_NE(title->find('.'), std::string::npos) << context;
    EXPECT_LE(text.size(), COPIED_STREAM_MAX_BYTES) << context;
    EXPECT_FALSE(contains_unicode_whitespace(text)) << context;
    EXPECT_TRUE(is_media_link(text)) << context;
  }
  EXPECT_GT(played, 2000);
}

TEST(CopiedStreamFuzz, PlayingCopiedTextKeepsAtMostEightDistinctChannels) {
  Mutator m(0x3106, LINK_TOKENS, 4096);
  Guarded<AppState> state(initial_app_state(DEFAULT_FEED_URL));
  ClipboardHost host;
  MenuEffect play;
  play.kind = MenuEffect::Kind::PlayCopiedStream;
  int hints = 0;
  for (int i = 0; i < 3000; ++i) {
    // Clipboard text comes from UTF-16: always valid UTF-8, perhaps with NULs and odd blanks.
    host.clipboard = m.chance(5) ? std::nullopt : std::optional(sanitize_utf8(m.mutate(m.pick(LINK_SEEDS), 2)));
    const std::string context = "case " + std::to_string(i) + ": " + printable(host.clipboard.value_or("(none)"));
    const std::optional<std::string> title = copied_stream_title(host.clipboard.value_or(""));
    carry_out_menu_effect(play, WINDOW, host, state);
    hints += !title;
    EXPECT_EQ(host.hints, hints) << context;

    const AppState s = *view_snapshot(state);
    ASSERT_LE(s.channels.size(), SAVED_CHANNELS_MAX) << context;
    for (std::size_t a = 0; a < s.channels.size(); ++a) {
      EXPECT_TRUE(s.channels[a].url.starts_with("https://")) << context;
      EXPECT_NE(s.channels[a].url, SAMPLE_CHANNEL.url) << context;
      for (std::size_t b = 0; b < a; ++b) EXPECT_NE(s.channels[a].url, s.channels[b].url) << context;
    }
    if (title) {
      ASSERT_TRUE(s.playing) << context;
      EXPECT_EQ(s.playing->url, *host.clipboard) << context;
      EXPECT_EQ(s.playing->title, *title) << context;
    }
  }

  // The menu built from what was saved shows every text as valid UTF-8 with "&" doubled.
  MenuContext context;
  context.now = test::T0;
  test::RecordingMenuSink sink;
  std::vector<MenuAction> actions;
  append_menu_entries(sink, build_menu(*view_snapshot(state), context), actions);
  for (const std::string& line : sink.lines) {
    EXPECT_TRUE(is_valid_utf8(line)) << printable(line);
    EXPECT_TRUE(ampersands_doubled(line)) << printable(line);
  }
}

TEST(FilmTitleFuzz, AnyPathGivesAValidTitleWithoutFolders) {
  Mutator m(0x3107, {"\\", "/", ".", "..", ".mp4", "C:", " ", "\xFF", "\xED\xA0\x80"}, 1024);
  const std::vector<std::string> seeds = {"C:\\Users\\me\\Films\\holiday.2025.mp4", "/home/me/clip.mov", ".hidden",
                                          "noext", "C:\\dir.with.dots\\file", "\\\\server\\share\\a.b.c.wmv"};
  for (int i = 0; i < 20000; ++i) {
    const std::string path = m.mutate(m.pick(seeds));
    const std::string title = film_title(path);
    const std::string context = printable(path) + " -> " + printable(title);
    EXPECT_TRUE(is_valid_utf8(title)) << context;
    EXPECT_EQ(title.find_first_of("/\\"), std::string::npos) << context;
    const std::size_t slash = path.find_last_of("/\\");
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    EXPECT_LE(title.size(), 3 * name.size()) << context;
    if (is_valid_utf8(name)) {
      const std::size_t dot = name.rfind('.');
      EXPECT_EQ(title, dot == std::string::npos || dot == 0 ? name : name.substr(0, dot)) << context;
    }
  }
}

TEST(MenuTextFuzz, EscapedTextsShowEveryAmpersandAndLoseNothing) {
  Mutator m(0x3108, {"&", "&&", "&amp;", "\t", "\xF0\x9F\x98\x80"}, 512);
  for (int i = 0; i < 20000; ++i) {
    const std::string text = m.mutate("Rock & Roll && more &");
    const std::string escaped = escape_menu_text(text);
    EXPECT_TRUE(ampersands_doubled(escaped)) << printable(text);
    std::string back;
    for (std::size_t k = 0; k < escaped.size(); ++k) {
      back += escaped[k];
      if (escaped[k] == '&') ++k;
    }
    EXPECT_EQ(back, text) << printable(text);
  }
}

TEST(MenuIdFuzz, AnyChosenIdGivesItsActionOrNone) {
  Mutator m(0x3109, {});
  const std::vector<MenuAction> actions(37);
  for (int i = 0; i < 20000; ++i) {
    const auto id = static_cast<std::uint32_t>(m.chance(50) ? m.below(60) : m.rng()());
    const std::optional<MenuAction> action = action_for_id(actions, id);
    EXPECT_EQ(action.has_value(), id >= 1 && id <= actions.size()) << id;
  }
}

}  // namespace
}  // namespace qx
