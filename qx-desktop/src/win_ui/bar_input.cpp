#include "win_ui/bar_input.h"

#include "app/state_media.h"

namespace qx {

ClientPoint point_from_lparam(std::uint32_t lparam) {
  return {static_cast<std::int16_t>(lparam & 0xFFFF), static_cast<std::int16_t>((lparam >> 16) & 0xFFFF)};
}

std::int16_t wheel_delta_from_wparam(std::uint64_t wparam) {
  return static_cast<std::int16_t>((wparam >> 16) & 0xFFFF);
}

ClickTarget click_target(const ViewSnapshot& view, const BarLayout& layout, ClientPoint p) {
  if (view.default_feeds && layout.action.contains(p.x, p.y)) return ClickTarget::ChooseTeam;
  const Rect& more = layout.more_cell;
  if (p.x >= more.left && p.x < more.right && p.y >= more.top && p.y < more.bottom) return ClickTarget::More;
  if (layout.orb.contains(p.x, p.y) && view.orb_size != OrbSize::Tiny) return ClickTarget::Orb;
  if (layout.action.contains(p.x, p.y)) return ClickTarget::Action;
  if (layout.previous.contains(p.x, p.y)) return ClickTarget::Previous;
  if (layout.next.contains(p.x, p.y)) return ClickTarget::Next;
  // The island's shadow is not fully transparent, so the system gives its clicks to the bar, and a
  // layered window cannot pass them on: the user meant the window seen behind it.
  const bool on_card = HitRect{true, layout.card}.contains(p.x, p.y);
  if (!on_card && !layout.orb.contains(p.x, p.y)) return ClickTarget::Outside;
  return ClickTarget::Elsewhere;
}

WheelAction wheel_action(const ViewSnapshot& view, const BarLayout* layout, ClientPoint p, std::int16_t delta) {
  if (layout && view.orb_size != OrbSize::Tiny && layout->orb.contains(p.x, p.y)) {
    return delta > 0 ? WheelAction::GrowOrb : WheelAction::ShrinkOrb;
  }
  return delta > 0 ? WheelAction::PreviousStory : WheelAction::NextStory;
}

bool toggle_play_pause_in(AppState& s) {
  if (s.playing && s.playing->is_stream) {
    s.playing->paused = !s.playing->paused;
    return true;
  }
  return play_pause_current_media(s);
}

}  // namespace qx
