// "Add feed" over real TLS: pages and feeds from a scripted server behind a local TLS front,
// fetched and loaded by the program's own transport. The state, the save and the box are fakes.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/add_feed.h"
#include "local_http_server_win.h"
#include "state_test_helpers.h"
#include "tls_front_win.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using zvtest::answer;
using zvtest::Framing;
using zvtest::LocalHttpServer;
using zvtest::redirect_to;
using zvtest::ServedResponse;
using zvtest::TlsFront;

const std::string RSS =
    "<rss version=\"2.0\"><channel><title>Blog feed</title><item><title>One</title>"
    "<link>https://example.org/1</link></item></channel></rss>";

struct Recorder final : WindowPoster {
  int posted = 0;
  void post(std::uint32_t) override { ++posted; }
};

class HttpsAddFeed : public ::testing::Test {
 protected:
  HttpsAddFeed() : state(test::state_with({"https://first.example/feed"})) {
    work.fetch = [](std::string_view address) { return fetch_feed_page(platform_http_client(), address); };
    work.load = [](std::string_view address) { return load_feed(address); };
    work.state = &state;
    work.now = [] { return test::T0; };
    work.save = [this](const AppState&) { ++saves; };
    work.poster = poster;
    work.show_failure = [this] { ++boxes; };
  }

  std::string followed() { return view_snapshot(state)->feeds.back().url; }

  LocalHttpServer server;
  TlsFront front{server};
  Guarded<AppState> state;
  std::shared_ptr<Recorder> poster = std::make_shared<Recorder>();
  int saves = 0;
  int boxes = 0;
  AddFeedWork work;
};

TEST_F(HttpsAddFeed, APageReachedThroughARedirectLeadsToItsRelativeFeed) {
  server.route("/start.html", redirect_to(302, "/blog/index.html"));
  server.route("/blog/index.html",
               answer("<!doctype html><html><head><TITLE>Blog</TITLE>"
                      "<link rel=stylesheet href=style.css>"
                      "<link type='application/json' rel=alternate href=/wp-json/>"
                      "<link rel=alternate type=application/rss+xml href=feed.xml title=Blog>"
                      "</head><body><div><div><p>Text",
                      {{"Content-Type", "text/html; charset=utf-8"}}));
  server.route("/blog/feed.xml", answer(RSS));
  add_feed_from_clipboard(front.url("/start.html"), work);
  EXPECT_EQ(boxes, 0);
  EXPECT_EQ(followed(), front.url("/blog/feed.xml"));
  EXPECT_EQ(poster->posted, 1);
}

TEST_F(HttpsAddFeed, APageWhoseFeedsDoNotLoadShowsTheBox) {
  server.route("/index.html",
               answer("<html><head><link rel=alternate type=application/rss+xml href=/missing.xml></head></html>"));
  add_feed_from_clipboard(front.url("/index.html"), work);
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(server.request_count(), 2u);
  EXPECT_EQ(view_snapshot(state)->feeds.size(), 1u);
  EXPECT_EQ(saves, 0);
  EXPECT_EQ(poster->posted, 0);
}

TEST_F(HttpsAddFeed, AHugeOrEndlessPageCostsNoMoreThanTheFetchLimitAndDeadline) {
  std::string huge = "<html><head>";
  while (huge.size() <= 3 * MAX_FEED_BYTES) huge += "<div><span>";
  huge += "<link rel=alternate type=application/rss+xml href=/feed.xml>";
  ServedResponse endless = answer(huge);
  endless.framing = Framing::CloseDelimited;
  server.route("/huge.html", endless);
  server.route("/feed.xml", answer(RSS));
  const auto start = std::chrono::steady_clock::now();
  add_feed_from_clipboard(front.url("/huge.html"), work);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 13s);
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(server.request_count(), 1u);
}

}  // namespace
}  // namespace qx
