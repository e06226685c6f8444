#include "render/bar_painter.h"

#include <gtest/gtest.h>

#include <cmath>

#include "paint_fakes.h"
#include "render/bar_content.h"
#include "world/translations.h"

namespace qx {
namespace {

using test::Harness;
using test::news_state;
using test::pixel_at;
using test::solid;

// --- colours ---

TEST(PainterColours, SkinRowIsTakenModuloFiveAndABarPictureTurnsTheColoursDark) {
  AppState s = news_state({"a"}, Placement::SignalBarBottom);
  s.skin = 6;  // Paper
  EXPECT_EQ(main_colours(s).background, (Colour{255, 255, 255}));
  EXPECT_EQ(main_colours(s).text, (Colour{0x14, 0x16, 0x1a}));
  s.bar_image = "C:\\bar.png";
  EXPECT_EQ(main_colours(s), (BrandColours{{30, 30, 30}, {30, 30, 30}, {255, 255, 255}, {226, 226, 226}}));
}

TEST(PainterColours, BrandSideFollowsTheLeftStyle) {
  AppState s = news_state({"a"}, Placement::SignalBarBottom);
  const BrandColours main = main_colours(s);
  const Colour accent{37, 99, 235};
  EXPECT_EQ(brand_colours(s, main, accent), main);
  s.left = LeftStyle::theme_of(7);  // skin 2, "Midnight"
  EXPECT_EQ(brand_colours(s, main, accent).background, (Colour{0x13, 0x1a, 0x33}));
  s.left = LeftStyle::picture_at("C:\\p.png");
  EXPECT_EQ(brand_colours(s, main, accent).background, (Colour{30, 30, 30}));
  s.left = LeftStyle::team();
  const BrandColours team = brand_colours(s, main, accent);
  EXPECT_EQ(team.background, accent);
  EXPECT_EQ(team.text, WHITE);  // the accent is dark enough for white text
  EXPECT_EQ(team.deeper, mix_colour(accent, BLACK, 0.16f));
  EXPECT_EQ(team.secondary, mix_colour(WHITE, accent, 0.06f));
  // A light team colour gets dark text and a lighter deeper background.
  const BrandColours light = brand_colours(s, main, Colour{250, 220, 60});
  EXPECT_EQ(light.text, DARK_TEXT);
  EXPECT_EQ(light.deeper, mix_colour(Colour{250, 220, 60}, WHITE, 0.16f));
}

TEST(PainterColours, TeamColourNeedsAContrastOfAtLeastOnePointFourWithTheSkin) {
  AppState s = news_state({"a"}, Placement::SignalBarBottom);
  const Colour skin_accent = parse_hex_colour("#2563eb");
  EXPECT_EQ(accent_colour(s), skin_accent);
  s.feeds[0].accent_hex = "#363636";  // contrast 1.395 against "#1b1d22"
  EXPECT_EQ(accent_colour(s), skin_accent);
  s.feeds[0].accent_hex = "#373737";  // 1.416
  EXPECT_EQ(accent_colour(s), (Colour{0x37, 0x37, 0x37}));
  s.team_colours = false;
  EXPECT_EQ(accent_colour(s), skin_accent);
}

// --- shapes ---

// The card and the brand side are filled row by row as square-cornered rectangles: the same
// pixels as the general rounded fill at radius 0, partly off the surface or not.
TEST(Gradient, SquareCornersGiveWhatTheRoundedFillGivesRowByRow) {
  const Colour top{250, 10, 40}, bottom{3, 200, 90};
  for (const Rect r : {Rect{2, 1, 9, 7}, Rect{-3, -2, 5, 4}, Rect{6, 3, 20, 12}, Rect{4, 4, 4, 9}, Rect{-9, 0, -2, 5}}) {
    std::vector<std::uint32_t> fast(10 * 8, 0x123456u), slow = fast;
    fill_gradient_rect({fast.data(), 10, 8}, r, 0.0f, top, bottom);
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
      const float t = static_cast<float>(y - r.top) / static_cast<float>(std::max(1, r.height()));
      fill_rounded_rect({slow.data(), 10, 8}, {r.left, y, r.right, y + 1}, 0.0f, mix_colour(top, bottom, t));
    }
    EXPECT_EQ(fast, slow) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
}

// --- the monogram ---

TEST(Monogram, TwoWordsGiveTwoInitialsOneWordThreeLettersNoneTheFallback) {
  struct Row {
    const char* title;
    const char* mark;
  };
  const Row rows[] = {
      {"The Sun", "TS"},  // only the exact lower-case words are dropped
      {"Friends of the Earth", "FE"},
      {"on", "S"},
      {"", "S"},
      {"  gazette\xE3\x80\x80 ", "GAZ"},  // ideographic space is white space
      {"\xC3\xA9lan vital", "\xC3\x89V"},
      {"\xD0\xBC\xD0\xB8\xD1\x80", "\xD0\x9C\xD0\x98\xD0\xA0"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC"},
      // every cased letter, by Unicode's simple mapping
      {"\u1EA1n ph\u1EA9m", "\u1EA0P"},              // Vietnamese
      {"\u0561\u0562\u0563", "\u0531\u0532\u0533"},  // Armenian
      {"\u01C6\u00DF\u0131", "\u01C4\u00DFI"},       // no one-letter form of sharp s
      {"\U00010428\uAB70x", "\U00010400\u13A0X"},  // Deseret, Cherokee
      {"\u03C2\u00FF\u017F", "\u03A3\u0178S"},
  };
  for (const Row& r : rows) {
    AppState s = news_state({}, Placement::SignalBarBottom);
    s.feeds[0].title = r.title;
    EXPECT_EQ(feed_monogram(s), r.mark) << r.title;
  }
}

// --- the alpha pass ---

TEST(AlphaPass, IslandShadowIsBlackWithAlphaByTheSkin) {
  struct Row {
    std::uint64_t skin;
    std::uint32_t alpha;  // k × 255: 0.28 for the light skin, 0.5 for the others
  };
  for (const Row r : {Row{0, 128}, Row{1, 71}, Row{2, 128}, Row{4, 128}}) {
    Harness h;
    AppState s = news_state({"a"}, Placement::Island);
    s.skin = r.skin;
    PaintedFrame frame = h.paint(s, 900, 300);
    const Rect card = h.layout.card;
    const std::int32_t mid = (card.left + card.right) / 2;
    EXPECT_EQ(pixel_at(frame, mid, card.bottom + 1), r.alpha << 24) << r.skin;
    EXPECT_EQ(pixel_at(frame, mid, card.top + 20) >> 24, 255u);
    EXPECT_EQ(pixel_at(frame, 0, 0), 0u);  // beyond the shadow's reach
  }
}

TEST(AlphaPass, BarsAreOpaqueOnTheCardAndTheOrbThatPokesOut) {
  Harness h;
  AppState s = news_state({"a"}, Placement::SignalBarBottom);
  PaintedFrame frame = h.paint(s, 1000, 200);
  const Rect orb = h.layout.orb.rect;
  ASSERT_GT(h.layout.card.top, 0);
  EXPECT_EQ(pixel_at(frame, (orb.left + orb.right) / 2, 2) >> 24, 255u);
  EXPECT_EQ(pixel_at(frame, 900, 2), 0u);  // above the card, away from the orb: clear
  EXPECT_EQ(pixel_at(frame, 900, h.layout.card.top + 20) >> 24, 255u);
  // Premultiplied: a half-covered orb edge pixel never has a channel above its alpha.
  for (std::int32_t x = orb.left; x < orb.right; ++x) {
    const std::uint32_t p = pixel_at(frame, x, 1);
    for (int shift : {0, 8, 16}) EXPECT_LE((p >> shift) & 0xFF, p >> 24);
  }
}

// --- the orb ---

TEST(Orb, TinyIsASquareRingOneWideWithAMonogramOfTwelve) {
  Harness h;
  AppState s = news_state({"a"}, Placement::SignalBarBottom);
  s.orb_size = OrbSize::Tiny;
  PaintedFrame frame = h.paint(s, 1000, 200);
  EXPECT_EQ(h.layout.card.top, 0);
  const Rect orb = h.layout.orb.rect;
  const Colour accent = parse_hex_colour("#2563eb");
  const Colour ring = readable_colour(accent, main_colours(s).background);
  EXPECT_EQ(pixel_at(frame, orb.left, orb.top), solid(ring));  // square corner
  EXPECT_EQ(pixel_at(frame, orb.left + 1, orb.top + 1), solid(accent));
  const auto marks = h.text.drawn("MN");
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0].style.size, 12);
  EXPECT_EQ(marks[0].style.weight, 2);
}

TEST(Orb, MonogramSizeFollowsTheOrbHeightButNotBelowEleven) {
  struct Row {
    OrbSize size;
    float scale;
    std::int32_t font;
  };
  const Row rows[] = {{OrbSize::Regular, 1.0f, 15}, {OrbSize::XL, 1.0f, 23}, {OrbSize::M, 1.0f, 11},
                      {OrbSize::Regular, 1.5f, 23}};
  for (const Row& r : rows) {
    Harness h;
    AppState s = news_state({"a"}, Placement::SignalBarBottom);
    s.orb_size = r.size;
    h.paint(s, 1000, 300, r.scale);
    const auto marks = h.text.drawn("MN");
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].style.size, r.font) << orb_size_name(r.size) << " at " << r.scale;
  }
}

