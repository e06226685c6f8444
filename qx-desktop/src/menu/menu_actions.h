// Applying a chosen menu command to the state, and what is left to do once the state lock is
// released: re-syncing the window, opening a link or a dialog, starting a worker, quitting.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "menu/menu_action.h"

namespace qx {

struct MenuEffect {
  // In this order.
  enum class Kind : std::uint8_t {
    Changed,            // re-sync the window and save
    Refresh,            // start the refresh-now worker, then Changed
    OpenLink,           // open `link`
    OpenTryFeedsPage,
    ChooseOrbSource,    // a file dialog, then Changed
    ChooseLeftPicture,
    ChooseBarPicture,
    ChooseFilm,
    PlayCopiedStream,   // play the copied media link or show the hint, then Changed
    LocaleChanged,      // start the catalogue, teams and refresh-now workers, then Changed
    FollowCopiedLink,   // start the add-feed worker with the copied text
    SetAutostart,       // write or delete the autostart value as `autostart` says
    InstallUpdate,
    Quit,
  };
  Kind kind = Kind::Changed;
  std::string link;        // OpenLink
  bool autostart = false;  // SetAutostart

  friend bool operator==(const MenuEffect&, const MenuEffect&) = default;
};

inline constexpr std::chrono::seconds HIDE_FOR_AN_HOUR{3600};

// Changes the state for one command (the caller holds the state lock) and says what is left to
// do. `autostart_present` is whether the autostart value existed when the menu opened.
MenuEffect apply_menu_action(AppState& s, const MenuAction& action, bool autostart_present, Instant now);

}  // namespace qx
