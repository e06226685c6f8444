#include "text_cleanup.h"

#include <gtest/gtest.h>

#include <string>

#include "unicode_text.h"

namespace qx {
namespace {

TEST(DecodeHtmlEntities, NamedReferencesDecodeOnce) {
  EXPECT_EQ(decode_html_entities("Tom &amp; Jerry"), "Tom & Jerry");
  EXPECT_EQ(decode_html_entities("a &amp;amp; b"), "a &amp; b");
  EXPECT_EQ(decode_html_entities("&amp;lt;"), "&lt;");
  EXPECT_EQ(decode_html_entities("x&nbsp;y"), "x y");  // a plain space, not U+00A0
  EXPECT_EQ(decode_html_entities("It&rsquo;s &hellip; &Ntilde;&iquest;"), "It’s … Ñ¿");
}

TEST(DecodeHtmlEntities, NumericReferencesOfPrintableCharactersAndWhitespaceOnly) {
  EXPECT_EQ(decode_html_entities("&#8217;|&#x2019;|&#X2019;"), "’|’|’");
  EXPECT_EQ(decode_html_entities("&#+65;&#x+41;"), "AA");
  EXPECT_EQ(decode_html_entities("&#10;&#9;&#133;&#160;"), "\n\t\xC2\x85\xC2\xA0");
  EXPECT_EQ(decode_html_entities("&#x1F600;"), "😀");
  for (const char* kept : {"&#0;", "&#1;", "&#127;", "&#x84;", "&#x86;", "&#159;", "&#xD800;", "&#xDFFF;",
                           "&#x110000;", "&#4294967296;", "&#;", "&#x;", "&#+x41;", "&# 65;", "&#-65;", "&#6 5;"}) {
    EXPECT_EQ(decode_html_entities(kept), kept);
  }
}

TEST(DecodeHtmlEntities, TheSemicolonMustCloseWithinTenBytes) {
  EXPECT_EQ(decode_html_entities("&#00000065;"), "A");     // ";" 10 bytes after "&"
  EXPECT_EQ(decode_html_entities("&#000000065;"), "&#000000065;");  // 11 bytes
  EXPECT_EQ(decode_html_entities("&aaaaaaaaaa; &amp;"), "&aaaaaaaaaa; &");
}

TEST(DecodeHtmlEntities, UnknownOrUnfinishedReferencesStayAsWritten) {
  for (const char* kept : {"&Amp;", "&AMP;", "&bogus;", "a & b", "&", "x&", "&amp", "&;"}) {
    EXPECT_EQ(decode_html_entities(kept), kept);
  }
  // A refused "&" does not hide a reference right after it.
  EXPECT_EQ(decode_html_entities("&&amp;"), "&&");
  EXPECT_EQ(decode_html_entities(std::string("\0&lt;\xff", 6)), std::string("\0<\xff", 3));
}

TEST(StripTags, TagsGoAndOtherAngleBracketsStay) {
  EXPECT_EQ(strip_tags("<b>word</b>"), "word");
  EXPECT_EQ(strip_tags("a<br/>b"), "ab");  // words on both sides join
  EXPECT_EQ(strip_tags("1 < 2 and 3 > 2"), "1 < 2 and 3 > 2");
  EXPECT_EQ(strip_tags("a<1"), "a<1");
  EXPECT_EQ(strip_tags("<!-- note -->x"), "<!-- note -->x");
  EXPECT_EQ(strip_tags("end<"), "end<");
  EXPECT_EQ(strip_tags("keep <p class=x rest of text"), "keep ");
  EXPECT_EQ(strip_tags("<a href='<b>'>t</a>"), "'>t");
}

TEST(CollapseText, WhitespaceRunsBecomeOneSpace) {
  EXPECT_EQ(collapse_text("  a \t\n b\xE3\x80\x80\xC2\xA0" "c  ", 100), "a b c");
  EXPECT_EQ(collapse_text("abc defg", 5), "abc d");
  EXPECT_EQ(collapse_text("abc defg", 4), "abc ");
  EXPECT_EQ(collapse_text("abc", 3), "abc");
}

TEST(CollapseText, NothingLeftGivesLive) {
  EXPECT_EQ(collapse_text("", 10), "LIVE");
  EXPECT_EQ(collapse_text(" \t\n\xE2\x80\xA8", 10), "LIVE");
  EXPECT_EQ(collapse_text("word", 0), "LIVE");
}

TEST(CollapseText, CutsCountCharactersNotBytes) {
  std::string title;
  for (int i = 0; i < 300; ++i) title += (i % 3 == 0) ? "é" : (i % 3 == 1 ? "😀" : "e\xCC\x81");
  const std::string cut = collapse_text(title, 200);
  EXPECT_EQ(char_count(cut), 200u);
  EXPECT_TRUE(is_valid_utf8(cut));
  EXPECT_EQ(cut, std::string(utf8_prefix_chars(title, 200)));
  // Invalid bytes count as one character each and are kept.
  EXPECT_EQ(collapse_text("\xff\xfe z", 2), "\xff\xfe");
}

TEST(NormalizePictureUrl, UpgradesHttpAndTunesTheKnownPictureServers) {
  EXPECT_EQ(normalize_picture_url("http://a.example/p.jpg"), "https://a.example/p.jpg");
  EXPECT_EQ(normalize_picture_url("HTTP://a.example/p.jpg"), "HTTP://a.example/p.jpg");
  EXPECT_EQ(normalize_picture_url("ftp://a/"), "ftp://a/");

  const std::string news = std::string(NEWS_PICTURE_PREFIX) + "x/standard/240/y.jpg";
  const std::string news_larger =
      "https://" + std::string(NEWS_PICTURE_HOST) + "/ace/standard/640/x/standard/640/y.jpg";
  EXPECT_EQ(normalize_picture_url(news), news_larger);
  EXPECT_EQ(normalize_picture_url("http" + news.substr(5)), news_larger);
  EXPECT_EQ(normalize_picture_url("https://other.example/standard/240/a"), "https://other.example/standard/240/a");

  const std::string uploads = std::string(UPLOADS_PICTURE_PREFIX) + "2024/p.jpg";
  EXPECT_EQ(normalize_picture_url(uploads), uploads + "?w=1280");
  EXPECT_EQ(normalize_picture_url(normalize_picture_url(uploads)), uploads + "?w=1280");
  EXPECT_EQ(normalize_picture_url(uploads + "?size=s"), uploads + "?size=s");
}

TEST(ValidateHttpsUrl, HttpsWithSomethingAfterItAndNoWhitespace) {
  EXPECT_TRUE(validate_https_url("https://a").ok());
  EXPECT_TRUE(validate_https_url("https://a/\x01").ok());  // control characters other than whitespace pass
  for (std::string bad : {std::string("https://"), std::string("http://a.example/"), std::string("HTTPS://a"),
                          std::string("https://a b"), std::string("https://a\xC2\xA0" "b"), std::string("https://a\t"),
                          std::string(" https://a"), std::string("")}) {
    CoreResult<Unit> r = validate_https_url(bad);
    ASSERT_FALSE(r.ok()) << bad;
    EXPECT_EQ(r.error().kind, CoreErrorKind::InvalidUrl);
    EXPECT_EQ(core_error_message(r.error()), "invalid url: " + bad);
  }
}

}  // namespace
}  // namespace qx