TEST(Orb, AFilmAsOrbPictureGivesAVideoPlaceWithTheUsersFitAndKeepsTheMonogram) {
  Harness h;
  AppState s = news_state({"a"}, Placement::SignalBarBottom);
  s.orb_image = "C:\\films\\clip.MP4";
  s.fit = Fit{FitMode::ShowAll, 120, 10, 90};
  PaintedFrame frame = h.paint(s, 1000, 200);
  const Rect orb = h.layout.orb.rect;
  ASSERT_EQ(frame.video_targets.size(), 1u);
  EXPECT_EQ(frame.video_targets[0].rect, (Rect{orb.left + 3, orb.top + 3, orb.right - 3, orb.bottom - 3}));
  EXPECT_FLOAT_EQ(frame.video_targets[0].radius, static_cast<float>(orb.width()) / 2 - 3);
  EXPECT_EQ(frame.video_targets[0].fit, *s.fit);
  EXPECT_EQ(h.text.drawn("MN").size(), 1u);  // shown until frames arrive
}

TEST(Orb, AShowingVideoFillsTheOrbAndAPictureReplacesTheMonogram) {
  Harness h;
  AppState s = news_state({"a"}, Placement::SignalBarBottom);
  s.playing = PlayingMedia{"https://example.com/live.m3u8", "Channel", true, false, false, false, true,
                           PlayerStatus::Playing};
  s.orb_image = "C:\\me.png";
  h.pictures.files["C:\\me.png"] = Colour{10, 200, 10};
  PaintedFrame frame = h.paint(s, 1000, 200);
  ASSERT_GE(frame.video_targets.size(), 1u);
  EXPECT_EQ(frame.video_targets[0].fit, (Fit{FitMode::Fill, 100, 50, 33}));
  const Rect orb = h.layout.orb.rect;
  EXPECT_EQ(pixel_at(frame, (orb.left + orb.right) / 2, (orb.top + orb.bottom) / 2), solid({10, 200, 10}));
  EXPECT_TRUE(h.text.drawn("MN").empty());
}

