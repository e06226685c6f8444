#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/feed_service.h"

namespace qx {
namespace {

using Args = std::vector<std::string>;

Args split(std::u16string_view line) { return split_command_line(line); }

// --- splitting --------------------------------------------------------------------------------

TEST(CommandLineSplit, BlanksSeparateAndQuotesGroup) {
  EXPECT_EQ(split(u"prog a  b\t\tc"), (Args{"prog", "a", "b", "c"}));
  EXPECT_EQ(split(u"prog \"a b\" c\"d e\"f"), (Args{"prog", "a b", "cd ef"}));
  EXPECT_EQ(split(u"prog \"\" x"), (Args{"prog", "", "x"}));
  EXPECT_EQ(split(u"prog   "), (Args{"prog"}));
}

TEST(CommandLineSplit, AnEmptyCommandLineGivesNoArgumentsAtAll) {
  EXPECT_EQ(split(u""), (Args{}));
  EXPECT_FALSE(parse_arguments({}).self_test);
}

TEST(CommandLineSplit, BackslashesCountOnlyBeforeAQuote) {
  EXPECT_EQ(split(uR"(p a\b c\\d)"), (Args{"p", R"(a\b)", R"(c\\d)"}));
  EXPECT_EQ(split(uR"(p a\"b)"), (Args{"p", R"(a"b)"}));
  EXPECT_EQ(split(uR"(p a\\"b c")"), (Args{"p", R"(a\b c)"}));
  EXPECT_EQ(split(uR"(p a\\\"b)"), (Args{"p", R"(a\"b)"}));
  EXPECT_EQ(split(uR"(p "C:\dir\\" next)"), (Args{"p", R"(C:\dir\)", "next"}));
}

TEST(CommandLineSplit, TwoQuotesInsideQuotesAreOneLiteralQuote) {
  EXPECT_EQ(split(uR"(p "a""b" c)"), (Args{"p", R"(a"b)", "c"}));
  EXPECT_EQ(split(uR"(p """x""" y)"), (Args{"p", R"("x")", "y"}));
}

TEST(CommandLineSplit, TheProgramNameIgnoresBackslashRules) {
  EXPECT_EQ(split(uR"("C:\Program Files\z.exe" --self-test)"), (Args{R"(C:\Program Files\z.exe)", "--self-test"}));
  EXPECT_EQ(split(uR"(C:\a\"b c" d)"), (Args{R"(C:\a\b c)", "d"}));
}

TEST(CommandLineSplit, ArgumentsBecomeUtf8AndBrokenSurrogatesAreReplaced) {
  EXPECT_EQ(split(u"p caf\u00e9 \U0001F600"), (Args{"p", "caf\xC3\xA9", "\xF0\x9F\x98\x80"}));
  std::u16string lone = u"p a";
  lone += char16_t(0xD800);
  EXPECT_EQ(split(lone), (Args{"p", "a\xEF\xBF\xBD"}));
}

// --- options ----------------------------------------------------------------------------------

TEST(CommandLineOptions, SwitchesAndValuesAreRead) {
  CommandLineOptions o = parse_arguments({"--self-test", "--feed", "C:\\f.xml", "--orb", "tiny", "--check-update",
                                          "--expanded", "--after-update", "--country", "DE", "--lang", "de",
                                          "--left", "team", "--fit", "Fill", "--play", "https://s/x.m3u8",
                                          "--orb-image", "o.png", "--bar-image", "b.png"});
  EXPECT_TRUE(o.self_test && o.check_update && o.expanded && o.after_update);
  EXPECT_EQ(o.feed, "C:\\f.xml");
  EXPECT_EQ(o.orb, "tiny");
  EXPECT_EQ(o.country, "DE");
  EXPECT_EQ(o.lang, "de");
  EXPECT_EQ(o.left, "team");
  EXPECT_EQ(o.fit, "Fill");  // kept as given
  EXPECT_EQ(o.play, "https://s/x.m3u8");
  EXPECT_EQ(o.orb_image, "o.png");
  EXPECT_EQ(o.bar_image, "b.png");
}

TEST(CommandLineOptions, OnlyModeAndEdgeAreLowerCased) {
  CommandLineOptions o = parse_arguments({"--mode", "ISLAND", "--edge", "Right", "--lang", "DE"});
  EXPECT_EQ(o.mode, "island");
  EXPECT_EQ(o.edge, "right");
  EXPECT_EQ(o.lang, "DE");
}

TEST(CommandLineOptions, AValueOptionTakesTheNextArgumentWhateverItIs) {
  CommandLineOptions o = parse_arguments({"--render", "--self-test"});
  EXPECT_EQ(o.render, "--self-test");
  EXPECT_FALSE(o.self_test);
}

TEST(CommandLineOptions, AValueOptionAtTheEndClearsAnEarlierValue) {
  CommandLineOptions o = parse_arguments({"--feed", "https://a/x", "--feed"});
  EXPECT_FALSE(o.feed);
  o = parse_arguments({"--render"});
  EXPECT_FALSE(o.render);  // no path: no render mode
}

TEST(CommandLineOptions, TheLaterOfFeedAndTeamIdWins) {
  CommandLineOptions o = parse_arguments({"--feed", "https://a/x", "--team-id", "7"});
  EXPECT_EQ(o.feed, std::string(FEED_SERVICE_BASE) + "/feeds/team-7");
  o = parse_arguments({"--team-id", "7", "--feed", "https://a/x"});
  EXPECT_EQ(o.feed, "https://a/x");
  o = parse_arguments({"--feed", "https://a/x", "--team-id"});
  EXPECT_FALSE(o.feed);
}

TEST(CommandLineOptions, NamesAreExactAndOthersAreIgnored) {
  CommandLineOptions o = parse_arguments({"--Self-Test", "-self-test", "--feed=x", "stray", "--skin", "3"});
  EXPECT_FALSE(o.self_test);
  EXPECT_FALSE(o.feed);
  EXPECT_EQ(o.skin, 3u);
}

TEST(CommandLineOptions, AValueThatDoesNotParseClearsTheOption) {
  CommandLineOptions o = parse_arguments({"--skin", "2", "--skin", "two", "--size", "800x200", "--size", "800X200"});
  EXPECT_FALSE(o.skin);
  EXPECT_FALSE(o.size);
}

TEST(CommandLineNumbers, UnsignedIntegersAreDigitsWithAnOptionalPlus) {
  EXPECT_EQ(parse_option_u64("7"), 7u);
  EXPECT_EQ(parse_option_u64("+7"), 7u);
  EXPECT_EQ(parse_option_u64("007"), 7u);
  EXPECT_EQ(parse_option_u64("18446744073709551615"), 18446744073709551615u);
  for (const char* bad : {"", "+", "-1", "-0", " 7", "7 ", "0x10", "1e3", "18446744073709551616", "++1"}) {
    EXPECT_FALSE(parse_option_u64(bad)) << bad;
  }
}

TEST(CommandLineNumbers, FloatsAreDecimalNumbersThatFit) {
  EXPECT_EQ(parse_option_float("1.5"), 1.5f);
  EXPECT_EQ(parse_option_float("+2"), 2.0f);
  EXPECT_EQ(parse_option_float("-0.25"), -0.25f);
  EXPECT_EQ(parse_option_float(".5"), 0.5f);
  EXPECT_EQ(parse_option_float("5."), 5.0f);
  EXPECT_EQ(parse_option_float("1e2"), 100.0f);
  EXPECT_EQ(parse_option_float("2.5E-1"), 0.25f);
  EXPECT_EQ(parse_option_float("1.1"), 1.1f);
  // Not decimal numbers, or no finite float: absent rather than an infinity or NaN.
  for (const char* bad : {"", ".", "+", "e5", "1e", "1e+", "inf", "nan", "NaN", "infinity", "0x1p3", " 1", "1 ",
                          "1,5", "1e39", "-1e39", "++1"}) {
    EXPECT_FALSE(parse_option_float(bad)) << bad;
  }
}

TEST(CommandLineNumbers, ANumberBelowTheFloatRangeIsZeroAndOneAboveItIsAbsent) {
  for (const char* tiny : {"1e-50", "1e-46", "0.0000000000000000000000000000000000000000000000001", "1e-99999999999999",
                           "0.001e-45", "123e-60"}) {
    const auto value = parse_option_float(tiny);
    ASSERT_TRUE(value) << tiny;
    EXPECT_EQ(*value, 0.0f) << tiny;
  }
  ASSERT_TRUE(parse_option_float("-1e-50"));
  EXPECT_TRUE(std::signbit(*parse_option_float("-1e-50")));
  EXPECT_EQ(parse_arguments({"--orb-zoom", "1e-50"}).orb_zoom, 0.0f);
  for (const char* huge : {"1e39", "-1e39", "1000e36", "0.1e40", "1e99999999999999"}) {
    EXPECT_FALSE(parse_option_float(huge)) << huge;
  }
  // Zero itself, and the smallest floats, are numbers.
  EXPECT_EQ(parse_option_float("0"), 0.0f);
  EXPECT_EQ(parse_option_float("-0.0e-99"), 0.0f);
  EXPECT_EQ(parse_option_float("1e-38"), 1e-38f);
  EXPECT_EQ(parse_option_float("1e-45"), 1e-45f);
}

TEST(CommandLineNumbers, SizesAreTwoSigned32BitIntegers) {
  using Size = std::pair<std::int32_t, std::int32_t>;
  EXPECT_EQ(parse_option_size("800x200"), (Size{800, 200}));
  EXPECT_EQ(parse_option_size("+800x-200"), (Size{800, -200}));
  EXPECT_EQ(parse_option_size("2147483647x-2147483648"), (Size{2147483647, -2147483648}));
  for (const char* bad : {"800", "800X200", "800x200x3", "x200", "800x", "2147483648x1", "1x-2147483649", "8 x2",
                          "0x10x5"}) {
    EXPECT_FALSE(parse_option_size(bad)) << bad;
  }
}

TEST(CommandLineNumbers, TheOptionsUseTheNumberForms) {
  CommandLineOptions o = parse_arguments({"--item", "+12", "--orb-zoom", "1.25", "--scale", "nan", "--size", "1x2"});
  EXPECT_EQ(o.item, 12u);
  EXPECT_EQ(o.orb_zoom, 1.25f);
  EXPECT_FALSE(o.scale);
  EXPECT_EQ(o.size, (std::pair<std::int32_t, std::int32_t>{1, 2}));
}

// --- placement --------------------------------------------------------------------------------

Placement placed(const Args& args, std::optional<std::string_view> settings = std::nullopt) {
  return placement_from_options(parse_arguments(args), settings);
}

TEST(CommandLinePlacement, ModeAndEdgeChooseThePlacement) {
  EXPECT_EQ(placed({"--mode", "bar", "--edge", "Right"}), Placement::BarRight);
  EXPECT_EQ(placed({"--mode", "bar", "--edge", "left"}), Placement::BarLeft);
  EXPECT_EQ(placed({"--edge", "top"}), Placement::SignalBarTop);
  EXPECT_EQ(placed({"--edge", "middle"}), Placement::SignalBarBottom);
  EXPECT_EQ(placed({"--mode", "bar"}), Placement::SignalBarBottom);
  EXPECT_EQ(placed({"--mode", "ISLAND"}), Placement::Island);
  EXPECT_EQ(placed({"--mode", "island", "--edge", "top"}), Placement::Island);
  EXPECT_EQ(placed({"--mode", "dock", "--edge", "top"}), Placement::SignalBarBottom);
}

TEST(CommandLinePlacement, WithoutModeOrEdgeTheSettingsNameIsComparedExactly) {
  EXPECT_EQ(placed({}), Placement::SignalBarBottom);
  EXPECT_EQ(placed({}, "island"), Placement::Island);
  EXPECT_EQ(placed({}, "bar-left"), Placement::BarLeft);
  EXPECT_EQ(placed({}, "signal-bar-top"), Placement::SignalBarTop);
  EXPECT_EQ(placed({}, "Island"), Placement::SignalBarBottom);
  EXPECT_EQ(placed({}, ""), Placement::SignalBarBottom);
  // Options beat the settings.
  EXPECT_EQ(placed({"--edge", "right"}, "island"), Placement::BarRight);
  // An option cleared by a missing value counts as not given.
  EXPECT_EQ(placed({"--mode"}, "island"), Placement::Island);
}

}  // namespace
}  // namespace qx
