#include "render/bar_content.h"

#include <gtest/gtest.h>

#include "app/state_texts.h"
#include "paint_fakes.h"
#include "world/translations.h"

namespace qx {
namespace {

using test::Harness;
using test::news_state;
using test::pixel_at;

AppState game_state(Placement placement, const char* state, const char* away, const char* home) {
  AppState s = news_state({"a", "b", "c"}, placement);
  QxScore score = test::score(state);
  score.away.score = away;
  score.home.score = home;
  s.feeds[0].score = score;
  return s;
}

// --- scores ---

TEST(ScoreRows, TheLeaderIsEmphasisedADrawOrANonNumberEmphasisesBoth) {
  struct Row {
    std::optional<std::string> away, home;
    bool away_lead, home_lead;
  };
  const Row rows[] = {
      {"10", "7", true, false}, {"7", "10", false, true}, {"3", "3", true, true},
      {"3", "x", true, true},   {std::nullopt, "1", true, true}, {"NaN", "1", true, true},
  };
  for (const Row& r : rows) {
    QxScore score = test::score("in");
    score.away.score = r.away;
    score.home.score = r.home;
    EXPECT_EQ(leading_sides(score), std::make_pair(r.away_lead, r.home_lead))
        << r.away.value_or("-") << " " << r.home.value_or("-");
  }
}

TEST(ScoreRows, ChipIsTheSideColourOrTheSecondaryTextMadeReadable) {
  Harness h;
  PaintContext& ctx = h.context(news_state({"a"}, Placement::BarLeft), 600, 700);
  QxSide side{"KC", "Kansas City", "10", std::nullopt};
  draw_score_side(ctx, side, {20, 100, 300, 140}, 24, true);
  EXPECT_EQ(h.pixel(21, 120), pack_rgb(readable_colour(ctx.secondary, ctx.background)));
  side.color_hex = "#e31837";
  draw_score_side(ctx, side, {20, 200, 300, 240}, 24, true);
  EXPECT_EQ(h.pixel(21, 220), pack_rgb(readable_colour(Colour{0xe3, 0x18, 0x37}, ctx.background)));
}

TEST(ScoreRows, LongTextsShrinkTogetherDownToElevenAndNoFurther) {
  struct Row {
    std::int32_t width;
    std::int32_t font;
  };
  // Ten letters and three digits at half the size each, 10 apart, in width − 12.
  for (const Row r : {Row{400, 24}, Row{100, 12}, Row{60, 11}}) {
    Harness h;
    PaintContext& ctx = h.context(news_state({"a"}, Placement::BarLeft), 600, 700);
    draw_score_side(ctx, {"ABCDEFGHIJ", "", "100", std::nullopt}, {0, 100, r.width, 140}, 24, true);
    EXPECT_EQ(h.text.drawn("ABCDEFGHIJ")[0].style.size, r.font) << r.width;
    EXPECT_EQ(h.text.drawn("100")[0].style.size, r.font) << r.width;
  }
}

TEST(ScoreStatus, ALiveGameIsARedPillWithWhiteTextAFinishedOnePlainText) {
  Harness h;
  PaintContext& ctx = h.context(news_state({"a"}, Placement::BarLeft), 600, 700);
  const std::int32_t used = draw_score_status(ctx, test::score("in"), {20, 100, 300, 122});
  EXPECT_EQ(used, 2 * 6 + 18);  // "Q3" at 12 px plus the padding
  EXPECT_EQ(h.pixel(30, 111), pack_rgb(Colour{200, 30, 45}));
  EXPECT_EQ(h.text.drawn("Q3")[0].style.colour, WHITE);
  EXPECT_EQ(h.text.drawn("Q3")[0].box, (Rect{28, 100, 42, 122}));

  Harness h2;
  PaintContext& ctx2 = h2.context(news_state({"a"}, Placement::BarLeft), 600, 700);
  QxScore final_score = test::score("post");
  final_score.detail = "Final after a very long overtime";
  EXPECT_EQ(draw_score_status(ctx2, final_score, {20, 100, 120, 122}), 100);
  EXPECT_EQ(h2.text.drawn(final_score.detail)[0].style.colour, ctx2.secondary);
  EXPECT_NE(h2.pixel(30, 111), pack_rgb(Colour{200, 30, 45}));
}

// --- stories to come ---

TEST(UpcomingStories, FollowTheCurrentOneWithoutAScoreAndIncludeItWithOne) {
  test::UtcClock clock;
  AppState s = news_state({"a", "b", "c"}, Placement::BarLeft);
  s.feeds[0].current = 2;
  EXPECT_EQ(upcoming_story_lines(s, clock), (std::vector<std::string>{"a", "b"}));
  s.feeds[0].items.resize(1);
  s.feeds[0].current = 0;
  EXPECT_TRUE(upcoming_story_lines(s, clock).empty());
  AppState game = news_state({"1", "2", "3", "4", "5", "6", "7", "8"}, Placement::BarLeft);
  game.feeds[0].score = test::score("in");
  game.feeds[0].current = 7;
  game.feeds[0].items[7].published = "2026-03-01T07:30:00Z";
  const auto lines = upcoming_story_lines(game, clock);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], story_line_with_time(game.feeds[0].items[7], clock));
  EXPECT_NE(lines[0], "8");
  EXPECT_EQ(lines[5], "5");
}

