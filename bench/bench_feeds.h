// Generated feeds shared by the benchmarks.
#pragma once

#include <cstddef>
#include <string>

namespace bench {

// A heavy news feed of at most `size` bytes: eight stories (reading stops at the 8th, so every
// byte is read), each with long escaped-HTML and CDATA bodies, two pictures and an enclosure.
inline std::string make_news_rss(std::size_t size) {
  const std::size_t body_bytes = (size - 8192) / 16;
  std::string escaped;
  while (escaped.size() < body_bytes) {
    escaped += "&lt;p&gt;The home side pressed &amp; pressed; a late corner &#8211; headed in at the far post "
               "&mdash; sealed it.&lt;/p&gt;\n        ";
  }
  std::string cdata;
  while (cdata.size() < body_bytes) {
    cdata += "<p>Second half: <a href=\"https://example.org/x?a=1&b=2\">highlights</a> and quotes.</p>\n";
  }
  std::string doc =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\" "
      "xmlns:media=\"http://search.yahoo.com/mrss/\">\n<channel>\n  <title>Bench &amp; Co</title>\n"
      "  <link>https://example.org/</link>\n";
  for (int i = 0; i < 8; ++i) {
    const std::string n = std::to_string(i);
    doc += "  <item>\n    <title>Story " + n + ": a &lt;b&gt;late&lt;/b&gt; winner</title>\n";
    doc += "    <link>https://example.org/stories/" + n + "</link>\n    <guid>id-" + n + "</guid>\n";
    doc += "    <pubDate>Tue, 02 Jan 2024 18:30:00 GMT</pubDate>\n";
    doc += "    <description>" + escaped + "</description>\n";
    doc += "    <content:encoded><![CDATA[" + cdata + "]]></content:encoded>\n";
    doc += "    <media:content url=\"https://example.org/p/" + n + "-300.jpg\" medium=\"image\" width=\"300\"/>\n";
    doc += "    <media:content url=\"https://example.org/p/" + n + "-640.jpg\" medium=\"image\" width=\"640\"/>\n";
    doc += "    <enclosure url=\"https://example.org/a/" + n + ".mp3\" type=\"audio/mpeg\" length=\"1\"/>\n";
    doc += "  </item>\n";
  }
  doc += "</channel>\n</rss>\n";
  return doc;
}

}  // namespace bench
