#include "render/text_memo.h"

#include <gtest/gtest.h>

#include <vector>

namespace qx {
namespace {

// A 16 × 8 surface with a guard row, painted with a pattern so that every pixel differs.
struct Surface {
  std::vector<std::uint32_t> memory = std::vector<std::uint32_t>(16 * 9);
  Surface() {
    for (std::size_t i = 0; i < memory.size(); ++i) memory[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u);
  }
  PixelView view() { return {memory.data(), 16, 8}; }
  std::uint32_t& at(std::int32_t x, std::int32_t y) { return memory[static_cast<std::size_t>(y) * 16 + x]; }
};

TextJob job(const char* text, const Rect& box = {2, 1, 12, 6}, std::int32_t size = 14, Colour colour = WHITE) {
  return {text, size, plan_text(text, box, TextStyle{size, colour, 0, 1, 0})};
}

// Stands in for the platform: marks every pixel of the box's visible part.
void fake_draw(PixelView s, const Rect& box, std::uint32_t ink) {
  const Rect r = visible_part(box, s.width, s.height);
  for (std::int32_t y = r.top; y < r.bottom; ++y) {
    for (std::int32_t x = r.left; x < r.right; ++x) s.pixels[y * s.width + x] ^= ink;
  }
}

// Draws through the memo as the renderer does; true when the stored result was used.
bool draw(TextMemo& memo, Surface& s, const TextJob& j, const Rect& box, std::uint32_t ink = 0x00FFFFFFu) {
  if (memo.replay(j, box, s.view())) return true;
  std::vector<std::uint32_t> before = memo.pixels_under(box, s.view());
  fake_draw(s.view(), box, ink);
  memo.remember_drawing(j, box, std::move(before), s.view(), {10, 5});
  return false;
}

TEST(TextMemoReplay, GivesBackExactlyWhatTheDrawingGaveOnTheSamePixels) {
  const Rect box{2, 1, 12, 6};
  TextMemo memo;
  Surface first, second;
  EXPECT_FALSE(draw(memo, first, job("Harbour"), box));
  EXPECT_TRUE(draw(memo, second, job("Harbour"), box, 0x1234u));  // the ink differs: not drawn again
  EXPECT_EQ(second.memory, first.memory);
  EXPECT_EQ(memo.replay(job("Harbour"), box, Surface().view()), (TextSize{10, 5}));
}

TEST(TextMemoReplay, AnythingThatDecidesTheDrawingMakesItDrawAgain) {
  const Rect box{2, 1, 12, 6};
  struct Case {
    const char* what;
    TextJob job;
    Rect box;
    bool changed_pixel;
  };
  const Case cases[] = {
      {"another text", job("Harbour!"), box, false},
      {"another size", job("Harbour", box, 15), box, false},
      {"another colour", job("Harbour", box, 14, BLACK), box, false},
      {"another place", job("Harbour", {3, 1, 13, 6}), {3, 1, 13, 6}, false},
      {"one pixel under the box changed", job("Harbour"), box, true},
  };
  for (const Case& c : cases) {
    TextMemo memo;
    Surface s, fresh;
    draw(memo, s, job("Harbour"), box);
    if (c.changed_pixel) fresh.at(11, 5) ^= 1u;  // the box's last pixel
    const Surface untouched = fresh;
    EXPECT_FALSE(memo.replay(c.job, c.box, fresh.view())) << c.what;
    EXPECT_EQ(fresh.memory, untouched.memory) << c.what;
  }
}

TEST(TextMemoReplay, PixelsOutsideTheBoxDoNotMatter) {
  const Rect box{2, 1, 12, 6};
  TextMemo memo;
  Surface first, second;
  draw(memo, first, job("Harbour"), box);
  second.at(0, 0) ^= 1u;
  second.at(12, 1) ^= 1u;
  EXPECT_TRUE(draw(memo, second, job("Harbour"), box));
  EXPECT_EQ(second.at(12, 1), Surface().at(12, 1) ^ 1u);  // outside the box: left as it was
}

TEST(TextMemoReplay, ABoxPartlyOffTheSurfaceKeepsOnlyItsVisiblePart) {
  const Rect box{10, 4, 30, 20};
  TextMemo memo;
  Surface first, second;
  EXPECT_FALSE(draw(memo, first, job("Harbour", box), box));
  EXPECT_EQ(memo.stored_bytes(), 2u * 6 * 4 * sizeof(std::uint32_t));
  EXPECT_TRUE(draw(memo, second, job("Harbour", box), box));
  EXPECT_EQ(second.memory, first.memory);  // the guard row included
  EXPECT_EQ(second.memory.back(), Surface().memory.back());
}

TEST(TextMemoReplay, ABoxOffTheSurfaceIsNotKept) {
  const Rect box{20, 1, 30, 6};
  TextMemo memo;
  Surface s;
  EXPECT_FALSE(draw(memo, s, job("Harbour", box), box));
  EXPECT_EQ(memo.drawings(), 0u);
}

TEST(TextMemoBounds, TheLeastRecentlyUsedDrawingGoesFirst) {
  TextMemo memo(2);
  Surface s;
  const Rect box{2, 1, 12, 6};
  draw(memo, s, job("a"), box);
  draw(memo, s, job("b"), box);
  Surface fresh_a;
  // Replaying "a" needs its own background: on a fresh surface it is found and used.
  EXPECT_TRUE(draw(memo, fresh_a, job("a"), box));
  Surface t;
  draw(memo, t, job("c"), box);  // evicts "b", the least recently used
  EXPECT_EQ(memo.drawings(), 2u);
  Surface u;
  EXPECT_TRUE(memo.replay(job("a"), box, u.view()).has_value());
  Surface v;
  EXPECT_FALSE(memo.replay(job("b"), box, v.view()).has_value());
}

TEST(TextMemoBounds, StoredPixelsStayWithinTheByteLimit) {
  const std::size_t limit = 2 * 50 * sizeof(std::uint32_t) * 4;  // four drawings of 50 pixels
  TextMemo memo(100, limit);
  Surface s;
  const char* texts[] = {"a", "b", "c", "d", "e", "f"};
  for (const char* t : texts) {
    draw(memo, s, job(t), {2, 1, 12, 6});
    EXPECT_LE(memo.stored_bytes(), limit);
  }
  EXPECT_EQ(memo.drawings(), 4u);
  // A drawing larger than a quarter of the limit is never kept.
  TextMemo small(100, 4 * 2 * 50 * sizeof(std::uint32_t) - 1);
  draw(small, s, job("a"), {2, 1, 12, 6});
  EXPECT_EQ(small.drawings(), 0u);
}

TEST(TextMemoSizes, KnowsASizeForTheSameLayoutWhateverTheColour) {
  TextMemo memo(48, 1u << 20, 2);
  memo.remember_size(job("Harbour"), {40, 18});
  EXPECT_EQ(memo.measured(job("Harbour", {2, 1, 12, 6}, 14, BLACK)), (TextSize{40, 18}));
  EXPECT_FALSE(memo.measured(job("Harbour", {2, 1, 12, 7})));
  EXPECT_FALSE(memo.measured(job("Harbour", {2, 1, 12, 6}, 13)));
  memo.remember_size(job("b"), {1, 1});
  memo.remember_size(job("c"), {2, 2});  // over the bound of 2: "Harbour" goes
  EXPECT_FALSE(memo.measured(job("Harbour")));
  EXPECT_EQ(memo.measured(job("c")), (TextSize{2, 2}));
}

}  // namespace
}  // namespace qx
