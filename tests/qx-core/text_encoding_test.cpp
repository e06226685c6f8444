#include "text_encoding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "unicode_text.h"

namespace qx {
namespace {

using namespace std::string_literals;

const std::string FFFD = "\xEF\xBF\xBD";

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::string decode(const std::string& bytes, const char* label) {
  const std::optional<Encoding> e = get_encoding(label);
  EXPECT_TRUE(e.has_value()) << label;
  return decode_to_utf8(bytes, e.value_or(Encoding::Utf8));
}

constexpr Encoding ALL_ENCODINGS[] = {
    Encoding::Utf8,        Encoding::Ibm866,      Encoding::Iso8859_2,   Encoding::Iso8859_3,
    Encoding::Iso8859_4,   Encoding::Iso8859_5,   Encoding::Iso8859_6,   Encoding::Iso8859_7,
    Encoding::Iso8859_8,   Encoding::Iso8859_8I,  Encoding::Iso8859_10,  Encoding::Iso8859_13,
    Encoding::Iso8859_14,  Encoding::Iso8859_15,  Encoding::Iso8859_16,  Encoding::Koi8R,
    Encoding::Koi8U,       Encoding::Macintosh,   Encoding::Windows874,  Encoding::Windows1250,
    Encoding::Windows1251, Encoding::Windows1252, Encoding::Windows1253, Encoding::Windows1254,
    Encoding::Windows1255, Encoding::Windows1256, Encoding::Windows1257, Encoding::Windows1258,
    Encoding::XMacCyrillic, Encoding::Gbk,        Encoding::Gb18030,     Encoding::Big5,
    Encoding::EucJp,       Encoding::Iso2022Jp,   Encoding::ShiftJis,    Encoding::EucKr,
    Encoding::Replacement, Encoding::Utf16Be,     Encoding::Utf16Le,     Encoding::XUserDefined,
};

TEST(EncodingLabels, WhitespaceAroundAndCaseDoNotMatter) {
  EXPECT_EQ(get_encoding(" \t\n\f\rUtF8 \r\n"), Encoding::Utf8);
  EXPECT_EQ(get_encoding("LATIN1"), Encoding::Windows1252);
  EXPECT_EQ(get_encoding("Shift_JIS"), Encoding::ShiftJis);
  EXPECT_EQ(get_encoding("ISO_8859-1:1987"), Encoding::Windows1252);
  EXPECT_EQ(get_encoding("ANSI_X3.4-1968"), Encoding::Windows1252);
}

TEST(EncodingLabels, LegacyLabelsNameTheirWebEncoding) {
  EXPECT_EQ(get_encoding("iso-8859-1"), Encoding::Windows1252);
  EXPECT_EQ(get_encoding("us-ascii"), Encoding::Windows1252);
  EXPECT_EQ(get_encoding("gb2312"), Encoding::Gbk);
  EXPECT_EQ(get_encoding("big5-hkscs"), Encoding::Big5);
  EXPECT_EQ(get_encoding("utf-16"), Encoding::Utf16Le);
  EXPECT_EQ(get_encoding("unicodefffe"), Encoding::Utf16Be);
  EXPECT_EQ(get_encoding("ucs-2"), Encoding::Utf16Le);
  EXPECT_EQ(get_encoding("unicode20utf8"), Encoding::Utf8);
  EXPECT_EQ(get_encoding("logical"), Encoding::Iso8859_8I);
  for (const char* l : {"iso-2022-kr", "csiso2022kr", "hz-gb-2312", "iso-2022-cn", "iso-2022-cn-ext", "replacement"})
    EXPECT_EQ(get_encoding(l), Encoding::Replacement) << l;
}

TEST(EncodingLabels, EveryEncodingIsFoundByItsOwnName) {
  for (Encoding e : ALL_ENCODINGS) EXPECT_EQ(get_encoding(encoding_name(e)), e) << encoding_name(e);
  EXPECT_EQ(encoding_name(Encoding::Windows1252), "windows-1252");
  EXPECT_EQ(encoding_name(Encoding::ShiftJis), "Shift_JIS");
}

TEST(EncodingLabels, UnknownOrMangledLabelsNameNothing) {
  for (const char* l : {"", "   ", "utf-7", "utf 8", "utf-8;", "x-klingon", "utf8\v", "\vutf8", "iso-8859-11x"})
    EXPECT_FALSE(get_encoding(l).has_value()) << l;
  EXPECT_FALSE(get_encoding("utf-8\0"s).has_value());
  EXPECT_FALSE(get_encoding("\xEF\xBD\x95tf-8").has_value());  // a full-width letter is not folded
  EXPECT_FALSE(get_encoding("UTF\xE2\x80\x90" "8").has_value());
  EXPECT_FALSE(get_encoding(std::string(10000, 'a')).has_value());
  EXPECT_FALSE(get_encoding(repeat("utf-8", 10)).has_value());
}

TEST(ByteOrderMark, OverridesTheGivenEncodingAndIsRemoved) {
  EXPECT_EQ(decode_to_utf8("\xEF\xBB\xBF" "caf\xC3\xA9", Encoding::Windows1252), "caf\xC3\xA9");
  EXPECT_EQ(decode_to_utf8("\xFF\xFE" "a\0\xAC\x20"s, Encoding::Utf8), "a\xE2\x82\xAC");
  EXPECT_EQ(decode_to_utf8("\xFE\xFF\0a\x20\xAC"s, Encoding::ShiftJis), "a\xE2\x82\xAC");
  EXPECT_EQ(decode_to_utf8("\xFE\xFF\0a"s, Encoding::Utf16Le), "a");
  EXPECT_EQ(decode_to_utf8("\xFF\xFE" "a\0"s, Encoding::Replacement), "a");
  EXPECT_EQ(decode_to_utf8("\xEF\xBB\xBF", Encoding::Utf16Be), "");
}

TEST(ByteOrderMark, OnlyOneAtTheVeryStartCounts) {
  EXPECT_EQ(decode_to_utf8("\xEF\xBB\xBF\xEF\xBB\xBFx", Encoding::Utf8), "\xEF\xBB\xBFx");
  EXPECT_EQ(decode_to_utf8("x\xEF\xBB\xBF", Encoding::Windows1252), "x\xC3\xAF\xC2\xBB\xC2\xBF");
  // Half a mark is an ordinary byte of the given encoding.
  EXPECT_EQ(decode_to_utf8("\xEF\xBB", Encoding::Windows1252), "\xC3\xAF\xC2\xBB");
  EXPECT_EQ(decode_to_utf8("\xFF", Encoding::Utf16Le), FFFD);
}

TEST(Utf8, ValidTextComesBackUnchanged) {
  const std::string text = "plain, \xC3\xA9t\xC3\xA9, \xE2\x82\xAC, \xF0\x9F\x98\x80, \xF4\x8F\xBF\xBF";
  EXPECT_EQ(decode_to_utf8(text, Encoding::Utf8), text);
  EXPECT_EQ(decode_to_utf8("", Encoding::Utf8), "");
}

TEST(Utf8, EachMaximalMalformedPartBecomesOneReplacement) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"\xED\xA0\x80", repeat(FFFD, 3)},             // an encoded surrogate
      {"\xF4\x90\x80\x80", repeat(FFFD, 4)},         // past U+10FFFF
      {"\xF0\x80\x80\x41", repeat(FFFD, 3) + "A"},   // overlong
      {"\xC0\xAF", repeat(FFFD, 2)},
      {"\xE4\xB8", FFFD},                            // cut at the end
      {"\xE4\xB8" "A", FFFD + "A"},
      {"\xF0\x9F\x98" "A\xF0\x9F\x98", FFFD + "A" + FFFD},
      {"\x80\xBF", repeat(FFFD, 2)},
      {"\xFE\xFE", repeat(FFFD, 2)},
      {"\xF8\x88\x80\x80\x80", repeat(FFFD, 5)},
      {"a\xC3\xA9\xC3" "b", "a\xC3\xA9" + FFFD + "b"},
  };
  for (const Case& c : cases) EXPECT_EQ(decode_to_utf8(c.in, Encoding::Utf8), c.out) << c.in;
}

