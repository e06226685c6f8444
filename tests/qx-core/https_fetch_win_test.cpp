// The WinHTTP transport and feed fetching over real TLS connections, with the platform's normal
// certificate checks: a scripted server in this process behind a local TLS front.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "feed_fetch.h"
#include "http_client.h"
#include "local_http_server_win.h"
#include "tls_front_win.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using zvtest::answer;
using zvtest::Certificate;
using zvtest::Framing;
using zvtest::LocalHttpServer;
using zvtest::redirect_to;
using zvtest::ServedResponse;
using zvtest::TlsFront;

const char* const EURO = "\xE2\x82\xAC";

std::string rss_with_title(const std::string& prolog, const std::string& title) {
  return prolog + "<rss version=\"2.0\"><channel><title>Feed</title><item><title>" + title +
         "</title><link>https://example.org/1</link></item></channel></rss>";
}

class Https : public ::testing::Test {
 protected:
  HttpResponse get(const std::string& url) {
    HttpRequest r = build_http_agent();
    r.url = url;
    return platform_http_client().get(r);
  }

  LocalHttpServer server;
  TlsFront front{server};
};

// --- trust ------------------------------------------------------------------------------------

TEST_F(Https, AFeedIsFetchedOverTlsWithTheNormalChecks) {
  server.route("/feed.xml", answer("<rss/>", {{"Content-Type", "application/rss+xml"}}));
  HttpResponse r = get(front.url("/feed.xml"));
  ASSERT_TRUE(r.ok()) << r.error_text;
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "<rss/>");
  EXPECT_EQ(r.content_type, "application/rss+xml");
  EXPECT_EQ(r.final_url, front.url("/feed.xml"));
  EXPECT_FALSE(r.redirected);

  auto got = server.requests();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].target, "/feed.xml");
  EXPECT_EQ(got[0].header("Host"), "localhost:" + std::to_string(front.port()));
  EXPECT_EQ(got[0].header("User-Agent"), "zelvarons-windows/0.4.0");
}

TEST_F(Https, ACertificateThatNoTrustedAuthoritySignedIsRefused) {
  TlsFront stranger(server, Certificate::Untrusted);
  server.route("/feed", answer("<rss/>"));
  auto r = fetch_feed(stranger.url("/feed"));
  ASSERT_FALSE(r);
  // Wine reports a failed chain as a secure channel failure; Windows may name the certificate.
  std::string prefix = "http error: " + stranger.url("/feed") + ": ";
  EXPECT_TRUE(r.error() == prefix + "secure channel failure" ||
              r.error() == prefix + "the server's certificate is not from a trusted authority")
      << r.error();
  EXPECT_EQ(server.request_count(), 0u);
}

TEST_F(Https, ACertificateForAnotherNameIsRefused) {
  server.route("/feed", answer("<rss/>"));
  std::string address = "https://127.0.0.1:" + std::to_string(front.port()) + "/feed";
  auto r = fetch_feed(address);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().rfind("http error: " + address + ": ", 0), 0u) << r.error();
  EXPECT_EQ(server.request_count(), 0u);
}

// --- charsets ---------------------------------------------------------------------------------

TEST_F(Https, TheCharsetComesFromTheHeaderOrElseFromTheBodysStart) {
  server.route("/header", answer(rss_with_title("", "Tickets \x80 5"),
                                 {{"Content-Type", "text/xml; charset=\"windows-1252\""}}));
  server.route("/body", answer(rss_with_title("<?xml version='1.0' encoding='windows-1252'?>", "Pies \x80 2"),
                               {{"Content-Type", "application/rss+xml"}}));

  auto header = fetch_feed(front.url("/header"));
  ASSERT_TRUE(header) << header.error();
  EXPECT_NE(header->find(std::string("Tickets ") + EURO + " 5"), std::string::npos) << *header;

  auto feed = load_feed(front.url("/body"));
  ASSERT_TRUE(feed) << feed.error();
  ASSERT_EQ(feed->items.size(), 1u);
  EXPECT_EQ(feed->items[0].title, std::string("Pies ") + EURO + " 2");
}

