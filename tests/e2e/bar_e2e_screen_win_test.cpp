// The real program as a bar on an X screen under Wine, with a profile of its own: the window and
// tray icon at start, a second start waking the first, menu commands chosen with the keyboard
// through the window's own messages and what they write to the settings file, a GIF played in
// the orb as the screen shows it, and Quit.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "bar_profile_win.h"
#include "program_run_win.h"
#include "repo_file.h"
#include "screen_shot_win.h"

namespace {

using namespace std::chrono_literals;
using zvtest::BarProfile;
using zvtest::RunningProgram;

constexpr wchar_t BAR_CLASS[] = L"ZelvaronBarClass";
constexpr UINT WM_APP_TRAY = WM_APP + 2;

const std::string TWO_FEEDS =
    R"({"feeds":[{"url":"https://localhost:9/alpha.json","title":"Alpha"},)"
    R"({"url":"https://localhost:9/beta.json","title":"Beta"}],"active":0,"rotate":true})";

// NIM_MODIFY that changes nothing succeeds only for an icon the shell holds.
bool tray_icon_exists(HWND bar) {
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = bar;
  icon.uID = 1001;
  return Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE;
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
  const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(limit.count());
  do {
    if (condition()) return true;
    Sleep(50);
  } while (GetTickCount64() < until);
  return condition();
}

// The bar's open popup menu: a shown window of the menu class in the bar's process.
HWND open_menu(HWND bar) {
  DWORD process = 0;
  GetWindowThreadProcessId(bar, &process);
  return zvtest::find_process_window(process, L"#32768", true);
}

RECT window_rect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

class Bar : public ::testing::Test {
 protected:
  BarProfile profile;

  // Starts the bar and waits until it is shown.
  HWND start(RunningProgram& program) {
    if (!program.started()) return nullptr;
    HWND bar = program.wait_for_window(BAR_CLASS, 20s);
    if (bar && !eventually([&] { return IsWindowVisible(bar) != FALSE; })) ADD_FAILURE() << "the bar is not shown";
    return bar;
  }

  // Opens the tray icon's menu and chooses the entry whose action the predicate accepts.
  void choose(HWND bar, const zvtest::MenuPick& pick) {
    const std::vector<zvtest::MenuKey> keys = profile.menu_keys(pick);
    ASSERT_FALSE(keys.empty()) << "no such entry in the menu";
    // Under Wine on a screen without a window manager the first menu of the process closes by
    // itself within a second of opening (later ones stay); the user would open it again.
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (choose_once(bar, keys)) return;
    }
    FAIL() << "the menu did not stay open to be chosen from";
  }

  // Whether the menu was open until the last key.
  bool choose_once(HWND bar, const std::vector<zvtest::MenuKey>& keys) {
    PostMessageW(bar, WM_APP_TRAY, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    if (!eventually([&] { return (menu = open_menu(bar)) != nullptr; }, 3s)) return false;
    // The menu opens at the pointer, whose item the mouse would select: move it off the menu so
    // that only the keys choose.
    const RECT shown = window_rect(menu);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    SetCursorPos(shown.left > width / 2 ? 5 : width - 5, GetSystemMetrics(SM_CYSCREEN) / 2);
    Sleep(300);
    for (zvtest::MenuKey key : keys) {
      if (key == zvtest::MenuKey::Enter) {
        Sleep(200);
        if (open_menu(bar) == nullptr) return false;
      }
      PostMessageW(menu, WM_KEYDOWN, static_cast<WPARAM>(key), 0);
      PostMessageW(menu, WM_KEYUP, static_cast<WPARAM>(key), 0);
      Sleep(60);
    }
    EXPECT_TRUE(eventually([&] { return open_menu(bar) == nullptr; })) << "the menu did not close";
    return true;
  }

  // Quits through the menu and checks the exit code.
  void quit(RunningProgram& program, HWND bar) {
    choose(bar, zvtest::pick<qx::MenuAction::Quit>());
    EXPECT_EQ(program.wait(20s), 0u);
  }
};

TEST_F(Bar, StartsAtTheBottomEdgeWithATrayIconAndTheTrayClickHidesAndShowsIt) {
  RunningProgram program(ZV_EXE_PATH, {});
  HWND bar = start(program);
  ASSERT_NE(bar, nullptr);
  const RECT r = window_rect(bar);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));
  // The starting default feeds show expanded (204 pixels at 96 DPI; collapsed 80).
  EXPECT_GT(r.bottom - r.top, 120);
  EXPECT_LT(r.bottom - r.top, GetSystemMetrics(SM_CYSCREEN) / 2);
  EXPECT_EQ(GetWindowLongW(bar, GWL_EXSTYLE) & 0x08080088, 0x08080088);
  EXPECT_TRUE(eventually([&] { return tray_icon_exists(bar); }));

  PostMessageW(bar, WM_APP_TRAY, 0, WM_LBUTTONUP);
  EXPECT_TRUE(eventually([&] { return !IsWindowVisible(bar); }));
  PostMessageW(bar, WM_APP_TRAY, 0, WM_LBUTTONUP);
  EXPECT_TRUE(eventually([&] { return IsWindowVisible(bar) != FALSE; }));
  // A click never activates the bar.
  EXPECT_EQ(SendMessageW(bar, WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);
  quit(program, bar);
}

