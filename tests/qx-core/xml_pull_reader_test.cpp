#include "xml_pull_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qx {
namespace {

// The events of a document as one line: "S(a) T(x) E(a) EOF". Attribute regions are shown
// after the name ("S(a| b='1')"), so a test sees exactly what the tag handed over.
std::string trace(std::string_view doc, std::size_t max_events = 1000) {
  XmlPullReader r(doc);
  std::string out;
  for (std::size_t n = 0; n < max_events; ++n) {
    const XmlEvent e = r.next();
    if (!out.empty()) out += ' ';
    auto put = [&](const char* tag, std::string_view body) {
      out += tag;
      out += '(';
      out += body;
      out += ')';
    };
    auto with_attrs = [&](const char* tag) {
      out += tag;
      out += '(';
      out += e.element.name;
      if (!e.element.attrs.empty()) {
        out += '|';
        out += e.element.attrs;
      }
      out += ')';
    };
    switch (e.kind) {
      case XmlEventKind::Start: with_attrs("S"); break;
      case XmlEventKind::Empty: with_attrs("M"); break;
      case XmlEventKind::End: put("E", e.element.name); break;
      case XmlEventKind::Text: put("T", e.text); break;
      case XmlEventKind::CData: put("C", e.text); break;
      case XmlEventKind::Comment: put("!", e.text); break;
      case XmlEventKind::Declaration: put("D", e.text); break;
      case XmlEventKind::ProcessingInstruction:
        put("P", std::string(e.element.name) + "|" + std::string(e.text));
        break;
      case XmlEventKind::DocType: put("DT", e.text); break;
      case XmlEventKind::EndOfInput: out += "EOF"; return out;
      case XmlEventKind::Error: put("ERR", e.text); return out;
    }
  }
  return out + " …";
}

std::string first_error(std::string_view doc) {
  XmlPullReader r(doc);
  for (;;) {
    const XmlEvent e = r.next();
    if (e.kind == XmlEventKind::Error) return std::string(e.text);
    if (e.kind == XmlEventKind::EndOfInput) return "no error";
  }
}

TEST(XmlPullReaderEvents, EveryKindOfNodeComesAsItsOwnEvent) {
  EXPECT_EQ(trace("<?xml version=\"1.0\"?><!DOCTYPE rss><?style a?><rss v=\"2\">"
                  "<!-- note --><a>x</a><b/><![CDATA[ raw ]]></rss>"),
            "D(version=\"1.0\") DT(rss) P(style|a) S(rss| v=\"2\") !( note ) S(a) T(x) E(a) "
            "M(b) C( raw ) E(rss) EOF");
}

TEST(XmlPullReaderEvents, TextIsTrimmedOfXmlBlanksAndBlankTextIsDropped) {
  EXPECT_EQ(trace("<a>\r\n\t  one  two \n</a><b> \t\r\n </b>"), "S(a) T(one  two) E(a) S(b) E(b) EOF");
  // A no-break space is not an XML blank: it stays, and a text of only that is reported.
  EXPECT_EQ(trace("<a> \xC2\xA0 </a>"), "S(a) T(\xC2\xA0) E(a) EOF");
}

TEST(XmlPullReaderEvents, ReferencesInTextAreHandedOverRaw) {
  EXPECT_EQ(trace("<t>AT&T &amp;lt;b&gt; &nbsp; &#1; &</t>"),
            "S(t) T(AT&T &amp;lt;b&gt; &nbsp; &#1; &) E(t) EOF");
}

TEST(XmlPullReaderEvents, CdataKeepsItsBlanksAndMarkup) {
  EXPECT_EQ(trace("<t>  Hello <![CDATA[ <b>World</b> ]]>  </t>"),
            "S(t) T(Hello) C( <b>World</b> ) E(t) EOF");
  EXPECT_EQ(trace("<t><![CDATA[]]></t>"), "S(t) C() E(t) EOF");
}

TEST(XmlPullReaderEvents, EmptyElementsAreOneEventAndNeverOpen) {
  EXPECT_EQ(trace("<a><b/><c x='1'/></a>"), "S(a) M(b) M(c| x='1') E(a) EOF");
  XmlPullReader r("<a><b/>");
  r.next();
  r.next();
  EXPECT_EQ(r.depth(), 1u);
  // "</b>" after "<b/>" has nothing to close.
  EXPECT_EQ(first_error("<b/></b>"), "end tag without a start tag at line 1 column 5: found </b>");
}

TEST(XmlPullReaderEvents, EndTagsMayCarryTrailingBlanks) {
  EXPECT_EQ(trace("<a></a \n>"), "S(a) E(a) EOF");
}

TEST(XmlPullReaderTags, AQuotedValueMayHoldAngleBracketsAndTheOtherQuote) {
  EXPECT_EQ(trace("<a t=\"x>y's\" u='\"/>'>z</a>"), "S(a| t=\"x>y's\" u='\"/>') T(z) E(a) EOF");
}

TEST(XmlPullReaderTags, AQuoteOutsideAValueDoesNotSwallowTheTag) {
  EXPECT_EQ(trace("<link title=Bob's href=/f/>"), "M(link| title=Bob's href=/f) EOF");
}

TEST(XmlPullReaderTags, ADocumentTypeWithAnInternalSubsetIsSkippedWhole) {
  EXPECT_EQ(trace("<!DOCTYPE r [ <!-- ] ' > --> <?pi ]> ?> <!X \"]>\" '>'> ]><r/>"),
            "DT(r [ <!-- ] ' > --> <?pi ]> ?> <!X \"]>\" '>'> ]) M(r) EOF");
  EXPECT_EQ(trace("<!doctype html SYSTEM \"a>b\"><r/>"), "DT(html SYSTEM \"a>b\") M(r) EOF");
}

TEST(XmlPullReaderTags, CommentsAreNotChecked) {
  EXPECT_EQ(trace("<!-- a -- b <c> --><!----><r/>"), "!( a -- b <c> ) !() M(r) EOF");
}

TEST(XmlPullReaderTags, DeclarationsAndInstructionsMayStandAnywhere) {
  EXPECT_EQ(trace("<r><?xml v?><?xml-stylesheet href='a'?></r>"),
            "S(r) D(v) P(xml-stylesheet|href='a') E(r) EOF");
}

TEST(XmlPullReaderLeniency, OpenElementsAtTheEndOfInputAreNotAnError) {
  EXPECT_EQ(trace("<rss><channel><item><title>t"), "S(rss) S(channel) S(item) S(title) T(t) EOF");
}

TEST(XmlPullReaderLeniency, TextOutsideTheRootAndSeveralRootsAreRead) {
  EXPECT_EQ(trace("lead<a/>mid<b></b>tail"), "T(lead) M(a) T(mid) S(b) E(b) T(tail) EOF");
}

TEST(XmlPullReaderErrors, AMismatchedEndTagNamesBothTagsAndWhereItStands) {
  EXPECT_EQ(first_error("<rss>\n<channel>\n  <item>hello!</channel>"),
            "mismatched end tag at line 3 column 15: expected </item>, found </channel>");
  // End tags compare byte for byte: letter case and prefixes count.
  EXPECT_EQ(first_error("<Item></item>"),
            "mismatched end tag at line 1 column 7: expected </Item>, found </item>");
}

TEST(XmlPullReaderErrors, LinesCountEveryKindOfBreakAndColumnsCountCharacters) {
  EXPECT_EQ(first_error("a\r\nb\rc\n\xC3\xA9\xE2\x82\xAC</x>"),
            "end tag without a start tag at line 4 column 3: found </x>");
}

TEST(XmlPullReaderErrors, UnterminatedConstructsAreErrorsAtTheirStart) {
  EXPECT_EQ(first_error("<r>\n<!-- x"), "unterminated comment at line 2 column 1");
  EXPECT_EQ(first_error("<r><![CDATA[ x ]]"), "unterminated CDATA section at line 1 column 4");
  EXPECT_EQ(first_error("<?xml version='1.0'"), "unterminated processing instruction at line 1 column 1");
  EXPECT_EQ(first_error("<!DOCTYPE r [ <!ENTITY a 'b'> "),
            "unterminated document type declaration at line 1 column 1");
  EXPECT_EQ(first_error("<r><item a=\"x>"), "unterminated start tag at line 1 column 4: <item");
  EXPECT_EQ(first_error("<r></r"), "unterminated end tag at line 1 column 4");
}

TEST(XmlPullReaderErrors, ALessThanThatStartsNoTagIsAnError) {
  EXPECT_EQ(first_error("<p>1 < 2</p>"), "'<' starts no tag at line 1 column 6");
  EXPECT_EQ(first_error("<p>1 <2</p>"), "'<' starts no tag at line 1 column 6");
  EXPECT_EQ(first_error("<p>x<"), "'<' starts no tag at line 1 column 5");
  EXPECT_EQ(first_error("<r><!ENTITY x 'y'></r>"), "unknown markup declaration at line 1 column 4");
  EXPECT_EQ(first_error("<?  ?>"), "processing instruction without a target at line 1 column 1");
  EXPECT_EQ(first_error("<r></ r>"), "malformed end tag at line 1 column 4");
  EXPECT_EQ(first_error("<r></r x>"), "malformed end tag at line 1 column 4");
}

TEST(XmlPullReaderErrors, AnErrorIsReportedAgainOnEveryLaterCall) {
  XmlPullReader r("<a></b><c>");
  r.next();
  const XmlEvent e1 = r.next();
  const XmlEvent e2 = r.next();
  ASSERT_EQ(e1.kind, XmlEventKind::Error);
  EXPECT_EQ(e2.kind, XmlEventKind::Error);
  EXPECT_EQ(e2.text, e1.text);
}

TEST(XmlPullReaderErrors, LongNamesAreCutInTheMessage) {
  const std::string name(300, 'n');
  const std::string msg = first_error("<a></" + name + ">");
  EXPECT_EQ(msg, "mismatched end tag at line 1 column 4: expected </a>, found </" +
                     std::string(40, 'n') + "…>");
}

TEST(XmlPullReaderHostile, NulBytesAreData) {
  using namespace std::string_literals;
  EXPECT_EQ(trace("<a\0b>x\0y</a\0b>\0"s), "S(a\0b) T(x\0y) E(a\0b) T(\0) EOF"s);
}

TEST(XmlPullReaderHostile, HundredThousandNestedElementsOpenAndClose) {
  constexpr int DEPTH = 100000;
  std::string doc;
  for (int i = 0; i < DEPTH; ++i) doc += "<e>";
  for (int i = 0; i < DEPTH; ++i) doc += "</e>";
  XmlPullReader r(doc);
  std::size_t starts = 0, ends = 0, max_depth = 0;
  for (;;) {
    const XmlEvent e = r.next();
    if (e.kind == XmlEventKind::Start) ++starts;
    if (e.kind == XmlEventKind::End) ++ends;
    max_depth = std::max(max_depth, r.depth());
    if (e.kind == XmlEventKind::EndOfInput || e.kind == XmlEventKind::Error) {
      EXPECT_EQ(e.kind, XmlEventKind::EndOfInput);
      break;
    }
  }
  EXPECT_EQ(starts, static_cast<std::size_t>(DEPTH));
  EXPECT_EQ(ends, static_cast<std::size_t>(DEPTH));
  EXPECT_EQ(max_depth, static_cast<std::size_t>(DEPTH));
}

TEST(XmlPullReaderHostile, ATwoMebibyteTextNodeIsOneEvent) {
  const std::string body(2 * 1024 * 1024, 'x');
  const std::string doc = "<t>" + body + "</t>";
  XmlPullReader r2(doc);
  ASSERT_EQ(r2.next().kind, XmlEventKind::Start);
  const XmlEvent text = r2.next();
  ASSERT_EQ(text.kind, XmlEventKind::Text);
  EXPECT_EQ(text.text.size(), body.size());
  EXPECT_EQ(r2.next().kind, XmlEventKind::End);
  EXPECT_EQ(r2.next().kind, XmlEventKind::EndOfInput);
}

// Reads a document to its end and checks that every view lies inside the input and that
// the reader moves on at every event.
void expect_reads_safely(std::string_view doc) {
  XmlPullReader r(doc);
  const char* lo = doc.data();
  const char* hi = doc.data() + doc.size();
  auto inside = [&](std::string_view v) { return v.empty() || (v.data() >= lo && v.data() + v.size() <= hi); };
  for (std::size_t n = 0; n <= doc.size() + 1; ++n) {
    const XmlEvent e = r.next();
    if (e.kind == XmlEventKind::EndOfInput || e.kind == XmlEventKind::Error) return;
    ASSERT_TRUE(inside(e.element.name) && inside(e.element.attrs) && inside(e.text));
  }
  FAIL() << "more events than bytes";
}

TEST(XmlPullReaderHostile, EveryCutOfADocumentEndsCleanly) {
  const std::string doc =
      "<?xml version='1.0'?><!DOCTYPE r [<!-- c -->]><r a=\"1\" b='2'><![CDATA[x]]><!-- y -->"
      "<?p q?><e/><t>text &amp; more</t></r>";
  for (std::size_t n = 0; n <= doc.size(); ++n) expect_reads_safely(std::string_view(doc).substr(0, n));
}

TEST(XmlPullReaderHostile, RandomBytesNeverTrapTheReader) {
  std::uint32_t seed = 12345;
  auto rnd = [&] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 24;
  };
  const char alphabet[] = "<>/!?[]-='\" \nabAB:&;\0";
  for (int round = 0; round < 2000; ++round) {
    std::string doc;
    const std::size_t len = rnd() % 64;
    for (std::size_t i = 0; i < len; ++i) doc += alphabet[rnd() % (sizeof alphabet - 1)];
    expect_reads_safely(doc);
  }
}