TEST(Utf16, DecodesBothByteOrdersAndSurrogatePairs) {
  EXPECT_EQ(decode_to_utf8("a\0\x3D\xD8\x00\xDE"s, Encoding::Utf16Le), "a\xF0\x9F\x98\x80");
  EXPECT_EQ(decode_to_utf8("\0a\xD8\x3D\xDE\x00"s, Encoding::Utf16Be), "a\xF0\x9F\x98\x80");
  EXPECT_EQ(decode_to_utf8("\xFF\xFE\0\0"s, Encoding::Utf16Le), "\0"s);
}

TEST(Utf16, BrokenUnitsAndPairsBecomeReplacements) {
  // A lead surrogate without its trail, then the next unit on its own.
  EXPECT_EQ(decode_to_utf8("\x00\xD8" "a\0"s, Encoding::Utf16Le), FFFD + "a");
  EXPECT_EQ(decode_to_utf8("\x00\xD8\x01\xD8\x00\xDC"s, Encoding::Utf16Le), FFFD + "\xF0\x90\x90\x80");
  EXPECT_EQ(decode_to_utf8("\x00\xDC" "a\0"s, Encoding::Utf16Le), FFFD + "a");
  EXPECT_EQ(decode_to_utf8("a\0b"s, Encoding::Utf16Le), "a" + FFFD);
  // An unpaired lead and an odd last byte at the end give one replacement between them.
  EXPECT_EQ(decode_to_utf8("\x00\xD8" "b"s, Encoding::Utf16Le), FFFD);
  EXPECT_EQ(decode_to_utf8("\xD8\x00"s, Encoding::Utf16Be), FFFD);
}

