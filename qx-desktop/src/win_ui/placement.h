// Where the bar window lies: the monitor, the edge, the thickness, whether it is an app bar that
// keeps other windows clear of it, and whether it is shown. The decision is pure; the shell and
// window calls go through PlacementHost, so tests drive it with a fake.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "app/app_state.h"
#include "app/self_test.h"  // ScreenSize
#include "render/pixels.h"
#include "win_ui/locked_value.h"

namespace qx {

// One display monitor as the system reports it; rectangles in virtual-screen pixels.
struct MonitorInfo {
  Rect monitor;
  Rect work;
  bool primary = false;
};

// A monitor in the order the menu's "Screen {n}" and the "monitor" setting use.
struct MonitorRects {
  Rect monitor;
  Rect work;
  friend bool operator==(const MonitorRects&, const MonitorRects&) = default;
};

// Stable sort with the primary monitor first, the others in enumeration order.
std::vector<MonitorRects> sort_monitors(std::vector<MonitorInfo> enumerated);

// The entry at the index, entry 0 for an index beyond the list, and the whole screen as both
// rectangles when there is no monitor at all.
MonitorRects monitor_rect(const std::vector<MonitorRects>& monitors, std::uint64_t index, ScreenSize screen);

// The shell's app-bar edges (uEdge).
enum class AppBarEdge : std::uint32_t { Left = 0, Top = 1, Right = 2, Bottom = 3 };

// None for the island, which is never an app bar.
std::optional<AppBarEdge> app_bar_edge(Placement placement);
// 52 pixels at 96 DPI along the top and bottom edges, 252 along the sides, scaled and rounded.
std::int32_t app_bar_thickness(AppBarEdge edge, float scale);
// The far side of the shell's answer set from its near side: a bottom bar's top is its bottom
// minus the thickness, and so on.
Rect set_far_side(AppBarEdge edge, Rect queried, std::int32_t thickness);

struct PlacementPlan {
  enum class Kind : std::uint8_t { Hide, AppBar, Plain };
  Kind kind = Kind::Hide;
  AppBarEdge edge = AppBarEdge::Bottom;  // AppBar only
  std::int32_t thickness = 0;            // AppBar only
  Rect area;  // AppBar: the monitor rectangle to query with; Plain: the work area, which is the window
};

// Hidden when the bar is inactive; an app bar for an edge placement with "reserve" on; else the
// work area of the chosen monitor.
PlacementPlan decide_placement(const ViewSnapshot& view, Instant now, const std::vector<MonitorRects>& monitors,
                               ScreenSize screen, float scale);

// The shell's app-bar messages for the bar window (SHAppBarMessage) and the window's hiding.
class AppBarShell {
 public:
  virtual ~AppBarShell() = default;
  virtual void app_bar_new() = 0;
  // Each returns the rectangle as the shell left it.
  virtual Rect app_bar_query_pos(AppBarEdge edge, const Rect& rc) = 0;
  virtual Rect app_bar_set_pos(AppBarEdge edge, const Rect& rc) = 0;
  virtual void app_bar_remove() = 0;
};

class PlacementHost : public AppBarShell {
 public:
  virtual std::vector<MonitorRects> monitors() = 0;  // list_monitors
  virtual ScreenSize screen() = 0;                   // screen_size
  virtual float scale() = 0;                         // dpi_scale
  virtual void hide_window() = 0;                    // ShowWindow SW_HIDE
};

// Sends ABM_REMOVE only when the window was registered. A removed app bar hears no more
// full-screen notices, so a full-screen mark it still carries is dropped with it.
void remove_app_bar(AppBarShell& shell);
// The shell restarted ("TaskbarCreated"): it knows nothing of the old registration, so the
// flags are cleared without ABM_REMOVE.
void forget_app_bar_registration();

// Carries the plan out: hides (none), or registers when needed and queries and sets the app-bar
// position, or removes the app bar for the plain path. Gives the window rectangle.
std::optional<Rect> carry_out_placement(const PlacementPlan& plan, AppBarShell& shell);

// Steps 2 to 6 of placing the window for a snapshot: decide, carry out, hide or store the
// rectangle. Gives the stored rectangle; none when the window was hidden (the old rectangle stays).
std::optional<Rect> place_bar(const ViewSnapshot& view, Instant now, PlacementHost& host,
                              LockedOptional<Rect>& window_rect);

// The window rectangle last placed; absent until the first placement. Never destroyed.
extern LockedOptional<Rect>& WINDOW_RECT;

}  // namespace qx