// --- dots ---

TEST(StoryDots, NoneForOneStoryAndAtMostEightWithTheCurrentInTheTextColour) {
  struct Row {
    int stories;
    std::size_t current;
    int dots;
    int lit;
  };
  for (const Row r : {Row{1, 0, 0, -1}, Row{3, 1, 3, 1}, Row{9, 8, 8, 0}}) {
    Harness h;
    std::initializer_list<std::string> none{};
    AppState s = news_state(none, Placement::SignalBarBottom);
    for (int i = 0; i < r.stories; ++i) s.feeds[0].items.push_back(test::story(std::to_string(i)));
    s.feeds[0].current = r.current;
    s.expanded = true;
    PaintedFrame frame = h.paint(s, 1200, 400);
    const BrandColours c = main_colours(s);
    const Rect a = h.layout.action.rect;
    const std::int32_t top = a.bottom + 8;
    const std::int32_t total = r.dots * 5 + (r.dots - 1) * 6;
    const std::int32_t first = (a.left + a.right) / 2 - total / 2;
    // Count runs of each colour along the dots' middle row.
    int lit = 0, dim = 0;
    std::uint32_t before = 0;
    for (std::int32_t x = first - 20; x < first + 120; ++x) {
      const std::uint32_t p = pixel_at(frame, x, top + 2);
      if (p != before && p == solid(c.text)) {
        ++lit;
        EXPECT_EQ(x, first + r.lit * 11);
      }
      if (p != before && p == solid(mix_colour(c.background, c.text, 0.28f))) ++dim;
      before = p;
    }
    EXPECT_EQ(lit, r.dots ? 1 : 0) << r.stories;
    EXPECT_EQ(dim, r.dots ? r.dots - 1 : 0) << r.stories;
  }
}

