#include "rss_atom.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace qx {
namespace {

std::string fixture(const char* name) {
  std::ifstream in(std::string(ZV_FIXTURES_DIR) + "/feeds/" + name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// An RSS 2.0 document around the given channel content.
std::string rss(std::string_view channel) {
  return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Feed</title>" + std::string(channel) +
         "</channel></rss>";
}

std::string item(std::string_view body) { return "<item>" + std::string(body) + "</item>"; }

QxFeedV1 read_ok(std::string_view doc) {
  CoreResult<QxFeedV1> r = read_rss_atom(doc);
  if (!r.ok()) {
    ADD_FAILURE() << "read failed: " << core_error_message(r.error());
    return {};
  }
  return std::move(r).value();
}

// The one story of a document that should hold exactly one.
QxItem one_story(std::string_view doc) {
  const QxFeedV1 f = read_ok(doc);
  if (f.items.size() != 1) {
    ADD_FAILURE() << "expected one story, got " << f.items.size();
    return {};
  }
  return f.items[0];
}

std::string read_error(std::string_view doc) {
  const CoreResult<QxFeedV1> r = read_rss_atom(doc);
  if (r.ok()) return "no error";
  EXPECT_EQ(r.error().kind, CoreErrorKind::InvalidXml);
  return r.error().text;
}

QxMedia media(std::string kind, std::string url, std::optional<std::string> poster = std::nullopt) {
  return QxMedia{std::move(kind), std::move(url), std::move(poster)};
}

// ---- The three dialects -------------------------------------------------------------------

TEST(RssAtomDialects, Rss2ChannelWithPicturesEnclosuresAndAChannelPoster) {
  const QxFeedV1 f = read_ok(fixture("rss2.xml"));
  EXPECT_EQ(f.schema, "qx-feed/v1");
  EXPECT_EQ(f.title, "Harbour & Hills Sports");
  ASSERT_EQ(f.items.size(), 3u);

  EXPECT_EQ(f.items[0].title, "Late goal sinks the Otters");
  EXPECT_EQ(f.items[0].url, "https://example.org/stories/1");
  EXPECT_EQ(f.items[0].id, "story-1");
  EXPECT_EQ(f.items[0].published, "Tue, 02 Jan 2024 18:30:00 GMT");
  EXPECT_EQ(f.items[0].media, media("image", "https://example.org/p/1-640.jpg"));

  EXPECT_EQ(f.items[1].title, "Podcast: Match day talk");
  EXPECT_EQ(f.items[1].id, "https://example.org/stories/2");
  EXPECT_EQ(f.items[1].published, std::nullopt);
  EXPECT_EQ(f.items[1].media,
            media("audio", "https://example.org/audio/2.mp3", "https://example.org/show.jpg"));

  EXPECT_EQ(f.items[2].title, "Old link scheme");
  EXPECT_EQ(f.items[2].url, std::nullopt);
  EXPECT_EQ(f.items[2].media, std::nullopt);
}

TEST(RssAtomDialects, RdfItemsStandBesideTheChannel) {
  const QxFeedV1 f = read_ok(fixture("rdf.xml"));
  EXPECT_EQ(f.title, "Valley Wire");
  ASSERT_EQ(f.items.size(), 2u);
  EXPECT_EQ(f.items[0].title, "First wire story");
  EXPECT_EQ(f.items[0].url, "https://example.net/a");
  EXPECT_EQ(f.items[0].published, std::nullopt);  // dc:date is not one of the date names
  EXPECT_EQ(f.items[1].title, "Second wire story");
}

TEST(RssAtomDialects, AtomWithADefaultNamespaceReadsItsBareNames) {
  const QxFeedV1 f = read_ok(fixture("atom.xml"));
  EXPECT_EQ(f.title, "Ridge Runners");
  ASSERT_EQ(f.items.size(), 2u);
  EXPECT_EQ(f.items[0].title, "Trail race results");
  EXPECT_EQ(f.items[0].url, "https://example.com/results");
  EXPECT_EQ(f.items[0].id, "tag:example.com,2024:1");
  EXPECT_EQ(f.items[0].published, "2024-05-01T11:00:00Z");  // "updated" came first
  EXPECT_EQ(f.items[1].title, "Hills & valleys");
  EXPECT_EQ(f.items[1].url, "https://example.com/hills");
  EXPECT_EQ(f.items[1].published, "2024-04-30T08:00:00Z");
  EXPECT_EQ(f.items[1].media, std::nullopt);  // a link is never an enclosure
}

// ---- Titles -----------------------------------------------------------------------------

TEST(RssAtomTitles, AWhitespaceOnlyTitleDropsTheStory) {
  const QxFeedV1 f = read_ok(rss(item("<title> \t </title><link>https://x.org/1</link>") +
                                 item("<title>&#160;&nbsp;</title>") + item("<link>https://x.org/2</link>") +
                                 item("<title>kept</title>")));
  ASSERT_EQ(f.items.size(), 1u);
  EXPECT_EQ(f.items[0].title, "kept");
}

TEST(RssAtomTitles, EscapedMarkupInTextAndPlainMarkupInCdataBothLeaveTheWords) {
  EXPECT_EQ(one_story(rss(item("<title>&lt;b&gt;Goal&lt;/b&gt;</title>"))).title, "Goal");
  EXPECT_EQ(one_story(rss(item("<title><![CDATA[<b>Goal</b>]]></title>"))).title, "Goal");
  // A title that is only a tag still makes a story.
  EXPECT_EQ(one_story(rss(item("<title>&lt;b&gt;&lt;/b&gt;</title>"))).title, "LIVE");
}

TEST(RssAtomTitles, TextTitlesAreDecodedTwiceAndCdataTitlesOnce) {
  EXPECT_EQ(one_story(rss(item("<title>Fish &amp;amp; Chips</title>"))).title, "Fish & Chips");
  EXPECT_EQ(one_story(rss(item("<title><![CDATA[Fish &amp;amp; Chips]]></title>"))).title, "Fish &amp; Chips");
  EXPECT_EQ(one_story(rss(item("<title>Caf&eacute; &#8217;24 &amp;copy;</title>"))).title,
            "Caf\xC3\xA9 \xE2\x80\x99" "24 \xC2\xA9");
}

TEST(RssAtomTitles, TitlePartsAreJoinedWithoutASpace) {
  EXPECT_EQ(one_story(rss(item("<title>Hello <![CDATA[World]]></title>"))).title, "HelloWorld");
  EXPECT_EQ(one_story(rss(item("<title>One</title><title>Two</title>"))).title, "OneTwo");
}

TEST(RssAtomTitles, LongTitlesAreCutToTwoHundredCharacters) {
  std::string long_title;
  for (int i = 0; i < 300; ++i) long_title += "\xC3\xA9";  // 300 two-byte characters
  const QxItem s = one_story(rss(item("<title>" + long_title + "</title>")));
  EXPECT_EQ(s.title, long_title.substr(0, 400));
}

TEST(RssAtomTitles, OnlyTitlesDirectlyInsideTheItemCount) {
  const QxItem s = one_story(rss(item("<source><title>Other site</title></source>"
                                      "<media:group><title>Nested</title></media:group><title>Own</title>")));
  EXPECT_EQ(s.title, "Own");
}

TEST(RssAtomTitles, XhtmlMarkupInsideATitleElementIsNotTitleText) {
  EXPECT_EQ(read_error(rss(item("<title type='xhtml'><div>Inner</div></title>"))),
            "no RSS <item> or Atom <entry> found");
}

// ---- The feed title ---------------------------------------------------------------------

TEST(RssAtomFeedTitle, ComesOnlyFromTheChannelOrFeedTitle) {
  const std::string doc =
      "<rss><channel><image><title>Logo</title></image><title>Main</title>"
      "<item><title>s</title></item><title> more</title></channel></rss>";
  EXPECT_EQ(read_ok(doc).title, "Mainmore");  // each text was trimmed by the reader
  EXPECT_EQ(read_ok("<rss><channel><item><title>s</title></item></channel></rss>").title, "Your feed");
  EXPECT_EQ(read_ok("<feed><title><![CDATA[Dale & Fell]]></title><entry><title>s</title></entry></feed>").title,
            "Dale & Fell");
}

TEST(RssAtomFeedTitle, ATitleTextOpenedWhileAnItemIsOpenIsNotTheFeedTitle) {
  // The inner "title" has parent "channel" but an item is open around it.
  const std::string doc = "<rss><item><title>s</title><channel><title>Inner</title></channel></item></rss>";
  EXPECT_EQ(read_ok(doc).title, "Your feed");
}

TEST(RssAtomFeedTitle, StopsGrowingOnceFourHundredBytesAreHeld) {
  const std::vector<std::string> stack{"channel", "title"};
  std::optional<ItemDraft> none;
  // At 399 bytes a text is still taken whole, even past the limit; after that nothing is.
  std::string title(399, 'a');
  on_xml_text(stack, "bb", title, none);
  on_xml_text(stack, "cc", title, none);
  EXPECT_EQ(title, std::string(399, 'a') + "bb");
  title.assign(400, 'a');
  on_xml_text(stack, "x", title, none);
  EXPECT_EQ(title, std::string(400, 'a'));
}

// ---- Links, ids and dates ---------------------------------------------------------------

TEST(RssAtomLinks, AnHttpItemLinkLeavesTheStoryWithoutAnAddress) {
  const QxItem s = one_story(rss(item("<title>t</title><link>http://x.org/a</link>")));
  EXPECT_EQ(s.url, std::nullopt);
}

TEST(RssAtomLinks, TheFirstNonEmptyLinkWinsAndIsTrimmed) {
  EXPECT_EQ(one_story(rss(item("<title>t</title><link> </link><link>\n https://x.org/a \n</link>"
                               "<link>https://x.org/b</link>")))
                .url,
            "https://x.org/a");
  EXPECT_EQ(one_story(rss(item("<title>t</title><link><![CDATA[  https://x.org/c  ]]></link>"))).url,
            "https://x.org/c");
}

TEST(RssAtomLinks, AtomPrefixedLinksNeverCountInRss) {
  const QxItem s = one_story(rss(item("<title>t</title><atom:link href='https://x.org/self' rel='alternate'/>"
                                      "<atom10:link href='https://x.org/self2'/><link>https://x.org/story</link>")));
  EXPECT_EQ(s.url, "https://x.org/story");
  // Prefixes a and rss are dropped, so those links count.
  EXPECT_EQ(one_story(rss(item("<title>t</title><a:link href='https://x.org/a'/>"))).url, "https://x.org/a");
  EXPECT_EQ(one_story(rss(item("<title>t</title><rss:link>https://x.org/r</rss:link>"))).url, "https://x.org/r");
}

TEST(RssAtomLinks, AtomLinksNeedAnAlternateOrMissingRel) {
  const std::string feed_head = "<feed xmlns='http://www.w3.org/2005/Atom'><entry><title>t</title>";
  EXPECT_EQ(one_story(feed_head + "<link rel='self' href='https://x.org/s'/><link rel='Alternate' href='https://x.org/c'/>"
                                  "<link rel=' alternate ' href='https://x.org/a'/></entry></feed>")
                .url,
            "https://x.org/a");  // rel is trimmed, then compared exactly
  EXPECT_EQ(one_story(feed_head + "<link href='https://x.org/n'></link></entry></feed>").url, "https://x.org/n");
  EXPECT_EQ(one_story(feed_head + "<LINK HREF='https://x.org/u'/></entry></feed>").url, "https://x.org/u");
}

TEST(RssAtomLinks, IdAndDateAreTheFirstNonEmptyOfTheirNames) {
  const QxItem s = one_story(rss(item("<title>t</title><guid> </guid><id>first</id><guid>second</guid>"
                                      "<pubDate/><updated> u1 </updated><published>p1</published>")));
  EXPECT_EQ(s.id, "first");
  EXPECT_EQ(s.published, "u1");
  const QxItem bare = one_story(rss(item("<title>t</title><guid></guid>")));
  EXPECT_EQ(bare.id, std::nullopt);
  EXPECT_EQ(bare.published, std::nullopt);
}

// ---- Pictures and enclosures ------------------------------------------------------------

TEST(RssAtomMedia, TheWidestPictureWinsAndTiesKeepTheFirst) {
  EXPECT_EQ(one_story(rss(item("<title>t</title><media:content url='https://x.org/300' medium='image' width='300'/>"
                               "<media:content url='https://x.org/640' medium='image' width='640'/>")))
                .media,
            media("image", "https://x.org/640"));
  EXPECT_EQ(one_story(rss(item("<title>t</title><media:thumbnail url='https://x.org/a' width='640'/>"
                               "<media:thumbnail url='https://x.org/b' width='640'/>")))
                .media,
            media("image", "https://x.org/a"));
  // A missing or unreadable width counts as 1 and loses to 2; "+" and zero are numbers.
  EXPECT_EQ(one_story(rss(item("<title>t</title><media:content url='https://x.org/none'/>"
                               "<media:content url='https://x.org/px' width='640px'/>"
                               "<media:content url='https://x.org/two' width='+2'/>")))
                .media,
            media("image", "https://x.org/two"));
  EXPECT_EQ(one_story(rss(item("<title>t</title><media:content url='https://x.org/zero' width='0'/>"
                               "<media:content url='https://x.org/none'/>")))
                .media,
            media("image", "https://x.org/none"));
  EXPECT_EQ(one_story(rss(item("<title>t</title><media:content url='https://x.org/big' width='4294967296'/>"
                               "<media:content url='https://x.org/max' width='4294967295'/>")))
                .media,
            media("image", "https://x.org/max"));
}

TEST(RssAtomMedia, AudioAndVideoTakeThePictureAsPoster) {
  EXPECT_EQ(one_story(rss(item("<title>t</title><media:thumbnail url='https://x.org/p.jpg'/>"
                               "<enclosure url='https://x.org/a.mp3' type='audio/mpeg'/>"
                               "<enclosure url='https://x.org/b.mp3' type='audio/mpeg'/>")))
                .media,
            media("audio", "https://x.org/a.mp3", "https://x.org/p.jpg"));
  EXPECT_EQ(one_story(rss(item("<title>t</title><media:content url='https://x.org/v.mp4' medium='video'/>"
                               "<enclosure url='https://x.org/a.mp3' type='audio/mpeg'/>")))
                .media,
            media("audio", "https://x.org/a.mp3"));  // audio beats video whatever the order
  EXPECT_EQ(one_story(rss(item("<title>t</title><media:content url='https://x.org/v.mp4' type='video/mp4'>"
                               "<media:title>clip</media:title></media:content>")))
                .media,
            media("video", "https://x.org/v.mp4"));
}

TEST(RssAtomMedia, EnclosureAddressesAreUpgradedAndChecked) {
  EXPECT_EQ(one_story(rss(item("<title>t</title><enclosure url='http://x.org/a.mp3' type='audio/mpeg'/>"))).media,
            media("audio", "https://x.org/a.mp3"));
  // "href" stands in for a missing "url"; an address that stays unusable drops the element.
  EXPECT_EQ(one_story(rss(item("<title>t</title><itunes:image href='https://x.org/i.png'/>"))).media,
            media("image", "https://x.org/i.png"));
  EXPECT_EQ(one_story(rss(item("<title>t</title><enclosure url='ftp://x.org/a.mp3' type='audio/mpeg'/>"
                               "<enclosure url='https://x.org/a b.mp3' type='audio/mpeg'/>")))
                .media,
            std::nullopt);
}

TEST(RssAtomMedia, AnUnresolvableAttributeValueLeavesTheEnclosureOut) {
  EXPECT_EQ(one_story(rss(item("<title>t</title><enclosure url='https://x.org/a&nbsp;b.mp3' type='audio/mpeg'/>")))
                .media,
            std::nullopt);
  EXPECT_EQ(one_story(rss(item("<title>t</title><enclosure url='https://x.org/a.mp3?x=1&amp;y=2' type='audio/mpeg'/>")))
                .media,
            media("audio", "https://x.org/a.mp3?x=1&y=2"));
}

TEST(RssAtomMedia, KindTestsAreCaseSensitiveAndOtherKindsAreIgnored) {
  EXPECT_EQ(one_story(rss(item("<title>t</title><enclosure url='https://x.org/a.mp3' type='Audio/MPEG'/>"))).media,
            std::nullopt);
  EXPECT_EQ(one_story(rss(item("<title>t</title><enclosure url='https://x.org/a.pdf' type='application/pdf'/>"))).media,
            std::nullopt);
  // The kind is the type and the medium together.
  EXPECT_EQ(one_story(rss(item("<title>t</title><media:content url='https://x.org/p' type='x' medium='image'/>"))).media,
            media("image", "https://x.org/p"));
}

TEST(RssAtomMedia, AShockwaveEnclosureMakesTheStoryLinkItsVideo) {
  EXPECT_EQ(one_story(rss(item("<title>t</title><link>https://x.org/story</link>"
                               "<media:thumbnail url='https://x.org/p.jpg'/>"
                               "<enclosure url='https://x.org/f.swf' type='application/x-shockwave-flash'/>")))
                .media,
            media("video", "https://x.org/story", "https://x.org/p.jpg"));
  // Without a kept link the picture is the media.
  EXPECT_EQ(one_story(rss(item("<title>t</title><link>http://x.org/story</link>"
                               "<media:thumbnail url='https://x.org/p.jpg'/>"
                               "<enclosure url='https://x.org/f.swf' type='application/x-shockwave-flash'/>")))
                .media,
            media("image", "https://x.org/p.jpg"));
  // A real video enclosure wins over the shockwave link.
  EXPECT_EQ(one_story(rss(item("<title>t</title><link>https://x.org/story</link>"
                               "<enclosure url='https://x.org/f.swf' type='application/x-shockwave-flash'/>"
                               "<enclosure url='https://x.org/v.mp4' type='video/mp4'/>")))
                .media,
            media("video", "https://x.org/v.mp4"));
}

TEST(RssAtomMedia, AChannelPictureIsThePosterOfAudioAndVideoWithoutOne) {
  const std::string doc = rss("<itunes:image href='https://x.org/old.jpg'/><itunes:image href='https://x.org/show.jpg'/>" +
                              item("<title>a</title><enclosure url='https://x.org/a.mp3' type='audio/mpeg'/>") +
                              item("<title>v</title><media:thumbnail url='https://x.org/own.jpg'/>"
                                   "<enclosure url='https://x.org/v.mp4' type='video/mp4'/>") +
                              item("<title>i</title><media:thumbnail url='https://x.org/pic.jpg'/>") +
                              item("<title>n</title>"));
  const QxFeedV1 f = read_ok(doc);
  ASSERT_EQ(f.items.size(), 4u);
  EXPECT_EQ(f.items[0].media, media("audio", "https://x.org/a.mp3", "https://x.org/show.jpg"));
  EXPECT_EQ(f.items[1].media, media("video", "https://x.org/v.mp4", "https://x.org/own.jpg"));
  EXPECT_EQ(f.items[2].media, media("image", "https://x.org/pic.jpg"));
  EXPECT_EQ(f.items[3].media, std::nullopt);
}

TEST(RssAtomMedia, OnlyAnEmptyChannelItunesImageGivesTheChannelPicture) {
  const std::string audio = item("<title>a</title><enclosure url='https://x.org/a.mp3' type='audio/mpeg'/>");
  EXPECT_EQ(read_ok(rss("<itunes:image href='https://x.org/show.jpg'></itunes:image>" + audio)).items[0].media,
            media("audio", "https://x.org/a.mp3"));
  EXPECT_EQ(read_ok(rss("<media:thumbnail url='https://x.org/show.jpg'/>" + audio)).items[0].media,
            media("audio", "https://x.org/a.mp3"));
  // The last channel picture decides, even when it is unusable.
  EXPECT_EQ(read_ok(rss("<itunes:image href='https://x.org/show.jpg'/><itunes:image href='http:/bad'/>" + audio))
                .items[0]
                .media,
            media("audio", "https://x.org/a.mp3"));
}

// ---- Reading stops, errors and refusals ---------------------------------------------------

TEST(RssAtomStops, MarkupBrokenAfterTheEighthStoryIsNeverRead) {
  std::string items;
  for (int i = 1; i <= 9; ++i) items += item("<title>s" + std::to_string(i) + "</title>");
  const QxFeedV1 f = read_ok("<rss><channel>" + items + "</channel><broken </rss>");
  ASSERT_EQ(f.items.size(), 8u);
  EXPECT_EQ(f.items[7].title, "s8");
}

TEST(RssAtomStops, DroppedStoriesDoNotCountTowardsTheEight) {
  std::string items;
  for (int i = 1; i <= 8; ++i) items += item("<title>s" + std::to_string(i) + "</title>") + item("<title/>");
  const QxFeedV1 f = read_ok("<rss><channel>" + items + "</channel></rss>");
  ASSERT_EQ(f.items.size(), 8u);
  EXPECT_EQ(f.items[7].title, "s8");
}

TEST(RssAtomStops, BrokenMarkupBeforeTheEighthStoryFailsTheWholeFeed) {
  const std::string doc = "<rss><channel>\n" + item("<title>s1</title>") + "\n<item><title>s2</channel>";
  EXPECT_EQ(read_error(doc), "mismatched end tag at line 3 column 16: expected </title>, found </channel>");
  EXPECT_EQ(core_error_message(read_rss_atom(doc).error()),
            "invalid xml: mismatched end tag at line 3 column 16: expected </title>, found </channel>");
  EXPECT_EQ(read_error("<rss>" + item("<title>a</title>") + "</rss></rss>"),
            "end tag without a start tag at line 1 column 41: found </rss>");
}

TEST(RssAtomStops, AnItemLeftOpenAtTheEndIsDropped) {
  const QxFeedV1 f = read_ok("<rss><channel>" + item("<title>done</title>") + "<item><title>cut");
  ASSERT_EQ(f.items.size(), 1u);
  EXPECT_EQ(f.items[0].title, "done");
}

TEST(RssAtomStops, ANewItemInsideAnOpenOneReplacesIt) {
  const QxFeedV1 f = read_ok(rss("<item><title>outer</title><item><title>inner</title></item></item>"));
  ASSERT_EQ(f.items.size(), 1u);
  EXPECT_EQ(f.items[0].title, "inner");
}

TEST(RssAtomStops, ADocumentWithoutStoriesSaysSo) {
  EXPECT_EQ(read_error(rss("")), "no RSS <item> or Atom <entry> found");
  EXPECT_EQ(read_error(""), "no RSS <item> or Atom <entry> found");
  EXPECT_EQ(read_error("just text"), "no RSS <item> or Atom <entry> found");
}

TEST(RssAtomRefusals, DeclarationsInAnyCaseAnywhereAreRefusedUnread) {
  const std::string msg = "entity declarations are forbidden";
  EXPECT_EQ(read_error("<!DOCTYPE rss [<!ENTITY x \"y\">]>" + rss(item("<title>&x;</title>"))), msg);
  EXPECT_EQ(read_error("<!doctype rss [<!entity x 'y'>]>" + rss(item("<title>t</title>"))), msg);
  EXPECT_EQ(read_error(rss(item("<title><![CDATA[<!Element>]]></title>"))), msg);
  EXPECT_EQ(read_error(rss(item("<title>t</title><!-- <!ATTLIST a> -->"))), msg);
  // Refused before reading: even a document that would not parse gets this message.
  EXPECT_EQ(read_error("<<<<!ENTITY"), msg);
}

TEST(RssAtomRefusals, APlainDocumentTypeIsIgnored) {
  EXPECT_EQ(one_story("<!DOCTYPE rss PUBLIC \"-//X//DTD RSS 0.91//EN\" \"http://x.org/rss.dtd\">" +
                      rss(item("<title>t</title>")))
                .title,
            "t");
  EXPECT_EQ(one_story("<!DOCTYPE rss [ <!-- nothing declared --> ]>" + rss(item("<title>t</title>"))).title, "t");
}

TEST(RssAtomRefusals, AnEncodingDeclarationAndAByteOrderMarkAreHarmless) {
  // The text handed in is already UTF-8 whatever the declaration says.
  EXPECT_EQ(one_story("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" +
                      rss(item("<title>Caf\xC3\xA9</title>")))
                .title,
            "Caf\xC3\xA9");
}

// ---- Hostile documents ------------------------------------------------------------------

TEST(RssAtomHostile, MalformedUtf8BecomesReplacementCharacters) {
  const QxItem s = one_story(rss(item("<title>a\xFF" "b\xE2\x82</title>")));
  EXPECT_EQ(s.title, "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(RssAtomHostile, NulBytesAreKeptAsText) {
  using namespace std::string_literals;
  const QxItem s = one_story(rss(item("<title>a\0b</title>"s)));
  EXPECT_EQ(s.title, "a\0b"s);
}

TEST(RssAtomHostile, DeepNestingInsideAStoryIsHarmless) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<d>";
  for (int i = 0; i < 100000; ++i) deep += "</d>";
  EXPECT_EQ(one_story(rss(item("<title>t</title>" + deep))).title, "t");
  // Left open at the end of the document, the nesting keeps the story from ever closing.
  EXPECT_EQ(read_error("<rss><channel><item><title>t</title>" + deep.substr(0, 300000)),
            "no RSS <item> or Atom <entry> found");
}

TEST(RssAtomHostile, AHugeTitleTextIsCut) {
  const std::string words(2 * 1024 * 1024, 'w');
  EXPECT_EQ(one_story(rss(item("<title>" + words + "</title>"))).title, std::string(200, 'w'));
}

// ---- The pieces on their own --------------------------------------------------------------

TEST(RssAtomNames, LocalNamesDropOnlyTheFeedPrefixes) {
  EXPECT_EQ(xml_local_name("Item"), "item");
  EXPECT_EQ(xml_local_name("Media:Content"), "media:content");
  EXPECT_EQ(xml_local_name("atom:title"), "title");
  EXPECT_EQ(xml_local_name("ATOM10:Entry"), "entry");
  EXPECT_EQ(xml_local_name("a:link"), "link");
  EXPECT_EQ(xml_local_name("rss:link"), "link");
  EXPECT_EQ(xml_local_name("atom:link"), "atom:link");
  EXPECT_EQ(xml_local_name("atom10:LINK"), "atom10:link");
  EXPECT_EQ(xml_local_name("dc:date"), "dc:date");
  EXPECT_EQ(xml_local_name("a:b:c"), "b:c");
  EXPECT_EQ(xml_local_name("\xFFx"), "\xEF\xBF\xBDx");
}

TEST(RssAtomNames, AttributesAreMatchedInAnyCaseUnescapedAndTrimmed) {
  const XmlElement e{"enclosure", " URL=' https://x.org/?a=1&amp;b=2 ' type='a&nbsp;b' Type='audio' w=''"};
  EXPECT_EQ(xml_attr(e, "url"), "https://x.org/?a=1&b=2");
  EXPECT_EQ(xml_attr(e, "type"), "");  // the first match decides, and it cannot be resolved
  EXPECT_EQ(xml_attr(e, "missing"), "");
  EXPECT_EQ(xml_attr(e, "w"), "");
}

}  // namespace
}  // namespace qx