TEST(XmlAttrs, QuotedValuesAreReadAndResolved) {
  const auto a = xml_attrs(" url=\"https://x/?a=1&amp;b=2\"  type = 'image/png' e='&#233;&#x20AC;&lt;&quot;&apos;&gt;'");
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a[0].name, "url");
  EXPECT_EQ(a[0].raw, "https://x/?a=1&amp;b=2");
  EXPECT_EQ(a[0].value, "https://x/?a=1&b=2");
  EXPECT_EQ(a[1].name, "type");
  EXPECT_EQ(a[1].value, "image/png");
  EXPECT_EQ(a[2].value, "\xC3\xA9\xE2\x82\xAC<\"'>");
}

TEST(XmlAttrs, MalformedAttributesAreSkippedAndTheWalkGoesOn) {
  const auto a = xml_attrs(" alone bare=value a=\"1\" =\"2\" b='3' c=\"open");
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[0].name, "a");
  EXPECT_EQ(a[1].name, "b");
}

TEST(XmlAttrs, AValueThatCannotBeResolvedIsReportedAsSuch) {
  const auto a = xml_attrs(" a='x&nbsp;y' b='AT&T' c='&#1;' d='&#xD800;' e='&#X41;' f='ok'");
  ASSERT_EQ(a.size(), 6u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_FALSE(a[i].value.has_value()) << a[i].name;
  }
  EXPECT_EQ(a[0].raw, "x&nbsp;y");
  EXPECT_EQ(a[5].value, "ok");
}

