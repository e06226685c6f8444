#include "unicode_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

std::size_t replacements(const std::string& s) {
  const std::string r = qx::encode_utf8(0xFFFD);
  std::size_t n = 0;
  for (auto p = s.find(r); p != std::string::npos; p = s.find(r, p + r.size())) ++n;
  return n;
}

TEST(Utf8Decoding, MalformedInputGivesOneReplacementPerMaximalSubpart) {
  EXPECT_EQ(replacements(qx::sanitize_utf8("\xED\xA0\x80")), 3u);      // encoded surrogate
  EXPECT_EQ(replacements(qx::sanitize_utf8("\xF4\x90\x80\x80")), 4u);  // past U+10FFFF
  EXPECT_EQ(qx::sanitize_utf8("\xF0\x80\x80" "A"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" "A");
  EXPECT_EQ(qx::sanitize_utf8("a\xE4\xB8"), "a\xEF\xBF\xBD");          // truncated at the end
  EXPECT_EQ(qx::sanitize_utf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD"); // overlong
  EXPECT_EQ(qx::sanitize_utf8("ok \xC3\xA9"), "ok \xC3\xA9");
}

TEST(Utf8Decoding, ValidityRefusesOverlongsSurrogatesAndLargeValues) {
  EXPECT_TRUE(qx::is_valid_utf8("\xF0\x9F\x98\x80 \xE2\x80\x99"));
  EXPECT_FALSE(qx::is_valid_utf8("\xC0\x80"));
  EXPECT_FALSE(qx::is_valid_utf8("\xED\xB0\x80"));
  EXPECT_FALSE(qx::is_valid_utf8("\xF4\x90\x80\x80"));
  EXPECT_TRUE(qx::is_valid_utf8("nul \0 inside"s));
}

TEST(CharacterCounting, CountsScalarsNotBytes) {
  EXPECT_EQ(qx::char_count("e\xCC\x81"), 2u);        // e + combining acute: two characters
  EXPECT_EQ(qx::char_count("\xF0\x9F\x98\x80"), 1u);  // astral
  EXPECT_EQ(qx::utf8_prefix_chars("\xC3\xA9\xC3\xA9\xC3\xA9", 2), "\xC3\xA9\xC3\xA9");
  EXPECT_EQ(qx::utf8_prefix_chars("ab", 5), "ab");
}

TEST(WhiteSpace, FollowsTheUnicodePropertyNotTheLocale) {
  EXPECT_TRUE(qx::is_unicode_whitespace(0x3000));
  EXPECT_TRUE(qx::is_unicode_whitespace(0x85));
  EXPECT_FALSE(qx::is_unicode_whitespace(0x200B));  // zero width space is not White_Space
  EXPECT_FALSE(qx::is_unicode_whitespace(0xFEFF));
  EXPECT_EQ(qx::trim_unicode_whitespace("\xE3\x80\x80 x\xC2\xA0y\t\xC2\xA0"), "x\xC2\xA0y");
  EXPECT_TRUE(qx::is_blank(" \t\xE2\x80\x83"));
  EXPECT_FALSE(qx::is_blank("\xEF\xBB\xBF"));
}

TEST(Utf16, RoundTripsAndReplacesUnpairedSurrogates) {
  const std::string text = "Gr\xC3\xBC\xC3\x9F\x65 \xF0\x9F\x98\x80";
  EXPECT_EQ(qx::utf16_to_utf8(qx::utf8_to_utf16(text)), text);
  EXPECT_EQ(qx::utf16_to_utf8(u"a\xD800z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(qx::wide_to_utf8(qx::utf8_to_wide(text)), text);
}

TEST(AsciiHelpers, LeaveNonAsciiBytesAlone) {
  EXPECT_EQ(qx::ascii_lower("AbC\xC3\x89"), "abc\xC3\x89");
  EXPECT_EQ(qx::ascii_ifind("xx<!EnTiTy", "<!entity"), 2u);
  EXPECT_TRUE(qx::ascii_iequals("ISO-8859-1", "iso-8859-1"));
}

}  // namespace