// --- placements ---

TEST(BarStrip, WithTheDefaultFeedsOnlyTheCaptionIsDrawn) {
  Harness h;
  AppState s = game_state(Placement::SignalBarBottom, "in", "1", "0");
  s.default_feeds = true;
  PaintContext& ctx = h.context(s, 1200, 300);
  draw_bar_content(ctx, 100, 900, 0, 52);
  ASSERT_EQ(h.text.calls.size(), 1u);
  EXPECT_EQ(h.text.calls[0].text, caption_text(s));
  EXPECT_EQ(h.text.calls[0].box, (Rect{100, 0, 900, 52}));
  EXPECT_EQ(h.text.calls[0].style.size, 16);
}

TEST(BarStrip, CollapsedGameShowsBothSidesWithTheWinnerBoldAndTheStatus) {
  Harness h;
  const AppState s = game_state(Placement::SignalBarBottom, "in", "10", "7");
  h.paint(s, 1400, 300);
  ASSERT_EQ(h.text.drawn("KC").size(), 1u);
  ASSERT_EQ(h.text.drawn("BUF").size(), 1u);
  const BrandColours c = main_colours(s);
  EXPECT_EQ(h.text.drawn("KC")[0].style.weight, 2);
  EXPECT_EQ(h.text.drawn("KC")[0].style.colour, c.text);
  EXPECT_EQ(h.text.drawn("BUF")[0].style.weight, 1);
  EXPECT_EQ(h.text.drawn("BUF")[0].style.colour, mix_colour(c.text, c.background, 0.22f));
  EXPECT_EQ(h.text.drawn("10")[0].style.align, 2);  // scores flush right
  EXPECT_LT(h.text.drawn("KC")[0].box.left, h.text.drawn("BUF")[0].box.left);
  EXPECT_EQ(h.text.drawn("Q3").size(), 1u);
}

TEST(BarStrip, CollapsedItRunsFromTheOrbOrTheDotToThePageButtonsOrTheChevron) {
  // Design numbers at 1.5: S(8) = 12, S(6) = 9, S(18) = 27, S(40) = 60, S(52) = 78, S(58) = 87.
  struct Case {
    const char* name;
    Placement placement;
    std::size_t stories;
    bool brand_side, orb_picture;
    std::int32_t (*left_of)(const BarLayout&);
    std::int32_t (*right_of)(const BarLayout&);
  } cases[] = {
      {"bar with pages", Placement::SignalBarBottom, 2, false, false,
       [](const BarLayout& l) { return l.orb.rect.right + 27; },
       [](const BarLayout& l) { return l.previous.rect.left - 12; }},
      {"bar without pages", Placement::SignalBarTop, 1, false, false,
       [](const BarLayout& l) { return l.orb.rect.right + 27; },
       [](const BarLayout& l) { return l.chevron_cell.left - 12; }},
      {"island", Placement::Island, 2, false, false, [](const BarLayout& l) { return l.card.left + 60; },
       [](const BarLayout& l) { return l.chevron_cell.left - 9; }},
      {"island with a brand side", Placement::Island, 1, true, false,
       [](const BarLayout& l) { return l.card.left + 87; },
       [](const BarLayout& l) { return l.chevron_cell.left - 9; }},
      {"island with the mini orb", Placement::Island, 1, true, true,
       [](const BarLayout& l) { return l.card.left + 78; },
       [](const BarLayout& l) { return l.chevron_cell.left - 9; }},
  };
  for (const Case& c : cases) {
    Harness h;
    AppState s = news_state({"first", "second"}, c.placement);
    s.feeds[0].items.resize(c.stories);
    if (c.brand_side) s.left = LeftStyle::team();
    if (c.orb_picture) s.orb_image = "C:\\me.png";
    h.paint(s, 1600, 300, 1.5f);
    ASSERT_EQ(h.layout.previous.present, c.stories > 1 && c.placement != Placement::Island) << c.name;
    const auto caption = h.text.drawn("first");
    ASSERT_EQ(caption.size(), 1u) << c.name;
    EXPECT_EQ(caption[0].box.left, c.left_of(h.layout)) << c.name;
    EXPECT_EQ(caption[0].box.right, c.right_of(h.layout)) << c.name;
  }
}

