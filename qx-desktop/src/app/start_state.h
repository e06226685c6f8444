// The state the program starts with, before anything is shared: the defaults with the first feed
// address, the settings, the user's country and language, then the command-line overrides.
// Start-up, "--render" and the tests build it the same way.
#pragma once

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/settings.h"
#include "local_file.h"
#include "world/locale_choice.h"

namespace qx {

// Defaults holding one slot for "--feed"/"--team-id" (else the default feed) with the given
// placement, the settings applied (absent settings change nothing), the locale resolved from the
// Windows names and the settings' own choice, and the options applied last.
AppState build_start_state(const CommandLineOptions& options, const Settings& settings, Placement placement,
                           const WindowsLocaleNames& windows_locale, LocalFiles& files);

// The command-line overrides, applied to a state in their fixed order.
void apply_command_line(AppState& state, const CommandLineOptions& options, LocalFiles& files);

}  // namespace qx