TEST(SingleByte, DecodesFromTheWebsIndexes) {
  EXPECT_EQ(decode("\x80", "iso-8859-1"), "\xE2\x82\xAC");
  EXPECT_EQ(decode("caf\xE9 \x93q\x94", "windows-1252"), "caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D");
  EXPECT_EQ(decode("\x81", "windows-1252"), "\xC2\x81");
  EXPECT_EQ(decode("\xC0\xFF", "windows-1251"), "\xD0\x90\xD1\x8F");
  EXPECT_EQ(decode("\xE0", "iso-8859-8-i"), "\xD7\x90");
  EXPECT_EQ(decode("\xAE\xBE", "koi8-u"), "\xD1\x9E\xD0\x8E");
  EXPECT_EQ(decode("\xBD", "macintosh"), "\xCE\xA9");
  EXPECT_EQ(decode("\xA1", "iso-8859-16"), "\xC4\x84");
  EXPECT_EQ(decode("plain <ascii>\x7F", "ibm866"), "plain <ascii>\x7F");
}

TEST(SingleByte, BytesWithoutACodePointBecomeReplacements) {
  EXPECT_EQ(decode("\xA5", "iso-8859-3"), FFFD);
  EXPECT_EQ(decode("a\xAA" "b", "windows-1253"), "a" + FFFD + "b");
  EXPECT_EQ(decode("\xDB\xFC", "windows-874"), FFFD + FFFD);
}

TEST(SingleByte, EveryHighByteIsExactlyOneCharacter) {
  std::string high;
  for (int b = 0x80; b <= 0xFF; ++b) high.push_back(static_cast<char>(b));
  for (Encoding e : ALL_ENCODINGS) {
    if (e < Encoding::Ibm866 || e > Encoding::XMacCyrillic) continue;
    const std::string out = decode_to_utf8(high, e);
    EXPECT_TRUE(is_valid_utf8(out)) << encoding_name(e);
    EXPECT_EQ(char_count(out), 128u) << encoding_name(e);
  }
}

TEST(XUserDefined, HighBytesMapToThePrivateUseRow) {
  EXPECT_EQ(decode("a\x80\xFF", "x-user-defined"), "a\xEF\x9E\x80\xEF\x9F\xBF");
}

TEST(Replacement, NonEmptyInputIsOneReplacement) {
  EXPECT_EQ(decode("\x1B$)C\x0E!!", "iso-2022-kr"), FFFD);
  EXPECT_EQ(decode(std::string(100000, 'a'), "hz-gb-2312"), FFFD);
  EXPECT_EQ(decode("", "iso-2022-kr"), "");
}

