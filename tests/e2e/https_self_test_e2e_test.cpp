// The real program's "--self-test" console mode on a feed served over TLS, with the platform's
// normal certificate checks (the test authority is in the prefix's Root store).
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "local_http_server_win.h"
#include "program_run_win.h"
#include "tls_front_win.h"

namespace {

using zvtest::ProgramRun;

ProgramRun run_program(const std::vector<std::string>& args) { return zvtest::run_program(ZV_EXE_PATH, args); }

class HttpsSelfTest : public ::testing::Test {
 protected:
  zvtest::LocalHttpServer server;
  zvtest::TlsFront front{server};
};

TEST_F(HttpsSelfTest, AnHttpsFeedIsFetchedDecodedAndSummarised) {
  // windows-1252 by the header: E9 is "é" and 80 is "€".
  server.route("/feed.xml",
               zvtest::answer("<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Harbour</title>"
                              "<item><title>Caf\xE9 cup: \x80" "5 tickets</title><link>https://example.org/1</link></item>"
                              "<item><title>Second</title><link>https://example.org/2</link></item>"
                              "</channel></rss>",
                              {{"Content-Type", "application/rss+xml; charset=windows-1252"}}));
  ProgramRun run = run_program({"--self-test", "--feed", front.url("/feed.xml")});
  ASSERT_EQ(run.exit_code, 0u) << run.err;
  EXPECT_EQ(run.err, "");
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << "one line, ending in a line feed: " << run.out;
  auto json = nlohmann::json::parse(run.out, nullptr, false);
  ASSERT_TRUE(json.is_object()) << run.out;
  EXPECT_EQ(json.dump() + "\n", run.out);  // compact, keys in byte order
  EXPECT_EQ(json["ok"], true);
  EXPECT_EQ(json["binary"], "zelvarons");
  EXPECT_EQ(json["stories"], 2);
  EXPECT_EQ(json["statusText"], "Caf\xC3\xA9 cup: \xE2\x82\xAC" "5 tickets");

  auto got = server.requests();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].header("User-Agent"), "zelvarons-windows/0.4.0");
}

TEST_F(HttpsSelfTest, AnHttpsFeedThatIsNotThereFailsOnStandardError) {
  ProgramRun run = run_program({"--self-test", "--feed", front.url("/feed.xml")});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "self-test feed failed: http error: " + front.url("/feed.xml") + ": status code 404\n");
}

}  // namespace
