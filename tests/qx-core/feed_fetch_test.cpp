// Fetching and loading feeds, with a scripted transport; local files through the platform's
// own file access (the disk of this build: native or under Wine).
#include "feed_fetch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qx {
namespace {

namespace fs = std::filesystem;

constexpr const char* SCHEMA_FEED =
    R"({"schema":"qx-feed/v1","id":"desk-feed","title":"Desk","pollSeconds":60,)"
    R"("badge":{"shortText":"LIVE","statusText":"All good"},"items":[{"title":"One"},{"title":"Two"}]})";

constexpr const char* RSS_FEED =
    "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Caf\xC3\xA9</title>"
    "<item><title>First story</title><link>https://example.org/1</link></item></channel></rss>";

class FakeHttp final : public HttpGet {
 public:
  HttpResponse answer;
  std::vector<HttpRequest> seen;

  FakeHttp() {
    answer.status = 200;
    answer.first_url = answer.final_url = "https://feeds.example/x";
  }
  HttpResponse get(const HttpRequest& request) override {
    seen.push_back(request);
    return answer;
  }
};

class FakeFiles final : public LocalFiles {
 public:
  std::string path;
  PathKind kind = PathKind::None;
  Result<std::string, std::string> content = std::string();
  int reads = 0;

  PathKind path_kind(std::string_view p) override { return p == path ? kind : PathKind::None; }
  Result<std::string, std::string> read_whole(std::string_view) override {
    ++reads;
    return content;
  }
};

// --- the https rule ---------------------------------------------------------------------------

TEST(FetchFeed, OnlyHttpsAddressesAreFetchedAndOthersMakeNoRequest) {
  FakeHttp http;
  for (const char* address : {"http://feeds.example/x", "HTTPS://feeds.example/x", "Https://x/y", "", "https:/x",
                              " https://x/y", "ftp://x/y", "feeds.example/x"}) {
    auto r = fetch_feed(http, address);
    ASSERT_FALSE(r) << address;
    EXPECT_EQ(r.error(), "only https:// feeds are supported") << address;
  }
  EXPECT_TRUE(http.seen.empty());
}

TEST(FetchFeed, RequestsWithTheProgramsAgentTimeOutAndLimit) {
  FakeHttp http;
  http.answer.body = "x";
  ASSERT_TRUE(fetch_feed(http, "https://feeds.example/x?a=1"));
  ASSERT_EQ(http.seen.size(), 1u);
  const HttpRequest& r = http.seen[0];
  EXPECT_EQ(r.url, "https://feeds.example/x?a=1");
  EXPECT_EQ(r.user_agent, "zelvarons-windows/0.4.0");
  EXPECT_EQ(r.byte_limit, 2'097'152u);
  EXPECT_EQ(r.timeout, std::chrono::seconds(12));
  EXPECT_EQ(r.max_redirects, 5);
}

// --- failures and their texts -----------------------------------------------------------------

TEST(FetchFeed, TransportFailuresBecomeHttpErrors) {
  FakeHttp http;
  http.answer.error = HttpErrorKind::Request;
  http.answer.error_text = "https://feeds.example/x: could not connect";
  auto r = fetch_feed(http, "https://feeds.example/x");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), "http error: https://feeds.example/x: could not connect");
}

TEST(FetchFeed, AnErrorStatusNamesTheFinalAddressAndWhereItCameFrom) {
  FakeHttp http;
  http.answer.status = 404;
  http.answer.body = "<html>not here</html>";
  EXPECT_EQ(fetch_feed(http, "https://feeds.example/x").error(),
            "http error: https://feeds.example/x: status code 404");

  http.answer.status = 500;
  http.answer.redirected = true;
  http.answer.first_url = "https://feeds.example/old";
  http.answer.final_url = "https://cdn.example/new";
  EXPECT_EQ(fetch_feed(http, "https://feeds.example/old").error(),
            "http error: https://cdn.example/new: status code 500 (redirected from https://feeds.example/old)");

  // The status is reported even when its body could not be read.
  http.answer.status = 400;
  http.answer.redirected = false;
  http.answer.final_url = "https://feeds.example/x";
  http.answer.error = HttpErrorKind::Read;
  http.answer.error_text = "timed out";
  EXPECT_EQ(fetch_feed(http, "https://feeds.example/x").error(),
            "http error: https://feeds.example/x: status code 400");
}