TEST(HtmlAttrs, UnquotedAndValuelessAttributesAreRead) {
  const auto a = html_attrs(" rel=alternate hidden type=\"application/rss+xml\" href=/feed?a=1&b=2 title=''");
  ASSERT_EQ(a.size(), 5u);
  EXPECT_EQ(a[0].name, "rel");
  EXPECT_EQ(a[0].value, "alternate");
  EXPECT_EQ(a[1].name, "hidden");
  EXPECT_EQ(a[1].value, "");
  EXPECT_EQ(a[2].value, "application/rss+xml");
  EXPECT_EQ(a[3].raw, "/feed?a=1&b=2");
  EXPECT_FALSE(a[3].value.has_value());  // the bare "&" cannot be resolved; the caller keeps raw
  EXPECT_EQ(a[4].name, "title");
  EXPECT_EQ(a[4].value, "");
}

TEST(HtmlAttrs, ARepeatedNameKeepsTheFirstInAnyLetterCase) {
  const auto a = html_attrs(" href=a HREF=b Href='c' rel=x");
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[0].value, "a");
  EXPECT_EQ(a[1].name, "rel");
}

TEST(HtmlAttrs, ALinkTagReadsAsOneEmptyElementWithItsAttributes) {
  XmlPullReader r("<link rel=\"alternate\" type=application/atom+xml href=/feed/>");
  const XmlEvent e = r.next();
  ASSERT_EQ(e.kind, XmlEventKind::Empty);
  EXPECT_EQ(e.element.name, "link");
  const auto a = html_attrs(e.element.attrs);
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a[2].value, "/feed");
}