TEST(BarStrip, AScoreCellThatWouldPassTheEndIsLeftOutAndTheNextStillTried) {
  // At 17 px a character is 8 wide: "KC" 10 makes a cell of 17 + 14 + 17 = 48, "BUF" 7 one of
  // 25 + 14 + 8 = 47, each 20 apart; a long away name makes 68 + 14 + 17 = 99.
  struct Case {
    const char* away;
    std::int32_t right;
    std::int32_t away_left, home_left;  // where each abbreviation starts, 0 when left out
  } cases[] = {
      {"KC", 400, 112, 180},
      {"KC", 215, 112, 180},  // the home cell ends right at the end
      {"KC", 214, 112, 0},
      {"ABCDEFGH", 180, 0, 112},
  };
  for (const Case& c : cases) {
    Harness h;
    AppState s = game_state(Placement::SignalBarBottom, "in", "10", "7");
    s.feeds[0].score->away.abbr = c.away;
    PaintContext& ctx = h.context(s, 1200, 300);
    draw_bar_content(ctx, 100, c.right, 0, 52);
    const auto away = h.text.drawn(c.away);
    const auto home = h.text.drawn("BUF");
    ASSERT_EQ(away.size(), c.away_left ? 1u : 0u) << c.away << " " << c.right;
    ASSERT_EQ(home.size(), c.home_left ? 1u : 0u) << c.away << " " << c.right;
    if (c.away_left) {
      EXPECT_EQ(away[0].box.left, c.away_left);
    }
    if (c.home_left) {
      EXPECT_EQ(home[0].box.left, c.home_left);
    }
    // The status follows the last cell drawn, S(20) after it.
    const std::int32_t status_x = c.home_left ? c.home_left - 12 + 47 + 20 : c.away_left - 12 + 48 + 20;
    ASSERT_EQ(h.text.drawn("Q3").size(), 1u);
    EXPECT_EQ(h.text.drawn("Q3")[0].box.left, status_x + 8) << c.away << " " << c.right;
  }
}

TEST(BarStrip, ExpandedWithoutAScoreReadsNumberTitleAndStatusOnOneLine) {
  Harness h;
  AppState s = news_state({"a", "b", "c"}, Placement::SignalBarBottom);
  s.feeds[0].current = 1;
  s.expanded = true;
  h.paint(s, 1400, 400);
  const std::string line = "2 / 3  \xC2\xB7  Morning News  \xC2\xB7  " + status_text(s, test::T0);
  ASSERT_EQ(h.text.drawn(line).size(), 1u);
  const auto caption = h.text.drawn("b");
  ASSERT_EQ(caption.size(), 1u);
  EXPECT_EQ(caption[0].style.size, 21);
  EXPECT_EQ(caption[0].style.lines, 3);
}