// --- redirects --------------------------------------------------------------------------------

TEST_F(Https, ARedirectFromHttpsToHttpIsRefusedOverTheWire) {
  server.route("/to-loopback", redirect_to(302, server.url("/plain")));
  server.route("/to-same-port", redirect_to(301, "http://localhost:" + std::to_string(front.port()) + "/plain"));
  server.route("/plain", answer("<rss/>"));
  for (const char* from : {"/to-loopback", "/to-same-port"}) {
    auto r = fetch_feed(front.url(from));
    ASSERT_FALSE(r) << from;
    EXPECT_EQ(r.error(), "http error: " + front.url(from) + ": redirected to a non-https address");
  }
  EXPECT_EQ(server.request_count(), 2u);  // "/plain" is never asked for
}

TEST_F(Https, ARedirectChainAcrossHttpsServersIsFollowed) {
  LocalHttpServer other_server;
  TlsFront other(other_server);
  server.route("/a/1", redirect_to(301, "2"));
  server.route("/a/2", redirect_to(302, other.url("/b")));
  other_server.route("/b", redirect_to(307, front.url("/c?x=1")));
  server.route("/c?x=1", redirect_to(308, "//localhost:" + std::to_string(front.port()) + "/done"));
  server.route("/done", answer("done"));

  HttpResponse r = get(front.url("/a/1"));
  ASSERT_TRUE(r.ok()) << r.error_text;
  EXPECT_EQ(r.body, "done");
  EXPECT_TRUE(r.redirected);
  EXPECT_EQ(r.first_url, front.url("/a/1"));
  EXPECT_EQ(r.final_url, front.url("/done"));
  EXPECT_EQ(server.request_count() + other_server.request_count(), 5u);

  other_server.route("/moved", redirect_to(302, front.url("/gone")));
  auto missing = fetch_feed(other.url("/moved"));
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error(), "http error: " + front.url("/gone") + ": status code 404 (redirected from " +
                                 other.url("/moved") + ")");
}

TEST_F(Https, EveryRequestAndEveryRedirectHopHasAConnectionOfItsOwn) {
  server.close_without_notice();  // answers one request per connection, without "Connection: close"
  server.route("/hop", redirect_to(302, "/feed"));
  server.route("/feed", answer("<rss/>"));
  for (const char* target : {"/feed", "/hop", "/feed"}) {
    HttpResponse r = get(front.url(target));
    ASSERT_TRUE(r.ok()) << target << ": " << r.error_text;
    EXPECT_EQ(r.body, "<rss/>");
  }
  EXPECT_EQ(server.connection_count(), 4u);
}

// --- bodies -----------------------------------------------------------------------------------

TEST_F(Https, TheSizeLimitHoldsWhateverTheFraming) {
  ServedResponse exact = answer(std::string(MAX_FEED_BYTES, 'a'));
  exact.framing = Framing::CloseDelimited;  // ends only with the TLS close
  ServedResponse over = answer(std::string(MAX_FEED_BYTES + 1, 'b'));
  over.framing = Framing::Chunked;
  server.route("/exact", exact);
  server.route("/over", over);

  auto whole = fetch_feed(front.url("/exact"));
  ASSERT_TRUE(whole) << whole.error();
  EXPECT_EQ(whole->size(), MAX_FEED_BYTES);
  auto too_large = fetch_feed(front.url("/over"));
  ASSERT_FALSE(too_large);
  EXPECT_EQ(too_large.error(), "that feed is larger than 2 MB");
}

TEST_F(Https, ABodyCutShortIsAReadError) {
  ServedResponse cut = answer(std::string(50'000, 'z'));
  cut.close_after = 20'000;
  server.route("/cut", cut);
  auto r = fetch_feed(front.url("/cut"));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), "read error: the connection was closed");
}

}  // namespace
}  // namespace qx
