// The bar's life on the main thread once its state is built: the state shared, one bar per
// logon, the window with its tray icon, timers and workers, and the message loop (Windows only).
#pragma once

#include <string_view>

#include "app/app_state.h"
#include "app/command_line.h"

namespace qx {

// Runs the bar until its window is destroyed; the process's exit code (0).
int run_bar(const CommandLineOptions& options, AppState state);

// An older autostart value "Zelvaron" becomes "Zelvarons"; without it the Run key is left alone.
void migrate_autostart_value();

// Deletes the copies a self-update leaves beside the program; a missing one is no error.
void remove_update_leftovers(std::string_view program_path);

}  // namespace qx
