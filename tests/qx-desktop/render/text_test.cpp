#include "render/text.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "render/text_format.h"

namespace qx {
namespace {

TEST(ScriptClass, TheFirstDecidingCharacterWins) {
  struct Case {
    const char* text;
    ScriptClass script;
  };
  const Case cases[] = {
      {"", ScriptClass::Other},
      {"Arsenal 2–1 Chelsea", ScriptClass::Other},
      {"Ünïcödé Ωλ Кириллица", ScriptClass::Other},
      {"Score: שלום", ScriptClass::RightToLeft},
      {"مرحبا", ScriptClass::RightToLeft},
      {"\xEF\xAD\x90", ScriptClass::RightToLeft},  // U+FB50, Arabic presentation form
      {"नमस्ते", ScriptClass::Indic},
      {"வணக்கம்", ScriptClass::Indic},              // Tamil lies in the Indic block too
      {"สวัสดี", ScriptClass::Thai},
      {"こんにちは", ScriptClass::Kana},
      {"東京オリンピック", ScriptClass::Kana},      // Han first, then kana: Japanese
      {"北京欢迎你", ScriptClass::Han},
      {"中文 and English", ScriptClass::Han},
      {"안녕하세요", ScriptClass::Hangul},
      {"\xE1\x84\x80", ScriptClass::Hangul},       // U+1100, a conjoining jamo
      {"한국 日本 にほん", ScriptClass::Hangul},     // Hangul came first
      {"日本 にほん 한국", ScriptClass::Kana},
      {"עברית 中文", ScriptClass::RightToLeft},
      {"\xE4\xB8", ScriptClass::Other},            // a cut Han sequence is U+FFFD, not Han
      {"\xff\xfe abc", ScriptClass::Other},
  };
  for (const auto& c : cases) EXPECT_EQ(script_class(c.text), c.script) << c.text;
}

TEST(FontFamily, FollowsTheScriptAndTheWeight) {
  struct Case {
    ScriptClass script;
    std::uint8_t weight;
    const wchar_t* family;
  };
  const Case cases[] = {
      {ScriptClass::Other, 0, L"Segoe UI"},
      {ScriptClass::Other, 1, L"Segoe UI Semibold"},
      {ScriptClass::Other, 2, L"Segoe UI"},
      {ScriptClass::RightToLeft, 0, L"Segoe UI"},
      {ScriptClass::RightToLeft, 1, L"Segoe UI Semibold"},
      {ScriptClass::Indic, 0, L"Nirmala UI"},
      {ScriptClass::Thai, 1, L"Leelawadee UI"},
      {ScriptClass::Kana, 0, L"Yu Gothic UI"},
      {ScriptClass::Hangul, 1, L"Malgun Gothic"},
      {ScriptClass::Han, 2, L"Microsoft YaHei UI"},
      {ScriptClass::Other, 3, L"Segoe MDL2 Assets"},
      {ScriptClass::Han, 3, L"Segoe MDL2 Assets"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(font_family_for(c.script, c.weight), std::wstring_view(c.family))
        << static_cast<int>(c.script) << '/' << static_cast<int>(c.weight);
  }
}

TEST(TextPlan, ScriptFamiliesAreBoldAtWeightOneAndEveryFamilyAtWeightTwo) {
  const Rect box{0, 0, 100, 20};
  struct Case {
    const char* text;
    std::uint8_t weight;
    bool bold;
  };
  const Case cases[] = {
      {"Hello", 0, false}, {"Hello", 1, false}, {"Hello", 2, true},  {"שלום", 1, false}, {"안녕", 1, true},
      {"안녕", 0, false},  {"สวัสดี", 1, true}, {"中文", 2, true},    {"\xEE\x9C\x80", 3, false},
  };
  for (const auto& c : cases) {
    TextStyle style;
    style.weight = c.weight;
    EXPECT_EQ(plan_text(c.text, box, style).bold, c.bold) << c.text << ' ' << static_cast<int>(c.weight);
  }
}

TEST(TextPlan, FormatFlagsAndAlignmentFollowLinesAndDirection) {
  const Rect box{5, 7, 105, 57};
  TextStyle one;
  one.align = 2;
  const TextPlan latin = plan_text("Hello", box, one);
  EXPECT_EQ(latin.format_flags, 0x1000);  // no line limit: a line taller than its box is still drawn
  EXPECT_EQ(latin.line_align, 1);
  EXPECT_EQ(latin.align, 2);
  EXPECT_EQ(latin.rendering_hint, 4);
  EXPECT_EQ(plan_text("שלום", box, one).format_flags, 0x1000 | 0x1);

  TextStyle two;
  two.lines = 2;
  const TextPlan wrapped = plan_text("مرحبا", box, two);
  EXPECT_EQ(wrapped.format_flags, 0x2000 | 0x1);
  EXPECT_EQ(wrapped.line_align, 0);

  TextStyle icon;
  icon.weight = 3;
  EXPECT_EQ(plan_text("\xEE\x9C\x80", box, icon).rendering_hint, 3);
}

TEST(TextPlan, TheLayoutBoxOfWrappedTextIsAtMostLinesTimesTheLineHeight) {
  TextStyle style;
  style.size = 16;
  style.lines = 2;
  const TextPlan tall = plan_text("Hello", {10, 20, 110, 220}, style);
  EXPECT_FLOAT_EQ(tall.box_x, 10.0f);
  EXPECT_FLOAT_EQ(tall.box_y, 20.0f);
  EXPECT_FLOAT_EQ(tall.box_width, 100.0f);
  EXPECT_FLOAT_EQ(tall.box_height, 43.52f);
  EXPECT_FLOAT_EQ(plan_text("Hello", {0, 0, 100, 30}, style).box_height, 30.0f);
  style.lines = 1;
  EXPECT_FLOAT_EQ(plan_text("Hello", {0, 0, 100, 200}, style).box_height, 200.0f);
}

TEST(TextPlan, TheBrushIsOpaqueWithRoundedChannels) {
  TextStyle style;
  style.colour = {254.5f, -3.0f, 16.4f};
  EXPECT_EQ(plan_text("x", {0, 0, 1, 1}, style).brush_argb, 0xFFFF0010u);
  style.colour = {300, 255, 256};  // never spills into the alpha byte
  EXPECT_EQ(plan_text("x", {0, 0, 1, 1}, style).brush_argb, 0xFFFFFFFFu);
}

TEST(TextPlan, NothingIsSetForAnEmptyTextOrAnEmptyBox) {
  EXPECT_FALSE(has_text_to_set("", {0, 0, 10, 10}));
  EXPECT_FALSE(has_text_to_set("a", {0, 0, 0, 10}));
  EXPECT_FALSE(has_text_to_set("a", {0, 0, 10, -1}));
  EXPECT_FALSE(has_text_to_set("a", {10, 0, 5, 10}));
  EXPECT_TRUE(has_text_to_set("a", {0, 0, 1, 1}));
}

TEST(CeilExtent, RoundsUpAndSaturates) {
  EXPECT_EQ(ceil_extent(0.0f), 0);
  EXPECT_EQ(ceil_extent(10.01f), 11);
  EXPECT_EQ(ceil_extent(43.0f), 43);
  EXPECT_EQ(ceil_extent(-2.5f), 0);
  EXPECT_EQ(ceil_extent(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(ceil_extent(1e20f), INT32_MAX);
}

// One line is clipped to its box, so it is never reported higher than the box, nor 0 high when
// it has a width; wrapped text is reported as measured.
TEST(MeasuredSize, OneLineTallerThanItsBoxTakesTheBoxHeight) {
  struct Case {
    std::int32_t lines;
    float width, height;
    TextSize expected;
  };
  const Case cases[] = {
      {1, 74.2f, 12.5f, {75, 13}}, {1, 75.0f, 0.0f, {75, 17}}, {1, 75.0f, 19.0f, {75, 17}},
      {1, 0.0f, 0.0f, {0, 0}},     {2, 75.0f, 0.0f, {75, 0}},  {2, 75.0f, 19.0f, {75, 19}},
  };
  for (const Case& c : cases) {
    TextStyle style;
    style.lines = c.lines;
    EXPECT_EQ(measured_size(plan_text("x", {0, 10, 100, 27}, style), c.width, c.height), c.expected)
        << c.lines << ' ' << c.width << ' ' << c.height;
  }
}

TEST(ToWideNul, EndsInOneZeroUnitAndReplacesInvalidBytes) {
  EXPECT_EQ(to_wide_nul(""), std::wstring(1, L'\0'));
  EXPECT_EQ(to_wide_nul("abc"), std::wstring(L"abc\0", 4));
  EXPECT_EQ(to_wide_nul("a\xFF"), std::wstring(L"a\xFFFD\0", 3));
  EXPECT_EQ(render_to_wide_nul("é"), std::wstring(L"\x00E9\0", 2));
  // Outside the basic plane: a surrogate pair where wchar_t is 16 bits, one unit elsewhere.
  const std::wstring emoji = to_wide_nul("\xF0\x9F\x8F\x86");
  EXPECT_EQ(emoji.size(), sizeof(wchar_t) == 2 ? 3u : 2u);
  EXPECT_EQ(emoji.back(), L'\0');
}

}  // namespace
}  // namespace qx
