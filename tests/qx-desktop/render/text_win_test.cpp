// GDI+ text on a real surface. Anti-aliasing differs between Wine and Windows, so these tests
// count ink (channels of 96 or more on black) and compare where it lies, never exact values.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "render/gdiplus_win.h"
#include "render/text.h"

namespace qx {
namespace {

constexpr std::int32_t W = 480;
constexpr std::int32_t H = 64;

bool lit(std::uint32_t p) {
  return ((p >> 16) & 0xFF) >= 96 || ((p >> 8) & 0xFF) >= 96 || (p & 0xFF) >= 96;
}

struct Ink {
  std::vector<std::uint32_t> pixels;
  int count = 0;
  std::int32_t min_x = W, max_x = -1, max_y = -1;
};

class TextOnSurface : public ::testing::Test {
 protected:
  void SetUp() override {
    auto made = create_dib_surface(W, H);
    ASSERT_TRUE(made.has_value());
    surface.emplace(std::move(*made));
    clear();
  }
  void clear() {
    const PixelView v = dib_pixels(*surface);
    std::fill(v.pixels, v.pixels + W * H, 0u);
  }
  Ink ink() {
    const PixelView v = dib_pixels(*surface);
    Ink result;
    result.pixels.assign(v.pixels, v.pixels + W * H);
    for (std::int32_t y = 0; y < H; ++y) {
      for (std::int32_t x = 0; x < W; ++x) {
        if (!lit(v.pixels[y * W + x] & 0x00FFFFFFu)) continue;
        ++result.count;
        result.min_x = std::min(result.min_x, x);
        result.max_x = std::max(result.max_x, x);
        result.max_y = std::max(result.max_y, y);
      }
    }
    return result;
  }
  Ink draw(const std::string& text, TextStyle style = {}, Rect box = {0, 0, W, H}) {
    clear();
    last = platform_text().draw_text(*surface, text, box, style, true);
    return ink();
  }

