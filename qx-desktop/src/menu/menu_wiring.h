// The services of the window and the shell that the menu calls but that live in other parts of
// the program. The program sets them once at start, before the window exists; an unset one does
// nothing (a menu on one screen, no dialog, no clipboard text).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/app_messages.h"
#include "menu/menu_runner.h"

namespace qx {

struct MenuWiring {
  std::function<std::size_t()> monitor_count;  // list_monitors
  std::function<std::optional<std::string>(WindowHandle, FileChoice)> open_file_dialog;
  std::function<std::optional<std::string>(WindowHandle)> clipboard_text;
  std::function<void(std::string_view)> open_https_link;
  std::function<void(bool)> set_autostart;
  std::function<std::uint16_t()> local_minutes_of_day;
  std::function<void(WindowHandle)> remove_app_bar;
  std::function<void(WindowHandle)> sync_playback;
  std::function<void(WindowHandle)> place_window;
};

// The program's one wiring (never destroyed).
MenuWiring& menu_wiring();

}  // namespace qx
