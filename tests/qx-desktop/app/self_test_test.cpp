#include "app/self_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/feed_service.h"

namespace qx {
namespace {

QxFeedV1 sample_feed() {
  QxFeedV1 f;
  f.schema = "qx-feed/v1";
  f.id = "desk-feed";
  f.title = "Desk";
  f.poll_seconds = 60;
  f.badge.short_text = "LIVE";
  f.badge.status_text = "3 stories";
  f.items = {QxItem{"a", {}, {}, {}, {}}, QxItem{"b", {}, {}, {}, {}}, QxItem{"c", {}, {}, {}, {}}};
  return f;
}

struct FakeSystem {
  Result<QxFeedV1, std::string> answer = sample_feed();
  std::vector<std::string> loaded;
  std::string out;
  std::string err;

  SelfTestSystem system() {
    return {
        [this](std::string_view source) {
          loaded.emplace_back(source);
          return answer;
        },
        [] { return ScreenSize{1920, 1080}; },
        [] { return std::uint32_t{42}; },
        [this](std::string_view t) { out += t; },
        [this](std::string_view t) { err += t; },
    };
  }
};

TEST(SelfTest, PrintsOneCompactLineWithSortedKeys) {
  FakeSystem fake;
  CommandLineOptions o = parse_arguments({"--self-test", "--feed", "C:\\feeds\\desk.json"});
  EXPECT_EQ(run_self_test(o, Placement::SignalBarBottom, fake.system()), 0);
  EXPECT_EQ(fake.loaded, (std::vector<std::string>{"C:\\feeds\\desk.json"}));
  EXPECT_EQ(fake.out,
            "{\"binary\":\"zelvarons\",\"feedId\":\"desk-feed\",\"idleSeconds\":42,\"mode\":\"signal-bar-bottom\","
            "\"ok\":true,\"screenPx\":[1920,1080],\"shortText\":\"LIVE\",\"statusText\":\"3 stories\",\"stories\":3,"
            "\"version\":\"0.4.0\"}\n");
  EXPECT_EQ(fake.err, "");
}

TEST(SelfTest, WithoutAFeedOptionTheDefaultFeedIsLoaded) {
  FakeSystem fake;
  run_self_test(parse_arguments({"--self-test"}), Placement::SignalBarBottom, fake.system());
  EXPECT_EQ(fake.loaded, (std::vector<std::string>{std::string(DEFAULT_FEED_URL)}));
}

TEST(SelfTest, AFailureGoesToStandardErrorWithExitCodeOne) {
  FakeSystem fake;
  fake.answer = err(std::string("only https:// feeds are supported"));
  EXPECT_EQ(run_self_test(parse_arguments({"--self-test", "--feed", "nowhere"}), Placement::Island, fake.system()), 1);
  EXPECT_EQ(fake.err, "self-test feed failed: only https:// feeds are supported\n");
  EXPECT_EQ(fake.out, "");
}

TEST(SelfTest, TheLineNamesThePlacementAndKeepsTextAsUtf8) {
  QxFeedV1 f = sample_feed();
  f.badge.short_text = "Caf\xC3\xA9 \"1\"";
  f.badge.status_text = "a\\b\n";
  f.items.clear();
  std::string line = self_test_line(f, Placement::BarRight, {800, 600}, 0);
  EXPECT_NE(line.find("\"mode\":\"bar-right\""), std::string::npos);
  EXPECT_NE(line.find("\"shortText\":\"Caf\xC3\xA9 \\\"1\\\"\""), std::string::npos);
  EXPECT_NE(line.find("\"statusText\":\"a\\\\b\\n\""), std::string::npos);
  EXPECT_NE(line.find("\"stories\":0"), std::string::npos);
  EXPECT_NE(line.find("\"screenPx\":[800,600]"), std::string::npos);
  EXPECT_EQ(line.find('\n'), line.size() - 1);
}

TEST(SelfTest, BrokenUtf8InFeedTextIsReplacedNotFatal) {
  QxFeedV1 f = sample_feed();
  f.id = "id\xFF";
  std::string line;
  EXPECT_NO_THROW(line = self_test_line(f, Placement::SignalBarTop, {1, 1}, 0));
  EXPECT_NE(line.find("\"feedId\":\"id\xEF\xBF\xBD\""), std::string::npos);
}

TEST(SelfTestIdle, TheTickDifferenceSurvivesTheCounterWrapping) {
  EXPECT_EQ(idle_seconds_between(10'999, 1'000), 9u);
  EXPECT_EQ(idle_seconds_between(5'000, 5'000), 0u);
  EXPECT_EQ(idle_seconds_between(4'000, 0xFFFFF000u), 8u);  // 4,096 + 4,000 ms
  EXPECT_EQ(idle_seconds_between(0, 1), 4'294'967u);
}

}  // namespace
}  // namespace qx