  std::optional<DibSurface> surface;
  TextSize last;
};

TEST(TextFonts, EveryFamilyTheProgramAsksForIsFound) {
  ASSERT_TRUE(gdiplus_startup_once());
  for (const wchar_t* name : {L"Segoe UI", L"Segoe UI Semibold", L"Segoe MDL2 Assets", L"Nirmala UI",
                              L"Leelawadee UI", L"Yu Gothic UI", L"Malgun Gothic", L"Microsoft YaHei UI"}) {
    gdip::FontFamily family;
    EXPECT_EQ(gdip::GdipCreateFontFamilyFromName(name, nullptr, family.put()), gdip::Ok)
        << std::string(name, name + wcslen(name));
  }
}

// Two different texts of one script with as many characters: real glyphs give two different
// images, where a font without the script would draw the same row of empty boxes twice.
TEST_F(TextOnSurface, DrawsEveryScriptWithRealGlyphs) {
  struct Case {
    const char* name;
    std::string a, b;
  };
  const Case cases[] = {
      {"Latin", "Hello Zelvarons", "Goodbye friends"},
      {"Hebrew", "שלום עולם", "תודה רבה"},
      {"Arabic", "مرحبا", "شكرا"},
      {"kana", "こんにちは", "さようなら"},
      {"Han", "北京欢迎你", "上海天气好"},
      {"Korean", "안녕하세요", "감사합니다"},
      {"Thai", "สวัสดี", "ขอบคุณ"},
      {"Devanagari", "नमस्ते", "धन्यवाद"},
      {"Telugu", "తెలుగు", "నమస్తే"},
  };
  TextStyle style;
  style.size = 24;
  for (const auto& c : cases) {
    const Ink a = draw(c.a, style);
    EXPECT_GT(last.width, 0) << c.name;
    EXPECT_GT(last.height, 0) << c.name;
    const Ink b = draw(c.b, style);
    EXPECT_GE(a.count, 40) << c.name;
    EXPECT_GE(b.count, 40) << c.name;
    EXPECT_NE(a.pixels, b.pixels) << c.name;
  }
}

bool under_wine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

TEST_F(TextOnSurface, RightToLeftTextStartsAtTheRight) {
  // Wine 8's GDI+ lays right-to-left text out from the left whatever the format says.
  if (under_wine()) GTEST_SKIP() << "Wine's GDI+ ignores the right-to-left direction";
  TextStyle style;
  style.size = 20;
  const Ink hebrew = draw("שלום", style);
  ASSERT_GT(hebrew.count, 0);
  EXPECT_GT(hebrew.min_x, W / 2);
  const Ink latin = draw("Hello", style);
  ASSERT_GT(latin.count, 0);
  EXPECT_LT(latin.max_x, W / 2);
}

TEST_F(TextOnSurface, MeasuringAloneChangesNoPixel) {
  TextStyle style;
  style.size = 24;
  clear();
  const TextSize measured = platform_text().draw_text(*surface, "Measure me", {0, 0, W, H}, style, false);
  EXPECT_EQ(ink().count, 0);
  draw("Measure me", style);
  EXPECT_EQ(measured, last);
  EXPECT_GT(measured.width, 50);
  EXPECT_LE(measured.height, H);
}

TEST_F(TextOnSurface, OneLineTooLongStaysInItsBox) {
  TextStyle style;
  style.size = 18;
  const Rect box{10, 0, 130, H};
  const Ink ink = draw("A very long headline that cannot possibly fit into its box", style, box);
  EXPECT_GT(ink.count, 0);
  EXPECT_GE(ink.min_x, 10);
  EXPECT_LE(ink.max_x, 131);  // one pixel of anti-aliasing at the edge
  EXPECT_LE(last.width, 120);
}

TEST_F(TextOnSurface, TwoLinesAtSixteenPixelsAreAtMost44High) {
  TextStyle style;
  style.size = 16;
  style.lines = 2;
  const Ink ink = draw("Several words that wrap onto more lines than two in a narrow box of text", style,
                       {0, 0, 120, H});
  EXPECT_GT(ink.count, 0);
  EXPECT_LE(last.height, 44);
  EXPECT_GT(last.height, 20);  // it did wrap
  EXPECT_LE(ink.max_y, 45);
}

// The status under a feed's title is 12 px text in a 17 px box, and the Indic fonts' lines are
// taller than that: such a line is drawn all the same, as the middle rows of the same line set
// in a box high enough for it.
TEST_F(TextOnSurface, OneLineTallerThanItsBoxIsItsMiddleCutOut) {
  struct Case {
    const char* text;
    std::int32_t size, box_height;
  };
  const Case cases[] = {{"अभी अपडेट हुआ", 12, 16}, {"Wgjpq Hello", 30, 14}, {"नमस्ते", 40, 10}};
  for (const Case& c : cases) {
    TextStyle style;
    style.size = c.size;
    const Ink whole = draw(c.text, style, {10, 0, 300, H});
    const std::int32_t top = (H - c.box_height) / 2;
    const Ink cut = draw(c.text, style, {10, top, 300, top + c.box_height});
    EXPECT_GT(cut.count, 0) << c.text;
    EXPECT_EQ(last.height, c.box_height) << c.text;
    EXPECT_GT(last.width, 0) << c.text;
    for (std::int32_t y = 0; y < H; ++y) {
      const bool inside = y >= top && y < top + c.box_height;
      for (std::int32_t x = 0; x < W; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * W + x;
        ASSERT_EQ(cut.pixels[i], inside ? whole.pixels[i] : 0u) << c.text << " at " << x << ',' << y;
      }
    }
  }
}

TEST_F(TextOnSurface, AnEmptyTextOrBoxGivesNothing) {
  TextStyle style;
  EXPECT_EQ(draw("", style).count, 0);
  EXPECT_EQ(last, (TextSize{0, 0}));
  EXPECT_EQ(draw("abc", style, {10, 10, 10, 40}).count, 0);
  EXPECT_EQ(last, (TextSize{0, 0}));
  EXPECT_EQ(draw("abc", style, {10, 10, 40, 5}).count, 0);
  EXPECT_EQ(last, (TextSize{0, 0}));
}

// --- repaints --------------------------------------------------------------------------------

// Texts of every kind on a patterned background: one line, wrapped, glyphs, bold, a box
// hanging off the surface, a box hardly higher than its font.
struct Placed {
  const char* text;
  Rect box;
  TextStyle style;
};
const Placed PLACED[] = {
    {"Lighthouse reopens after a year of repairs", {8, 4, 300, 30}, {18, WHITE, 0, 1, 1}},
    {"Several words that wrap onto more lines than two in a narrow box", {300, 0, 420, 64}, {14, {20, 200, 90}, 0, 3, 0}},
    {"\xEE\x9C\x92", {440, 10, 470, 40}, {15, {180, 180, 190}, 1, 1, 3}},
    {"Right side", {200, 34, 330, 62}, {16, BLACK, 2, 1, 2}},
    {"Hanging off the right edge of the surface", {400, 40, 600, 70}, {18, WHITE, 0, 1, 0}},
    {"Wgjpq tight box", {20, 36, 180, 63}, {22, {250, 200, 40}, 1, 1, 1}},
    {"Wgjpq lower than its line", {190, 2, 290, 14}, {26, WHITE, 0, 1, 0}},
    {"अभी अपडेट हुआ", {330, 46, 470, 63}, {12, {200, 200, 210}, 0, 1, 0}},
};

std::vector<std::uint32_t> patterned(std::int32_t shift) {
  std::vector<std::uint32_t> p(static_cast<std::size_t>(W) * H);
  for (std::int32_t y = 0; y < H; ++y) {
    for (std::int32_t x = 0; x < W; ++x) {
      p[static_cast<std::size_t>(y) * W + x] =
          static_cast<std::uint32_t>((x + shift) % 256) << 16 | static_cast<std::uint32_t>(y * 3) << 8 | 0x30u;
    }
  }
  return p;
}

// Paints every placed text on a fresh surface holding `background`; the bytes and sizes after.
std::pair<std::vector<std::uint32_t>, std::vector<TextSize>> paint_all(const std::vector<std::uint32_t>& background) {
  std::optional<DibSurface> surface = create_dib_surface(W, H);
  if (!surface) return {};
  std::copy(background.begin(), background.end(), dib_pixels(*surface).pixels);
  std::vector<TextSize> sizes;
  for (const Placed& p : PLACED) sizes.push_back(platform_text().draw_text(*surface, p.text, p.box, p.style, true));
  const PixelView v = dib_pixels(*surface);
  return {std::vector<std::uint32_t>(v.pixels, v.pixels + W * H), sizes};
}

TEST(TextRepaint, RepaintingGivesTheSameBytesAsTheFirstPaint) {
  // No other test paints on these backgrounds, so the first paint on each really draws.
  const std::vector<std::uint32_t> one = patterned(0);
  const std::vector<std::uint32_t> other = patterned(37);
  const auto first_one = paint_all(one);
  const auto first_other = paint_all(other);
  ASSERT_EQ(first_one.first.size(), one.size());
  ASSERT_NE(first_one.first, one);  // something was drawn
  ASSERT_NE(first_one.first, first_other.first);
  // Text inks a small part of its box: the rest still shows the background it was set on.
  for (const auto& [painted, background] : {std::pair{&first_one, &one}, std::pair{&first_other, &other}}) {
    for (const Placed& p : PLACED) {
      const Rect r{p.box.left, p.box.top, std::min(p.box.right, W), std::min(p.box.bottom, H)};
      int kept = 0;
      for (std::int32_t y = r.top; y < r.bottom; ++y) {
        for (std::int32_t x = r.left; x < r.right; ++x) {
          const std::size_t i = static_cast<std::size_t>(y) * W + x;
          kept += painted->first[i] == (*background)[i];
        }
      }
      EXPECT_GT(kept * 2, r.width() * r.height()) << p.text;
    }
  }
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(paint_all(one), first_one) << round;
    EXPECT_EQ(paint_all(other), first_other) << round;
  }
  // Painting from another thread gives the same too.
  std::pair<std::vector<std::uint32_t>, std::vector<TextSize>> elsewhere;
  std::thread([&] { elsewhere = paint_all(other); }).join();
  EXPECT_EQ(elsewhere, first_other);
}

TEST(TextRepaint, MeasuringAfterDrawingGivesTheDrawnSize) {
  std::optional<DibSurface> surface = create_dib_surface(W, H);
  ASSERT_TRUE(surface.has_value());
  for (const Placed& p : PLACED) {
    const TextSize drawn = platform_text().draw_text(*surface, p.text, p.box, p.style, true);
    EXPECT_EQ(platform_text().draw_text(*surface, p.text, p.box, p.style, false), drawn) << p.text;
  }
}

TEST(TextRepaint, DrawingChangesNoPixelOutsideTheBox) {
  // Repaints put back only the box's pixels, so nothing may be drawn beyond it.
  const std::vector<std::uint32_t> background = patterned(11);
  for (const Placed& p : PLACED) {
    std::optional<DibSurface> surface = create_dib_surface(W, H);
    ASSERT_TRUE(surface.has_value());
    std::copy(background.begin(), background.end(), dib_pixels(*surface).pixels);
    platform_text().draw_text(*surface, p.text, p.box, p.style, true);
    const PixelView v = dib_pixels(*surface);
    int changed_inside = 0;
    for (std::int32_t y = 0; y < H; ++y) {
      for (std::int32_t x = 0; x < W; ++x) {
        const bool inside = x >= p.box.left && x < p.box.right && y >= p.box.top && y < p.box.bottom;
        const std::size_t i = static_cast<std::size_t>(y) * W + x;
        if (inside) {
          changed_inside += v.pixels[i] != background[i];
        } else {
          ASSERT_EQ(v.pixels[i], background[i]) << p.text << " at " << x << ',' << y;
        }
      }
    }
    EXPECT_GT(changed_inside, 0) << p.text;
  }
}

}  // namespace
}  // namespace qx
