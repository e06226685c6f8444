// The real bar following a feed served over TLS: the refresh ticker fetches it and its story
// appears in the window's text; the tray tip follows.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "bar_profile_win.h"
#include "local_http_server_win.h"
#include "program_run_win.h"
#include "tls_front_win.h"
#include "unicode_text.h"

namespace {

using namespace std::chrono_literals;

std::string window_text(HWND window) {
  wchar_t text[512] = {};
  const int n = GetWindowTextW(window, text, 512);
  return qx::wide_to_utf8(std::wstring_view(text, n > 0 ? static_cast<std::size_t>(n) : 0));
}

TEST(HttpsBar, AFollowedFeedIsRefreshedAndItsStoryShown) {
  zvtest::LocalHttpServer server;
  zvtest::TlsFront front(server);
  server.route("/harbour.xml",
               zvtest::answer("<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Harbour</title>"
                              "<item><title>Harbour win the cup</title><link>https://example.org/1</link></item>"
                              "</channel></rss>",
                              {{"Content-Type", "application/rss+xml; charset=utf-8"}}));
  zvtest::BarProfile profile;
  profile.write_settings(R"({"feeds":[{"url":")" + front.url("/harbour.xml") + R"(","title":""}],"active":0})");

  zvtest::RunningProgram program(ZV_EXE_PATH, {});
  ASSERT_TRUE(program.started());
  HWND bar = program.wait_for_window(L"ZelvaronBarClass", 20s);
  ASSERT_NE(bar, nullptr);
  std::string text;
  const ULONGLONG until = GetTickCount64() + 30'000;
  while (GetTickCount64() < until) {
    text = window_text(bar);
    if (text.find("Harbour win the cup") != std::string::npos) break;
    Sleep(100);
  }
  EXPECT_EQ(text.rfind("Harbour: Harbour win the cup (", 0), 0u) << text;
  EXPECT_FALSE(server.requests().empty());

  PostMessageW(bar, WM_CLOSE, 0, 0);  // as the self-update ends the old program
  EXPECT_EQ(program.wait(20s), 0u);
}

}  // namespace
