#include "win_ui/placement.h"

#include <algorithm>

#include "app/bar_activity.h"
#include "render/bar_layout.h"
#include "render/repaint.h"
#include "render/saturate.h"

namespace qx {

LockedOptional<Rect>& WINDOW_RECT = *new LockedOptional<Rect>();  // outlives every thread

std::vector<MonitorRects> sort_monitors(std::vector<MonitorInfo> enumerated) {
  std::stable_partition(enumerated.begin(), enumerated.end(), [](const MonitorInfo& m) { return m.primary; });
  std::vector<MonitorRects> out;
  out.reserve(enumerated.size());
  for (const MonitorInfo& m : enumerated) out.push_back({m.monitor, m.work});
  return out;
}

MonitorRects monitor_rect(const std::vector<MonitorRects>& monitors, std::uint64_t index, ScreenSize screen) {
  if (monitors.empty()) {
    const Rect whole{0, 0, screen.width, screen.height};
    return {whole, whole};
  }
  return index < monitors.size() ? monitors[static_cast<std::size_t>(index)] : monitors.front();
}

std::optional<AppBarEdge> app_bar_edge(Placement placement) {
  switch (placement) {
    case Placement::SignalBarBottom: return AppBarEdge::Bottom;
    case Placement::SignalBarTop: return AppBarEdge::Top;
    case Placement::BarLeft: return AppBarEdge::Left;
    case Placement::BarRight: return AppBarEdge::Right;
    case Placement::Island: break;
  }
  return std::nullopt;
}

std::int32_t app_bar_thickness(AppBarEdge edge, float scale) {
  const bool across = edge == AppBarEdge::Top || edge == AppBarEdge::Bottom;
  return scale_design(across ? 52.0f : 252.0f, scale);
}

Rect set_far_side(AppBarEdge edge, Rect rc, std::int32_t thickness) {
  switch (edge) {
    case AppBarEdge::Bottom: rc.top = clamp_i32(std::int64_t{rc.bottom} - thickness); break;
    case AppBarEdge::Top: rc.bottom = clamp_i32(std::int64_t{rc.top} + thickness); break;
    case AppBarEdge::Left: rc.right = clamp_i32(std::int64_t{rc.left} + thickness); break;
    case AppBarEdge::Right: rc.left = clamp_i32(std::int64_t{rc.right} - thickness); break;
  }
  return rc;
}

PlacementPlan decide_placement(const ViewSnapshot& view, Instant now, const std::vector<MonitorRects>& monitors,
                               ScreenSize screen, float scale) {
  PlacementPlan plan;
  if (!is_bar_active(view, now)) return plan;
  const MonitorRects chosen = monitor_rect(monitors, view.monitor, screen);
  const std::optional<AppBarEdge> edge = app_bar_edge(view.placement);
  if (edge && view.reserve) {
    plan.kind = PlacementPlan::Kind::AppBar;
    plan.edge = *edge;
    plan.thickness = app_bar_thickness(*edge, scale);
    plan.area = chosen.monitor;
  } else {
    plan.kind = PlacementPlan::Kind::Plain;
    plan.area = chosen.work;
  }
  return plan;
}

void remove_app_bar(AppBarShell& shell) {
  if (!APPBAR_REGISTERED.exchange(false)) return;
  FULLSCREEN_APP.store(false);
  shell.app_bar_remove();
}

void forget_app_bar_registration() {
  APPBAR_REGISTERED.store(false);
  FULLSCREEN_APP.store(false);
}

std::optional<Rect> carry_out_placement(const PlacementPlan& plan, AppBarShell& shell) {
  switch (plan.kind) {
    case PlacementPlan::Kind::Hide:
      remove_app_bar(shell);
      return std::nullopt;
    case PlacementPlan::Kind::Plain:
      remove_app_bar(shell);
      return plan.area;
    case PlacementPlan::Kind::AppBar: {
      if (!APPBAR_REGISTERED.exchange(true)) shell.app_bar_new();
      const Rect queried = shell.app_bar_query_pos(plan.edge, plan.area);
      return shell.app_bar_set_pos(plan.edge, set_far_side(plan.edge, queried, plan.thickness));
    }
  }
  return std::nullopt;
}

std::optional<Rect> place_bar(const ViewSnapshot& view, Instant now, PlacementHost& host,
                              LockedOptional<Rect>& window_rect) {
  // The monitors are asked only for a bar that is shown.
  const PlacementPlan plan = is_bar_active(view, now)
                                 ? decide_placement(view, now, host.monitors(), host.screen(), host.scale())
                                 : PlacementPlan{};
  const std::optional<Rect> rect = carry_out_placement(plan, host);
  if (!rect) {
    host.hide_window();
    return std::nullopt;
  }
  window_rect.store(*rect);
  return rect;
}

}  // namespace qx