TEST(HtmlAttrs, ATagWithAHundredThousandAttributesIsWalked) {
  std::string region;
  for (int i = 0; i < 100000; ++i) region += " a" + std::to_string(i) + " A" + std::to_string(i) + "='x'";
  const auto a = html_attrs(region);
  ASSERT_EQ(a.size(), 100000u);
  EXPECT_EQ(a.back().name, "a99999");
  EXPECT_EQ(a.back().value, "");
  EXPECT_EQ(xml_attrs(region).size(), 100000u);
}

TEST(XmlUnescape, ResolvesOnceAndRefusesWhatXmlRefuses) {
  EXPECT_EQ(xml_unescape("plain"), "plain");
  EXPECT_EQ(xml_unescape("&amp;lt;"), "&lt;");
  EXPECT_EQ(xml_unescape("&#65;&#x42;&#x00000043;&#9;"), "ABC\t");
  EXPECT_EQ(xml_unescape("&#x10FFFF;"), "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(xml_unescape("&#x110000;"), std::nullopt);
  EXPECT_EQ(xml_unescape("&#99999999999999999999;"), std::nullopt);
  EXPECT_EQ(xml_unescape("&#0;"), std::nullopt);
  EXPECT_EQ(xml_unescape("&#xFFFE;"), std::nullopt);
  EXPECT_EQ(xml_unescape("&#;"), std::nullopt);
  EXPECT_EQ(xml_unescape("&#x;"), std::nullopt);
  EXPECT_EQ(xml_unescape("&#+65;"), std::nullopt);
  EXPECT_EQ(xml_unescape("&AMP;"), std::nullopt);
  EXPECT_EQ(xml_unescape("a&"), std::nullopt);
}

}  // namespace
}  // namespace qx