TEST(FetchFeed, StatusesBelow400AreSuccess) {
  FakeHttp http;
  http.answer.body = "body";
  for (int status : {200, 203, 204, 302, 399}) {
    http.answer.status = status;
    auto r = fetch_feed(http, "https://feeds.example/x");
    ASSERT_TRUE(r) << status << ": " << r.error();
    EXPECT_EQ(*r, "body");
  }
}

TEST(FetchFeed, AFailedBodyReadIsAReadError) {
  FakeHttp http;
  http.answer.error = HttpErrorKind::Read;
  http.answer.error_text = "the connection was closed";
  EXPECT_EQ(fetch_feed(http, "https://feeds.example/x").error(), "read error: the connection was closed");
}

TEST(FetchFeed, ABodyOfExactlyTwoMegabytesIsReadAndOneByteMoreIsRefused) {
  FakeHttp http;
  http.answer.body = std::string(2'097'152, 'a');
  auto r = fetch_feed(http, "https://feeds.example/x");
  ASSERT_TRUE(r) << r.error();
  EXPECT_EQ(r->size(), 2'097'152u);

  http.answer.body.push_back('a');
  EXPECT_EQ(fetch_feed(http, "https://feeds.example/x").error(), "that feed is larger than 2 MB");
}

// --- decoding ---------------------------------------------------------------------------------

TEST(FetchFeed, TheBodyIsDecodedByItsContentType) {
  FakeHttp http;
  http.answer.content_type = "text/xml; charset=windows-1252";
  http.answer.body = "caf\xE9 \x80";
  EXPECT_EQ(*fetch_feed(http, "https://feeds.example/x"), "caf\xC3\xA9 \xE2\x82\xAC");

  http.answer.content_type = "";
  http.answer.body = "bad \xFF utf-8";
  EXPECT_EQ(*fetch_feed(http, "https://feeds.example/x"), "bad \xEF\xBF\xBD utf-8");
}

TEST(FetchFeed, APageNamesTheAddressItCameFromAfterRedirects) {
  FakeHttp http;
  http.answer.body = "<html></html>";
  EXPECT_EQ(fetch_feed_page(http, "https://feeds.example/x")->final_url, "https://feeds.example/x");
  http.answer.redirected = true;
  http.answer.final_url = "https://www.feeds.example/blog/";
  auto page = fetch_feed_page(http, "https://feeds.example/x");
  EXPECT_EQ(page->final_url, "https://www.feeds.example/blog/");
  EXPECT_EQ(page->text, "<html></html>");
}

// --- loading: which source is which -----------------------------------------------------------

TEST(LoadFeed, AnExistingPathIsReadFromDiskEvenIfItLooksLikeAHostName) {
  FakeHttp http;
  FakeFiles files;
  files.path = "feeds.example.com";
  files.kind = PathKind::File;
  files.content = std::string(SCHEMA_FEED);
  auto feed = load_feed(http, files, "feeds.example.com");
  ASSERT_TRUE(feed) << feed.error();
  EXPECT_EQ(feed->id, "desk-feed");
  EXPECT_EQ(files.reads, 1);
  EXPECT_TRUE(http.seen.empty());
}

TEST(LoadFeed, AnUnreadableLocalFileIsAFileError) {
  FakeHttp http;
  FakeFiles files;
  files.path = "C:\\feeds\\f.xml";
  files.kind = PathKind::File;
  files.content = err(std::string("Access denied."));
  EXPECT_EQ(load_feed(http, files, "C:\\feeds\\f.xml").error(), "file error: Access denied.");
  EXPECT_TRUE(http.seen.empty());
}

TEST(LoadFeed, AnHttpsSourceThatIsAFileIsReadWithoutPrefixOnFailure) {
  FakeHttp http;
  FakeFiles files;
  files.path = "https://x/feed";
  files.kind = PathKind::File;
  files.content = std::string(SCHEMA_FEED);
  ASSERT_TRUE(load_feed(http, files, "https://x/feed"));
  files.content = err(std::string("Sharing violation."));
  EXPECT_EQ(load_feed(http, files, "https://x/feed").error(), "Sharing violation.");
  EXPECT_TRUE(http.seen.empty());
}

TEST(LoadFeed, AnHttpsSourceThatIsAFolderIsFetched) {
  FakeHttp http;
  http.answer.body = SCHEMA_FEED;
  FakeFiles files;
  files.path = "https://x/feed";
  files.kind = PathKind::Folder;
  ASSERT_TRUE(load_feed(http, files, "https://x/feed"));
  EXPECT_EQ(http.seen.size(), 1u);
  EXPECT_EQ(files.reads, 0);
}