// --- the action button ---

TEST(ActionButton, LabelFollowsItsOrderOfPrecedence) {
  auto with_media = [](const char* kind, const char* url) {
    AppState s = news_state({"a"}, Placement::BarLeft);
    s.feeds[0].items[0].media = QxMedia{kind, url, std::nullopt};
    return s;
  };
  struct Row {
    const char* name;
    AppState state;
    const char* label;
  };
  std::vector<Row> rows;
  AppState defaults = news_state({"a"}, Placement::BarLeft);
  defaults.default_feeds = true;
  rows.push_back({"default feeds", defaults, "Choose a team"});
  AppState stream = news_state({"a"}, Placement::BarLeft);
  stream.playing = PlayingMedia{"https://tv/x.m3u8", "TV", true, false, false, false, false, PlayerStatus::Playing};
  rows.push_back({"playing stream", stream, "Pause"});
  stream.playing->paused = true;
  rows.push_back({"paused stream", stream, "Play"});
  rows.push_back({"story audio", with_media("audio", "https://a/x.mp3"), "Play"});
  AppState no_link = news_state({"a"}, Placement::BarLeft);
  no_link.feeds[0].items[0].url.reset();
  rows.push_back({"no link", no_link, "No link"});
  rows.push_back({"audio page", with_media("audio", "http://a/show"), "Listen"});
  rows.push_back({"video page", with_media("video", "https://v/watch"), "Watch"});
  AppState game = news_state({"a"}, Placement::BarLeft);
  game.feeds[0].score = test::score("in");
  game.feeds[0].link = "https://example.com/game";
  rows.push_back({"game", game, "Game details"});
  rows.push_back({"story", news_state({"a"}, Placement::BarLeft), "Open story"});
  for (const Row& r : rows) {
    Harness h;
    h.paint(r.state, 600, 700);
    const auto drawn = h.text.drawn(r.label);
    ASSERT_FALSE(drawn.empty()) << r.name;
    EXPECT_EQ(drawn.back().box, h.layout.action.rect) << r.name;
    EXPECT_EQ(drawn.back().style.size, 14);
    EXPECT_EQ(drawn.back().style.weight, 1);
  }
}

TEST(ActionButton, TranslatedAndEnabledForTheDefaultFeedsDisabledWithoutALink) {
  Harness h;
  AppState s = news_state({"a"}, Placement::BarLeft);
  s.default_feeds = true;
  s.lang = "de";
  PaintedFrame frame = h.paint(s, 600, 700);
  const std::string label = translate("de", "Choose a team");
  ASSERT_NE(label, "Choose a team");
  const auto drawn = h.text.drawn(label);
  ASSERT_EQ(drawn.size(), 1u);
  const Colour accent = accent_colour(s);
  EXPECT_EQ(drawn[0].style.colour, text_colour_for(accent));
  const Rect a = h.layout.action.rect;
  EXPECT_EQ(pixel_at(frame, (a.left + a.right) / 2, (a.top + a.bottom) / 2), solid(accent));

  Harness h2;
  AppState none = news_state({"a"}, Placement::BarLeft);
  none.feeds[0].items[0].url.reset();
  PaintedFrame off = h2.paint(none, 600, 700);
  const BrandColours c = main_colours(none);
  EXPECT_EQ(pixel_at(off, (a.left + a.right) / 2, (a.top + a.bottom) / 2),
            solid(mix_colour(c.background, c.text, 0.08f)));
  EXPECT_EQ(h2.text.drawn("No link")[0].style.colour, c.secondary);
}

