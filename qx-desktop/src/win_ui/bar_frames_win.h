// The program's own frame push: the bar painter with the platform's text, pictures and clock,
// and the media player in CURRENT_PLAYER. What the window procedure, main and the menu runner
// call. Windows only.
#pragma once

#include <windows.h>

#include "app/app_state.h"
#include "win_ui/frame_push.h"

namespace qx {

// layout_bar and paint_bar with platform_paint_tools.
FramePainter& bar_frame_painter();
// CURRENT_PLAYER.
PlayerLink& current_player_link();

void place_window(HWND window);
bool present_frame(HWND window, const ViewSnapshot& view);
bool push_video_frame(HWND window);

// The id of the shell's "TaskbarCreated" broadcast (0 when it cannot be registered).
UINT taskbar_created_message();

}  // namespace qx
