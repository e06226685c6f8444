// The bar window's procedure (Windows only). It decodes each message and hands it to one named
// handler of window_proc.h, with the program's own host: APP_STATE, the frame push, the player,
// the shell and the menu.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace qx {

// The id RegisterWindowMessageW gave "TaskbarCreated" at start; 0 until then (and message 0
// never counts as it).
extern std::atomic<std::uint32_t> TASKBAR_CREATED;

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// What the window does on "TaskbarCreated", with the program's own host: the old app-bar
// registration is forgotten (the new shell never knew it), the tray icon is added again with its
// first tip, and the window is placed again.
void on_taskbar_created(HWND window);

}  // namespace qx