TEST_F(Bar, ASecondStartWakesTheFirstAndLeavesTheSettingsAlone) {
  profile.write_settings(TWO_FEEDS);
  const std::string before = profile.settings_text();
  const FILETIME written = profile.settings_time();
  RunningProgram first(ZV_EXE_PATH, {});
  HWND bar = start(first);
  ASSERT_NE(bar, nullptr);
  PostMessageW(bar, WM_APP_TRAY, 0, WM_LBUTTONUP);
  ASSERT_TRUE(eventually([&] { return !IsWindowVisible(bar); }));

  const zvtest::ProgramRun second = zvtest::run_program(ZV_EXE_PATH, {}, 30s);
  EXPECT_EQ(second.exit_code, 0u);
  EXPECT_TRUE(eventually([&] { return IsWindowVisible(bar) != FALSE; })) << "the first bar was not shown again";
  EXPECT_EQ(profile.settings_text(), before);
  const FILETIME after = profile.settings_time();
  EXPECT_EQ(CompareFileTime(&written, &after), 0);
  EXPECT_EQ(first.wait(0ms), 0xFFFFFFFFu) << "the first bar still runs";
  quit(first, bar);
}

TEST_F(Bar, MenuCommandsChangeTheSettingsFile) {
  profile.write_settings(TWO_FEEDS);
  RunningProgram program(ZV_EXE_PATH, {});
  HWND bar = start(program);
  ASSERT_NE(bar, nullptr);

  choose(bar, zvtest::pick<qx::MenuAction::SetPlacement>(
                  [](const qx::MenuAction::SetPlacement& p) { return p.placement == qx::Placement::SignalBarTop; }));
  EXPECT_TRUE(eventually([&] { return profile.settings().value("mode", "") == "signal-bar-top"; }));
  EXPECT_TRUE(eventually([&] { return window_rect(bar).top == 0 && window_rect(bar).bottom < 300; }));

  choose(bar, zvtest::pick<qx::MenuAction::SetQuietHours>([](const qx::MenuAction::SetQuietHours& q) {
           return q.quiet && q.quiet->start == 1320 && q.quiet->end == 480;
         }));
  EXPECT_TRUE(eventually([&] { return profile.settings()["quiet"] == nlohmann::json::array({1320, 480}); }));

  ASSERT_EQ(profile.settings().value("rotate", false), true);
  choose(bar, zvtest::pick<qx::MenuAction::ToggleRotate>());
  EXPECT_TRUE(eventually([&] { return profile.settings().value("rotate", true) == false; }));

  choose(bar, zvtest::pick<qx::MenuAction::StopFollowing>(
                  [](const qx::MenuAction::StopFollowing& s) { return s.index == 0; }));
  EXPECT_TRUE(eventually([&] {
    const nlohmann::json feeds = profile.settings()["feeds"];
    return feeds.is_array() && feeds.size() == 1 && feeds[0].value("title", "") == "Beta";
  }));
  quit(program, bar);
}

