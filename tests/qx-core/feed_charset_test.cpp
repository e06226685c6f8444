#include "feed_charset.h"

#include <gtest/gtest.h>

#include <string>

namespace qx {
namespace {

using namespace std::string_literals;

const std::string FFFD = "\xEF\xBF\xBD";
const std::string EURO = "\xE2\x82\xAC";

TEST(FindCharsetLabel, ReadsTheValueAfterTheKeyInItsOwnCase) {
  EXPECT_EQ(find_charset_label("text/html; charset=\"UTF-8\"", "charset="), "UTF-8");
  EXPECT_EQ(find_charset_label("<?xml version=\"1.0\" encoding='windows-1252'?>", "encoding="), "windows-1252");
  EXPECT_EQ(find_charset_label("TEXT/XML; CHARSET=Shift_JIS", "charset="), "Shift_JIS");
  EXPECT_EQ(find_charset_label("charset=\"'\"koi8-r\"", "charset="), "koi8-r");
  EXPECT_EQ(find_charset_label("charset=iso_8859-1:1987 x", "charset="), "iso_8859-1:1987");
  EXPECT_EQ(find_charset_label("charset=ansi_x3.4-1968", "charset="), "ansi_x3.4-1968");
}

TEST(FindCharsetLabel, StopsAtTheFirstCharacterOutsideALabel) {
  EXPECT_EQ(find_charset_label("charset=utf-8; format=flowed", "charset="), "utf-8");
  EXPECT_EQ(find_charset_label("charset=utf-8\"/>", "charset="), "utf-8");
  EXPECT_EQ(find_charset_label("charset=utf-8 ", "charset="), "utf-8");
  EXPECT_EQ(find_charset_label("charset=utf\xC3\xA9", "charset="), "utf");
  EXPECT_EQ(find_charset_label("charset=utf\0-8"s, "charset="), "utf");
}

TEST(FindCharsetLabel, NothingUsableMeansNoLabel) {
  EXPECT_FALSE(find_charset_label("text/xml", "charset="));
  EXPECT_FALSE(find_charset_label("", "charset="));
  EXPECT_FALSE(find_charset_label("charset=", "charset="));
  EXPECT_FALSE(find_charset_label("charset=\"\"", "charset="));
  EXPECT_FALSE(find_charset_label("charset= utf-8", "charset="));
  EXPECT_FALSE(find_charset_label("charset = utf-8", "charset="));
  EXPECT_FALSE(find_charset_label("charse", "charset="));
  // Only the first occurrence of the key counts.
  EXPECT_FALSE(find_charset_label("charset=; charset=utf-8", "charset="));
}

TEST(ChooseCharsetLabel, AHeaderLatin1OrAsciiYieldsToTheBody) {
  const std::string xml_utf8 = "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss><t>caf\xC3\xA9</t></rss>";
  EXPECT_EQ(choose_charset_label("text/xml; charset=ISO-8859-1", xml_utf8), "utf-8");
  EXPECT_EQ(decode_feed_body("text/xml; charset=ISO-8859-1", xml_utf8), xml_utf8);
  EXPECT_EQ(choose_charset_label("text/xml; charset=US-ASCII", "<meta charset=koi8-r>"), "koi8-r");
  // No body label: the header label stands, and it means windows-1252.
  EXPECT_EQ(choose_charset_label("text/xml; charset=ISO-8859-1", "<rss>"), "ISO-8859-1");
  EXPECT_EQ(decode_feed_body("text/xml; charset=ISO-8859-1", "<t>5 \x80</t>"), "<t>5 " + EURO + "</t>");
}

TEST(ChooseCharsetLabel, AnyOtherHeaderLabelWins) {
  const std::string page = "<meta charset=\"windows-1251\"><p>\xD0\x9F\xD1\x80\xD0\xB8</p>";
  EXPECT_EQ(choose_charset_label("text/html; charset=utf-8", page), "utf-8");
  EXPECT_EQ(decode_feed_body("text/html; charset=utf-8", page), page);
  // Only the two exact labels yield, not their aliases.
  EXPECT_EQ(choose_charset_label("text/xml; charset=latin1", "<?xml encoding=\"utf-8\"?>"), "latin1");
  EXPECT_EQ(choose_charset_label("text/xml; charset=koi8-r", "<rss>"), "koi8-r");
}

TEST(ChooseCharsetLabel, WithoutAHeaderLabelTheBodyDecides) {
  const std::string body = "<html><meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">"
                           "\x93\xFA\x96\x7B";
  EXPECT_EQ(choose_charset_label("text/html", body), "shift_jis");
  EXPECT_EQ(decode_feed_body("text/html", body).substr(body.size() - 4), "\xE6\x97\xA5\xE6\x9C\xAC");
  // encoding= is looked for first, wherever charset= is.
  EXPECT_EQ(choose_charset_label("", "<meta charset=koi8-r><?xml encoding=\"windows-1251\"?>"), "windows-1251");
  EXPECT_EQ(choose_charset_label("", "<rss>"), std::nullopt);
  EXPECT_EQ(decode_feed_body("", "caf\xE9"), "caf" + FFFD);
}

TEST(ChooseCharsetLabel, OnlyTheFirst400BytesOfTheBodyAreSearched) {
  const std::string label = "charset=shift_jis";
  // Ends exactly at byte 400: seen whole.
  EXPECT_EQ(choose_charset_label("", std::string(400 - label.size(), ' ') + label + "\""), "shift_jis");
  // Cut at byte 400: the part inside is the label, which names nothing, so UTF-8 it is.
  const std::string cut = std::string(400 - 13, ' ') + label;
  EXPECT_EQ(choose_charset_label("", cut), "shift");
  EXPECT_EQ(decode_feed_body("", cut + " \x93\xFA"), cut + " " + FFFD + FFFD);
  // Begins at byte 401: unseen.
  const std::string late = std::string(400, ' ') + label + " \x93\xFA";
  EXPECT_EQ(choose_charset_label("", late), std::nullopt);
  EXPECT_EQ(decode_feed_body("", late), std::string(400, ' ') + label + " " + FFFD + FFFD);
  // A key cut by byte 400 is not found.
  EXPECT_EQ(choose_charset_label("", std::string(396, ' ') + label), std::nullopt);
}

TEST(DecodeFeedBody, AByteOrderMarkBeatsEveryLabel) {
  const std::string body = "\xFF\xFE<\0r\0>\0\xAC\x20"s;
  EXPECT_EQ(decode_feed_body("text/xml; charset=windows-1252", body), "<r>" + EURO);
  EXPECT_EQ(decode_feed_body("", "\xEF\xBB\xBF<?xml encoding=\"koi8-r\"?>\xC3\xA9"),
            "<?xml encoding=\"koi8-r\"?>\xC3\xA9");
}

TEST(DecodeFeedBody, UnknownLabelsReadAsUtf8) {
  EXPECT_EQ(decode_feed_body("text/xml; charset=x-klingon", "caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(decode_feed_body("", "<?xml encoding=\"utf-7\"?>\xE9"), "<?xml encoding=\"utf-7\"?>" + FFFD);
}

TEST(DecodeFeedBody, AReplacementLabelGivesOneReplacementCharacter) {
  EXPECT_EQ(decode_feed_body("text/xml; charset=iso-2022-kr", "<rss>lots of text</rss>"), FFFD);
}

TEST(DecodeFeedBody, AUtf16LabelInsideAnAsciiReadableBodyMeansUtf8) {
  const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><rss><t>caf\xC3\xA9</t></rss>";
  EXPECT_EQ(choose_charset_label("text/xml", xml), "utf-8");
  EXPECT_EQ(decode_feed_body("text/xml", xml), xml);
  EXPECT_EQ(decode_feed_body("text/xml; charset=iso-8859-1", xml), xml);
  EXPECT_EQ(decode_feed_body("", "<meta charset=unicodeFFFE>ok"), "<meta charset=unicodeFFFE>ok");
  // A header is not scanned from the body, so a UTF-16 header label is taken at its word.
  EXPECT_EQ(decode_feed_body("text/xml; charset=utf-16", "<\0r\0>\0"s), "<r>");
  EXPECT_EQ(decode_feed_body("text/xml; charset=utf-16be", "\0<\0r\0>"s), "<r>");
}

TEST(DecodeFeedBody, HostileBodiesNeverBreakIt) {
  EXPECT_EQ(decode_feed_body("", ""), "");
  EXPECT_EQ(decode_feed_body("charset=", "encoding="), "encoding=");
  EXPECT_EQ(decode_feed_body(std::string(100000, ';'), std::string(100000, '"')), std::string(100000, '"'));
  EXPECT_EQ(decode_feed_body("charset=gb18030", "\x81\x30\x81"), FFFD);
}

}  // namespace
}  // namespace qx