TEST(Gb18030, DecodesTwoAndFourByteSequences) {
  EXPECT_EQ(decode("\xD6\xD0\xCE\xC4", "gb18030"), "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(decode("\xD6\xD0\xCE\xC4", "gb2312"), "\xE4\xB8\xAD\xE6\x96\x87");  // GBK reads the same
  EXPECT_EQ(decode("\x80", "gbk"), "\xE2\x82\xAC");
  EXPECT_EQ(decode("\x81\x30\x81\x30", "gb18030"), "\xC2\x80");
  EXPECT_EQ(decode("\x84\x31\xA4\x39", "gb18030"), "\xEF\xBF\xBF");
  EXPECT_EQ(decode("\x90\x30\x81\x30", "gbk"), "\xF0\x90\x80\x80");
  EXPECT_EQ(decode("\xE3\x32\x9A\x35", "gb18030"), "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(decode("\x81\x35\xF4\x37", "gb18030"), "\xEE\x9F\x87");  // U+E7C7
  // GB18030-2022: vertical forms and ideographs that used to be private-use code points.
  EXPECT_EQ(decode("\xA6\xD9", "gb18030"), "\xEF\xB8\x90");  // U+FE10
  EXPECT_EQ(decode("\xFE\x59", "gb18030"), "\xE9\xBE\xB4");  // U+9FB4
}

TEST(Gb18030, MalformedSequencesBecomeReplacements) {
  EXPECT_EQ(decode("\xFF", "gb18030"), FFFD);
  EXPECT_EQ(decode("\x81", "gb18030"), FFFD);
  EXPECT_EQ(decode("\x81\x30\x81", "gb18030"), FFFD);  // cut inside a four-byte sequence
  EXPECT_EQ(decode("\x81\x30" "A", "gb18030"), FFFD + "0A");
  EXPECT_EQ(decode("\x81\x30\x81" "A", "gb18030"), FFFD + "0" + decode("\x81" "A", "gb18030"));
  EXPECT_EQ(decode("\x81\x7F", "gb18030"), FFFD + "\x7F");
  EXPECT_EQ(decode("\x84\x31\xA5\x30", "gb18030"), FFFD);  // a four-byte pointer in the gap
  EXPECT_EQ(decode("\xFE\x39\xFE\x39", "gb18030"), FFFD);  // past U+10FFFF
}

TEST(Big5, DecodesIncludingCombinedAndPlaneTwoCharacters) {
  EXPECT_EQ(decode("\xA4\xA4\xA4\xE5", "big5"), "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(decode("\x88\x62\x88\x64", "big5"), "\xC3\x8A\xCC\x84\xC3\x8A\xCC\x8C");
  EXPECT_EQ(decode("\x88\xA3\x88\xA5", "big5"), "\xC3\xAA\xCC\x84\xC3\xAA\xCC\x8C");
  EXPECT_EQ(decode("\x87\x45", "big5"), "\xF0\xA7\x89\xA7");  // U+27267
}

TEST(Big5, MalformedSequencesBecomeReplacements) {
  EXPECT_EQ(decode("\xA4 x", "big5"), FFFD + " x");
  EXPECT_EQ(decode("\x80\xFF", "big5"), FFFD + FFFD);
  EXPECT_EQ(decode("ab\xA4", "big5"), "ab" + FFFD);
  EXPECT_EQ(decode("\x81\x40", "big5"), FFFD + "@");  // a pointer without a code point; "@" read again
  EXPECT_EQ(decode("\xA4\x80", "big5"), FFFD);
}

TEST(EucJp, DecodesJis0208HalfWidthKatakanaAndJis0212) {
  EXPECT_EQ(decode("\xC6\xFC\xCB\xDC\xB8\xEC", "euc-jp"), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
  EXPECT_EQ(decode("\x8E\xB1", "euc-jp"), "\xEF\xBD\xB1");
  EXPECT_EQ(decode("\x8F\xB0\xA1", "euc-jp"), "\xE4\xB8\x82");  // U+4E02
}

TEST(EucJp, MalformedSequencesBecomeReplacements) {
  EXPECT_EQ(decode("\xC6" "A", "euc-jp"), FFFD + "A");
  EXPECT_EQ(decode("\x8E\xE0", "euc-jp"), FFFD);
  EXPECT_EQ(decode("\x8F\xB0", "euc-jp"), FFFD);
  EXPECT_EQ(decode("\x8F\xA2\xA1\xC6\xFC", "euc-jp"), FFFD + "\xE6\x97\xA5");  // jis0212 hole, then jis0208
  EXPECT_EQ(decode("\x80\xFF", "euc-jp"), FFFD + FFFD);
}

TEST(Iso2022Jp, FollowsItsEscapeSequences) {
  EXPECT_EQ(decode("\x1B$BF|K\\8l\x1B(B.", "iso-2022-jp"), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.");
  EXPECT_EQ(decode("\x1B(I1\x1B(B", "iso-2022-jp"), "\xEF\xBD\xB1");
  EXPECT_EQ(decode("\x1B(J\\~a", "iso-2022-jp"), "\xC2\xA5\xE2\x80\xBE" "a");
  EXPECT_EQ(decode("\x1B$@F|", "iso-2022-jp"), "\xE6\x97\xA5");
}

TEST(Iso2022Jp, BrokenEscapesAndBytesBecomeReplacements) {
  EXPECT_EQ(decode("\x1B(B\x1B(Ba", "iso-2022-jp"), FFFD + "a");  // two escapes in a row
  EXPECT_EQ(decode("a\x0E" "b", "iso-2022-jp"), "a" + FFFD + "b");
  EXPECT_EQ(decode("\x1B$", "iso-2022-jp"), FFFD + "$");
  EXPECT_EQ(decode("\x1B", "iso-2022-jp"), FFFD);
  EXPECT_EQ(decode("\x1Bx", "iso-2022-jp"), FFFD + "x");
  EXPECT_EQ(decode("\x1B$BF", "iso-2022-jp"), FFFD);             // cut after a lead byte
  EXPECT_EQ(decode("\x1B$BF\x1B(Ba", "iso-2022-jp"), FFFD + "a");
  EXPECT_EQ(decode("\x1B$B\x80", "iso-2022-jp"), FFFD);
  EXPECT_EQ(decode("\x1B(I\x60", "iso-2022-jp"), FFFD);
  EXPECT_EQ(decode("\xA4", "iso-2022-jp"), FFFD);
}

TEST(ShiftJis, DecodesDoubleBytesKatakanaAndUserDefinedArea) {
  EXPECT_EQ(decode("\x93\xFA\x96\x7B\x8C\xEA", "shift_jis"), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
  EXPECT_EQ(decode("\xB1", "sjis"), "\xEF\xBD\xB1");
  EXPECT_EQ(decode("\x80\\~", "shift_jis"), "\xC2\x80\\~");
  EXPECT_EQ(decode("\xF0\x40", "shift_jis"), "\xEE\x80\x80");  // U+E000
}

TEST(ShiftJis, MalformedSequencesBecomeReplacements) {
  EXPECT_EQ(decode("\x81 ", "shift_jis"), FFFD + " ");
  EXPECT_EQ(decode("\xA0\xFD", "shift_jis"), FFFD + FFFD);
  EXPECT_EQ(decode("x\x93", "shift_jis"), "x" + FFFD);
  EXPECT_EQ(decode("\x81\xFD", "shift_jis"), FFFD);
  EXPECT_EQ(decode("\x85\x40", "shift_jis"), FFFD + "@");  // a pointer without a code point
}

TEST(EucKr, DecodesIncludingTheExtendedHangul) {
  EXPECT_EQ(decode("\xC7\xD1\xB1\xB9\xBE\xEE", "euc-kr"), "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4");
  EXPECT_EQ(decode("\x8C\x63", "euc-kr"), "\xEB\x98\xA0");  // U+B620
}

TEST(EucKr, MalformedSequencesBecomeReplacements) {
  EXPECT_EQ(decode("\xC7 ", "euc-kr"), FFFD + " ");
  EXPECT_EQ(decode("\x80\xFF", "euc-kr"), FFFD + FFFD);
  EXPECT_EQ(decode("\xC7", "euc-kr"), FFFD);
  EXPECT_EQ(decode("\xC7\x40", "euc-kr"), FFFD + "@");
}

TEST(HostileInput, EveryDecoderGivesValidUtf8ForArbitraryBytes) {
  std::string noise(1 << 16, '\0');
  std::uint32_t x = 2463534242u;
  for (char& c : noise) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x >> 24);
  }
  // Escape-heavy input for the stateful decoder.
  const std::string escapes = repeat("\x1B$B!\x1B(\x1B\x1B$A\x1B(I", 500);
  const std::string inputs[] = {noise, escapes};
  for (Encoding e : ALL_ENCODINGS) {
    for (const std::string& in : inputs) {
      const std::string out = decode_to_utf8(in, e);
      EXPECT_TRUE(is_valid_utf8(out)) << encoding_name(e);
      EXPECT_FALSE(out.empty()) << encoding_name(e);
    }
  }
}

}  // namespace
}  // namespace qx