// A left click at a client point, as the system would deliver it to the bar.
void click(HWND bar, int x, int y) {
  PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

TEST_F(Bar, AClickOnTheIslandsShadowChangesNothingAndOneOnTheCardExpandsIt) {
  profile.write_settings(R"({"feeds":[{"url":"https://localhost:9/alpha.json","title":"Alpha"}],"active":0,"mode":"island"})");
  RunningProgram program(ZV_EXE_PATH, {});
  HWND bar = start(program);
  ASSERT_NE(bar, nullptr);
  Sleep(500);  // the first frames settle
  const RECT before = window_rect(bar);
  const int width = before.right - before.left;
  const int height = before.bottom - before.top;
  ASSERT_LT(height, 150) << "the island starts collapsed";

  click(bar, width / 2, height - 8);  // the shadow under the card, where the window behind shows
  Sleep(1000);
  const RECT after = window_rect(bar);
  EXPECT_TRUE(EqualRect(&after, &before));

  click(bar, width / 2, height / 2);  // the card
  EXPECT_TRUE(eventually([&] { return window_rect(bar).bottom - window_rect(bar).top > height; }, 5s))
      << "a click on the card expands the island";
  quit(program, bar);
}

TEST_F(Bar, AProgramStartedByTheUpdateWaitsForTheOldOneToEnd) {
  RunningProgram old_one(ZV_EXE_PATH, {});
  HWND old_bar = start(old_one);
  ASSERT_NE(old_bar, nullptr);
  RunningProgram new_one(ZV_EXE_PATH, {"--after-update"});
  Sleep(1500);
  EXPECT_EQ(new_one.wait(0ms), 0xFFFFFFFFu) << "the new program gave up at once";
  PostMessageW(old_bar, WM_CLOSE, 0, 0);
  EXPECT_EQ(old_one.wait(20s), 0u);
  HWND new_bar = start(new_one);
  ASSERT_NE(new_bar, nullptr) << "the new program did not take over";
  quit(new_one, new_bar);
}

// The Run key's value of this name; none when absent.
std::optional<std::wstring> run_value(const wchar_t* name) {
  wchar_t data[1024] = {};
  DWORD size = sizeof data;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", name, RRF_RT_REG_SZ,
                   nullptr, data, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(data);
}

TEST_F(Bar, AStartMovesTheOlderAutostartValueAndRemovesUpdateLeftovers) {
  const wchar_t* run_key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, run_key, L"Zelvaron", REG_SZ, L"old", 8), ERROR_SUCCESS);
  RegDeleteKeyValueW(HKEY_CURRENT_USER, run_key, L"Zelvarons");
  std::vector<std::filesystem::path> leftovers;
  for (const char* extension : {".old", ".new", ".bad"}) {
    leftovers.push_back(std::filesystem::path(ZV_EXE_PATH).replace_extension(extension));
    std::ofstream(leftovers.back()) << "left by an update";
  }
  leftovers.push_back(std::filesystem::path(ZV_EXE_PATH).replace_extension(".bak"));  // not ours
  std::ofstream(leftovers.back()) << "kept";

  RunningProgram program(ZV_EXE_PATH, {});
  HWND bar = start(program);
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(eventually([&] { return !std::filesystem::exists(leftovers[2]); }));
  EXPECT_FALSE(std::filesystem::exists(leftovers[0]));
  EXPECT_FALSE(std::filesystem::exists(leftovers[1]));
  EXPECT_TRUE(std::filesystem::exists(leftovers[3]));
  EXPECT_FALSE(run_value(L"Zelvaron"));
  const std::optional<std::wstring> moved = run_value(L"Zelvarons");
  ASSERT_TRUE(moved);
  EXPECT_NE(moved->find(L"zelvarons.exe"), std::wstring::npos);
  quit(program, bar);
  RegDeleteKeyValueW(HKEY_CURRENT_USER, run_key, L"Zelvarons");
  std::filesystem::remove(leftovers[3]);
}

TEST_F(Bar, AGifGivenToPlayShowsInTheOrb) {
  if (!qx::test::screen_shot_available()) GTEST_SKIP() << "xwd is not installed";
  RunningProgram program(ZV_EXE_PATH,
                         {"--feed", zv_test::fixture_windows_path("render/news-story.json"),
                          "--play", zv_test::fixture_windows_path("render/loop.gif")});
  HWND bar = start(program);
  ASSERT_NE(bar, nullptr);
  // The pixels of the bar in either colour of the GIF's two frames.
  auto gif_pixels = [&] {
    const std::optional<qx::test::ScreenShot> shot = qx::test::take_screen_shot();
    if (!shot) return 0;
    const RECT r = window_rect(bar);
    int count = 0;
    for (LONG y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, shot->height); ++y) {
      for (LONG x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, shot->width); ++x) {
        const std::uint32_t p = shot->at(x, y);
        const int red = static_cast<int>(p >> 16), green = static_cast<int>((p >> 8) & 0xFF),
                  blue = static_cast<int>(p & 0xFF);
        auto close_to = [&](int er, int eg, int eb) {
          return std::abs(red - er) + std::abs(green - eg) + std::abs(blue - eb) <= 12;
        };
        if (close_to(200, 40, 160) || close_to(40, 200, 160)) ++count;
      }
    }
    return count;
  };
  int seen = 0;
  EXPECT_TRUE(eventually([&] { return (seen = gif_pixels()) >= 200; }, 20s)) << seen << " pixels of the GIF";
  quit(program, bar);
}

TEST_F(Bar, QuitEndsWithExitCodeZeroAndLeavesTheSettingsWhole) {
  profile.write_settings(TWO_FEEDS);
  RunningProgram program(ZV_EXE_PATH, {});
  HWND bar = start(program);
  ASSERT_NE(bar, nullptr);
  const RECT r = window_rect(bar);
  EXPECT_LT(r.bottom - r.top, 120) << "the user's own feeds start collapsed";
  quit(program, bar);
  const nlohmann::json settings = profile.settings();
  ASSERT_TRUE(settings.is_object()) << profile.settings_text();
  EXPECT_EQ(settings["feeds"].size(), 2u);
  EXPECT_FALSE(IsWindow(bar));
}

}  // namespace
