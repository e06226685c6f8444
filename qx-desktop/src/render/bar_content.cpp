// The content of the card for each placement: titles and status, scores, story lines,
// captions, picture tiles, the stories to come and the page dots.
#include "render/bar_content.h"

#include <algorithm>

#include "app/feed_slots.h"
#include "app/state_media.h"
#include "app/state_texts.h"
#include "render/date_labels.h"
#include "world/translations.h"

namespace qx {

namespace {

constexpr Colour LIVE_RED{200, 30, 45};
const char* const DOT_JOIN = "  \xC2\xB7  ";  // two blanks, a middle dot, two blanks

std::int32_t thin_line(const PaintContext& ctx) { return std::max(1, ctx.s(1)); }


bool stream_plays(const ViewSnapshot& view) { return view.playing && view.playing->is_stream; }

const std::optional<QxScore>& active_score(const ViewSnapshot& view) { return current_feed(view).score; }

std::string playing_title(const ViewSnapshot& view) { return view.playing ? view.playing->title : std::string(); }

// The feed's title and status, one above the other, in the brand colours.
void draw_header(PaintContext& ctx, const Rect& title, const Rect& status, std::int32_t title_size) {
  paint_text(ctx, current_feed(ctx.view).title, title, ctx.s(static_cast<float>(title_size)), ctx.brand.text, 0, 1,
             1);
  paint_text(ctx, status_text(ctx.view, ctx.tools.now), status, ctx.s(12), ctx.brand.secondary, 0, 1, 0);
}

void fill_rect(PaintContext& ctx, const Rect& rect, Colour colour) { fill_rounded_rect(ctx.pixels, rect, 0.0f, colour); }

// The monogram or the user's picture in a small round orb, and its video place for a film.
void draw_mini_orb(PaintContext& ctx) {
  const ViewSnapshot& view = ctx.view;
  const Rect card = ctx.layout.card;
  const Rect orb{card.left + ctx.s(10), card.top + ctx.s(9), card.left + ctx.s(40), card.top + ctx.s(39)};
  const float radius = static_cast<float>(orb.width()) / 2.0f;
  const Colour dark = mix_colour(ctx.accent, BLACK, 0.35f);
  fill_rounded_rect(ctx.pixels, orb, radius, dark);
  const Fit fit = view.fit.value_or(Fit{});
  PixelBuffer picture;
  if (view.orb_image && orb.width() > 0 && orb.height() > 0) {
    picture = ctx.tools.pictures.cached_scaled_picture(*view.orb_image, orb.width(), orb.height(), dark, fit);
  }
  if (picture && !picture->empty()) {
    draw_pixels_rounded(ctx.pixels, picture->data(), picture->size(), orb, radius);
  } else {
    paint_text(ctx, feed_monogram(view), orb, ctx.s(11), text_colour_for(dark), 1, 1, 2);
  }
  if (!is_video_showing(view) && view.orb_image && is_film_file(*view.orb_image)) {
    ctx.video_targets.push_back({orb, static_cast<float>(ctx.s(15)), fit});
  }
}

void draw_dock_content(PaintContext& ctx) {
  const ViewSnapshot& view = ctx.view;
  const BarLayout& layout = ctx.layout;
  const Rect card = layout.card;
  const Rect orb = layout.orb.present ? layout.orb.rect : Rect{card.left, card.top, card.left, card.top};
  const std::int32_t right = card.right - ctx.s(18);
  const std::int32_t left = ctx.s(18);
  const std::int32_t action_top = layout.action.present ? layout.action.rect.top : card.bottom;

  // Header beside the orb when there is room, else below it.
  std::int32_t t = 0;
  const std::int32_t x = orb.right + ctx.s(12);
  if (right - x >= ctx.s(90)) {
    const std::int32_t m = (orb.top + orb.bottom) / 2;
    draw_header(ctx, {x, m - ctx.s(20), right, m}, {x, m, right, m + ctx.s(18)}, 15);
    t = orb.bottom + ctx.s(18);
  } else {
    const std::int32_t y = orb.bottom + ctx.s(18);
    draw_header(ctx, {left, y, right, y + ctx.s(22)}, {left, y + ctx.s(22), right, y + ctx.s(40)}, 15);
    t = y + ctx.s(48);
  }

  const std::optional<QxScore>& score = active_score(view);
  if (score) {
    const Rect panel{left, t, right, t + ctx.s(92) + ctx.s(46)};
    fill_rounded_rect(ctx.pixels, panel, static_cast<float>(ctx.s(14)), mix_colour(ctx.background, ctx.text, 0.06f));
    draw_score_sides(ctx, *score, {left + ctx.s(14), t + ctx.s(14), right - ctx.s(14), panel.bottom}, 24);
    draw_score_status(ctx, *score,
                      {left + ctx.s(14), t + ctx.s(92) + ctx.s(10), right - ctx.s(14), t + ctx.s(92) + ctx.s(32)});
    t = panel.bottom + ctx.s(18);
  }

  const Rect tile{left, t, right, t + (right - left) * 9 / 16};
  if (tile.bottom <= action_top && (!score || is_video_showing(view))) {
    if (draw_orb_for_view(ctx, tile, 12)) t = tile.bottom + ctx.s(16);
  }
  if (!score && is_video_running(view) && stream_plays(view)) {
    paint_text(ctx, playing_title(view), {left, t, right, t + ctx.s(20)}, ctx.s(13), ctx.secondary, 0, 1, 0);
    t += ctx.s(28);
  }

  const float caption_size = view.expanded ? 22.0f : 18.0f;
  const TextSize caption =
      paint_text(ctx, caption_text(view), {left, t, right, action_top}, ctx.s(caption_size), ctx.text, 0, 5, 1);
  t += caption.height + ctx.s(18);

  const std::vector<std::string> upcoming = upcoming_story_lines(view, ctx.tools.clock);
  if (!upcoming.empty() && t + ctx.s(70) < action_top) {
    paint_text(ctx, translate(view.lang, "More"), {left, t, right, t + ctx.s(18)}, ctx.s(12), ctx.secondary, 0, 1, 1);
    t += ctx.s(26);
    const Colour line_colour = mix_colour(ctx.text, ctx.background, 0.12f);
    const Colour separator = mix_colour(ctx.background, ctx.text, 0.1f);
    const TextStyle style{ctx.s(14), line_colour, 0, 2, 0};
    for (const std::string& line : upcoming) {
      const Rect box{left, t, right, t + ctx.s(60)};
      const TextSize size = ctx.tools.text.draw_text(ctx.surface, line, box, style, false);
      if (t + size.height > action_top) break;
      ctx.tools.text.draw_text(ctx.surface, line, box, style, true);
      const std::int32_t sep = t + size.height + ctx.s(10);
      fill_rect(ctx, {left, sep, right, sep + thin_line(ctx)}, separator);
      t = sep + thin_line(ctx) + ctx.s(10);
    }
  }

  // Dots below the action button, as in the bars.
  if (layout.action.present) {
    const Rect a = layout.action.rect;
    draw_story_dots(ctx, (a.left + a.right) / 2, a.bottom + ctx.s(8));
  }
}

void draw_bars_content(PaintContext& ctx) {
  const ViewSnapshot& view = ctx.view;
  const BarLayout& layout = ctx.layout;
  const Rect card = layout.card;
  const Rect orb = layout.orb.present ? layout.orb.rect : Rect{card.left, card.top, card.left, card.top};
  const std::int32_t row = ctx.s(52);

  if (orb.left - ctx.s(12) - ctx.s(18) >= ctx.s(60)) {
    const std::int32_t r = card.top + row / 2;
    draw_header(ctx, {ctx.s(18), card.top + ctx.s(8), orb.left - ctx.s(12), r + ctx.s(1)},
                {ctx.s(18), r + ctx.s(1), orb.left - ctx.s(12), card.top + row - ctx.s(8)}, 14);
  }

  const std::optional<QxScore>& score = active_score(view);
  const std::int32_t strip_left = orb.right + ctx.s(18);
  const std::int32_t strip_right = (layout.previous.present ? layout.previous.rect.left : layout.chevron_cell.left) -
                                   ctx.s(8);
  if (!view.expanded || score) {
    draw_bar_content(ctx, strip_left, strip_right, card.top, row);
  } else {
    std::string line;
    const std::size_t count = story_count(view);
    if (count > 1) {
      line = std::to_string(current_feed(view).current % count + 1) + " / " + std::to_string(count) + DOT_JOIN;
    }
    line += current_feed(view).title + DOT_JOIN + status_text(view, ctx.tools.now);
    paint_text(ctx, line, {strip_left, card.top, strip_right, card.top + row}, ctx.s(14), ctx.secondary, 0, 1, 0);
  }
  if (!view.expanded) return;

  const std::int32_t row_bottom = card.top + row;
  fill_rect(ctx, {strip_left, row_bottom, card.right, row_bottom + thin_line(ctx)},
            mix_colour(ctx.background, ctx.text, 0.1f));
  const std::int32_t top = row_bottom + ctx.s(14);
  const std::int32_t action_left = layout.action.present ? layout.action.rect.left : card.right;
  const std::int32_t room = std::max(0, action_left - strip_left);
  const std::int32_t height_left = std::max(0, card.bottom - ctx.s(14) - top);
  const std::int32_t tile_width = std::min(height_left * 16 / 9, room * 6 / 10);
  const Rect tile{strip_left, top, strip_left + tile_width, top + tile_width * 9 / 16};
  std::int32_t x = strip_left;
  if ((!score || is_video_showing(view)) && tile_width > 0 && draw_orb_for_view(ctx, tile, 10)) {
    x = tile.right + ctx.s(18);
  }

  const std::int32_t column_end = action_left - ctx.s(24);
  std::int32_t column_right = column_end;
  const std::vector<std::string> upcoming = upcoming_story_lines(view, ctx.tools.clock);
  const bool split = !upcoming.empty() && column_end - x > ctx.s(620);
  if (split) column_right = x + (column_end - x) * 55 / 100;

  std::int32_t y = top;
  if (is_video_running(view) && stream_plays(view)) {
    paint_text(ctx, playing_title(view), {x, y, column_right, y + ctx.s(20)}, ctx.s(13), ctx.secondary, 0, 1, 0);
    y += ctx.s(28);
  }
  if (score) {
    paint_text(ctx, score->away.name + " at " + score->home.name, {x, y, column_right, y + ctx.s(32)}, ctx.s(22),
               ctx.text, 0, 1, 1);
    paint_text(ctx, score_status_label(*score, ctx.tools.clock),
               {x, y + ctx.s(38), column_right, y + ctx.s(38) + ctx.s(22)}, ctx.s(14), ctx.secondary, 0, 1, 0);
  } else {
    paint_text(ctx, caption_text(view), {x, y, column_right - ctx.s(16), card.bottom - ctx.s(14)}, ctx.s(21),
               ctx.text, 0, 3, 1);
  }

  if (split) {
    fill_rect(ctx, {column_right, top, column_right + thin_line(ctx), card.bottom - ctx.s(14)},
              mix_colour(ctx.background, ctx.text, 0.12f));
    const Colour colour = mix_colour(ctx.text, ctx.background, 0.18f);
    const std::int32_t lx = column_right + ctx.s(20);
    for (std::size_t i = 0; i < upcoming.size() && i < 3; ++i) {
      const std::int32_t ly = top + static_cast<std::int32_t>(i) * ctx.s(31);
      paint_text(ctx, upcoming[i], {lx, ly, column_end, ly + ctx.s(26)}, ctx.s(14), colour, 0, 1, 0);
    }
  }

  if (layout.action.present) {
    const Rect a = layout.action.rect;
    draw_story_dots(ctx, (a.left + a.right) / 2, a.bottom + ctx.s(8));
  }
}

void draw_island_content(PaintContext& ctx) {
  const ViewSnapshot& view = ctx.view;
  const Rect card = ctx.layout.card;
  const std::int32_t chevron_left = ctx.layout.chevron_cell.left;

  if (!view.expanded && !view.orb_image) {
    const bool same = view.left.kind == LeftStyle::Kind::Same;
    const Colour dot = same ? readable_colour(ctx.accent, ctx.background) : ctx.brand.text;
    const std::int32_t dl = card.left + ctx.s(18);
    fill_rounded_rect(ctx.pixels, {dl, card.top + ctx.s(19), dl + ctx.s(10), card.top + ctx.s(29)},
                      static_cast<float>(ctx.s(5)), dot);
    draw_bar_content(ctx, card.left + (same ? ctx.s(40) : ctx.s(58)), chevron_left - ctx.s(6), card.top,
                     card.height());
    return;
  }

  draw_mini_orb(ctx);
  const std::int32_t x = card.left + ctx.s(52);
  if (!view.expanded) {
    draw_bar_content(ctx, x, chevron_left - ctx.s(6), card.top, card.height());
    return;
  }

  draw_header(ctx, {x, card.top + ctx.s(7), chevron_left - ctx.s(6), card.top + ctx.s(26)},
              {x, card.top + ctx.s(25), chevron_left - ctx.s(6), card.top + ctx.s(42)}, 14);

  const std::int32_t left = card.left + ctx.s(18);
  const std::int32_t right = card.right - ctx.s(18);
  const std::int32_t top = card.top + ctx.s(54);
  const std::optional<QxScore>& score = active_score(view);
  if (is_video_running(view)) {
    const Rect tile{left, top, right, top + (right - left) * 9 / 16};
    draw_orb_for_view(ctx, tile, 14);
    const std::int32_t y = tile.bottom + ctx.s(12);
    paint_text(ctx, playing_title(view), {left, y, right, y + ctx.s(26)}, ctx.s(16), ctx.text, 0, 1, 1);
  } else if (score) {
    draw_score_sides(ctx, *score, {left, top, right - ctx.s(150), top + ctx.s(80)}, 21);
    draw_score_status(ctx, *score, {right - ctx.s(134), top + ctx.s(24), right, top + ctx.s(46)});
  } else {
    std::int32_t y = top;
    if (current_picture_path(view)) {
      const Rect tile{left, top, right, top + ctx.s(160)};
      draw_orb_for_view(ctx, tile, 14);
      y = tile.bottom + ctx.s(12);
    }
    paint_text(ctx, caption_text(view), {left, y, right, card.bottom - ctx.s(60)}, ctx.s(17), ctx.text, 0, 3, 1);
  }
  draw_story_dots(ctx, card.left + ctx.s(64), card.bottom - ctx.s(37));
}

}  // namespace

std::vector<std::string> upcoming_story_lines(const ViewSnapshot& view, LocalClock& clock) {
  std::vector<std::string> lines;
  if (view.feeds.empty()) return lines;
  const FeedSlot& slot = current_feed(view);
  const std::size_t count = slot.items.size();
  const std::size_t skip = slot.score ? 0 : 1;
  if (count <= skip) return lines;
  const std::size_t n = std::min<std::size_t>(count - skip, 6);
  for (std::size_t i = 0; i < n; ++i) {
    const QxItem& story = slot.items[(slot.current + skip + i) % count];
    lines.push_back(slot.score ? story_line_with_time(story, clock) : story.title);
  }
  return lines;
}

std::pair<bool, bool> leading_sides(const QxScore& score) {
  const ScoreValue away = parse_score_value(score.away);
  const ScoreValue home = parse_score_value(score.home);
  if (!away.parsed || !home.parsed) return {true, true};
  return {away.value >= home.value, home.value >= away.value};
}

std::int32_t draw_score_status(PaintContext& ctx, const QxScore& score, const Rect& rect) {
  const std::string label = score_status_label(score, ctx.tools.clock);
  if (score.state == "in") {
    const TextSize measured = measure_line(ctx, label, ctx.s(12), 1);
    const Rect pill{rect.left, rect.top, std::min(rect.left + measured.width + ctx.s(18), rect.right), rect.bottom};
    fill_rounded_rect(ctx.pixels, pill, static_cast<float>(pill.height()) / 2.0f, LIVE_RED);
    paint_text(ctx, label, {pill.left + ctx.s(8), pill.top, pill.right - ctx.s(8), pill.bottom}, ctx.s(12), WHITE, 1,
               1, 1);
    return pill.width();
  }
  const TextSize drawn = paint_text(ctx, label, rect, ctx.s(12), ctx.secondary, 0, 1, 1);
  return std::min(drawn.width, rect.width());
}

void draw_score_side(PaintContext& ctx, const QxSide& side, const Rect& row, float size, bool emphasis) {
  const Colour chip_base = side.color_hex ? parse_hex_colour(*side.color_hex) : ctx.secondary;
  const Colour chip = readable_colour(chip_base, ctx.background);
  fill_rounded_rect(ctx.pixels, {row.left, row.top + ctx.s(3), row.left + ctx.s(4), row.bottom - ctx.s(3)},
                    static_cast<float>(ctx.s(2)), chip);

  const Colour colour = emphasis ? ctx.text : mix_colour(ctx.text, ctx.background, 0.22f);
  const std::uint8_t weight = emphasis ? 2 : 1;
  const std::string score_text = side.score.value_or(std::string());
  const std::int32_t room = row.right - (row.left + ctx.s(12));
  const std::int32_t smallest = ctx.s(11);
  std::int32_t font = smallest;
  for (std::int32_t candidate = ctx.s(size); candidate > smallest; --candidate) {
    const std::int32_t need = measure_line(ctx, side.abbr, candidate, weight).width + ctx.s(10) +
                              measure_line(ctx, score_text, candidate, weight).width;
    if (need <= room) {
      font = candidate;
      break;
    }
  }
  paint_text(ctx, side.abbr, {row.left + ctx.s(12), row.top, row.right, row.bottom}, font, colour, 0, 1, weight);
  if (!score_text.empty()) paint_text(ctx, score_text, row, font, colour, 2, 1, weight);
}

void draw_score_sides(PaintContext& ctx, const QxScore& score, const Rect& rect, float size) {
  const std::int32_t h = ctx.s(static_cast<float>(static_cast<std::int32_t>(size) * 17 / 10));
  const auto [away, home] = leading_sides(score);
  const Rect away_row{rect.left, rect.top, rect.right, rect.top + h};
  const std::int32_t home_top = away_row.bottom + ctx.s(6);
  draw_score_side(ctx, score.away, away_row, size, away);
  draw_score_side(ctx, score.home, {rect.left, home_top, rect.right, home_top + h}, size, home);
}

void draw_bar_content(PaintContext& ctx, std::int32_t left, std::int32_t right, std::int32_t top,
                      std::int32_t height) {
  const ViewSnapshot& view = ctx.view;
  if (view.default_feeds) {
    paint_text(ctx, caption_text(view), {left, top, right, top + height}, ctx.s(16), ctx.text, 0, 1, 1);
    return;
  }
  const std::optional<QxScore>& score = active_score(view);
  if (score) {
    if (view.placement == Placement::Island && is_video_showing(view)) {
      const std::int32_t h = height - 2 * ctx.s(8);
      const Rect tile{left, top + ctx.s(8), left + h * 16 / 9, top + ctx.s(8) + h};
      draw_orb_for_view(ctx, tile, 6);
      left = tile.right + ctx.s(14);
    }
    const std::int32_t m = top + height / 2;
    std::int32_t x = left;
    const auto [away_lead, home_lead] = leading_sides(*score);
    const std::pair<const QxSide*, bool> sides[] = {{&score->away, away_lead}, {&score->home, home_lead}};
    for (const auto& [side, lead] : sides) {
      const std::int32_t natural = measure_line(ctx, side->abbr, ctx.s(17), 2).width + ctx.s(14) +
                                   measure_line(ctx, side->score.value_or(std::string()), ctx.s(17), 2).width;
      const std::int32_t w = std::clamp(natural, ctx.s(40), std::max(ctx.s(40), ctx.s(230)));
      if (x + w > right) continue;
      draw_score_side(ctx, *side, {x, m - ctx.s(14), x + w, m + ctx.s(14)}, 17, lead);
      x += w + ctx.s(20);
    }
    const std::int32_t b = right - x > ctx.s(620) ? ctx.s(380) : ctx.s(190);
    x += draw_score_status(ctx, *score, {x, m - ctx.s(11), std::min(x + b, right), m + ctx.s(11)}) + ctx.s(20);
    const QxItem* story = current_story(view);
    if (story && right - x > ctx.s(120)) {
      fill_rect(ctx, {x, m - ctx.s(10), x + thin_line(ctx), m + ctx.s(10)},
                mix_colour(ctx.background, ctx.text, 0.22f));
      paint_text(ctx, story_line_with_time(*story, ctx.tools.clock), {x + ctx.s(16), top, right, top + height},
                 ctx.s(14), ctx.secondary, 0, 1, 0);
    }
    return;
  }
  const std::int32_t h = height - ctx.s(16);
  const Rect tile{left, top + ctx.s(8), left + h * 16 / 9, top + ctx.s(8) + h};
  if (h > 0 && tile.right + ctx.s(80) < right) {
    const bool no_video = view.placement != Placement::Island && stream_plays(view);
    if (draw_orb(ctx, tile, 6, is_video_showing(view) && !no_video)) left = tile.right + ctx.s(14);
  }
  paint_text(ctx, caption_text(view), {left, top, right, top + height}, ctx.s(16), ctx.text, 0, 1, 1);
}

void draw_placement_content(PaintContext& ctx) {
  switch (ctx.view.placement) {
    case Placement::SignalBarBottom:
    case Placement::SignalBarTop: draw_bars_content(ctx); break;
    case Placement::BarLeft:
    case Placement::BarRight: draw_dock_content(ctx); break;
    case Placement::Island: draw_island_content(ctx); break;
  }
}

}  // namespace qx
