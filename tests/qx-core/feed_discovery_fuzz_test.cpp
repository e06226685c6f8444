// Broken and hostile input for feed discovery: pages, hrefs, attributes and copied texts mutated
// from realistic seeds. Whatever comes in, what comes out is bounded and an https address.
#include "feed_discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_mutation.h"
#include "text_cleanup.h"
#include "unicode_text.h"

namespace qx {
namespace {

using zvtest::Mutator;
using zvtest::printable;

const std::string PAGE_ADDRESS = "https://example.org/news/index.html?page=2#top";

// Six distinct feeds in every form pages write them, with a <base> before them.
const std::string SEED_PAGE =
    "<!DOCTYPE html>\n<html lang=en><head><meta charset=\"utf-8\"><title>News &amp; more</title>\n"
    "<base href=\"https://static.example.org/site/\">\n"
    "<link rel=\"stylesheet\" href=\"/style.css\">\n"
    "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"News\" href=\"/feed.xml\">\n"
    "<link rel=\"alternate\" type=\"application/atom+xml\" href=\"atom.xml\"/>\n"
    "<link rel='alternate nofollow' type='application/feed+json' href=//cdn.example.org/feed.json>\n"
    "<link rel=alternate type=application/rss+xml title=\"Comments\" href=https://example.org/c/feed>\n"
    "<link REL=\"Alternate\" TYPE=\"APPLICATION/RDF+XML\" HREF=\"http://example.org/rdf?x=1&amp;y=2\">\n"
    "<link rel=\"alternate\" type=\"application/feed+json\" href=\"/comments/caf\xC3\xA9.json\">\n"
    "<link rel=\"alternate\" type=\"text/html\" hreflang=fr href=\"/fr/\">\n"
    "</head><body><p>Hello <a href=\"/x\">x</a></p></body></html>\n";

std::vector<std::string> page_tokens() {
  return {"<link",       "<link ",       "<LINK ",     "<base ",     " rel=",     "rel=\"alternate\" ",
          " type=",      "type=\"application/rss+xml\" ", "type=application/feed+json ",
          " href=",      " href=\"",     " title=",    "\"",         "'",         ">",
          "/>",          "/",            "=",          "&amp;",      "&#x41;",    "&#0;",
          "&#xD800;",    "&#1114112;",   "&nbsp;",     "&",          ";",         "://",
          "//",          "http://",      "https://",   "?",          "#",         " ",
          "\t",          "\n",           "<!--",       "-->",        "<![CDATA[", "<?xml ",
          "comment",     "/comments/",   ":",          "alternate",  "<",         "\x0C"};
}

// Every result of discovery, for any input.
void expect_sound_links(const std::vector<std::string>& links, std::string_view page, bool input_utf8,
                        const std::string& context) {
  EXPECT_LE(links.size(), MAX_DISCOVERED_LINKS) << context;
  for (std::size_t i = 0; i < links.size(); ++i) {
    const std::string& link = links[i];
    EXPECT_TRUE(link.starts_with("https://")) << context << "\nlink: " << printable(link);
    EXPECT_TRUE(validate_https_url(link)) << context << "\nlink: " << printable(link);
    EXPECT_FALSE(contains_unicode_whitespace(link)) << context << "\nlink: " << printable(link);
    // An address is made of the page's address, a <base> and one attribute, each at most three
    // times its bytes (an invalid byte becomes U+FFFD): nothing grows beyond the input.
    EXPECT_LE(link.size(), 3 * page.size() + PAGE_ADDRESS.size() + 16) << context;
    if (input_utf8) {
      EXPECT_TRUE(is_valid_utf8(link)) << context << "\nlink: " << printable(link);
    }
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(link, links[j]) << context;
  }
}

bool is_subsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  auto it = whole.begin();
  for (const std::string& s : part) {
    it = std::find(it, whole.end(), s);
    if (it == whole.end()) return false;
    ++it;
  }
  return true;
}

// --- discovery ---------------------------------------------------------------------------------------

TEST(DiscoveryFuzz, TheSeedPageGivesItsSixFeeds) {
  // The seed must be rich, or the mutations below test little.
  const std::vector<std::string> links = discover_feed_links(PAGE_ADDRESS, SEED_PAGE);
  EXPECT_EQ(links.size(), 6u);
  expect_sound_links(links, SEED_PAGE, true, "seed");
}

TEST(DiscoveryFuzz, EveryCutOfThePageFindsAnOrderedPartOfItsFeeds) {
  // A link is read only once its ">" has arrived, so a cut page announces fewer feeds, never
  // others, and in the same order.
  const std::vector<std::string> all = discover_feed_links(PAGE_ADDRESS, SEED_PAGE);
  for (std::size_t n = 0; n <= SEED_PAGE.size(); ++n) {
    const std::string_view cut = std::string_view(SEED_PAGE).substr(0, n);
    const std::vector<std::string> links = discover_feed_links(PAGE_ADDRESS, cut);
    const std::string context = "cut at " + std::to_string(n);
    expect_sound_links(links, cut, is_valid_utf8(cut), context);
    EXPECT_TRUE(is_subsequence(links, all)) << context;
  }
}

TEST(DiscoveryFuzz, MutatedPagesGiveOnlySoundHttpsAddresses) {
  Mutator m(0x5eed0108, page_tokens(), 1 << 15);
  std::size_t found = 0;
  for (int i = 0; i < 8000; ++i) {
    const std::string page = m.mutate(SEED_PAGE);
    const std::string address = m.chance(20) ? m.mutate(PAGE_ADDRESS) : PAGE_ADDRESS;
    const std::vector<std::string> links = discover_feed_links(address, page);
    found += links.size();
    expect_sound_links(links, page + address, is_valid_utf8(page) && is_valid_utf8(address),
                       "case " + std::to_string(i) + "\naddress: " + printable(address) + "\npage: " + printable(page));
  }
  // Most mutations leave most links alone: the run did reach the ranking and resolving.
  EXPECT_GT(found, 8000u);
}

TEST(DiscoveryFuzz, RandomBytesGiveNothingUnsound) {
  Mutator m(0xb17e5, {});
  for (int i = 0; i < 500; ++i) {
    const std::string page = "<link rel=alternate type=application/rss+xml href=" + m.random_bytes(200) + ">" +
                             m.random_bytes(2000);
    expect_sound_links(discover_feed_links(PAGE_ADDRESS, page), page, is_valid_utf8(page),
                       "case " + std::to_string(i) + ": " + printable(page));
  }
}

TEST(DiscoveryFuzz, HostileShapesEndInOneBoundedScan) {
  const std::string link = "<link rel=alternate type=application/rss+xml href=/feed.xml>";
  struct Case {
    const char* what;
    std::string page;
    std::size_t links;
  };
  const Case cases[] = {
      {"a tag of sixty thousand openings", [&] {
         std::string s;
         for (int i = 0; i < 60'000; ++i) s += "<link ";
         return s + ">" + link;
       }(), 1},
      {"openings without a close", [] {
         std::string s;
         for (int i = 0; i < 80'000; ++i) s += "<link";
         return s;
       }(), 0},
      {"one tag with thirty thousand attributes", [] {
         std::string s = "<link rel=alternate type=application/rss+xml href=/a.xml";
         for (int i = 0; i < 30'000; ++i) s += " a" + std::to_string(i) + "=1";
         return s + ">";
       }(), 1},
      {"one repeated attribute", [] {
         std::string s = "<link rel=alternate type=application/rss+xml href=/a.xml";
         for (int i = 0; i < 100'000; ++i) s += " x";
         return s + ">";
       }(), 1},
      {"a 300 kB href", "<link rel=alternate type=application/rss+xml href=/" + std::string(300'000, 'a') + ">", 1},
      {"a 300 kB run of references", "<link rel=alternate type=application/rss+xml href=/" + [] {
         std::string s;
         for (int i = 0; i < 50'000; ++i) s += "&#x41;";
         return s;
       }() + ">", 1},
      {"deep nesting around the link", std::string(60'000, '<') + "div>" + link, 1},
      {"nested tags", [&] {
         std::string s;
         for (int i = 0; i < 30'000; ++i) s += "<div>";
         return s + link;
       }(), 1},
      {"thousands of links to one feed", [&] {
         std::string s;
         for (int i = 0; i < 5'000; ++i) s += link;
         return s;
       }(), 1},
      {"thousands of distinct feeds", [] {
         std::string s;
         for (int i = 0; i < 5'000; ++i) s += "<link rel=alternate type=application/rss+xml href=/f" + std::to_string(i) + ">";
         return s;
       }(), MAX_DISCOVERED_LINKS},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> links = discover_feed_links(PAGE_ADDRESS, c.page);
    EXPECT_EQ(links.size(), c.links) << c.what;
    expect_sound_links(links, c.page, true, c.what);
  }
}

TEST(DiscoveryFuzz, ALinkPastTheScanLimitIsIgnoredWhateverTheCharactersBeforeIt) {
  const std::string link = "<link rel=alternate type=application/rss+xml href=/feed.xml>";
  for (const std::string& filler : {std::string("a"), std::string("\xC3\xA9"), std::string("\xF0\x9F\x98\x80")}) {
    std::string before;
    for (std::size_t i = 0; i + link.size() < DISCOVERY_SCAN_CHARS; ++i) before += filler;
    EXPECT_EQ(discover_feed_links(PAGE_ADDRESS, before + link).size(), 1u) << printable(filler);
    EXPECT_TRUE(discover_feed_links(PAGE_ADDRESS, before + filler + link).empty()) << printable(filler);
  }
}

// --- the pieces ----------------------------------------------------------------------------------------

TEST(ResolveFeedHrefFuzz, AnyHrefGivesNothingOrAnHttpsAddressMadeOfItsParts) {
  Mutator m(0x4ef, {"//", "/", "./", "../", "?", "#", ":", "http://", "https://", "a", "%2F", "\\"}, 512);
  const std::vector<std::string> hrefs = {"feed.xml", "/feed.xml", "//cdn.example.org/f", "https://e.org/f",
                                          "http://e.org/f", "../up/feed?x=1#y", "", "mailto:a@b.c"};
  const std::vector<std::string> pages = {PAGE_ADDRESS, "https://example.org", "https://example.org?x=1",
                                          "https://example.org/a/b/", "https://", "http://example.org/a/"};
  for (int i = 0; i < 5000; ++i) {
    const std::string href = m.mutate(m.pick(hrefs));
    const std::string page = m.chance(30) ? m.mutate(m.pick(pages)) : m.pick(pages);
    const std::optional<std::string> address = resolve_feed_href(page, href);
    const std::string context = "page " + printable(page) + "\nhref " + printable(href);
    if (!address) continue;
    EXPECT_LE(address->size(), page.size() + href.size() + 8) << context;
    if (href.starts_with("https://")) {
      EXPECT_EQ(*address, href) << context;
    } else if (page.starts_with("https://") || href.starts_with("//") || href.starts_with("http://")) {
      EXPECT_TRUE(address->starts_with("https://")) << context << "\n-> " << printable(*address);
    }
    EXPECT_TRUE(address->ends_with(href.starts_with("//") ? href.substr(2) : href.substr(href.starts_with("http://") ? 7 : 0)))
        << context << "\n-> " << printable(*address);
  }
}

TEST(HtmlAttrFuzz, AnyAttributeRegionGivesAValueFromIt) {
  Mutator m(0xa77, {"=", "\"", "'", " ", "/", "&amp;", "&lt;", "&#65;", "&#x0;", "&bogus;", "&", "href", "HREF"}, 4096);
  const std::vector<std::string> seeds = {" rel=\"alternate\" href='/a?b=1&amp;c=2' title=x",
                                          " HREF=/feed.xml hidden href=/second",
                                          " href=\"&nbsp;caf\xC3\xA9\" type=application/rss+xml"};
  for (int i = 0; i < 5000; ++i) {
    const std::string region = m.mutate(m.pick(seeds));
    const XmlElement element{"link", region};
    for (const char* name : {"href", "rel", "title", "hidden", ""}) {
      const std::string value = html_attr(element, name);
      const std::string context = std::string(name) + " of " + printable(region);
      // References only ever shorten a value: "&#x10FFFF;" is 10 bytes for 4.
      EXPECT_LE(value.size(), region.size() * 3) << context;
      if (is_valid_utf8(region)) {
        EXPECT_TRUE(is_valid_utf8(value)) << context << "\n-> " << printable(value);
      }
    }
  }
}

TEST(NormalizeFeedAddressFuzz, AnAcceptedAddressIsShortDottedBlankFreeAndStable) {
  Mutator m(0xc0b1, {"://", "http", "https", "HTTP", ".", " ", "\xE3\x80\x80", "/", "www."}, 4096);
  const std::vector<std::string> seeds = {"http://example.org/feed", "example.org/rss", "https://a.b/c?d=e",
                                          "ftp://x.y", std::string(2040, 'a') + ".org"};
  for (int i = 0; i < 5000; ++i) {
    const std::string text = m.mutate(m.pick(seeds));
    const std::optional<std::string> address = normalize_feed_address(text);
    if (!address) continue;
    const std::string context = printable(text) + "\n-> " + printable(*address);
    EXPECT_LT(address->size(), MAX_ADDRESS_LEN) << context;
    EXPECT_NE(address->find('.'), std::string::npos) << context;
    EXPECT_FALSE(contains_unicode_whitespace(*address)) << context;
    // The text after its scheme is kept as it was.
    const std::size_t scheme = text.find("://");
    EXPECT_TRUE(address->ends_with(scheme == std::string::npos ? text : text.substr(scheme + 3))) << context;
    // Cleaning a cleaned address changes nothing.
    EXPECT_EQ(normalize_feed_address(*address), address) << context;
  }
}

}  // namespace
}  // namespace qx
