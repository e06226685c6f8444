// Throughput of parse_feed_text on three generated feeds: a 2 MiB RSS document read to its last
// byte, a 2 MiB generic JSON feed and a 512 KiB schema feed. A plain byte scan over the same data
// runs in the same process as a baseline, so the ratio means something on a noisy machine.
// MB is 10^6 bytes.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "bench_feeds.h"

#include "core_error.h"
#include "feed_text.h"

namespace {

using Clock = std::chrono::steady_clock;

// A feed in the common JSON feed layout, with many stories: the whole text becomes a value tree.
std::string make_json(std::size_t size) {
  std::string doc = R"({"version":"https://example.org/feed/1.1","title":"Bench JSON","home_page_url":"https://example.org/","items":[)";
  std::string body;
  while (body.size() < 1500) body += "<p>The visitors pressed and pressed; a late corner \\u2013 headed in \\\"at last\\\".</p>";
  for (int i = 0; doc.size() < size - 4000; ++i) {
    const std::string n = std::to_string(i);
    if (i) doc += ",";
    doc += R"({"id":")" + n + R"(","url":"https://example.org/s/)" + n + R"(","title":"Story )" + n +
           R"(: a late winner","content_html":")" + body + R"(","date_published":"2024-01-02T18:30:00Z",)" +
           R"("image":"https://example.org/p/)" + n + R"(.jpg","authors":[{"name":"Desk"}],"tags":["sport","late"],"rank":)" +
           std::to_string(i * 7 % 1000) + R"(,"score":)" + std::to_string(i) + ".5}";
  }
  doc += "]}";
  return doc;
}

// A schema feed: eight stories, a score and drawer, and a large member that the reader skips.
std::string make_schema(std::size_t size) {
  std::string doc = R"({"schema":"qx-feed/v1","id":"bench-feed","title":"Bench schema","pollSeconds":60,)"
                    R"("badge":{"shortText":"BENCH","statusText":"Eight stories","accentHex":"#12aBef"},)"
                    R"("drawer":{"headline":"Latest","links":[{"label":"Open","url":"https://example.org/"}]},)"
                    R"("score":{"state":"in","detail":"Q3","away":{"abbr":"AW","name":"Away","score":"3"},)"
                    R"("home":["HM","Home","7","#000000"]},"items":[)";
  for (int i = 0; i < 8; ++i) {
    const std::string n = std::to_string(i);
    if (i) doc += ",";
    doc += R"({"title":"Story )" + n + R"(","url":"https://example.org/s/)" + n + R"(","id":"s)" + n +
           R"(","published":"2024-01-02T18:30:00Z","media":{"kind":"image","url":"https://example.org/p/)" + n + R"(.jpg"}})";
  }
  doc += R"(],"archive":[)";
  for (int i = 0; doc.size() < size - 300; ++i) {
    if (i) doc += ",";
    doc += R"({"title":"Older story )" + std::to_string(i) + R"(","url":"https://example.org/old/)" + std::to_string(i) +
           R"(","views":)" + std::to_string(i * 31) + R"(,"tags":["a","b"]})";
  }
  doc += R"(],"signature":{"alg":"ed25519","kid":"k1","sig":"00ff"}})";
  return doc;
}

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

volatile std::uint64_t sink;

// The baseline: one pass over the bytes that the compiler cannot drop.
double byte_scan_mb_per_s(const std::string& data) {
  std::uint64_t acc = 0;
  std::size_t bytes = 0;
  const Clock::time_point start = Clock::now();
  do {
    for (unsigned char c : data) acc = acc * 31 + c;
    bytes += data.size();
  } while (seconds_since(start) < 0.5);
  sink = acc;
  return static_cast<double>(bytes) / 1e6 / seconds_since(start);
}

bool run(const char* name, const std::string& data, double aim) {
  qx::CoreResult<qx::QxFeedV1> first = qx::parse_feed_text(data);
  if (!first.ok()) {
    std::printf("%s: failed: %s\n", name, qx::core_error_message(first.error()).c_str());
    return false;
  }
  std::size_t bytes = 0;
  int runs = 0;
  const Clock::time_point start = Clock::now();
  do {
    qx::CoreResult<qx::QxFeedV1> r = qx::parse_feed_text(data);
    sink = r.ok() ? r->items.size() : 0;
    bytes += data.size();
    ++runs;
  } while (seconds_since(start) < 2.0 || runs < 5);
  const double mb_per_s = static_cast<double>(bytes) / 1e6 / seconds_since(start);
  const double scan = byte_scan_mb_per_s(data);
  std::printf("%-6s %8zu bytes, %zu stories: %7.1f MB/s (aim %.0f) | byte scan %7.1f MB/s | ratio %.3f\n", name,
              data.size(), first->items.size(), mb_per_s, aim, scan, mb_per_s / scan);
  return true;
}

}  // namespace

int main() {
  bool ok = run("rss", bench::make_news_rss(2 * 1024 * 1024), 100);
  ok = run("json", make_json(2 * 1024 * 1024), 50) && ok;
  ok = run("schema", make_schema(512 * 1024), 50) && ok;
  return ok ? 0 : 1;
}
