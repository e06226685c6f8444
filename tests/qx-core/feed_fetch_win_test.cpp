// Feed fetching and loading through the real transport and the real disk.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "feed_fetch.h"
#include "local_http_server_win.h"
#include "unicode_text.h"

namespace qx {
namespace {

TEST(FetchFeedOverTheWire, APlainHttpFeedIsNeverRequested) {
  zvtest::LocalHttpServer server;
  server.route("/feed", zvtest::answer("<rss/>"));
  auto r = fetch_feed(server.url("/feed"));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), "only https:// feeds are supported");
  EXPECT_EQ(server.request_count(), 0u);
}

TEST(FetchFeedOverTheWire, ANetworkFailureIsAnHttpError) {
  std::string port;
  {
    zvtest::LocalHttpServer gone;
    port = std::to_string(gone.port());
  }
  auto r = fetch_feed("https://localhost:" + port + "/feed");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), "http error: https://localhost:" + port + "/feed: could not connect");
}

TEST(FetchFeedOverTheWire, AServerThatSpeaksNoTlsIsAnHttpError) {
  zvtest::LocalHttpServer server;
  server.route("/feed", zvtest::answer("<rss/>"));
  std::string address = "https://127.0.0.1:" + std::to_string(server.port()) + "/feed";
  auto r = fetch_feed(address);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().rfind("http error: " + address + ": ", 0), 0u) << r.error();
}

TEST(LoadFeedFromDisk, AFileWithANonAsciiNameIsFound) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / "zv-load-feed-win";
  fs::create_directories(dir);
  fs::path file = dir / fs::path(u8"caf\u00e9 feed \u6771.json");
  std::ofstream(file, std::ios::binary)
      << R"({"schema":"qx-feed/v1","id":"desk","title":"Desk","pollSeconds":60,)"
         R"("badge":{"shortText":"A","statusText":"B"}})";
  std::string path = wide_to_utf8(file.wstring());
  auto feed = load_feed(path);
  EXPECT_TRUE(feed) << feed.error();
  // A file that another program holds open for writing is still readable.
  HANDLE writer = CreateFileW(file.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(load_feed(path)) << path;
  CloseHandle(writer);
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace qx
