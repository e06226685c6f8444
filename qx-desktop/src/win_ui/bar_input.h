// What a click or a wheel turn on the bar means, decided from a snapshot and its layout; the
// window procedure carries it out.
#pragma once

#include <cstdint>

#include "app/app_state.h"
#include "render/bar_layout.h"

namespace qx {

struct ClientPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// The point of a mouse message's lParam: two signed 16-bit values (negative on a monitor left of
// or above the primary one).
ClientPoint point_from_lparam(std::uint32_t lparam);
// The signed high word of a wheel message's wParam.
std::int16_t wheel_delta_from_wparam(std::uint64_t wparam);

// The first matching click rule.
enum class ClickTarget : std::uint8_t {
  ChooseTeam,  // the action button while the default feeds are shown: the menu
  More,        // the menu
  Orb,         // play or pause; when nothing plays, as Elsewhere
  Action,      // play or pause; when nothing plays, open the story's link
  Previous,
  Next,
  Elsewhere,   // expand or collapse
  Outside,     // beside the card and the orb, on the island's shadow: nothing
};
ClickTarget click_target(const ViewSnapshot& view, const BarLayout& layout, ClientPoint point);

enum class WheelAction : std::uint8_t { GrowOrb, ShrinkOrb, PreviousStory, NextStory };
inline constexpr float WHEEL_GROW = 1.12f;
inline constexpr float WHEEL_SHRINK = 0.892857f;

// `layout` is absent when the window has not been placed yet; the wheel then steps stories.
WheelAction wheel_action(const ViewSnapshot& view, const BarLayout* layout, ClientPoint point, std::int16_t delta);

// Play or pause with the state lock held: a stream the user plays is paused or resumed, else the
// current story's media. Whether anything changed.
bool toggle_play_pause_in(AppState& s);

}  // namespace qx