TEST(LoadFeed, ASourceThatIsNeitherAPathNorHttpsIsRefusedWithoutARequest) {
  FakeHttp http;
  FakeFiles files;
  EXPECT_EQ(load_feed(http, files, "http://feeds.example/x").error(), "only https:// feeds are supported");
  EXPECT_EQ(load_feed(http, files, "no-such-file.xml").error(), "only https:// feeds are supported");
  EXPECT_TRUE(http.seen.empty());
}

TEST(LoadFeed, FetchedTextIsParsedAndFetchErrorsPassUnchanged) {
  FakeHttp http;
  FakeFiles files;
  http.answer.content_type = "application/rss+xml";
  http.answer.body = RSS_FEED;
  auto feed = load_feed(http, files, "https://feeds.example/rss");
  ASSERT_TRUE(feed) << feed.error();
  EXPECT_EQ(feed->title, "Caf\xC3\xA9");
  EXPECT_EQ(feed->items.size(), 1u);

  http.answer.status = 404;
  EXPECT_EQ(load_feed(http, files, "https://feeds.example/x").error(),
            "http error: https://feeds.example/x: status code 404");
}

TEST(LoadFeed, AParseFailureGivesTheFeedErrorsText) {
  FakeHttp http;
  FakeFiles files;
  http.answer.body = "<rss><channel><title>empty</title></channel></rss>";
  EXPECT_EQ(load_feed(http, files, "https://feeds.example/x").error(),
            "invalid xml: no RSS <item> or Atom <entry> found");
  http.answer.body = R"({"schema":"qx-feed/v1","id":"Xy","title":"t","pollSeconds":60,)"
                     R"("badge":{"shortText":"a","statusText":"b"}})";
  EXPECT_EQ(load_feed(http, files, "https://feeds.example/x").error(),
            "invalid schema: id contains invalid characters");
}

// --- loading real files -----------------------------------------------------------------------

class LoadLocalFeed : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("zv-feed-fetch-") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string write(const std::string& name, const std::string& bytes) {
    fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  Result<QxFeedV1, std::string> load(const std::string& path) {
    return load_feed(http_, platform_local_files(), path);
  }

  fs::path dir_;
  FakeHttp http_;
};

TEST_F(LoadLocalFeed, ReadsSchemaAndXmlFeedsFromDisk) {
  auto schema = load(write("desk.json", SCHEMA_FEED));
  ASSERT_TRUE(schema) << schema.error();
  EXPECT_EQ(schema->id, "desk-feed");
  EXPECT_EQ(schema->items.size(), 2u);

  auto rss = load(write("news.rss", RSS_FEED));
  ASSERT_TRUE(rss) << rss.error();
  EXPECT_EQ(rss->items[0].title, "First story");
  EXPECT_TRUE(http_.seen.empty());
}

TEST_F(LoadLocalFeed, AByteOrderMarkIsLeftForTheParser) {
  auto feed = load(write("bom.json", std::string("\xEF\xBB\xBF") + SCHEMA_FEED));
  ASSERT_TRUE(feed) << feed.error();
  EXPECT_EQ(feed->title, "Desk");
}

TEST_F(LoadLocalFeed, AFileThatIsNotUtf8IsAFileError) {
  // windows-1252 bytes: local files get no charset guessing.
  std::string latin = "<?xml version=\"1.0\" encoding=\"windows-1252\"?><rss><channel><title>Caf\xE9</title>"
                      "<item><title>x</title></item></channel></rss>";
  auto r = load(write("latin.xml", latin));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), "file error: the file is not valid UTF-8 text");
}

TEST_F(LoadLocalFeed, AFolderIsAFileError) {
  fs::create_directories(dir_ / "folder.xml");
  auto r = load((dir_ / "folder.xml").string());
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().rfind("file error: ", 0), 0u) << r.error();
  EXPECT_GT(r.error().size(), std::string("file error: ").size());
  EXPECT_TRUE(http_.seen.empty());
}

TEST_F(LoadLocalFeed, AMissingFileIsNotAPath) {
  EXPECT_EQ(load((dir_ / "missing.xml").string()).error(), "only https:// feeds are supported");
  EXPECT_EQ(platform_local_files().path_kind(std::string("a\0b", 3)), PathKind::None);
}

}  // namespace
}  // namespace qx
