#include "app/app_state.h"

#include <array>

#include "app/feed_slots.h"
#include "unicode_text.h"

namespace qx {

namespace {

struct OrbSizeRow {
  OrbSize size;
  std::string_view name;
  int height;
};

constexpr std::array<OrbSizeRow, 5> ORB_SIZES{{
    {OrbSize::XL, "XL", 88},
    {OrbSize::L, "L", 72},
    {OrbSize::Regular, "Regular", 56},
    {OrbSize::M, "M", 44},
    {OrbSize::Tiny, "Tiny", 28},
}};

constexpr std::array<std::string_view, 5> PLACEMENT_NAMES{
    "signal-bar-bottom", "signal-bar-top", "island", "bar-left", "bar-right"};

const OrbSizeRow& orb_row(OrbSize size) {
  const auto i = static_cast<std::size_t>(size);
  return ORB_SIZES[i < ORB_SIZES.size() ? i : static_cast<std::size_t>(OrbSize::Regular)];
}

}  // namespace

AppState initial_app_state(std::string_view first_feed_url, Placement placement) {
  AppState s;
  s.feeds.push_back(new_feed_slot(first_feed_url, std::nullopt));
  s.placement = placement;
  return s;
}

// Detached workers reach the state until the process ends, so it is never destroyed.
Guarded<AppState>& APP_STATE = *new Guarded<AppState>();

std::optional<ViewSnapshot> view_snapshot(Guarded<AppState>& holder) {
  return holder.with([](AppState& s) { return ViewSnapshot(s); });
}

std::optional<ViewSnapshot> view_snapshot() { return view_snapshot(APP_STATE); }

std::string_view orb_size_name(OrbSize size) { return orb_row(size).name; }

int orb_size_height(OrbSize size) { return orb_row(size).height; }

std::optional<OrbSize> parse_orb_size(std::optional<std::string_view> text) {
  if (!text) return std::nullopt;
  for (const OrbSizeRow& row : ORB_SIZES) {
    if (ascii_iequals(*text, row.name)) return row.size;
  }
  return std::nullopt;
}

std::string_view placement_name(Placement placement) {
  const auto i = static_cast<std::size_t>(placement);
  return i < PLACEMENT_NAMES.size() ? PLACEMENT_NAMES[i] : PLACEMENT_NAMES[0];
}

}  // namespace qx