TEST(ActionButton, EnabledForAPlayingStreamEvenWithoutALink) {
  struct Row {
    const char* name;
    bool stream;
    const char* label;
    bool enabled;
  } rows[] = {
      {"stream", true, "Pause", true},
      {"no stream", false, "No link", false},
  };
  for (const Row& r : rows) {
    Harness h;
    AppState s = news_state({"a"}, Placement::BarLeft);
    s.feeds[0].items[0].url.reset();
    if (r.stream) {
      s.playing = PlayingMedia{"https://tv/x.m3u8", "TV", true, false, false, false, false, PlayerStatus::Playing};
    }
    PaintedFrame frame = h.paint(s, 600, 700);
    const auto drawn = h.text.drawn(r.label);
    ASSERT_EQ(drawn.size(), 1u) << r.name;
    const BrandColours c = main_colours(s);
    const Colour accent = accent_colour(s);
    const Rect a = h.layout.action.rect;
    EXPECT_EQ(pixel_at(frame, (a.left + a.right) / 2, (a.top + a.bottom) / 2),
              solid(r.enabled ? accent : mix_colour(c.background, c.text, 0.08f)))
        << r.name;
    EXPECT_EQ(drawn[0].style.colour, r.enabled ? text_colour_for(accent) : c.secondary) << r.name;
  }
}

// --- icon buttons ---

TEST(Chevron, PointsWhereTheCardWillGoByPlacementAndExpansion) {
  const std::string down = "\xEE\x9C\x8D", up = "\xEE\x9C\x8E", dock = "\xEE\xA2\xA0";
  struct Row {
    Placement placement;
    std::string collapsed, expanded;
  } rows[] = {
      {Placement::SignalBarBottom, up, down}, {Placement::SignalBarTop, down, up}, {Placement::Island, down, up},
      {Placement::BarLeft, dock, dock},       {Placement::BarRight, dock, dock},
  };
  for (const Row& r : rows) {
    for (const bool expanded : {false, true}) {
      Harness h;
      AppState s = news_state({"a"}, r.placement);
      s.expanded = expanded;
      h.paint(s, 1200, 700);
      std::vector<std::string> glyphs;
      for (const auto& call : h.text.calls) {
        if (call.draw && call.box == h.layout.chevron_cell) glyphs.push_back(call.text);
      }
      EXPECT_EQ(glyphs, std::vector<std::string>{expanded ? r.expanded : r.collapsed})
          << static_cast<int>(r.placement) << " " << expanded;
    }
  }
}

// Every placement, look and size paints a frame of the layout's size; run under the address
// sanitizer this also shows that nothing is drawn outside the surface.
TEST(Painter, EveryPlacementAndLookPaintsAFrameOfTheLayoutsSize) {
  for (const Placement placement : {Placement::SignalBarBottom, Placement::SignalBarTop, Placement::Island,
                                    Placement::BarLeft, Placement::BarRight}) {
    for (const OrbSize orb : {OrbSize::XL, OrbSize::Tiny}) {
      for (const float scale : {1.0f, 1.25f, 2.0f}) {
        for (const bool game : {false, true}) {
          for (const bool expanded : {false, true}) {
            Harness h;
            AppState s = news_state({"a", "b", "c"}, placement);
            s.orb_size = orb;
            s.expanded = expanded;
            s.left = game ? LeftStyle::team() : LeftStyle::picture_at("C:\\side.png");
            s.orb_image = "C:\\me.gif";
            s.feeds[0].items[0].media = QxMedia{"video", "https://example.com/v.mp4", std::nullopt};
            if (game) s.feeds[0].score = test::score("in");
            for (const std::int32_t width : {120, 1600}) {
              PaintedFrame frame = h.paint(s, width, 300, scale);
              EXPECT_EQ(frame.surface.width(), h.layout.width);
              EXPECT_EQ(frame.surface.height(), h.layout.height);
            }
          }
        }
      }
    }
  }
}

TEST(Painter, NoFrameWhenTheSurfaceCannotBeMade) {
  Harness h;
  AppState s = news_state({"a"}, Placement::SignalBarBottom);
  BarLayout layout = layout_bar(s, 0, 0, 1.0f);
  EXPECT_FALSE(paint_bar(s, layout, h.tools()).has_value());
}

}  // namespace
}  // namespace qx