TEST(Dock, CaptionWrapsToFiveLinesAndStoriesToComeStopAboveTheActionButton) {
  Harness h;
  const std::string long_title(300, 'w');
  AppState s = news_state({"now", long_title + "1", long_title + "2", long_title + "3", long_title + "4"},
                          Placement::BarLeft);
  h.paint(s, 600, 400);
  ASSERT_EQ(h.text.drawn("now").size(), 1u);
  EXPECT_EQ(h.text.drawn("now")[0].style.lines, 5);
  EXPECT_EQ(h.text.drawn("now")[0].style.size, 18);
  EXPECT_EQ(h.text.drawn(translate("en", "More")).size(), 1u);
  int shown = 0;
  for (const auto& call : h.text.calls) {
    if (!call.draw || call.text.rfind(long_title, 0) != 0) continue;
    ++shown;
    EXPECT_EQ(call.style.lines, 2);
    EXPECT_LE(call.box.top + 2 * 14, h.layout.action.rect.top);
  }
  EXPECT_EQ(shown, 3);  // the fourth would reach the button
}

TEST(Dock, TheHeaderSitsBesideTheOrbWhenThereIsRoomElseBelowItAndTheBrandSideCoversIt) {
  // The orb is held to a sixth of the dock's height: at 600 it leaves 134 of the 252 beside it,
  // at 700 only 118, less than the header's S(120).
  struct Case {
    std::int32_t height;
    bool beside;
  } cases[] = {{600, true}, {700, false}};
  for (const Case& c : cases) {
    Harness h;
    AppState s = news_state({"a"}, Placement::BarLeft);
    s.orb_size = OrbSize::XL;
    s.shown_zoom = 1.5f;  // 132 px wanted, held to a sixth of the height
    s.left = LeftStyle::team();
    PaintedFrame frame = h.paint(s, 600, c.height);
    const Rect card = h.layout.card;
    const Rect orb = h.layout.orb.rect;
    ASSERT_EQ(card.right - orb.right >= 120, c.beside) << c.height;
    const auto title = h.text.drawn("Morning News");
    const auto status = h.text.drawn(status_text(s, test::T0));
    ASSERT_EQ(title.size(), 1u);
    ASSERT_EQ(status.size(), 1u);
    const std::int32_t m = (orb.top + orb.bottom) / 2;
    const std::int32_t y = orb.bottom + 18;
    const Rect want_title = c.beside ? Rect{orb.right + 12, m - 20, card.right - 18, m}
                                     : Rect{18, y, card.right - 18, y + 22};
    const Rect want_status = c.beside ? Rect{orb.right + 12, m, card.right - 18, m + 18}
                                      : Rect{18, y + 22, card.right - 18, y + 40};
    EXPECT_EQ(title[0].box, want_title) << c.height;
    EXPECT_EQ(status[0].box, want_status) << c.height;
    // The caption starts where the header leaves the body.
    EXPECT_EQ(h.text.drawn("a")[0].box.top, c.beside ? orb.bottom + 18 : y + 48);

    // The brand side ends S(14) below the orb, or S(62) when the header went below it.
    const std::int32_t brand_bottom = orb.bottom + (c.beside ? 14 : 62);
    const BrandColours main = main_colours(s);
    const BrandColours brand = brand_colours(s, main, accent_colour(s));
    const std::int32_t x = card.right - 10;
    const auto at = [&](Colour top, Colour bottom, std::int32_t row, std::int32_t height) {
      return test::solid(mix_colour(top, bottom, static_cast<float>(row) / static_cast<float>(height)));
    };
    EXPECT_EQ(pixel_at(frame, x, brand_bottom - 1), at(brand.background, brand.deeper, brand_bottom - 1, brand_bottom))
        << c.height;
    EXPECT_EQ(pixel_at(frame, x, brand_bottom), at(main.background, main.deeper, brand_bottom, card.height()))
        << c.height;
  }
}

TEST(Island, AFilmOrbPictureGivesTheMiniOrbAVideoPlace) {
  Harness h;
  AppState s = news_state({"a"}, Placement::Island);
  s.orb_image = "C:\\loop.gif";
  PaintedFrame frame = h.paint(s, 900, 300, 1.5f);
  const Rect card = h.layout.card;
  ASSERT_EQ(frame.video_targets.size(), 1u);
  EXPECT_EQ(frame.video_targets[0].rect, (Rect{card.left + 15, card.top + 14, card.left + 60, card.top + 59}));
  EXPECT_FLOAT_EQ(frame.video_targets[0].radius, 23.0f);  // 15 design pixels
  EXPECT_EQ(frame.video_targets[0].fit, s.fit.value_or(Fit{}));
}

}  // namespace
}  // namespace qx
