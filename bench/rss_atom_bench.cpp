// Throughput of the XML tokenizer alone and of the whole RSS path (tokenizer, text decoding,
// the story handlers, building the feed) on a 2 MiB feed that is read to its last byte.
#include <chrono>
#include <cstdio>
#include <string>

#include "bench_feeds.h"

#include "rss_atom.h"
#include "xml_pull_reader.h"

namespace {

// A feed made of small elements: markup-dense, where the news feed is text-dense.
std::string make_dense_feed(std::size_t target_bytes) {
  std::string doc = "<rss version=\"2.0\"><channel><title>Dense</title>\n";
  const std::size_t per_item = target_bytes / 8;
  for (int i = 0; i < 8; ++i) {
    const std::size_t start = doc.size();
    doc += "<item><title>Story " + std::to_string(i) + "</title><link>https://example.org/" + std::to_string(i) +
           "</link>\n";
    while (doc.size() - start < per_item)
      doc += "  <category domain=\"https://example.org/tags\">Tag &amp; more</category><x:meta a='1'/>\n";
    doc += "</item>\n";
  }
  return doc + "</channel></rss>\n";
}

template <class F>
double best_mb_per_s(const std::string& doc, int rounds, F&& run) {
  double best = 0;
  for (int r = 0; r < rounds; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    run();
    const std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
    const double mbps = static_cast<double>(doc.size()) / 1e6 / dt.count();
    if (mbps > best) best = mbps;
  }
  return best;
}

int failures = 0;

void measure(const char* label, const std::string& doc) {
  std::size_t sink = 0;
  const double tokenizer = best_mb_per_s(doc, 20, [&] {
    qx::XmlPullReader r(doc);
    for (;;) {
      const qx::XmlEvent e = r.next();
      sink += e.text.size();
      if (e.kind == qx::XmlEventKind::EndOfInput || e.kind == qx::XmlEventKind::Error) break;
    }
  });
  bool ok = true;
  const double rss_path = best_mb_per_s(doc, 20, [&] {
    const qx::CoreResult<qx::QxFeedV1> f = qx::read_rss_atom(doc);
    ok = ok && f.ok() && f->items.size() == 8;
    sink += f.ok() ? f->items.size() : 0;
  });
  std::printf("%s: %zu bytes, %s, tokenizer %.0f MB/s, RSS path %.0f MB/s (needed: 100)\n", label, doc.size(),
              ok ? "8 stories" : "READ FAILED", tokenizer, rss_path);
  if (!ok || sink == 0) failures++;
}

}  // namespace

int main() {
  measure("text-dense feed", bench::make_news_rss(2 * 1024 * 1024));
  measure("markup-dense feed", make_dense_feed(2 * 1024 * 1024));
  return failures == 0 ? 0 : 1;
}
